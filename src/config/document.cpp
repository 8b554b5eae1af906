#include "config/document.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "common/parse_int.h"
#include "config/record_fields.h"

namespace qv {
namespace {

// The n > 0 that `name` spells after `stem`, written as AddTask writes it (decimal, no leading
// zero); 0 when it is not such a name or n is beyond `limit`.
std::size_t NumberAfterStem(std::string_view name, std::string_view stem, std::size_t limit,
                            const LeadBytes& lead) {
  if (name.size() <= stem.size() ||
      FoldedTaskName(name.substr(0, stem.size()), lead) != FoldedTaskName(stem, lead)) {
    return 0;
  }
  const std::string_view digits = name.substr(stem.size());
  if (digits[0] == '0') return 0;
  std::size_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + static_cast<std::size_t>(c - '0');
    if (n > limit) return 0;
  }
  return n;
}

// Blanks and control characters: every byte up to 32, not the upper half of the code page.
bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
  return text;
}

// Stores a text in its field as a typed text is stored: a folder trimmed, every text cut.
void PutFieldText(std::uint8_t* record, const RecordField& field, std::string_view text) {
  PutShortString(record + field.offset, field.capacity,
                 field.kind == FieldKind::kFolder ? Trim(text) : text);
}

// Names new records as AddTask names them one after the other: each takes the first stem+n that
// no task's name spells, which is at most stem+(tasks+1) at its step. One pass marks the numbers
// in use up to the last step's bound (a number beyond a step's own bound never decides that
// step), and each record named marks the number its stored name spells; marks are only ever
// added, so the search goes on from where the last step stopped. Linear in the tasks.
class NewTaskNamer {
 public:
  NewTaskNamer(const std::vector<TaskRecord>& tasks, std::string_view stem, std::size_t count,
               const LeadBytes& lead)
      : stem_(stem), lead_(lead), limit_(tasks.size() + count), taken_(limit_ + 1, false) {
    for (const TaskRecord& task : tasks) Take(task);
  }

  void Name(TaskRecord& task) {
    while (taken_[n_]) ++n_;
    candidate_.assign(stem_);
    candidate_ += std::to_string(n_);
    task.SetName(candidate_);
    Take(task);
  }

 private:
  void Take(const TaskRecord& task) {
    taken_[NumberAfterStem(task.NameView(), stem_, limit_, lead_)] = true;
  }

  std::string_view stem_;
  const LeadBytes& lead_;
  std::size_t limit_;
  std::vector<bool> taken_;
  std::size_t n_ = 1;
  std::string candidate_;
};

}  // namespace

const std::string& TaskTexts::Text(FieldId field) const {
  switch (field) {
    case FieldId::kSource:
      return source;
    case FieldId::kTarget:
      return target;
    default:
      return name;
  }
}

bool ConfigDocument::ValidPosition(int position) const {
  return position >= 0 && static_cast<std::size_t>(position) < tasks.size();
}

bool ConfigDocument::SameName(std::string_view a, std::string_view b) const {
  return a.size() == b.size() && NameKey(a) == NameKey(b);
}

int ConfigDocument::FindTask(std::string_view name) const {
  const std::string key = NameKey(name);
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    const std::string_view stored = tasks[i].NameView();
    if (stored.size() == key.size() && NameKey(stored) == key) return static_cast<int>(i);
  }
  return -1;
}

TaskLookup ConfigDocument::LookUpTask(std::string_view name) const {
  TaskLookup found;
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    if (tasks[i].NameView() == name) {
      found.position = static_cast<int>(i);
      return found;
    }
  }
  const std::string key = NameKey(name);
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    const std::string_view stored = tasks[i].NameView();
    if (stored.size() == key.size() && NameKey(stored) == key) {
      found.matches.push_back(static_cast<int>(i));
    }
  }
  if (found.matches.size() == 1) {
    found.position = found.matches.front();
    found.matches.clear();
  }
  return found;
}

AddedTask ConfigDocument::AddTask(std::string_view stem) {
  AddTasks(stem, 1);
  return {static_cast<int>(tasks.size() - 1), tasks.back().Name()};
}

void ConfigDocument::AddTasks(std::string_view stem, std::size_t count) {
  if (count == 0) return;
  NewTaskNamer namer(tasks, stem, count, lead_);
  tasks.reserve(tasks.size() + count);
  for (std::size_t added = 0; added < count; ++added) namer.Name(tasks.emplace_back());
  modified_ = true;
}

void ConfigDocument::DeleteTask(int position) {
  if (!ValidPosition(position)) return;
  tasks.erase(tasks.begin() + position);
  modified_ = true;
}

RenameResult ConfigDocument::RenameTask(int position, std::string_view text) {
  if (text.empty()) return RenameResult::kRefusedEmpty;
  // Compared as it will be stored: a longer text whose first 31 bytes are another task's name
  // would otherwise pass here and then repeat that name in the file.
  const std::string_view stored = StoredTaskName(text);
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    if (static_cast<int>(i) != position && SameName(tasks[i].NameView(), stored)) {
      return RenameResult::kRefusedRepeated;
    }
  }
  if (!ValidPosition(position)) return RenameResult::kAccepted;
  tasks[static_cast<std::size_t>(position)].SetName(text);
  modified_ = true;
  return RenameResult::kAccepted;
}

ReplaceResult ConfigDocument::ReplaceTasks(const std::vector<TaskTexts>& wanted,
                                          std::string_view stem) {
  // Match each wanted task to a record: the same name at the same place, else the first unused
  // record with that name, else the unused record at its place (a rename); the rest are new.
  const std::size_t old_count = tasks.size();
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> record_of(wanted.size(), kNone);
  std::vector<bool> used(old_count, false);
  for (std::size_t i = 0; i < wanted.size() && i < old_count; ++i) {
    if (tasks[i].NameView() == wanted[i].name) {
      record_of[i] = i;
      used[i] = true;
    }
  }
  std::unordered_map<std::string_view, std::vector<std::size_t>> by_name;
  for (std::size_t j = old_count; j-- > 0;) {
    if (!used[j]) by_name[tasks[j].NameView()].push_back(j);
  }
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    if (record_of[i] != kNone) continue;
    const auto found = by_name.find(wanted[i].name);
    if (found == by_name.end()) continue;
    while (!found->second.empty() && used[found->second.back()]) found->second.pop_back();
    if (found->second.empty()) continue;
    record_of[i] = found->second.back();
    used[record_of[i]] = true;
  }
  for (std::size_t i = 0; i < wanted.size() && i < old_count; ++i) {
    if (record_of[i] == kNone && !used[i]) {
      record_of[i] = i;
      used[i] = true;
    }
  }

  // A name that changes passes the rename rule against the list it ends up in.
  std::unordered_map<std::string, std::size_t> same_names;
  for (const TaskTexts& w : wanted) ++same_names[NameKey(StoredTaskName(w.name))];
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    const bool renamed = record_of[i] == kNone || tasks[record_of[i]].NameView() != wanted[i].name;
    if (!renamed || wanted[i].name.empty()) continue;
    if (same_names[NameKey(StoredTaskName(wanted[i].name))] > 1) {
      return {RenameResult::kRefusedRepeated, i};
    }
  }

  // The new tasks are named as AddTask names them one after the other, in the wanted order, with
  // every old record's name counted, and each task's texts are set as the single edits set them.
  const auto new_count = std::count(record_of.begin(), record_of.end(), kNone);
  NewTaskNamer namer(tasks, stem, static_cast<std::size_t>(new_count), lead_);
  const auto apply = [](TaskRecord& task, const TaskTexts& w) {
    for (const RecordField& field : kTaskFields) {
      const std::string& text = w.Text(field.id);
      if (FieldText(task.bytes, field) != text) PutFieldText(task.bytes.data(), field, text);
    }
  };
  // When every record stays at its place (the list may lose its tail or grow one) the records are
  // changed where they are: a large list is not copied.
  bool in_place = true;
  for (std::size_t i = 0; in_place && i < wanted.size(); ++i) {
    in_place = record_of[i] == i || (record_of[i] == kNone && i >= old_count);
  }
  bool changed = wanted.size() != old_count;
  if (in_place) {
    if (wanted.size() < old_count) tasks.resize(wanted.size());
    tasks.reserve(wanted.size());
    for (std::size_t i = 0; i < wanted.size(); ++i) {
      if (i >= old_count) namer.Name(tasks.emplace_back());
      TaskRecord& task = tasks[i];
      const TaskRecord before = task;
      apply(task, wanted[i]);
      changed = changed || task.bytes != before.bytes;
    }
  } else {
    std::vector<TaskRecord> records;
    records.reserve(wanted.size());
    for (std::size_t i = 0; i < wanted.size(); ++i) {
      if (record_of[i] == kNone) {
        namer.Name(records.emplace_back());
      } else {
        records.push_back(tasks[record_of[i]]);
      }
      apply(records.back(), wanted[i]);
      changed = changed || i >= old_count || records.back().bytes != tasks[i].bytes;
    }
    if (changed) tasks = std::move(records);
  }
  if (changed) modified_ = true;
  return {RenameResult::kAccepted, 0, changed};
}

StoredField ConfigDocument::SetField(FieldId id, int position, std::string_view text) {
  const RecordField& field = Field(id);
  StoredField stored;
  if (field.kind == FieldKind::kTaskName) {
    stored.result = RenameTask(position, text);
    if (stored.result == RenameResult::kAccepted && ValidPosition(position)) {
      stored.text = tasks[static_cast<std::size_t>(position)].Name();
    }
    return stored;
  }
  std::uint8_t* record = settings.bytes.data();
  if (field.record == FieldRecord::kTask) {
    if (!ValidPosition(position)) return stored;
    record = tasks[static_cast<std::size_t>(position)].bytes.data();
  }
  if (field.kind == FieldKind::kNumber) {
    stored.number = ParseIntDef(text, 0);
    if (stored.number != GetLE32(record + field.offset)) {
      PutLE32(record + field.offset, stored.number);
      modified_ = true;
    }
    return stored;
  }
  PutFieldText(record, field, text);
  stored.text = GetShortString(record + field.offset, field.capacity);
  modified_ = true;
  return stored;
}

}  // namespace qv
