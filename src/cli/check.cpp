#include "cli/check.h"

#include <optional>
#include <string_view>
#include <unordered_map>

#include "cli/texts.h"
#include "config/records.h"

namespace qv::cli {
namespace {

std::string Fold(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The text in UTF-8 where it decodes: a backslash byte inside a double-byte character is then
// no separator.
std::string Readable(std::string_view bytes, const CodePage& code_page) {
  std::optional<std::string> text = code_page.Decode(bytes);
  return text ? std::move(*text) : std::string(bytes);
}

bool IsDriveLetterPath(std::string_view path) {
  return path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]);
}

// One spelling per folder: one kind of separator, no doubled or trailing ones, letters in one
// case (Windows folds them; the trouble lies in folding too little, not too much).
std::string FolderKey(std::string_view path) {
  std::string key;
  for (const char c : path) {
    if (IsSeparator(c)) {
      if (!key.empty() && key.back() == '\\') continue;
      key += '\\';
    } else {
      key += c;
    }
  }
  if (key.size() > 3 && key.back() == '\\') key.pop_back();
  return Fold(std::move(key));
}

class Checker {
 public:
  Checker(const ConfigDocument& doc, const CodePage& code_page)
      : doc_(doc), code_page_(code_page) {}

  std::vector<std::string> Run(const FileFacts& facts) {
    if (!facts.signature_ok) {
      problems_.push_back(
          "file: wrong signature (not \"RSYNCFG\"): not a configuration file, "
          "nothing in it was loaded");
      return std::move(problems_);
    }
    CheckLayout(facts);
    CheckSettings();
    CheckNames();
    for (std::size_t i = 0; i < doc_.tasks.size(); ++i) CheckTaskFields(i);
    CheckTargets();
    return std::move(problems_);
  }

 private:
  void CheckLayout(const FileFacts& facts) {
    const std::int64_t r = facts.record_size;
    if (r != static_cast<std::int64_t>(kTaskRecordSize)) {
      std::string line = "file: task record size is " + std::to_string(r) + ", not 544: ";
      if (r <= 0) {
        line += "no record is read from the data";
      } else if (r > static_cast<std::int64_t>(kTaskRecordSize)) {
        line += "the last " + std::to_string(r - 544) + " bytes of each record were skipped";
      } else {
        line += "each task's fields past byte " + std::to_string(r) + " were read as empty";
      }
      problems_.push_back(line);
    }
    const std::int64_t count = facts.declared_count;
    const auto in_data = static_cast<std::int64_t>(facts.records_in_data);
    if (count > in_data) {
      const auto loaded = static_cast<std::int64_t>(facts.tasks_loaded);
      problems_.push_back("file: the task count is " + std::to_string(count) +
                          " but the data holds " + std::to_string(in_data) +
                          " records: " + std::to_string(loaded > in_data ? loaded - in_data : 0) +
                          " empty tasks were made in their place");
    }
    if (facts.cut_at_bound) {
      problems_.push_back("file: only " + std::to_string(facts.tasks_loaded) + " of the " +
                          std::to_string(in_data) + " task records it holds were loaded");
    }
  }

  // A length byte above the capacity (only another writer stores one), else a text that fills
  // its field, which is how a cut text looks.
  void CheckField(const std::string& owner, const char* field, const std::uint8_t* bytes,
                  std::size_t capacity) {
    const std::size_t length = bytes[0];
    if (length > capacity) {
      problems_.push_back(owner + ": " + field + " has the length byte " + std::to_string(length) +
                          ", above the field's " + std::to_string(capacity) + " bytes (read as " +
                          std::to_string(capacity) + ")");
      return;
    }
    if (length < capacity || capacity == 0) return;
    const std::string_view text(reinterpret_cast<const char*>(bytes + 1), length);
    std::string line = owner + ": " + field + " fills all " + std::to_string(capacity) +
                       " bytes of its field: it may have been cut";
    if (!code_page_.Decode(text) && code_page_.Decode(text.substr(0, length - 1))) {
      line += " (its last character is cut in half)";
    }
    problems_.push_back(line);
  }

  void CheckSettings() {
    const std::uint8_t* s = doc_.settings.bytes.data();
    CheckField("settings", "host", s + SettingsRecord::kHostOffset, SettingsRecord::kHostCapacity);
    CheckField("settings", "user", s + SettingsRecord::kUserOffset, SettingsRecord::kUserCapacity);
    CheckField("settings", "password", s + SettingsRecord::kPasswordOffset,
               SettingsRecord::kPasswordCapacity);
  }

  std::string Label(std::size_t i) const {
    const std::string_view name = doc_.tasks[i].NameView();
    const std::string number = "#" + std::to_string(i + 1);
    if (name.empty()) return "task " + number;
    return "task " + Quoted(name, code_page_) + " (" + number + ")";
  }

  void CheckNames() {
    std::unordered_map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < doc_.tasks.size(); ++i) {
      const std::string_view name = doc_.tasks[i].NameView();
      if (name.empty()) {
        problems_.push_back(Label(i) + ": empty name");
        continue;
      }
      const auto [found, inserted] = first.emplace(Fold(std::string(name)), i);
      if (!inserted) {
        problems_.push_back(Label(i) + ": repeats the name of " + Label(found->second) +
                            " (letter case aside)");
      }
    }
  }

  void CheckTaskFields(std::size_t i) {
    const TaskRecord& task = doc_.tasks[i];
    const std::uint8_t* b = task.bytes.data();
    const std::string label = Label(i);
    CheckField(label, "name", b + TaskRecord::kNameOffset, TaskRecord::kNameCapacity);
    CheckField(label, "source", b + TaskRecord::kSourceOffset, TaskRecord::kSourceCapacity);
    CheckField(label, "target", b + TaskRecord::kTargetOffset, TaskRecord::kTargetCapacity);
    if (task.Source().empty()) problems_.push_back(label + ": empty source");
    const std::string target = task.Target();
    if (target.empty()) {
      problems_.push_back(label + ": empty target");
    } else if (!IsDriveLetterPath(target)) {
      problems_.push_back(label + ": target " + Quoted(target, code_page_) +
                          " is not a drive-letter path such as C:\\Folder");
    }
  }

  void CheckTargets() {
    std::vector<std::string> keys(doc_.tasks.size());
    std::unordered_map<std::string, std::size_t> owner;
    for (std::size_t i = 0; i < doc_.tasks.size(); ++i) {
      const std::string target = Readable(doc_.tasks[i].Target(), code_page_);
      if (!IsDriveLetterPath(target)) continue;
      keys[i] = FolderKey(target);
      const auto [found, inserted] = owner.emplace(keys[i], i);
      if (!inserted) {
        problems_.push_back(Label(i) + ": target is the same folder as the target of " +
                            Label(found->second));
      }
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const std::string& key = keys[i];
      // Each folder above this one, outermost first: "C:\", "C:\A", "C:\A\B", ...
      for (std::size_t p = 2; p < key.size(); ++p) {
        if (key[p] != '\\') continue;
        const auto found = owner.find(key.substr(0, p == 2 ? 3 : p));
        if (found == owner.end() || found->second == i || found->first == key) continue;
        problems_.push_back(Label(i) + ": target lies inside the target of " +
                            Label(found->second));
        break;
      }
    }
  }

  const ConfigDocument& doc_;
  const CodePage& code_page_;
  std::vector<std::string> problems_;
};

}  // namespace

std::vector<std::string> CheckConfig(const ConfigDocument& doc, const FileFacts& facts,
                                     const CodePage& code_page) {
  return Checker(doc, code_page).Run(facts);
}

}  // namespace qv::cli
