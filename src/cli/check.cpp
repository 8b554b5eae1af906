#include "cli/check.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>

#include "cli/texts.h"
#include "common/utf8.h"
#include "config/drive_path.h"
#include "config/record_fields.h"
#include "config/records.h"
#include "config/target_overlap.h"

namespace qv::cli {
namespace {

// The target as the file's code page spells it, for the rules that compare folders.
TargetDecoder DecoderFor(const CodePage& code_page) {
  return [&code_page](std::string_view bytes) -> std::optional<std::u32string> {
    if (std::optional<std::string> text = code_page.Decode(bytes)) return DecodeUtf8(*text);
    return std::nullopt;
  };
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
    if (!HoldsText(field)) return;
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
    // An empty name has its own line (CheckNames); an empty folder syncs nothing.
    for (const RecordField& field : kTaskFields) {
      if (field.kind == FieldKind::kFolder && FieldText(task.bytes, field).empty()) {
        problems_.push_back(label + ": empty " + field.word);
      }
    }
    const std::string target = task.Target();
    if (!target.empty() && !IsDriveLetterPath(DecodedTarget(target, DecoderFor(code_page_)))) {
      problems_.push_back(label + ": target " + Quoted(target, code_page_) +
                          " is not a drive-letter path such as C:\\Folder");
    }
  }

  void CheckTargets() {
    for (const TargetOverlap& overlap : FindTargetOverlaps(doc_, DecoderFor(code_page_))) {
      const char* relation = overlap.kind == OverlapKind::kSameFolder
                                 ? ": target is the same folder as the target of "
                                 : ": target lies inside the target of ";
      problems_.push_back(Label(overlap.task) + relation + Label(overlap.other));
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
