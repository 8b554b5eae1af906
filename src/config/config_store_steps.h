#pragma once
// The seams of LoadConfig and SaveConfig: what they call at each step, so that tests observe the
// loader's pauses and inject a fault into each step of a save (Windows only).
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "config/config_store.h"
#include "config/file_stream.h"

namespace qv {

// A save writes CONFIGS.DAT.tmp beside CONFIGS.DAT, then replaces CONFIGS.DAT with it, keeping
// the old file as CONFIGS.DAT.bak until the replacement is done.
inline constexpr wchar_t kTempSuffix[] = L".tmp";
inline constexpr wchar_t kBackupSuffix[] = L".bak";
// The file goes out in writes of at most this many bytes.
inline constexpr std::size_t kSaveChunkSize = std::size_t{1} << 20;

struct SaveSteps {
  // Creates the temporary file for writing, unshared, replacing a file of that name.
  std::function<HANDLE(const std::wstring& path)> create;
  // One WriteFile; `written` may come back short.
  std::function<bool(HANDLE file, const std::uint8_t* data, DWORD size, DWORD& written)> write;
  std::function<bool(HANDLE file)> flush;
  // ReplaceFileW(target, temp, backup); on failure GetLastError says why (1176, 1177, ...).
  std::function<bool(const std::wstring& target, const std::wstring& temp,
                     const std::wstring& backup)>
      replace;
  // MoveFileExW over any file of that name, through to the disk.
  std::function<bool(const std::wstring& from, const std::wstring& to)> move;

  static SaveSteps Platform();
};

void LoadConfigWith(const std::wstring& directory, ConfigDocument& doc, const PauseFunction& pause);
SaveResult SaveConfigWith(const SaveSteps& steps, const std::wstring& directory,
                          const ConfigDocument& doc);

}  // namespace qv
