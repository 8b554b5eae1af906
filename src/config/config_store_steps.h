#pragma once
// The seams of LoadConfig and SaveConfig: what they call at each step, so that tests observe the
// loader's pauses and inject a fault into each step of a save (Windows only).
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "config/config_store.h"
#include "config/file_stream.h"

namespace qv {

// A save writes a file of its own beside CONFIGS.DAT, named CONFIGS.DAT.~qv<16 hex digits>.tmp,
// and renames it over CONFIGS.DAT in one step. No user names a file that way, so a later save
// may remove what an interrupted one left.
inline constexpr wchar_t kSaveFilePrefix[] = L"CONFIGS.DAT.~qv";
inline constexpr wchar_t kSaveFileSuffix[] = L".tmp";
// The records go out in writes of at most this many bytes.
inline constexpr std::size_t kSaveChunkSize = std::size_t{4} << 20;

// True for a file name (no folder) that only a save of ours makes.
bool IsSaveFileName(std::wstring_view name);

struct SaveSteps {
  // Creates a new file for writing, unshared; fails when the name is taken.
  std::function<HANDLE(const std::wstring& path)> create;
  // One WriteFile; `written` may come back short.
  std::function<bool(HANDLE file, const std::uint8_t* data, DWORD size, DWORD& written)> write;
  std::function<bool(HANDLE file)> flush;
  // Renames over any file of that name in one step, through to the disk.
  std::function<bool(const std::wstring& from, const std::wstring& to)> move;
  // Deletes a file that a save of ours made.
  std::function<bool(const std::wstring& path)> remove;
  std::size_t chunk_size = kSaveChunkSize;

  static SaveSteps Platform();
};

LoadResult LoadConfigWith(const std::wstring& directory, ConfigDocument& doc,
                          const PauseFunction& pause);
SaveResult SaveConfigWith(const SaveSteps& steps, const std::wstring& directory,
                          const ConfigDocument& doc);

}  // namespace qv
