#pragma once
// The editor's rule for confirming a local target folder, kept apart from the folder picker so
// that it is portable and tested natively.
#include <string_view>

namespace qv {

// True for a path that begins with a drive letter ("C:\Data", "d:"): the text is not empty and
// its second character is ":". A network path ("\\server\share") is refused, since the service
// cannot reach it.
bool IsDriveLetterPath(std::wstring_view path);

}  // namespace qv
