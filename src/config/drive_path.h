#pragma once
// Which local folders a task's target may be, for the folder button and for qvconf's check alike.
#include <string_view>

namespace qv {

// True for a path that begins with a drive letter: the text is not empty and its second
// character is ":" ("C:\Data", "d:"). That is how Windows itself tells a drive path from the
// others: it looks at the colon, not at the letter. A network path ("\\server\share") is
// refused: the service cannot reach it.
bool IsDriveLetterPath(std::wstring_view path);
// The same rule for a target decoded from the file's code page.
bool IsDriveLetterPath(std::u32string_view path);

// Whether the path names its drive's root or a folder below it ("C:\Data", "C:/"), rather than a
// folder relative to the drive's current one ("d:", "C:Data"), which depends on the process.
bool IsFullDrivePath(std::u32string_view path);

}  // namespace qv
