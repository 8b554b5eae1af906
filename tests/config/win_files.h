#pragma once
// Real files in a folder of their own for the Windows tests.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace qv::test {

class TempDir {
 public:
  // `name_part` goes into the folder's name, e.g. characters outside the ANSI code page.
  explicit TempDir(const std::wstring& name_part = L"") {
    static int counter = 0;
    wchar_t base[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, base);
    path_ = std::wstring(base) + L"qv-config-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + name_part;
    CreateDirectoryW(path_.c_str(), nullptr);
    path_ += L'\\';
  }
  ~TempDir() {
    for (const std::wstring& name : Names()) {
      const std::wstring full = path_ + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileW(full.c_str())) RemoveDirectoryW(full.c_str());
    }
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path_.c_str());
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Ends with a backslash.
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + name; }

  // What the folder holds, "." and ".." left out.
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((path_ + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
  }

 private:
  std::wstring path_;
};

inline bool WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                             &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

// The whole file; empty when it cannot be opened (`exists` tells the two apart).
inline std::vector<std::uint8_t> ReadBytes(const std::wstring& path, bool* exists = nullptr) {
  std::vector<std::uint8_t> bytes;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (exists != nullptr) *exists = file != INVALID_HANDLE_VALUE;
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  CloseHandle(file);
  return bytes;
}

// A handle held open by "another program" for the length of a test.
class Holder {
 public:
  Holder(const std::wstring& path, DWORD access, DWORD share)
      : handle_(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~Holder() { Close(); }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;

  bool open() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Close() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

// Another drive letter for the folder: Wine's Z:, which shows the whole Unix tree, or where that
// is not there, one given as SUBST gives it (Wine opens files only through its own drive
// letters). Empty when none can be had; `undo` then removes what was defined.
inline std::wstring AnotherDriveFor(const std::wstring& folder, std::wstring& undo) {
  wchar_t prefix[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
  if (n > 0 && n < MAX_PATH && folder.rfind(L"C:\\", 0) == 0) {
    std::wstring unix_path = std::wstring(prefix) + L"/drive_c/" + folder.substr(3);
    std::replace(unix_path.begin(), unix_path.end(), L'/', L'\\');
    const std::wstring spelled = L"Z:" + unix_path;
    if (GetFileAttributesW(spelled.c_str()) != INVALID_FILE_ATTRIBUTES) return spelled;
  }
  for (wchar_t letter = L'Q'; letter <= L'Z'; ++letter) {
    const std::wstring drive = std::wstring(1, letter) + L":";
    if (GetDriveTypeW((drive + L"\\").c_str()) != DRIVE_NO_ROOT_DIR) continue;
    if (!DefineDosDeviceW(0, drive.c_str(), folder.substr(0, folder.size() - 1).c_str())) continue;
    undo = drive;
    if (GetFileAttributesW((drive + L"\\").c_str()) != INVALID_FILE_ATTRIBUTES) return drive + L"\\";
    DefineDosDeviceW(DDD_REMOVE_DEFINITION, drive.c_str(), nullptr);
    undo.clear();
  }
  return {};
}

}  // namespace qv::test
