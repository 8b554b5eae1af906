#include "config/drive_path.h"

namespace qv {
namespace {

template <typename Char>
bool SecondIsColon(std::basic_string_view<Char> path) {
  return path.size() >= 2 && path[1] == Char(':');
}

}  // namespace

bool IsDriveLetterPath(std::wstring_view path) { return SecondIsColon(path); }

bool IsDriveLetterPath(std::u32string_view path) { return SecondIsColon(path); }

bool IsFullDrivePath(std::u32string_view path) {
  return IsDriveLetterPath(path) && path.size() >= 3 && (path[2] == U'\\' || path[2] == U'/');
}

}  // namespace qv
