#pragma once
// Loading and saving CONFIGS.DAT in a directory (Windows only). The directory is UTF-16 and ends
// with a backslash, so that folders outside the ANSI code page work.
#include <string>

#include "config/document.h"

namespace qv {

// Leaves the defaults and an empty list when the file is missing, unreadable or foreign.
void LoadConfig(const std::wstring& directory, ConfigDocument& doc);

struct SaveResult {
  bool ok = false;
  // On failure: "Cannot create file <full path>" or "Stream write error" (no full stop).
  std::wstring error;
};

// Replaces the file in one step; on failure the old file keeps its bytes.
SaveResult SaveConfig(const std::wstring& directory, const ConfigDocument& doc);

}  // namespace qv
