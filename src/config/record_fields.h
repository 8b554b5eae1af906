#pragma once
// The fields of the two records, once: where each lies, what it holds, how scripts and people
// name it, how a typed text becomes its bytes, and what the window's edit for it takes. The
// window's edits, the document's setters, export, import, show and check all walk this table.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/coding.h"
#include "config/records.h"

namespace qv {

// A row of the table, in the order of kRecordFields.
enum class FieldId {
  kHost, kPort, kUser, kPassword, kInterval, kSpeedLimit,  // the settings
  kName, kSource, kTarget,                                 // a task
};

enum class FieldRecord { kSettings, kTask };

// How a typed text becomes the field's bytes.
enum class FieldKind {
  kText,      // as typed, cut to the capacity
  kFolder,    // trimmed of bytes up to 32 at both ends, then cut
  kTaskName,  // cut to the capacity, after the refusals of an empty or repeated name
  kNumber,    // read by ParseIntDef with the default 0; an int32
};

struct RecordField {
  FieldId id;
  FieldRecord record;
  const char* word;        // the name on qvconf's command line and in its messages
  const char* label;       // as `show` lists it
  const char* json_key;
  std::size_t offset;      // within its record
  std::size_t capacity;    // bytes a text holds (0 for a number)
  FieldKind kind;
  bool drops_typed_blank;  // the window's key filter discards a blank typed into its edit
  // Bytes the window's edit takes (0: no limit); a longer text cannot be typed, so qvconf refuses
  // it rather than cut it.
  std::size_t input_limit;
  int ui_entry;            // the UiStrings entry of the window's label for it
  bool editable;           // false: shown, never changed by a person (the port)
  bool secret;             // shown only when asked for
  const char* unit;        // after a number in `show` ("" for none)
};

// The port has five digits at most; the other numbers take any text up to this length.
inline constexpr std::size_t kPortInputLimit = 5;
inline constexpr std::size_t kNumberInputLimit = 31;

inline constexpr std::array<RecordField, 9> kRecordFields{{
    {FieldId::kHost, FieldRecord::kSettings, "host", "Host", "host", SettingsRecord::kHostOffset,
     SettingsRecord::kHostCapacity, FieldKind::kText, true, SettingsRecord::kHostCapacity, 9, true,
     false, ""},
    {FieldId::kPort, FieldRecord::kSettings, "port", "Port", "port", SettingsRecord::kPortOffset,
     0, FieldKind::kNumber, true, kPortInputLimit, 10, false, false, ""},
    {FieldId::kUser, FieldRecord::kSettings, "user", "User", "user", SettingsRecord::kUserOffset,
     SettingsRecord::kUserCapacity, FieldKind::kText, true, SettingsRecord::kUserCapacity, 11, true,
     false, ""},
    {FieldId::kPassword, FieldRecord::kSettings, "password", "Password", "password",
     SettingsRecord::kPasswordOffset, SettingsRecord::kPasswordCapacity, FieldKind::kText, false,
     SettingsRecord::kPasswordCapacity, 12, true, true, ""},
    {FieldId::kInterval, FieldRecord::kSettings, "interval", "Interval", "interval",
     SettingsRecord::kIntervalOffset, 0, FieldKind::kNumber, true, kNumberInputLimit, 19, true,
     false, "min"},
    {FieldId::kSpeedLimit, FieldRecord::kSettings, "speed", "Speed limit", "speed_limit",
     SettingsRecord::kSpeedLimitOffset, 0, FieldKind::kNumber, true, kNumberInputLimit, 28, true,
     false, "KB/s"},
    {FieldId::kName, FieldRecord::kTask, "name", "Name", "name", TaskRecord::kNameOffset,
     TaskRecord::kNameCapacity, FieldKind::kTaskName, true, 0, 13, true, false, ""},
    {FieldId::kSource, FieldRecord::kTask, "source", "source", "source", TaskRecord::kSourceOffset,
     TaskRecord::kSourceCapacity, FieldKind::kFolder, false, 0, 7, true, false, ""},
    {FieldId::kTarget, FieldRecord::kTask, "target", "target", "target", TaskRecord::kTargetOffset,
     TaskRecord::kTargetCapacity, FieldKind::kFolder, false, 0, 8, true, false, ""},
}};

// The rows of each record, in the record's order.
inline constexpr std::span<const RecordField> kSettingsFields =
    std::span(kRecordFields).first(6);
inline constexpr std::span<const RecordField> kTaskFields = std::span(kRecordFields).subspan(6);

inline constexpr const RecordField& Field(FieldId id) {
  return kRecordFields[static_cast<std::size_t>(id)];
}

// The settings row qvconf's word names, or null.
const RecordField* FindSettingsField(std::string_view word);

constexpr bool HoldsText(const RecordField& field) { return field.kind != FieldKind::kNumber; }

// True when the window's key filter discards `key` typed into the field's edit: a blank, in the
// fields whose values never hold one as typed (a password and a folder may).
constexpr bool DropsTypedKey(const RecordField& field, char32_t key) {
  return field.drops_typed_blank && key == U' ';
}

// What the field's edit holds after each character of `text` is typed into it: the keys the
// filter discards are gone.
std::string AsTyped(const RecordField& field, std::string_view text);

// The field's bytes in a record of its kind: its short string (length byte first) or its int32.
inline std::string_view FieldText(std::span<const std::uint8_t> record, const RecordField& field) {
  return ViewShortString(record.data() + field.offset, field.capacity);
}
inline std::int32_t FieldNumber(std::span<const std::uint8_t> record, const RecordField& field) {
  return GetLE32(record.data() + field.offset);
}

}  // namespace qv
