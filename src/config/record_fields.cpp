#include "config/record_fields.h"

namespace qv {
namespace {

constexpr bool RowsInIdOrder() {
  for (std::size_t i = 0; i < kRecordFields.size(); ++i) {
    if (static_cast<std::size_t>(kRecordFields[i].id) != i) return false;
  }
  return true;
}
static_assert(RowsInIdOrder(), "Field(id) finds a row by its place");

constexpr bool EachRecordTogether() {
  for (const RecordField& field : kSettingsFields) {
    if (field.record != FieldRecord::kSettings) return false;
  }
  for (const RecordField& field : kTaskFields) {
    if (field.record != FieldRecord::kTask) return false;
  }
  return kSettingsFields.size() + kTaskFields.size() == kRecordFields.size();
}
static_assert(EachRecordTogether());

constexpr bool FieldsInsideRecords() {
  for (const RecordField& field : kRecordFields) {
    const std::size_t size =
        field.record == FieldRecord::kSettings ? kSettingsRecordSize : kTaskRecordSize;
    const std::size_t bytes = HoldsText(field) ? field.capacity + 1 : 4;
    if (field.offset + bytes > size) return false;
    if (HoldsText(field) != (field.capacity != 0)) return false;
  }
  return true;
}
static_assert(FieldsInsideRecords());

}  // namespace

const RecordField* FindSettingsField(std::string_view word) {
  for (const RecordField& field : kSettingsFields) {
    if (word == field.word) return &field;
  }
  return nullptr;
}

std::string AsTyped(const RecordField& field, std::string_view text) {
  std::string typed;
  for (const char c : text) {
    if (!DropsTypedKey(field, static_cast<unsigned char>(c))) typed += c;
  }
  return typed;
}

}  // namespace qv
