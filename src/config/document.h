#pragma once
// The one in-memory copy of the configuration and the rules for changing it. Texts are ANSI
// bytes; positions count from 0, and -1 (nothing selected) makes the task operations do nothing.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/records.h"

namespace qv {

enum class RenameResult { kAccepted, kRefusedEmpty, kRefusedRepeated };

struct AddedTask {
  int position;
  std::string name;
};

class ConfigDocument {
 public:
  SettingsRecord settings = SettingsRecord::Defaults();
  std::vector<TaskRecord> tasks;

  bool modified() const { return modified_; }

  // First task whose name equals `name` with ASCII letters folded; -1 when none. `name` is
  // compared uncut, so a text longer than a name can hold matches nothing.
  int FindTask(std::string_view name) const;
  // Appends a task named stem+1, stem+2, ... (the first that FindTask does not find), cut to 31
  // bytes; returns its position and stored name.
  AddedTask AddTask(std::string_view stem);
  void DeleteTask(int position);
  // Refuses an empty text, then a name another task has; otherwise stores the text cut to 31
  // bytes. At a position that holds no task the checks still answer, and nothing is stored.
  RenameResult RenameTask(int position, std::string_view text);
  // Trimmed of bytes up to 32 at both ends, cut to 255 bytes.
  void SetTaskSource(int position, std::string_view text);
  void SetTaskTarget(int position, std::string_view text);
  // Untrimmed, cut to the field; `modified` is set even when nothing changes.
  void SetHost(std::string_view text);
  void SetUser(std::string_view text);
  void SetPassword(std::string_view text);
  // Each returns the number stored (ParseIntDef with default 0); `modified` only on a change.
  std::int32_t SetPort(std::string_view text);
  std::int32_t SetInterval(std::string_view text);
  std::int32_t SetSpeedLimit(std::string_view text);
  void MarkSaved() { modified_ = false; }

 private:
  bool ValidPosition(int position) const;

  bool modified_ = false;
};

}  // namespace qv
