#include "cli/check.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>

#include "cli/texts.h"
#include "common/utf8.h"
#include "config/record_fields.h"
#include "config/records.h"

namespace qv::cli {
namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSeparator(char32_t c) { return c == U'\\' || c == U'/'; }

bool IsDriveLetterPath(std::string_view path) {
  return path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]);
}

// Windows compares file names by upper-casing them with its table; this is that table for the
// letters the supported code pages can spell (Latin, Greek, Cyrillic, full-width Latin).
char32_t UpperCase(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 32;
  if (c < 0x80) return c;
  if (c == 0xB5) return 0x39C;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    const bool odd_lower = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool even_lower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (odd_lower && c % 2 == 1) return c - 1;
    if (even_lower && c % 2 == 0) return c - 1;
    return c;
  }
  if (c == 0x192) return 0x191;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x3AC && c <= 0x3AF) return c == 0x3AC ? 0x386 : c - 37;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 63;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 32;
  return c;
}

// One spelling per folder, as Windows resolves a path: one kind of separator, "." and ".."
// resolved, the dots and blanks that end a name dropped, letters in one case.
std::u32string FolderKey(std::u32string_view path) {
  // The drive, "C:", is the first part and is never left by "..".
  std::vector<std::u32string> parts{std::u32string(path.substr(0, 2))};
  std::u32string part;
  const auto close_part = [&] {
    if (part == U"..") {
      if (parts.size() > 1) parts.pop_back();
    } else {
      while (!part.empty() && (part.back() == U'.' || part.back() == U' ')) part.pop_back();
      if (!part.empty()) parts.push_back(part);
    }
    part.clear();
  };
  for (std::size_t i = 2; i < path.size(); ++i) {
    if (IsSeparator(path[i])) {
      close_part();
    } else {
      part += path[i];
    }
  }
  close_part();
  std::u32string key;
  for (const std::u32string& p : parts) {
    if (!key.empty()) key += U'\\';
    for (const char32_t c : p) key += UpperCase(c);
  }
  if (parts.size() == 1) key += U'\\';
  return key;
}

// The target as Windows reads it: decoded where it decodes, else byte by byte (a byte then
// stands for itself, which cannot make two different folders look the same).
std::u32string Decoded(std::string_view bytes, const CodePage& code_page) {
  if (std::optional<std::string> text = code_page.Decode(bytes)) {
    if (std::optional<std::u32string> wide = DecodeUtf8(*text)) return *wide;
  }
  std::u32string wide;
  for (const char c : bytes) wide += static_cast<char32_t>(static_cast<unsigned char>(c));
  return wide;
}

class Checker {
 public:
  Checker(const ConfigDocument& doc, const CodePage& code_page)
      : doc_(doc), code_page_(code_page) {}

  std::vector<std::string> Run(const ImageReport& facts) {
    if (!facts.signature_ok) {
      problems_.push_back(
          "file: wrong signature (not \"RSYNCFG\"): not a configuration file, "
          "nothing in it was loaded");
      return std::move(problems_);
    }
    CheckLayout(facts);
    CheckSettings();
    // The empty tasks made for a count beyond the data are one finding, named above, not
    // tens of thousands.
    held_ = facts.CountBeyondData() ? std::min(doc_.tasks.size(), facts.records_in_data)
                                    : doc_.tasks.size();
    CheckNames();
    for (std::size_t i = 0; i < held_; ++i) CheckTaskFields(i);
    CheckTargets();
    return std::move(problems_);
  }

 private:
  void CheckLayout(const ImageReport& facts) {
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
    if (count < 0) {
      problems_.push_back("file: the task count is " + std::to_string(count) +
                          ": no task was read; an edit writes the count 0");
    }
    if (facts.bytes_after_records > 0) {
      std::string line = "file: " + std::to_string(facts.bytes_after_records) +
                         " bytes after the records its count covers";
      const std::int64_t held_beyond =
          r > 0 ? static_cast<std::int64_t>(facts.bytes_after_records / static_cast<std::uint64_t>(r))
                : 0;
      if (held_beyond > 0 && count >= 0) {
        line += " (" + std::to_string(held_beyond) + " more records than its count of " +
                std::to_string(count) + ")";
      }
      problems_.push_back(line + ": an edit drops them");
    }
    if (facts.filler_not_zero) {
      problems_.push_back(
          "file: the bytes between the settings and offset 1024 are not all zero: an edit "
          "writes zeros there");
    }
    if (facts.cut_at_bound) {
      problems_.push_back("file: only " + std::to_string(facts.tasks_loaded) + " of the " +
                          std::to_string(in_data) + " task records it holds were loaded");
    }
  }

  // A length byte above the capacity (only another writer stores one), or a text whose last
  // double-byte character lost its second byte, which is what cutting by bytes does.
  void CheckField(const std::string& owner, std::span<const std::uint8_t> record,
                  const RecordField& field) {
    if (field.kind != FieldKind::kText) return;
    const std::size_t length = record[field.offset];
    if (length > field.capacity) {
      problems_.push_back(owner + ": " + field.word + " has the length byte " +
                          std::to_string(length) + ", above the field's " +
                          std::to_string(field.capacity) + " bytes (read as " +
                          std::to_string(field.capacity) + ")");
      return;
    }
    if (EndsInHalfCharacter(FieldText(record, field), doc_.lead_bytes())) {
      problems_.push_back(owner + ": " + field.word +
                          " was cut: its last character is cut in half");
    }
  }

  void CheckSettings() {
    for (const RecordField& field : kSettingsFields) {
      CheckField("settings", doc_.settings.bytes, field);
    }
  }

  std::string Label(std::size_t i) const {
    const std::string_view name = doc_.tasks[i].NameView();
    const std::string number = "#" + std::to_string(i + 1);
    if (name.empty()) return "task " + number;
    return "task " + Quoted(name, code_page_) + " (" + number + ")";
  }

  void CheckNames() {
    std::unordered_map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < held_; ++i) {
      const std::string_view name = doc_.tasks[i].NameView();
      if (name.empty()) {
        problems_.push_back(Label(i) + ": empty name");
        continue;
      }
      const auto [found, inserted] = first.emplace(doc_.NameKey(name), i);
      if (!inserted) {
        problems_.push_back(Label(i) + ": repeats the name of " + Label(found->second) +
                            " (letter case aside)");
      }
    }
  }

  void CheckTaskFields(std::size_t i) {
    const TaskRecord& task = doc_.tasks[i];
    const std::string label = Label(i);
    for (const RecordField& field : kTaskFields) CheckField(label, task.bytes, field);
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
    std::vector<std::u32string> keys(doc_.tasks.size());
    std::unordered_map<std::u32string, std::size_t> owner;
    for (std::size_t i = 0; i < doc_.tasks.size(); ++i) {
      const std::string target = doc_.tasks[i].Target();
      if (!IsDriveLetterPath(target)) continue;
      keys[i] = FolderKey(Decoded(target, code_page_));
      const auto [found, inserted] = owner.emplace(keys[i], i);
      if (!inserted) {
        problems_.push_back(Label(i) + ": target is the same folder as the target of " +
                            Label(found->second));
      }
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const std::u32string& key = keys[i];
      // Each folder above this one, outermost first: "C:\", "C:\A", "C:\A\B", ...
      for (std::size_t p = 2; p < key.size(); ++p) {
        if (key[p] != U'\\') continue;
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
  std::size_t held_ = 0;  // the tasks the file holds records for
};

}  // namespace

std::vector<std::string> CheckConfig(const ConfigDocument& doc, const ImageReport& facts,
                                     const CodePage& code_page) {
  return Checker(doc, code_page).Run(facts);
}

}  // namespace qv::cli
