// The field table and the one way a typed text reaches any field.
#include "config/record_fields.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "config/document.h"

namespace qv::test {
namespace {

TEST(RecordFields, RowsLieWhereTheRecordsKeepTheirFields) {
  SettingsRecord settings = SettingsRecord::Defaults();
  settings.SetHost("files.example.org");
  settings.SetUser("admin");
  settings.SetPassword("pa ss");
  settings.SetSpeedLimit(-5);
  TaskRecord task;
  task.SetName("Alpha");
  task.SetSource("/srv/a");
  task.SetTarget("D:\\A");
  EXPECT_EQ(FieldText(settings.bytes, Field(FieldId::kHost)), settings.Host());
  EXPECT_EQ(FieldNumber(settings.bytes, Field(FieldId::kPort)), settings.Port());
  EXPECT_EQ(FieldText(settings.bytes, Field(FieldId::kUser)), settings.User());
  EXPECT_EQ(FieldText(settings.bytes, Field(FieldId::kPassword)), settings.Password());
  EXPECT_EQ(FieldNumber(settings.bytes, Field(FieldId::kInterval)), settings.Interval());
  EXPECT_EQ(FieldNumber(settings.bytes, Field(FieldId::kSpeedLimit)), settings.SpeedLimit());
  EXPECT_EQ(FieldText(task.bytes, Field(FieldId::kName)), task.Name());
  EXPECT_EQ(FieldText(task.bytes, Field(FieldId::kSource)), task.Source());
  EXPECT_EQ(FieldText(task.bytes, Field(FieldId::kTarget)), task.Target());
}

TEST(RecordFields, ABlankTypedIsDroppedWhereTheWindowDropsIt) {
  const std::set<FieldId> dropping = {FieldId::kName,     FieldId::kHost,
                                      FieldId::kUser,     FieldId::kPort,
                                      FieldId::kInterval, FieldId::kSpeedLimit};
  for (const RecordField& field : kRecordFields) {
    const bool drops = dropping.contains(field.id);
    EXPECT_EQ(DropsTypedKey(field, U' '), drops) << field.word;
    EXPECT_FALSE(DropsTypedKey(field, U'\t')) << field.word;
    EXPECT_FALSE(DropsTypedKey(field, U'x')) << field.word;
    EXPECT_EQ(AsTyped(field, " 1 5 "), drops ? "15" : " 1 5 ") << field.word;
  }
}

TEST(RecordFields, SettingsAreFoundByTheirWordOnly) {
  for (const RecordField& field : kSettingsFields) {
    EXPECT_EQ(FindSettingsField(field.word), &field);
  }
  for (const char* word : {"name", "source", "Host", "speed_limit", ""}) {
    EXPECT_EQ(FindSettingsField(word), nullptr) << word;
  }
}

// SetField by the kind of each row: what it stores, what it returns, whether it marks the
// document modified.
TEST(SetField, StoresEachKindAsTheWindowStoresIt) {
  const std::string long_text(300, 'x');
  const struct {
    FieldId field;
    std::string text;
    std::string stored_text;
    std::int32_t stored_number;
    bool modified;
  } cases[] = {
      {FieldId::kHost, " h.example ", " h.example ", 0, true},
      {FieldId::kHost, long_text, std::string(63, 'x'), 0, true},
      {FieldId::kUser, long_text, std::string(31, 'x'), 0, true},
      {FieldId::kPassword, "", "", 0, true},
      {FieldId::kPort, "$3C", "", 60, true},
      {FieldId::kPort, "891", "", 891, false},
      {FieldId::kInterval, "15 ", "", 0, true},
      {FieldId::kInterval, "60", "", 60, false},
      {FieldId::kSpeedLimit, "-5", "", -5, true},
      {FieldId::kName, "Renamed", "Renamed", 0, true},
      {FieldId::kName, long_text, std::string(31, 'x'), 0, true},
      {FieldId::kSource, " \t/srv/x\r\n", "/srv/x", 0, true},
      {FieldId::kTarget, long_text, std::string(255, 'x'), 0, true},
      {FieldId::kTarget, "   ", "", 0, true},
  };
  for (const auto& c : cases) {
    const RecordField& field = Field(c.field);
    SCOPED_TRACE(std::string(field.word) + " \"" + c.text.substr(0, 20) + "\"");
    ConfigDocument doc;
    doc.tasks.emplace_back().SetName("Other");
    doc.tasks.emplace_back().SetName("Alpha");
    const StoredField stored = doc.SetField(c.field, 1, c.text);
    EXPECT_EQ(stored.result, RenameResult::kAccepted);
    EXPECT_EQ(stored.text, c.stored_text);
    EXPECT_EQ(stored.number, c.stored_number);
    EXPECT_EQ(doc.modified(), c.modified);
    const std::span<const std::uint8_t> record =
        field.record == FieldRecord::kTask ? std::span<const std::uint8_t>(doc.tasks[1].bytes)
                                           : std::span<const std::uint8_t>(doc.settings.bytes);
    if (HoldsText(field)) {
      EXPECT_EQ(FieldText(record, field), c.stored_text);
    } else {
      EXPECT_EQ(FieldNumber(record, field), c.stored_number);
    }
    EXPECT_EQ(doc.tasks[0].Name(), "Other");
  }
}

TEST(SetField, ANameKeepsTheRenameRefusals) {
  ConfigDocument doc;
  doc.tasks.emplace_back().SetName("Other");
  doc.tasks.emplace_back().SetName("Alpha");
  EXPECT_EQ(doc.SetField(FieldId::kName, 1, "").result, RenameResult::kRefusedEmpty);
  EXPECT_EQ(doc.SetField(FieldId::kName, 1, "OTHER").result, RenameResult::kRefusedRepeated);
  // Cut to 31 bytes it would repeat the other name.
  doc.tasks[0].SetName(std::string(31, 'o'));
  EXPECT_EQ(doc.SetField(FieldId::kName, 1, std::string(40, 'O')).result,
            RenameResult::kRefusedRepeated);
  EXPECT_EQ(doc.tasks[1].Name(), "Alpha");
  EXPECT_FALSE(doc.modified());
  // With no task chosen the refusals still answer, and nothing is stored.
  EXPECT_EQ(doc.SetField(FieldId::kName, -1, std::string(31, 'O')).result,
            RenameResult::kRefusedRepeated);
  const StoredField nowhere = doc.SetField(FieldId::kName, -1, "Fresh");
  EXPECT_EQ(nowhere.result, RenameResult::kAccepted);
  EXPECT_EQ(nowhere.text, "");
  EXPECT_FALSE(doc.modified());
}

TEST(SetField, ATaskFieldWithNoTaskThereChangesNothing) {
  for (const RecordField& field : kTaskFields) {
    for (const int position : {-1, 1, 2}) {
      ConfigDocument doc;
      doc.tasks.emplace_back().SetName("Only");
      const ConfigDocument before = doc;
      const StoredField stored = doc.SetField(field.id, position, "/x");
      EXPECT_EQ(stored.text, "") << field.word << " at " << position;
      EXPECT_FALSE(doc.modified()) << field.word << " at " << position;
      EXPECT_EQ(doc.tasks[0].bytes, before.tasks[0].bytes);
    }
  }
}

}  // namespace
}  // namespace qv::test
