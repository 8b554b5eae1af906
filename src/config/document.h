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

  // First task whose name equals `name` with ASCII letters folded; -1 when none.
  int FindTask(std::string_view name) const;
  // Appends stem+1, stem+2, ... (the first free name).
  AddedTask AddTask(std::string_view stem);
  void DeleteTask(int position);
  RenameResult RenameTask(int position, std::string_view text);
  void SetTaskSource(int position, std::string_view text);
  void SetTaskTarget(int position, std::string_view text);
  void SetHost(std::string_view text);
  void SetUser(std::string_view text);
  void SetPassword(std::string_view text);
  // Each returns the number stored (ParseIntDef with default 0).
  std::int32_t SetPort(std::string_view text);
  std::int32_t SetInterval(std::string_view text);
  std::int32_t SetSpeedLimit(std::string_view text);
  void MarkSaved() { modified_ = false; }

 private:
  bool modified_ = false;
};

}  // namespace qv
