#pragma once
// The fields of the two records, once: where each lies, what it holds, how scripts and people
// name it, and what may change it. Export, import, show and check all walk these tables.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "common/coding.h"
#include "config/records.h"

namespace qv {

enum class FieldKind { kText, kNumber };

struct RecordField {
  const char* word;        // the name on qvconf's command line and in its messages
  const char* label;       // as `show` lists it
  const char* json_key;
  std::size_t offset;      // within its record
  FieldKind kind;
  std::size_t capacity;    // bytes a text holds (0 for a number)
  // Bytes the window's edit takes; a longer text cannot be typed, so it is refused, not cut.
  std::size_t input_limit;
  int ui_entry;            // the entry of the window's label for it
  bool editable;           // false: shown, never changed (the port, as in the window)
  bool secret;             // shown only when asked for
  const char* unit;        // after a number in `show` ("" for none)
};

// Numbers are typed into edits that take 31 bytes.
inline constexpr std::size_t kNumberInputLimit = 31;

inline constexpr RecordField kSettingsFields[] = {
    {"host", "Host", "host", SettingsRecord::kHostOffset, FieldKind::kText,
     SettingsRecord::kHostCapacity, SettingsRecord::kHostCapacity, 9, true, false, ""},
    {"port", "Port", "port", SettingsRecord::kPortOffset, FieldKind::kNumber, 0, 5, 10, false,
     false, ""},
    {"user", "User", "user", SettingsRecord::kUserOffset, FieldKind::kText,
     SettingsRecord::kUserCapacity, SettingsRecord::kUserCapacity, 11, true, false, ""},
    {"password", "Password", "password", SettingsRecord::kPasswordOffset, FieldKind::kText,
     SettingsRecord::kPasswordCapacity, SettingsRecord::kPasswordCapacity, 12, true, true, ""},
    {"interval", "Interval", "interval", SettingsRecord::kIntervalOffset, FieldKind::kNumber, 0,
     kNumberInputLimit, 19, true, false, "min"},
    {"speed", "Speed limit", "speed_limit", SettingsRecord::kSpeedLimitOffset, FieldKind::kNumber,
     0, kNumberInputLimit, 28, true, false, "KB/s"},
};

// Task texts have no input limit in the window: they are cut to the field when stored.
inline constexpr RecordField kTaskFields[] = {
    {"name", "Name", "name", TaskRecord::kNameOffset, FieldKind::kText, TaskRecord::kNameCapacity,
     0, 13, true, false, ""},
    {"source", "source", "source", TaskRecord::kSourceOffset, FieldKind::kText,
     TaskRecord::kSourceCapacity, 0, 7, true, false, ""},
    {"target", "target", "target", TaskRecord::kTargetOffset, FieldKind::kText,
     TaskRecord::kTargetCapacity, 0, 8, true, false, ""},
};

inline const RecordField* FindSettingsField(std::string_view word) {
  for (const RecordField& field : kSettingsFields) {
    if (word == field.word) return &field;
  }
  return nullptr;
}

// The field's bytes in a record: its short string (length byte first) or its int32.
inline std::string_view FieldText(std::span<const std::uint8_t> record, const RecordField& field) {
  return ViewShortString(record.data() + field.offset, field.capacity);
}
inline std::int32_t FieldNumber(std::span<const std::uint8_t> record, const RecordField& field) {
  return GetLE32(record.data() + field.offset);
}

}  // namespace qv
