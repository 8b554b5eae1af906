#include <windows.h>

#include <cstdint>
#include <string>

#include "config/config_access.h"
#include "config/utf8_win.h"
#include "config/config_store.h"
#include "config/exe_directory.h"

namespace qv {
namespace {

bool SameFileName(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The editor's own load and save, given the folder (with its trailing backslash).
class WindowsConfigFile final : public ConfigAccess {
 public:
  explicit WindowsConfigFile(std::wstring directory) : directory_(std::move(directory)) {}

  // The editor's turn: qvconf runs and open editors wait for each other.
  bool LockForEdit(std::string& error) override {
    std::uint32_t code = 0;
    if (turn_.Take(directory_, kLockWaitMs, &code)) return true;
    error = code != 0 ? "cannot wait for other runs on it (error " + std::to_string(code) + ")"
                      : "another run kept it busy for " + std::to_string(kLockWaitMs / 1000) +
                            " seconds; nothing was changed";
    return false;
  }

  std::string DisplayPath() const override {
    std::wstring path = directory_;
    for (const char* c = kConfigFileName; *c != '\0'; ++c) path += static_cast<wchar_t>(*c);
    return Utf8(path);
  }

  LoadOutcome Load(ConfigDocument& doc) override {
    const LoadResult result = LoadConfig(directory_, doc);
    LoadOutcome outcome;
    outcome.facts = result.report;
    outcome.status = result.status;
    if (result.status == LoadStatus::kUnreadable) {
      outcome.error = "held by another program past the retries, not a file, or a read error";
    }
    return outcome;
  }

  SaveOutcome Save(const ConfigDocument& doc) override {
    const SaveResult result = SaveConfig(directory_, doc);
    if (result.ok) return {true, {}};
    const std::string path = DisplayPath();
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    const bool read_only = attributes != INVALID_FILE_ATTRIBUTES &&
                           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) ==
                               FILE_ATTRIBUTE_READONLY;
    std::string reason = read_only                  ? std::string("the file is read-only")
                         : result.system_error != 0 ? SystemErrorText(result.system_error)
                                                    : std::string();
    return {false, Utf8(result.error) + (reason.empty() ? "" : ": " + reason)};
  }

 private:
  static constexpr DWORD kLockWaitMs = 60000;

  std::wstring directory_;
  ConfigEditTurn turn_;
};

}  // namespace

std::unique_ptr<ConfigAccess> OpenConfigAccess(const std::string& location, bool is_directory,
                                               std::string& error) {
  if (location.empty()) {
    error = "an empty path names no file";
    return nullptr;
  }
  std::wstring path = Wide(location);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  if (is_directory) {
    if (path.back() != L'\\') path += L'\\';
    return std::make_unique<WindowsConfigFile>(std::move(path));
  }
  // The editor's save writes its temporary and backup files under this name, so the file keeps it.
  const std::size_t slash = path.find_last_of(L"\\:");
  const std::wstring_view name =
      std::wstring_view(path).substr(slash == std::wstring::npos ? 0 : slash + 1);
  if (!SameFileName(name, L"CONFIGS.DAT")) {
    error = location +
            ": on Windows the file must be named CONFIGS.DAT (or give its folder with --dir)";
    return nullptr;
  }
  return std::make_unique<WindowsConfigFile>(path.substr(0, path.size() - name.size()));
}

std::string DefaultConfigDirectory() {
  if (ExeDirectory().empty()) InitExeDirectory();
  return Utf8(ExeDirectory());
}

}  // namespace qv
