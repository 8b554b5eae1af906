#pragma once
// The directory part of a path: everything up to and including its last backslash, or an empty
// text when it has none. Only the backslash separates; a slash or a colon does not.
#include <string>
#include <string_view>

namespace qv {

std::string DirectoryOfPath(std::string_view path);
std::wstring DirectoryOfPath(std::wstring_view path);

}  // namespace qv
