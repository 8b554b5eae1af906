#include "config/records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/image_fixture.h"

namespace qv::test {
namespace {

std::vector<std::uint8_t> Bytes(const SettingsRecord& s) { return {s.bytes.begin(), s.bytes.end()}; }
std::vector<std::uint8_t> Bytes(const TaskRecord& t) { return {t.bytes.begin(), t.bytes.end()}; }

TEST(SettingsRecord, DefaultsAreZeroBytesWithPort891AndInterval60) {
  test::SettingsFields defaults;
  defaults.host = defaults.user = defaults.password = "";
  EXPECT_EQ(Bytes(SettingsRecord::Defaults()), test::SettingsBytes(defaults));
  EXPECT_EQ(SettingsRecord::Defaults().bytes[64], 0x7B);  // 891 = 0x037B, low byte first
  EXPECT_EQ(SettingsRecord::Defaults().bytes[65], 0x03);
}

TEST(SettingsRecord, EveryFieldLandsAtItsOffsetLittleEndian) {
  SettingsRecord s{};
  s.SetHost("files.example.org");
  s.SetPort(0x01020304);
  s.SetUser("admin");
  s.SetPassword("pa ss");
  s.SetInterval(-1);
  s.SetSpeedLimit(-5);

  const test::SettingsFields fields{"files.example.org", 0x01020304, "admin", "pa ss", -1, -5};
  EXPECT_EQ(Bytes(s), test::SettingsBytes(fields));
  EXPECT_EQ(s.bytes[64], 0x04);
  EXPECT_EQ(s.bytes[67], 0x01);
  EXPECT_EQ(s.Host(), "files.example.org");
  EXPECT_EQ(s.Port(), 0x01020304);
  EXPECT_EQ(s.User(), "admin");
  EXPECT_EQ(s.Password(), "pa ss");
  EXPECT_EQ(s.Interval(), -1);
  EXPECT_EQ(s.SpeedLimit(), -5);
}

TEST(TaskRecord, EveryFieldLandsAtItsOffset) {
  TaskRecord t;
  t.SetName("Nightly");
  t.SetSource("/srv/a");
  t.SetTarget("C:\\b");
  EXPECT_EQ(Bytes(t), test::TaskBytes({"Nightly", "/srv/a", "C:\\b"}));
  EXPECT_EQ(t.Name(), "Nightly");
  EXPECT_EQ(t.NameView(), "Nightly");
  EXPECT_EQ(t.Source(), "/srv/a");
  EXPECT_EQ(t.Target(), "C:\\b");
}

// Each short string field, set through its setter and read back through its getter.
struct Field {
  const char* what;
  bool in_task;
  std::size_t offset;
  std::size_t capacity;
  void (*set)(SettingsRecord&, TaskRecord&, std::string_view);
  std::string (*get)(const SettingsRecord&, const TaskRecord&);
};

const Field kFields[] = {
    {"host", false, 0, 63, [](SettingsRecord& s, TaskRecord&, std::string_view v) { s.SetHost(v); },
     [](const SettingsRecord& s, const TaskRecord&) { return s.Host(); }},
    {"user", false, 68, 31, [](SettingsRecord& s, TaskRecord&, std::string_view v) { s.SetUser(v); },
     [](const SettingsRecord& s, const TaskRecord&) { return s.User(); }},
    {"password", false, 100, 31, [](SettingsRecord& s, TaskRecord&, std::string_view v) { s.SetPassword(v); },
     [](const SettingsRecord& s, const TaskRecord&) { return s.Password(); }},
    {"name", true, 0, 31, [](SettingsRecord&, TaskRecord& t, std::string_view v) { t.SetName(v); },
     [](const SettingsRecord&, const TaskRecord& t) { return t.Name(); }},
    {"source", true, 32, 255, [](SettingsRecord&, TaskRecord& t, std::string_view v) { t.SetSource(v); },
     [](const SettingsRecord&, const TaskRecord& t) { return t.Source(); }},
    {"target", true, 288, 255, [](SettingsRecord&, TaskRecord& t, std::string_view v) { t.SetTarget(v); },
     [](const SettingsRecord&, const TaskRecord& t) { return t.Target(); }},
};

TEST(ShortString, TextsAreCutToTheCapacityInBytes) {
  for (const Field& f : kFields) {
    for (std::size_t size : {std::size_t{0}, f.capacity - 1, f.capacity, f.capacity + 1, std::size_t{400}}) {
      SettingsRecord s = SettingsRecord::Defaults();
      TaskRecord t;
      std::string text;
      for (std::size_t i = 0; i < size; ++i) text += static_cast<char>('a' + i % 26);
      f.set(s, t, text);
      EXPECT_EQ(f.get(s, t), text.substr(0, f.capacity)) << f.what << " size " << size;
    }
  }
}

TEST(ShortString, ADoubleByteCharacterAtTheLimitLosesItsSecondByte) {
  TaskRecord t;
  const std::string text = std::string(30, 'x') + "\xD6\xD0";  // 32 bytes in code page 936
  t.SetName(text);
  EXPECT_EQ(t.Name(), std::string(30, 'x') + "\xD6");
}

TEST(ShortString, OnlyTheLengthAndCharactersAreWritten) {
  TaskRecord t;
  t.SetName("LongerName");
  t.SetName("Ab");
  EXPECT_EQ(t.Name(), "Ab");
  EXPECT_EQ(t.bytes[0], 2);
  EXPECT_EQ(std::string(t.bytes.begin() + 3, t.bytes.begin() + 11), "ngerName");
  EXPECT_EQ(t.bytes[11], 0);
  EXPECT_EQ(t.bytes[32], 0);  // the next field is untouched
}

TEST(ShortString, ALengthAboveTheCapacityReadsAsTheCapacity) {
  // Only another writer stores such a length; the read must stay inside the field.
  for (const Field& f : kFields) {
    SettingsRecord s = SettingsRecord::Defaults();
    TaskRecord t;
    f.set(s, t, std::string(f.capacity, 'q'));
    ASSERT_EQ((f.in_task ? t.bytes[f.offset] : s.bytes[f.offset]), f.capacity) << f.what;
    (f.in_task ? t.bytes[f.offset] : s.bytes[f.offset]) = 0xFF;
    EXPECT_EQ(f.get(s, t), std::string(f.capacity, 'q')) << f.what;
  }
}

}  // namespace
}  // namespace qv::test
