#pragma once
// Loading and saving CONFIGS.DAT in a directory (Windows only). The directory is UTF-16 and ends
// with a backslash, so that folders outside the ANSI code page work.
#include <string>

#include "config/config_file.h"
#include "config/document.h"

namespace qv {

enum class LoadStatus {
  kLoaded,      // the document holds the whole file
  kMissing,     // no file: defaults and an empty list
  kUnreadable,  // the file exists but could not be read (held past the retries, read error, no
                // memory, not a regular file): defaults and an empty list
  kForeign,     // not our signature: defaults and an empty list
  kCut,         // the settings and the tasks up to the memory bound; records past it were not
                // loaded
};

struct LoadResult {
  LoadStatus status = LoadStatus::kMissing;
  ImageReport report;
  // An existing file the document does not hold whole: saving over it would lose data.
  bool ExistingFileNotLoaded() const {
    return status == LoadStatus::kUnreadable || status == LoadStatus::kForeign ||
           status == LoadStatus::kCut;
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
};

// Replaces the file in one step; on failure the old file keeps its bytes. Touches only
// CONFIGS.DAT and files that a save of ours created.
SaveResult SaveConfig(const std::wstring& directory, const ConfigDocument& doc);

}  // namespace qv
