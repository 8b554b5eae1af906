#include "config/config_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "config/image_fixture.h"

namespace qv::test {
namespace {

// A document that parsing must overwrite completely.
ConfigDocument Stale() {
  ConfigDocument doc;
  doc.SetHost("stale");
  doc.AddTask("Stale");
  return doc;
}

ConfigDocument Parsed(const std::vector<std::uint8_t>& bytes) {
  ConfigDocument doc = Stale();
  EXPECT_TRUE(ParseConfigImage(bytes, doc));
  return doc;
}

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t from,
                                std::size_t size) {
  return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
          bytes.begin() + static_cast<std::ptrdiff_t>(from + size)};
}

TEST(BuildConfigImage, EmptyDocumentIs1032BytesEndingIn544And0) {
  const std::vector<std::uint8_t> image = BuildConfigImage(ConfigDocument{});
  ASSERT_EQ(image.size(), 1032u);
  SettingsFields defaults;
  defaults.host = defaults.user = defaults.password = "";
  EXPECT_EQ(image, MakeImage(defaults, {}).bytes);
  EXPECT_EQ(Slice(image, 1024, 8), (std::vector<std::uint8_t>{0x20, 0x02, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(BuildConfigHeader(ConfigDocument{}), image);
}

TEST(BuildConfigImage, WritesTheLayoutByteForByte) {
  const SettingsFields settings{"h.example", 8910, "u", "0123456789abcdefghijklmnopqrstu", 0, -5};
  const ConfigDocument doc = DocumentOf(settings, SampleTasks());
  const std::vector<std::uint8_t> image = BuildConfigImage(doc);
  EXPECT_EQ(image.size(), 1032u + 544u * 3);
  EXPECT_EQ(image, MakeImage(settings, SampleTasks()).bytes);
  const std::vector<std::uint8_t> header = BuildConfigHeader(doc);
  EXPECT_EQ(header, Slice(image, 0, 1032));
  // The password goes to the file as it is, all 31 characters.
  EXPECT_EQ(std::string(image.begin() + 8 + 101, image.begin() + 8 + 132), settings.password);
}

TEST(ConfigImage, RoundTripKeepsEveryByteIncludingThoseAfterShortStrings) {
  Image image = MakeImage(SettingsFields{}, SampleTasks());
  // Bytes beyond the characters of a short string are not part of its value but are kept.
  image.bytes[8 + 30] = 0x5A;
  image.bytes[1032 + 544 + 200] = 0xA5;
  image.bytes[1032 + 2 * 544 + 543] = 0x77;
  const ConfigDocument doc = Parsed(image.bytes);
  EXPECT_EQ(BuildConfigImage(doc), image.bytes);
  EXPECT_FALSE(Stale().tasks.empty());
}

TEST(ParseConfigImage, ReadsSettingsAndTasks) {
  const SettingsFields settings{"files.example.org", 9000, "admin", "pw", 15, 256};
  const ConfigDocument doc = Parsed(MakeImage(settings, SampleTasks()).bytes);
  EXPECT_EQ(doc.settings.Host(), "files.example.org");
  EXPECT_EQ(doc.settings.Port(), 9000);
  EXPECT_EQ(doc.settings.User(), "admin");
  EXPECT_EQ(doc.settings.Password(), "pw");
  EXPECT_EQ(doc.settings.Interval(), 15);
  EXPECT_EQ(doc.settings.SpeedLimit(), 256);
  ASSERT_EQ(doc.tasks.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(doc.tasks[i].Name(), SampleTasks()[i].name);
    EXPECT_EQ(doc.tasks[i].Source(), SampleTasks()[i].source);
    EXPECT_EQ(doc.tasks[i].Target(), SampleTasks()[i].target);
  }
}

TEST(ParseConfigImage, LeavesTheModifiedFlagAlone) {
  ConfigDocument doc;
  ASSERT_TRUE(ParseConfigImage(MakeImage(SettingsFields{}, SampleTasks()).bytes, doc));
  EXPECT_FALSE(doc.modified());
  doc.SetHost("x");
  ASSERT_TRUE(ParseConfigImage(MakeImage(SettingsFields{}, SampleTasks()).bytes, doc));
  EXPECT_TRUE(doc.modified());
}

TEST(ParseConfigImage, RefusesAnythingButTheExactSignature) {
  const std::vector<std::uint8_t> valid = MakeImage(SettingsFields{}, SampleTasks()).bytes;
  struct Case {
    const char* what;
    std::size_t offset;
    std::string replacement;
  } cases[] = {
      {"lower case", 0, "rsyncfg"},      {"one letter", 3, "c"},
      {"no zero after it", 7, "X"},      {"zero too early", 6, std::string(1, '\0')},
      {"empty", 0, std::string(1, '\0')},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes = valid;
    std::copy(c.replacement.begin(), c.replacement.end(), bytes.begin() + static_cast<std::ptrdiff_t>(c.offset));
    ConfigDocument doc = Stale();
    EXPECT_FALSE(ParseConfigImage(bytes, doc)) << c.what;
    EXPECT_EQ(doc.settings.Host(), "stale") << c.what;
    EXPECT_EQ(doc.tasks.size(), 1u) << c.what;
  }
  ConfigDocument doc = Stale();
  EXPECT_FALSE(ParseConfigImage({}, doc));
  EXPECT_FALSE(ParseConfigImage(Slice(valid, 0, 6), doc));
}

TEST(ParseConfigImage, SevenLettersAloneGiveTheDefaults) {
  const ConfigDocument doc = Parsed(Slice(MakeImage(SettingsFields{}, {}).bytes, 0, 7));
  EXPECT_EQ(doc.settings.bytes, SettingsRecord::Defaults().bytes);
  EXPECT_TRUE(doc.tasks.empty());
}

// Every prefix of a valid file: the bytes present are taken, the rest is zero, or the default
// for the settings; the record size and count are read from whatever of them is there.
TEST(ParseConfigImage, AFileCutAtAnyLengthReadsOnlyWhatItHolds) {
  const std::vector<std::uint8_t> full = MakeImage(SettingsFields{}, SampleTasks()).bytes;
  const SettingsRecord defaults = SettingsRecord::Defaults();
  for (std::size_t size = 7; size <= full.size(); ++size) {
    const std::vector<std::uint8_t> cut = Slice(full, 0, size);
    ConfigDocument doc = Stale();
    ASSERT_TRUE(ParseConfigImage(cut, doc)) << size;
    for (std::size_t i = 0; i < 140; ++i) {
      ASSERT_EQ(doc.settings.bytes[i], 8 + i < size ? full[8 + i] : defaults.bytes[i])
          << "size " << size << " settings byte " << i;
    }
    // The count's low byte (3) is at 1028; before it the count is zero.
    ASSERT_EQ(doc.tasks.size(), size > 1028 ? 3u : 0u) << size;
    for (std::size_t t = 0; t < doc.tasks.size(); ++t) {
      for (std::size_t i = 0; i < 544; ++i) {
        const std::size_t at = 1032 + 544 * t + i;
        ASSERT_EQ(doc.tasks[t].bytes[i], at < size ? full[at] : 0)
            << "size " << size << " task " << t << " byte " << i;
      }
    }
  }
}

TEST(ParseConfigImage, ACountBeyondTheDataGivesEmptyTasks) {
  Image image = MakeImage(SettingsFields{}, SampleTasks());
  image.Put32(1028, 5);
  image.Truncate(1032 + 2 * 544);
  const ConfigDocument doc = Parsed(image.bytes);
  ASSERT_EQ(doc.tasks.size(), 5u);
  EXPECT_EQ(doc.tasks[1].Name(), "Beta");
  for (std::size_t i = 2; i < 5; ++i) EXPECT_EQ(doc.tasks[i].bytes, TaskRecord{}.bytes) << i;

  Image three = MakeImage(SettingsFields{}, SampleTasks());
  three.Truncate(1032 + 544);
  const ConfigDocument cut = Parsed(three.bytes);
  ASSERT_EQ(cut.tasks.size(), 3u);
  EXPECT_EQ(cut.tasks[0].Name(), "Alpha");
  EXPECT_EQ(cut.tasks[1].Name(), "");
  EXPECT_EQ(cut.tasks[2].Source(), "");
}

TEST(ParseConfigImage, ACountOfZeroOrLessGivesNoTasks) {
  for (std::int32_t count : {0, -1, INT_MIN}) {
    Image image = MakeImage(SettingsFields{}, SampleTasks());
    image.Put32(1028, count);
    EXPECT_TRUE(Parsed(image.bytes).tasks.empty()) << count;
  }
}

// Records the file holds are all loaded; empty ones promised beyond the data stop at 65,536.
TEST(ParseConfigImage, ADamagedCountIsBoundedButNeverDropsData) {
  struct Case {
    std::int32_t record_size;
    std::size_t data_bytes;  // after offset 1032
    std::int32_t count;
    std::size_t tasks;
  } cases[] = {
      {544, 0, INT_MAX, 65536},
      {544, 2 * 544, INT_MAX, 65536},
      {544, 2 * 544, 70000, 65536},
      {544, 2 * 544, 65536, 65536},
      {544, 2 * 544, 65535, 65535},
      {1, 70000, INT_MAX, 70000},   // 70,000 one-byte records are all in the file
      {1, 70000, 69999, 69999},
      {1, 70000, 68000, 68000},
      {2, 70001, INT_MAX, 65536},   // 35,001 records held, then empty ones up to 65,536
  };
  for (const Case& c : cases) {
    Image image = MakeImage(SettingsFields{}, {});
    image.bytes.resize(1032 + c.data_bytes, 0x07);
    image.Put32(1024, c.record_size);
    image.Put32(1028, c.count);
    const ConfigDocument doc = Parsed(image.bytes);
    ASSERT_EQ(doc.tasks.size(), c.tasks) << "R " << c.record_size << " count " << c.count;
    const std::size_t held =
        std::min(doc.tasks.size(), c.data_bytes / static_cast<std::size_t>(c.record_size));
    if (c.record_size <= 2 && held > 0) {
      EXPECT_EQ(doc.tasks[held - 1].bytes[0], 0x07);  // the last record the file holds
      EXPECT_EQ(doc.tasks[held - 1].bytes[c.record_size], 0);
    }
    if (doc.tasks.size() > held) {
      EXPECT_EQ(doc.tasks.back().bytes, TaskRecord{}.bytes);
    }
  }
}

TEST(ParseConfigImage, LongerRecordsLoseTheirTailAndSaveAs544) {
  const Image image = MakeImage(SettingsFields{}, SampleTasks(), 600, 0xEE);
  const ConfigDocument doc = Parsed(image.bytes);
  ASSERT_EQ(doc.tasks.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(std::vector<std::uint8_t>(doc.tasks[i].bytes.begin(), doc.tasks[i].bytes.end()),
              test::TaskBytes(SampleTasks()[i]));
  }
  EXPECT_EQ(BuildConfigImage(doc), MakeImage(SettingsFields{}, SampleTasks()).bytes);
}

TEST(ParseConfigImage, ShorterRecordsGetZerosInTheMissingFields) {
  const ConfigDocument doc = Parsed(MakeImage(SettingsFields{}, SampleTasks(), 288).bytes);
  ASSERT_EQ(doc.tasks.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(doc.tasks[i].Name(), SampleTasks()[i].name);
    EXPECT_EQ(doc.tasks[i].Source(), SampleTasks()[i].source);
    EXPECT_EQ(doc.tasks[i].Target(), "");
  }
  // 40 bytes: the name and the source's length byte (11) with 7 of its characters.
  const ConfigDocument forty = Parsed(MakeImage(SettingsFields{}, SampleTasks(), 40).bytes);
  ASSERT_EQ(forty.tasks.size(), 3u);
  EXPECT_EQ(forty.tasks[2].Name(), "Gamma");
  EXPECT_EQ(forty.tasks[0].Source(), std::string("/srv/ph\0\0\0\0", 11));
}

TEST(ParseConfigImage, RecordSizesOfZeroLessOrHugeAreSafe) {
  struct Case {
    std::int32_t record_size;
    const char* first_name;  // what the first task holds
  } cases[] = {
      {0, ""}, {-1, ""}, {-544, ""}, {INT_MIN, ""}, {INT_MAX, "Alpha"}, {1 << 30, "Alpha"},
  };
  for (const Case& c : cases) {
    Image image = MakeImage(SettingsFields{}, SampleTasks());
    image.Put32(1024, c.record_size);
    const ConfigDocument doc = Parsed(image.bytes);
    ASSERT_EQ(doc.tasks.size(), 3u) << c.record_size;
    EXPECT_EQ(doc.tasks[0].Name(), c.first_name) << c.record_size;
    EXPECT_EQ(doc.tasks[1].bytes, TaskRecord{}.bytes) << c.record_size;
    EXPECT_EQ(doc.tasks[2].bytes, TaskRecord{}.bytes) << c.record_size;
  }
}

TEST(ParseConfigImage, LengthBytesAboveTheCapacityStayInsideTheirFields) {
  Image image = MakeImage(SettingsFields{}, SampleTasks());
  image.bytes[8 + 100] = 0xFF;     // password: capacity 31, the interval follows
  image.bytes[1032] = 200;         // first task's name: capacity 31
  image.bytes[1032 + 544 + 288] = 0xFF;  // the target fills its record to the end
  const ConfigDocument doc = Parsed(image.bytes);
  EXPECT_EQ(doc.settings.Password().size(), 31u);
  EXPECT_EQ(doc.settings.Password().substr(0, 6), "secret");
  EXPECT_EQ(doc.settings.Interval(), 60);
  EXPECT_EQ(doc.tasks[0].Name().size(), 31u);
  EXPECT_EQ(doc.tasks[0].Source(), "/srv/photos");
  EXPECT_EQ(doc.tasks[1].Target().size(), 255u);
  EXPECT_EQ(doc.tasks[2].Name(), "Gamma");
}

// The loader hands back memory behind the reported point: nothing before it may be read again.
TEST(ParseConfigImage, NeverReadsBehindWhatItReportedConsumed) {
  std::vector<TaskFields> tasks;
  for (int i = 0; i < 5000; ++i) tasks.push_back({"T" + std::to_string(i), "/s", "C:\\t"});
  for (std::size_t record_size : {std::size_t{544}, std::size_t{700}, std::size_t{300}}) {
    std::vector<std::uint8_t> bytes = MakeImage(SettingsFields{}, tasks, record_size).bytes;
    const ConfigDocument expected = Parsed(bytes);
    std::vector<std::size_t> reports;
    ConfigDocument doc;
    ASSERT_TRUE(ParseConfigImage(bytes, doc, [&](std::size_t consumed) {
      ASSERT_LE(consumed, bytes.size());
      if (!reports.empty()) {
        ASSERT_GT(consumed, reports.back());
      }
      reports.push_back(consumed);
      std::fill(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(consumed), 0xCC);
    }));
    EXPECT_GE(reports.size(), 1u) << record_size;
    ASSERT_EQ(doc.tasks.size(), expected.tasks.size());
    for (std::size_t i = 0; i < doc.tasks.size(); ++i) {
      ASSERT_EQ(doc.tasks[i].bytes, expected.tasks[i].bytes) << "R " << record_size << " task " << i;
    }
    EXPECT_EQ(doc.settings.bytes, expected.settings.bytes);
  }
}

struct ReportCase {
  const char* what;
  std::vector<std::uint8_t> bytes;
  ImageReport expected;
};

void ExpectReport(const ImageReport& actual, const ImageReport& expected, const char* what) {
  EXPECT_EQ(actual.signature_ok, expected.signature_ok) << what;
  EXPECT_EQ(actual.record_size, expected.record_size) << what;
  EXPECT_EQ(actual.declared_count, expected.declared_count) << what;
  EXPECT_EQ(actual.records_in_data, expected.records_in_data) << what;
  EXPECT_EQ(actual.tasks_loaded, expected.tasks_loaded) << what;
  EXPECT_EQ(actual.cut_at_bound, expected.cut_at_bound) << what;
}

Image WithHeader(std::int32_t record_size, std::int32_t count, std::size_t data_bytes) {
  Image image = MakeImage(SettingsFields{}, {});
  image.bytes.resize(1032 + data_bytes, 0x07);
  image.Put32(1024, record_size);
  image.Put32(1028, count);
  return image;
}

TEST(ParseConfigImage, ReportsWhatTheFileHolds) {
  const std::size_t default_bound = (2 * (1032 + 100000) + (std::size_t{38} << 20)) / 544;
  const ReportCase cases[] = {
      {"three tasks", MakeImage(SettingsFields{}, SampleTasks()).bytes, {true, 544, 3, 3, 3, false}},
      {"70,000 one-byte records", WithHeader(1, INT_MAX, 70000).bytes,
       {true, 1, INT_MAX, 70000, 70000, false}},
      {"100,000 one-byte records, past the bound", WithHeader(1, INT_MAX, 100000).bytes,
       {true, 1, INT_MAX, 100000, default_bound, true}},
      {"R = 0", WithHeader(0, 3, 1632).bytes, {true, 0, 3, 0, 3, false}},
      {"R = -1", WithHeader(-1, 3, 1632).bytes, {true, -1, 3, 0, 3, false}},
      {"R = 2^31 - 1", WithHeader(INT_MAX, 3, 1632).bytes, {true, INT_MAX, 3, 1, 3, false}},
      {"a huge count over two records", WithHeader(544, INT_MAX, 2 * 544).bytes,
       {true, 544, INT_MAX, 2, 65536, false}},
      {"a negative count", WithHeader(544, -7, 2 * 544).bytes, {true, 544, -7, 0, 0, false}},
      {"cut inside the record size", Slice(WithHeader(544, 3, 0).bytes, 0, 1026),
       {true, 544, 0, 0, 0, false}},
      {"cut inside the settings", Slice(WithHeader(544, 3, 0).bytes, 0, 100),
       {true, 0, 0, 0, 0, false}},
      {"a foreign file", std::vector<std::uint8_t>(2000, 'R'), {false, 0, 0, 0, 0, false}},
  };
  for (const ReportCase& c : cases) {
    ConfigDocument doc = Stale();
    ImageReport report;
    report.tasks_loaded = 99;  // every field is set afresh
    EXPECT_EQ(ParseConfigImage(c.bytes, doc, &report), c.expected.signature_ok) << c.what;
    ExpectReport(report, c.expected, c.what);
    EXPECT_EQ(doc.tasks.size(), c.expected.signature_ok ? c.expected.tasks_loaded : 1u) << c.what;
  }
}

// With small limits the bound is reached by small files: the records up to it load in order, the
// settings always do, and empty tasks promised past the data never count as cut data.
TEST(ParseConfigImage, RecordsPastTheMemoryBoundAreNotLoadedButTheSettingsAre) {
  const ImageLimits limits{4, 10 * 544};
  const SettingsFields settings{"bound.example", 8910, "u", "p", 15, 3};
  struct Case {
    std::int32_t record_size, count;
    std::size_t data_bytes;
    std::size_t tasks, in_data;
    bool cut;
  } cases[] = {
      {1, INT_MAX, 200, (2 * 1232 + 5440) / 544, 200, true},
      {1, 12, 200, 12, 12, false},
      {2, INT_MAX, 10000, (2 * 11032 + 5440) / 544, 5000, true},
      {544, INT_MAX, 2 * 544, 4, 2, false},
      {544, INT_MAX, 40 * 544, 40, 40, false},   // whole records never exceed the bound
      {300, INT_MAX, 90 * 300, 90, 90, false},   // nor do records of 272 bytes or more
  };
  for (const Case& c : cases) {
    Image image = MakeImage(settings, {});
    image.bytes.resize(1032 + c.data_bytes);
    for (std::size_t i = 1032; i < image.bytes.size(); ++i) {
      image.bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    image.Put32(1024, c.record_size);
    image.Put32(1028, c.count);
    ConfigDocument doc;
    ImageReport report;
    ASSERT_TRUE(ParseConfigImage(image.bytes, doc, limits, &report));
    const std::string what = "R " + std::to_string(c.record_size) + " data " +
                             std::to_string(c.data_bytes);
    EXPECT_EQ(doc.settings.bytes, DocumentOf(settings, {}).settings.bytes) << what;
    ASSERT_EQ(doc.tasks.size(), c.tasks) << what;
    EXPECT_EQ(report.records_in_data, c.in_data) << what;
    EXPECT_EQ(report.cut_at_bound, c.cut) << what;
    const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(c.record_size), 544);
    for (std::size_t t = 0; t < std::min(c.tasks, c.in_data); ++t) {
      const std::size_t at = 1032 + t * static_cast<std::size_t>(c.record_size);
      const std::size_t last = std::min(take, image.bytes.size() - at) - 1;
      ASSERT_EQ(doc.tasks[t].bytes[0], image.bytes[at]) << what << " task " << t;
      ASSERT_EQ(doc.tasks[t].bytes[last], image.bytes[at + last]) << what << " task " << t;
    }
  }
}

// Records of another size are read through a window; where it ends must not matter.
TEST(ParseConfigImage, TheReadWindowDoesNotChangeWhatLoads) {
  std::vector<TaskFields> tasks;
  for (int i = 0; i < 40; ++i) tasks.push_back({"T" + std::to_string(i), "/s" + std::to_string(i), "C:\\t"});
  for (std::size_t record_size : {1u, 300u, 543u, 545u, 700u, 2000u}) {
    std::vector<std::uint8_t> bytes = MakeImage(SettingsFields{}, tasks, record_size).bytes;
    bytes.resize(bytes.size() - record_size / 3);  // the last record cut short
    const ConfigDocument expected = Parsed(bytes);
    for (std::size_t window : {544u, 545u, 1000u, 1087u, 4096u}) {
      ImageLimits limits;
      limits.read_window = window;
      ConfigDocument doc;
      ASSERT_TRUE(ParseConfigImage(bytes, doc, limits));
      ASSERT_EQ(doc.tasks.size(), expected.tasks.size());
      for (std::size_t i = 0; i < doc.tasks.size(); ++i) {
        ASSERT_EQ(doc.tasks[i].bytes, expected.tasks[i].bytes)
            << "R " << record_size << " window " << window << " task " << i;
      }
    }
  }
}

}  // namespace
}  // namespace qv::test
