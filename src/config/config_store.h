#pragma once
// Loading and saving CONFIGS.DAT in a directory (Windows only). The directory is UTF-16 and ends
// with a backslash, so that folders outside the ANSI code page work.
#include <cstdint>
#include <string>

#include "config/config_file.h"
#include "config/document.h"
#include "config/file_stamp.h"

namespace qv {

struct LoadResult {
  LoadStatus status = LoadStatus::kMissing;
  ImageReport report;
  FileStamp stamp;  // the bytes that were read
  // An existing file the document does not hold whole: saving over it would lose data, or, when
  // its count promises records it does not hold, write thousands of empty tasks.
  bool ExistingFileNotLoaded() const {
    return status == LoadStatus::kUnreadable || status == LoadStatus::kForeign ||
           status == LoadStatus::kCut ||
           (status == LoadStatus::kLoaded && report.CountBeyondData());
  }
};

// Changes nothing on disk: a missing CONFIGS.DAT loads as kMissing even when an interrupted save
// left a file of ours beside it.
LoadResult LoadConfig(const std::wstring& directory, ConfigDocument& doc);

struct SaveResult {
  bool ok = false;
  // On failure: "Cannot create file <full path>" or "Stream write error" (no full stop).
  std::wstring error;
  // On failure, the system's error code for the step that failed (0 when none was given).
  unsigned long system_error = 0;
  FileStamp stamp;  // on success, the bytes now in CONFIGS.DAT
};

// Replaces the file in one step; on failure the old file keeps its bytes. Touches only
// CONFIGS.DAT and files that a save of ours created.
SaveResult SaveConfig(const std::wstring& directory, const ConfigDocument& doc);

// CONFIGS.DAT's stamp as it is now, read as LoadConfig reads (waiting out a writer).
FileStamp ReadFileStamp(const std::wstring& directory);

// Takes turns on one CONFIGS.DAT with every other editor and qvconf run of this session, so that no save replaces a file between another program's reading and
// writing it, and no save removes another's temporary file. The turn goes with the process
// when it ends. Windows only.
class ConfigEditTurn {
 public:
  ConfigEditTurn() = default;
  ~ConfigEditTurn() { Release(); }
  ConfigEditTurn(const ConfigEditTurn&) = delete;
  ConfigEditTurn& operator=(const ConfigEditTurn&) = delete;

  // Waits at most `wait_ms` for the turn; false when it did not come (`error` then holds the
  // system's error code, or 0 when the wait ran out).
  bool Take(const std::wstring& directory, std::uint32_t wait_ms, std::uint32_t* error = nullptr);
  void Release();
  bool held() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

}  // namespace qv
