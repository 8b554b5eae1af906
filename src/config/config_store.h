#pragma once
// CONFIGS.DAT in a folder, for the editor and qvconf alike: loading it, the verdict on what a save
// would not carry over from it, and replacing it in one step while the folder's edit turn is
// held. Each platform has one edge beneath this (config_store_win.cpp, config_store_posix.cpp).
#include <cstdint>
#include <span>
#include <string>

#include "config/config_file.h"
#include "config/document.h"
#include "config/file_stamp.h"

namespace qv {

// Paths and texts as the system takes them: UTF-16 on Windows, so that folders outside the ANSI
// code page work, and bytes elsewhere. A folder ends with its separator.
#if defined(_WIN32)
using NativeString = std::wstring;
#else
using NativeString = std::string;
#endif

// Where the configuration lives: CONFIGS.DAT in a folder, or, natively, any file a script names.
struct ConfigLocation {
  ConfigLocation(NativeString folder_path);  // NOLINT: a folder means its CONFIGS.DAT
  ConfigLocation(NativeString folder_path, NativeString file_name)
      : folder(std::move(folder_path)), name(std::move(file_name)) {}
  NativeString path() const { return folder + name; }

  NativeString folder;  // empty or ending with its separator
  NativeString name;
};

// What a save would not carry over from the file that was loaded: the one verdict on it, which
// the window asks about and qvconf refuses to edit over without --force.
struct SaveLoss {
  bool whole_file = false;             // the file exists but nothing of it was loaded
  std::uint64_t tasks_not_loaded = 0;  // records the file holds beyond the tasks loaded from it
  std::uint64_t empty_tasks_made = 0;  // tasks made for records that the count promises
  std::uint64_t bytes_dropped = 0;     // other bytes: past the records, or their tails
  bool filler_rewritten = false;       // the zeros before offset 1024 held something else

  bool Any() const {
    return whole_file || tasks_not_loaded > 0 || empty_tasks_made > 0 || bytes_dropped > 0 ||
           filler_rewritten;
  }
};

SaveLoss JudgeLoad(LoadStatus status, const ImageReport& report);

struct LoadResult {
  LoadStatus status = LoadStatus::kMissing;
  ImageReport report;
  SaveLoss loss;
  FileStamp stamp;                  // the bytes that were read, in the same pass
  std::uint32_t system_error = 0;   // for kUnreadable, when the system gave one
  std::string reason;               // for kUnreadable, UTF-8
};

// Changes nothing on disk: a missing CONFIGS.DAT loads as kMissing even when an interrupted save
// left a file of ours beside it.
LoadResult LoadConfig(const ConfigLocation& location, ConfigDocument& doc);

// CONFIGS.DAT's stamp as it is now, read as LoadConfig reads (waiting out a writer).
FileStamp ReadFileStamp(const ConfigLocation& location);

// How long each front end waits for its turn: a script a minute, the window, whose operator is
// waiting, a quarter of that (qvconf holds the turn for one read and write).
inline constexpr std::uint32_t kScriptTurnWaitMs = 60000;
inline constexpr std::uint32_t kWindowTurnWaitMs = 15000;

// Takes turns on one CONFIGS.DAT with every editor and qvconf run on this machine, whichever
// spelling of the folder each was given and whichever session it runs in, so that no save
// replaces the file between another program's reading and writing it, and no save removes
// another's temporary file. The turn goes with the process when it ends.
class ConfigEditTurn {
 public:
  ConfigEditTurn() = default;
  ~ConfigEditTurn() { Release(); }
  ConfigEditTurn(const ConfigEditTurn&) = delete;
  ConfigEditTurn& operator=(const ConfigEditTurn&) = delete;

  // Waits at most `wait_ms`; false when the turn did not come, with `error` (UTF-8) saying why.
  bool Take(const ConfigLocation& location, std::uint32_t wait_ms, std::string* error = nullptr);
  void Release();
  bool held() const { return held_; }
  const ConfigLocation& location() const { return location_; }

 private:
  ConfigLocation location_{NativeString()};
  bool held_ = false;
  bool lock_file_ = false;
  std::intptr_t handle_ = -1;  // the mutex or the lock file (Windows), the folder (elsewhere)
};

struct SaveResult {
  bool ok = false;
  // On failure: "Cannot create file <full path>" or "Stream write error" (no full stop).
  NativeString error;
  // On failure, the system's error code for the step that failed (0 when none was given), and
  // why in words (UTF-8), for a script's message.
  std::uint32_t system_error = 0;
  std::string reason;
  FileStamp stamp;  // on success, the bytes now in the file
};

// Replaces the configuration whose turn is held, in one step; on failure the old file
// keeps its bytes. The new file is protected as the old one was from its first byte. Touches
// only CONFIGS.DAT and files that a save of ours created.
SaveResult SaveConfig(const ConfigEditTurn& turn, const ConfigDocument& doc);

// Writes `bytes` as the file `path` the way a save writes CONFIGS.DAT. It may hold the password:
// a new file is readable by its owner only, and an existing one keeps who may read it (and on
// POSIX its owner), or is refused, as is one that may not be written.
SaveResult WriteProtectedFile(const NativeString& path, std::span<const std::uint8_t> bytes);

// The system's words for an error code (UTF-8, no full stop).
std::string SystemErrorText(std::uint32_t code);
// A path as a person reads it (UTF-8).
std::string PathText(const NativeString& path);

// The configuration that `text` (UTF-8) names: a file path, or with `is_directory` the folder
// that holds CONFIGS.DAT. False, with `error` set, when it names none here.
bool ConfigLocationOf(const std::string& text, bool is_directory, ConfigLocation& location,
                      std::string& error);
// The folder of the running program, where the editor finds CONFIGS.DAT.
NativeString ProgramFolder();

}  // namespace qv
