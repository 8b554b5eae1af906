// The store on every platform: the verdict on what a save would not carry over, and a save's
// file, which is protected as the one it replaces before its first byte is written.
#include "config/config_store.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "config/config_store_steps.h"
#include "config/image_fixture.h"

namespace qv::test {
namespace {

TEST(JudgeLoad, CountsWhatASaveWouldNotCarryOver) {
  const SettingsFields settings;
  struct Case {
    const char* what;
    Image image;
    std::uint64_t tasks_not_loaded, empty_tasks_made, bytes_dropped;
    bool filler;
  };
  const auto counted = [&](std::int32_t count) {
    Image image = MakeImage(settings, SampleTasks());
    image.Put32(kTaskCountOffset, count);
    return image;
  };
  Image filler = MakeImage(settings, SampleTasks());
  filler.bytes[500] = 1;
  Image trailing = MakeImage(settings, SampleTasks());
  trailing.bytes.resize(trailing.bytes.size() + 10, 7);
  Image no_size = MakeImage(settings, SampleTasks());
  no_size.Put32(kRecordSizeOffset, 0);
  Case cases[] = {
      {"whole file", MakeImage(settings, SampleTasks()), 0, 0, 0, false},
      {"count -1", counted(-1), 3, 0, 0, false},
      {"count 0", counted(0), 3, 0, 0, false},
      {"count INT_MIN", counted(INT_MIN), 3, 0, 0, false},
      {"count 2 of 3", counted(2), 1, 0, 0, false},
      {"count 5 of 3", counted(5), 0, 2, 0, false},
      {"a part record past the count", trailing, 1, 0, 0, false},
      {"record size 600", MakeImage(settings, SampleTasks(), 600), 0, 0, 3 * 56, false},
      {"record size 288", MakeImage(settings, SampleTasks(), 288), 0, 0, 0, false},
      {"record size 0", no_size, 0, 3, 3 * 544, false},
      {"filler", filler, 0, 0, 0, true},
  };
  for (const Case& c : cases) {
    ConfigDocument doc;
    ImageReport report;
    ASSERT_TRUE(ParseConfigImage(c.image.bytes, doc, &report)) << c.what;
    const SaveLoss loss = JudgeLoad(LoadStatus::kLoaded, report);
    EXPECT_EQ(loss.tasks_not_loaded, c.tasks_not_loaded) << c.what;
    EXPECT_EQ(loss.empty_tasks_made, c.empty_tasks_made) << c.what;
    EXPECT_EQ(loss.bytes_dropped, c.bytes_dropped) << c.what;
    EXPECT_EQ(loss.filler_rewritten, c.filler) << c.what;
    EXPECT_EQ(loss.Any(), c.tasks_not_loaded + c.empty_tasks_made + c.bytes_dropped > 0 || c.filler)
        << c.what;
    EXPECT_FALSE(loss.whole_file) << c.what;
  }
  for (const LoadStatus status : {LoadStatus::kForeign, LoadStatus::kUnreadable}) {
    EXPECT_TRUE(JudgeLoad(status, ImageReport{}).whole_file);
  }
  EXPECT_FALSE(JudgeLoad(LoadStatus::kMissing, ImageReport{}).Any());
}

TEST(IsSaveFileName, OnlyTheSavesOwnNames) {
  using Text = NativeString;
  const auto n = [](const char* ascii) { return Text(ascii, ascii + std::char_traits<char>::length(ascii)); };
  EXPECT_TRUE(IsSaveFileName(n("CONFIGS.DAT.~qv0123456789abcdef.tmp")));
  EXPECT_TRUE(IsSaveFileName(n("site1.dat.~qv0123456789ABCDEF.tmp"), n("site1.dat")));
  for (const char* name : {"CONFIGS.DAT.~qv0123456789abcde.tmp", "CONFIGS.DAT.~qv0123456789abcdeg.tmp",
                           "CONFIGS.DAT.~qv0123456789abcdef.tmp.bak", "CONFIGS.DAT",
                           "CONFIGS.DAX.~qv0123456789abcdef.tmp"}) {
    EXPECT_FALSE(IsSaveFileName(n(name))) << name;
  }
  EXPECT_FALSE(IsSaveFileName(n("CONFIGS.DAT.~qv0123456789abcdef.tmp"), n("site1.dat")));
}

}  // namespace
}  // namespace qv::test
