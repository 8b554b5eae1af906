// Reading a directory's subfolders: the sync server's only contact with the file system.
#include <algorithm>
#include <string>
#include <string_view>

#include "syncserver_core.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace qv {
namespace {

// A listing line ends at LF and loses a CR before it, so such names cannot travel.
bool Carriable(const std::string& name) { return name.find_first_of("\r\n") == std::string::npos; }

#ifdef _WIN32
std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// False when the name has characters the ANSI code page lacks: the client could not ask for it.
bool Narrow(const wchar_t* wide, std::string& text) {
  BOOL lossy = FALSE;
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lossy);
  if (n <= 0 || lossy) return false;
  text.assign(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, text.data(), n, nullptr, nullptr);
  text.resize(static_cast<std::size_t>(n - 1));
  return true;
}
#endif

}  // namespace

bool ListSubfolders(const std::string& root, const std::vector<std::string>& parts,
                    std::vector<std::string>& names) {
  names.clear();
#ifdef _WIN32
  std::wstring folder = Widen(root);
  for (const std::string& part : parts) folder += L"\\" + Widen(part);
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
    std::wstring_view wide = entry.cFileName;
    if (wide == L"." || wide == L"..") continue;
    std::string name;
    if (Narrow(entry.cFileName, name) && Carriable(name)) names.push_back(std::move(name));
  } while (FindNextFileW(find, &entry));
  FindClose(find);
#else
  std::string folder = root;
  for (const std::string& part : parts) folder += "/" + part;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return false;
  while (const dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == ".." || !Carriable(name)) continue;
    struct stat info;
    if (stat((folder + "/" + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      names.push_back(std::move(name));
    }
  }
  closedir(dir);
#endif
  std::sort(names.begin(), names.end());
  return true;
}

}  // namespace qv
