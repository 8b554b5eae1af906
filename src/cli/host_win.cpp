#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include "cli/host.h"
#include "common/win_text.h"
#include "config/config_store.h"
#include "i18n/ui_strings.h"

namespace qv::cli {
namespace {

// A console takes UTF-16 whatever its code page; a pipe or a file gets UTF-8 bytes.
void Write(DWORD which, std::string_view utf8) {
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || utf8.empty()) return;
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    const std::wstring wide = win::Utf8ToWide(utf8);
    std::size_t done = 0;
    while (done < wide.size()) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
      if (!WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) || written == 0)
        return;
      done += written;
    }
    return;
  }
  while (!utf8.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(utf8.size(), 1 << 20));
    if (!WriteFile(handle, utf8.data(), chunk, &written, nullptr) || written == 0) return;
    utf8.remove_prefix(written);
  }
}

bool ReadHandle(HANDLE handle, std::string& content) {
  char buffer[1 << 16];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(handle, buffer, sizeof buffer, &n, nullptr)) {
      // A pipe whose writer has gone ends the input.
      return GetLastError() == ERROR_BROKEN_PIPE;
    }
    if (n == 0) return true;
    content.append(buffer, n);
  }
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (ok()) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

void SystemConsole::Out(std::string_view utf8) { Write(STD_OUTPUT_HANDLE, utf8); }
void SystemConsole::Err(std::string_view utf8) { Write(STD_ERROR_HANDLE, utf8); }

std::optional<std::string> SystemConsole::ReadInput() {
  const HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string content;
  if (!ReadHandle(handle, content)) return std::nullopt;
  return content;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(win::WideToUtf8(wide[i]));
  LocalFree(wide);
  return args;
}

bool ReadWholeFile(const std::string& path, std::string& content, std::string& error) {
  Handle file(CreateFileW(win::Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok() || !ReadHandle(file.get(), content)) {
    error = path + ": " + SystemErrorText(static_cast<std::uint32_t>(GetLastError()));
    return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, std::string_view content, std::string& error) {
  const SaveResult result =
      WriteProtectedFile(win::Utf8ToWide(path),
                         {reinterpret_cast<const std::uint8_t*>(content.data()), content.size()});
  if (!result.ok)
    error = path + ": " + (result.reason.empty() ? win::WideToUtf8(result.error) : result.reason);
  return result.ok;
}

bool SameFile(const std::string& a, const std::string& b) {
  const auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    // No access asked for: enough to learn which file it is, even one opened without sharing.
    Handle file(CreateFileW(win::Utf8ToWide(path).c_str(), 0,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.ok() && GetFileInformationByHandle(file.get(), &info) != FALSE;
  };
  BY_HANDLE_FILE_INFORMATION one{}, two{};
  if (identity(a, one) && identity(b, two)) {
    return one.dwVolumeSerialNumber == two.dwVolumeSerialNumber &&
           one.nFileIndexHigh == two.nFileIndexHigh && one.nFileIndexLow == two.nFileIndexLow;
  }
  const auto full = [](const std::string& path) {
    std::wstring out(32768, L'\0');
    const DWORD n = GetFullPathNameW(win::Utf8ToWide(path).c_str(), static_cast<DWORD>(out.size()),
                                     out.data(), nullptr);
    out.resize(n > 0 && n < out.size() ? n : 0);
    return out;
  };
  const std::wstring x = full(a), y = full(b);
  return !x.empty() && CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(),
                                            static_cast<int>(y.size()), TRUE) == CSTR_EQUAL;
}

bool IsReadOnlyFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(win::Utf8ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::string NewTaskStem(unsigned /*code_page*/) {
  SelectLanguage();
  return UiString(kUiNewTaskStem);
}

}  // namespace qv::cli
