#include "config/exe_directory.h"

#include <windows.h>

#include "config/paths.h"

namespace qv {
namespace {

std::wstring& Storage() {
  static std::wstring directory;
  return directory;
}

}  // namespace

void InitExeDirectory() {
  // Kept in UTF-16: a folder whose name the ANSI code page cannot spell must still open.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) {
      path.clear();
      break;
    }
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    // Cut short: the path is longer than the buffer, which grows up to the longest path there is.
    if (path.size() >= 32768) {
      path.clear();
      break;
    }
    path.resize(path.size() * 2);
  }
  Storage() = DirectoryOfPath(path);
}

const std::wstring& ExeDirectory() { return Storage(); }

}  // namespace qv
