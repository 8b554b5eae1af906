#pragma once
// Where qvconf reads and writes CONFIGS.DAT: the editor's own load and save on Windows, a small
// POSIX edge elsewhere with the same promises (the folder always holds the old or the new bytes;
// only CONFIGS.DAT and our own temporary file are touched).
#include <memory>
#include <string>

#include "config/config_file.h"
#include "config/document.h"

namespace qv {

// What the loader met in the file, beyond the document it produced.
using FileFacts = ImageReport;

// The status is the editor's own (LoadStatus), whichever edge loaded the file.
struct LoadOutcome {
  LoadStatus status = LoadStatus::kMissing;
  FileFacts facts;
  std::string error;  // UTF-8, for kUnreadable
};

struct SaveOutcome {
  bool ok = false;
  std::string error;  // UTF-8
};

class ConfigAccess {
 public:
  virtual ~ConfigAccess() = default;
  // The file's path as the user should read it (UTF-8).
  virtual std::string DisplayPath() const = 0;
  // Waits (bounded) until no other run edits this file, and keeps it so until destroyed, so that
  // an edit reads the file as the run before it wrote it. False with `error` set when the turn
  // did not come.
  virtual bool LockForEdit(std::string& error) = 0;
  virtual LoadOutcome Load(ConfigDocument& doc) = 0;
  virtual SaveOutcome Save(const ConfigDocument& doc) = 0;
};

// `location` is UTF-8: a file path, or with `is_directory` the folder that holds CONFIGS.DAT.
// None, with `error` set, when the location cannot name a configuration file here.
std::unique_ptr<ConfigAccess> OpenConfigAccess(const std::string& location, bool is_directory,
                                               std::string& error);

// CONFIGS.DAT beside the running program, as the editor finds it.
std::string DefaultConfigDirectory();

}  // namespace qv
