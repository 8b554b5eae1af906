#pragma once
// The one in-memory copy of the configuration and the rules for changing it. Texts are ANSI
// bytes; positions count from 0, and -1 (nothing selected) makes the task operations do nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/record_fields.h"
#include "config/records.h"
#include "config/task_names.h"

namespace qv {

enum class RenameResult { kAccepted, kRefusedEmpty, kRefusedRepeated };

// A task looked up by the name a person or a script gave.
struct TaskLookup {
  int position = -1;           // the task, or -1
  std::vector<int> matches;    // with no task chosen: the tasks the name matches after folding
};

// A task as a whole configuration gives it.
struct TaskTexts {
  std::string name, source, target;

  // The text of a task field of the table.
  const std::string& Text(FieldId field) const;
  std::string& Text(FieldId field) {
    return const_cast<std::string&>(std::as_const(*this).Text(field));
  }
};

// What SetField stored.
struct StoredField {
  RenameResult result = RenameResult::kAccepted;  // only a name is ever refused
  std::int32_t number = 0;  // a number field: the number stored
  std::string text;         // a text field: its bytes as stored (empty with no task there)
};

struct ReplaceResult {
  RenameResult result = RenameResult::kAccepted;
  std::size_t refused = 0;  // when refused: the wanted task whose name was
  bool changed = false;     // when accepted: whether the tasks' bytes changed
};

struct AddedTask {
  int position;
  std::string name;
};

class ConfigDocument {
 public:
  SettingsRecord settings = SettingsRecord::Defaults();
  std::vector<TaskRecord> tasks;

  bool modified() const { return modified_; }

  // The code page's lead bytes, which the name comparison steps over (none by default).
  void SetLeadBytes(const LeadBytes& lead) { lead_ = lead; }
  const LeadBytes& lead_bytes() const { return lead_; }
  // Whether two names count as the same name (ASCII letters folded outside double-byte
  // characters), and the key that is equal exactly for such names.
  bool SameName(std::string_view a, std::string_view b) const;
  std::string NameKey(std::string_view name) const { return FoldedTaskName(name, lead_); }

  // First task whose name is the same name as `name`; -1 when none. `name` is compared uncut,
  // so a text longer than a name can hold matches nothing.
  int FindTask(std::string_view name) const;
  // The task a person means by `name`: the first whose name is exactly `name`; else the one
  // task that is the same name after folding. With several such tasks none is chosen and
  // `matches` lists them.
  TaskLookup LookUpTask(std::string_view name) const;
  // Appends a task named stem+1, stem+2, ... (the first that FindTask does not find), cut to 31
  // bytes; returns its position and stored name.
  AddedTask AddTask(std::string_view stem);
  // Appends `count` tasks named as `count` calls of AddTask would name them, in time linear in
  // the tasks (an import may add tens of thousands).
  void AddTasks(std::string_view stem, std::size_t count);
  void DeleteTask(int position);
  // Refuses an empty text, then a text whose stored form (its first 31 bytes) is the name of
  // another task; otherwise stores that form. At a position that holds no task the checks still
  // answer, and nothing is stored.
  RenameResult RenameTask(int position, std::string_view text);
  // Makes the list hold `wanted`, in its order, by the rules of the single edits: a task keeps
  // its record (and the bytes after its texts) when one of that exact name, or else the one at
  // its place, is free; the others are added as AddTask adds them with `stem`. A name that
  // changes is refused when another wanted task has the same name as stored; names kept as they
  // are stay, and an empty name, which is what the loader makes for a record a file lacks, is
  // taken as given. Folders are stored as SetTaskSource and SetTaskTarget store them. When
  // refused nothing changes; `modified` is set when the tasks' bytes change.
  ReplaceResult ReplaceTasks(const std::vector<TaskTexts>& wanted, std::string_view stem);
  // Applies a typed text to a field as the window's edit applies it, by the field's kind: a name
  // as RenameTask takes it; a folder trimmed of bytes up to 32 at both ends, then cut; another
  // text untrimmed, cut; a number read by ParseIntDef with the default 0. `position` names the
  // task of a task field and is not read for a setting. `modified` is set by every text stored,
  // changed or not, and by a number only when it changes.
  StoredField SetField(FieldId field, int position, std::string_view text);
  void SetTaskSource(int position, std::string_view text) {
    SetField(FieldId::kSource, position, text);
  }
  void SetTaskTarget(int position, std::string_view text) {
    SetField(FieldId::kTarget, position, text);
  }
  void SetHost(std::string_view text) { SetField(FieldId::kHost, -1, text); }
  void SetUser(std::string_view text) { SetField(FieldId::kUser, -1, text); }
  void SetPassword(std::string_view text) { SetField(FieldId::kPassword, -1, text); }
  std::int32_t SetPort(std::string_view text) { return SetField(FieldId::kPort, -1, text).number; }
  std::int32_t SetInterval(std::string_view text) {
    return SetField(FieldId::kInterval, -1, text).number;
  }
  std::int32_t SetSpeedLimit(std::string_view text) {
    return SetField(FieldId::kSpeedLimit, -1, text).number;
  }
  void MarkSaved() { modified_ = false; }

 private:
  bool ValidPosition(int position) const;

  bool modified_ = false;
  LeadBytes lead_;
};

}  // namespace qv
