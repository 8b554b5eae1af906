// Export then import over well-formed, damaged and random files.
#include <random>

#include "cli_fixture.h"
#include "config/image_fixture.h"

namespace qv::test {
namespace {

// Every value a reader of the file sees, the port included, one line each.
std::vector<std::string> Meaning(const ConfigDocument& doc) {
  const SettingsRecord& s = doc.settings;
  std::vector<std::string> lines = {
      "host " + s.Host(), "user " + s.User(), "password " + s.Password(),
      "interval " + std::to_string(s.Interval()), "speed " + std::to_string(s.SpeedLimit())};
  for (const TaskRecord& t : doc.tasks) {
    lines.push_back("task " + t.Name() + " | " + t.Source() + " | " + t.Target());
  }
  return lines;
}

// Whether no two tasks of `doc` share a name, which a new file's tasks need, since each of them
// is added and named there. Empty names are what the loader makes, and travel as they are.
bool NoRepeatedNames(const ConfigDocument& doc) {
  for (std::size_t i = 0; i < doc.tasks.size(); ++i) {
    const std::string name = doc.tasks[i].Name();
    if (!name.empty() && doc.FindTask(name) != static_cast<int>(i)) return false;
  }
  return true;
}

struct Case {
  std::string what;
  std::vector<std::uint8_t> bytes;
  bool lossy = false;  // a save would not carry everything over, so an edit must be forced

  // The arguments of an edit on this file.
  std::vector<std::string> Edit(std::vector<std::string> args) const {
    if (lossy) args.insert(args.begin(), "--force");
    return args;
  }
};

std::vector<Case> Files() {
  std::vector<Case> cases;
  SettingsFields settings;
  settings.port = 8910;
  cases.push_back({"well formed", MakeImage(settings, SampleTasks()).bytes});
  cases.push_back({"record size 600", MakeImage(settings, SampleTasks(), 600).bytes, true});
  cases.push_back({"record size 288", MakeImage(settings, SampleTasks(), 288).bytes});
  {
    Image image = MakeImage(settings, SampleTasks());
    image.Put32(1028, 5);
    cases.push_back(
        {"count beyond the data", image.Truncate(1032 + 544 * 2 + 100).bytes, true});
  }
  {
    Image image = MakeImage(settings, SampleTasks());
    image.bytes[8] = 200;           // host length above 63
    image.bytes[1032] = 250;        // name length above 31
    image.bytes[1032 + 288] = 255;  // target fills its field
    cases.push_back({"length bytes above capacity", image.bytes});
  }
  {
    // Bytes no code page 1252 text spells on every platform, a control character, a zero byte.
    std::vector<TaskFields> tasks = SampleTasks();
    tasks[0].name = std::string("N\x81\x8D\x90", 4);
    tasks[1].source = std::string("/srv/\x01\x00x", 7);
    tasks[2].target = "C:\\\x9D";
    SettingsFields odd = settings;
    odd.user = "\x8F\x81";
    cases.push_back({"names that do not decode", MakeImage(odd, tasks).bytes});
  }
  {
    std::vector<TaskFields> tasks = SampleTasks();
    tasks[1].name = "ALPHA";
    tasks[2].name = "";
    cases.push_back({"repeated and empty names", MakeImage(settings, tasks).bytes});
  }
  std::mt19937 random(20261210);
  for (int n = 0; n < 12; ++n) {
    const std::size_t count = random() % 20;
    std::vector<std::uint8_t> bytes(1032 + 544 * count);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(random());
    Image image{bytes};
    const char signature[] = "RSYNCFG";
    std::copy(signature, signature + 8, image.bytes.begin());
    image.Put32(1024, 544);
    image.Put32(1028, static_cast<std::int32_t>(count));
    // The filler before offset 1024 is random too, and a save writes zeros there.
    cases.push_back({"random " + std::to_string(n), image.bytes, true});
  }
  return cases;
}

class RoundTripTest : public QvconfTest {};

TEST_F(RoundTripTest, ImportingTheExportLeavesTheFileAsItWas) {
  for (const Case& c : Files()) {
    SCOPED_TRACE(c.what);
    WriteConfig(c.bytes);
    const RunResult exported = Run({"export"});
    ASSERT_EQ(exported.code, cli::kExitOk) << exported.err;
    const RunResult imported = Run(c.Edit({"import", "-"}), exported.out);
    ASSERT_EQ(imported.code, cli::kExitOk) << imported.err;
    EXPECT_EQ(ConfigBytes(), c.bytes);
  }
}

TEST_F(RoundTripTest, ImportIntoANewFileGivesTheSameValues) {
  int n = 0;
  for (const Case& c : Files()) {
    SCOPED_TRACE(c.what);
    WriteConfig(c.bytes);
    const ConfigDocument original = Loaded();
    const RunResult exported = Run({"export"});
    ASSERT_EQ(exported.code, cli::kExitOk) << exported.err;

    const std::filesystem::path fresh = dir() / ("fresh" + std::to_string(++n));
    std::filesystem::create_directory(fresh);
    const RunResult imported = RunIn(fresh, {"--create", "import", "-"}, exported.out);
    if (!NoRepeatedNames(original)) {
      EXPECT_EQ(imported.code, cli::kExitRefused);
      EXPECT_FALSE(std::filesystem::exists(fresh / "CONFIGS.DAT"));
      continue;
    }
    ASSERT_EQ(imported.code, cli::kExitOk) << imported.err;
    ConfigDocument copy;
    ASSERT_TRUE(ParseConfigImage(ReadBytes(fresh / "CONFIGS.DAT"), copy));
    // Folders reach a new task through the editor's rule, which trims blanks and control bytes.
    ConfigDocument expected = original;
    for (std::size_t i = 0; i < expected.tasks.size(); ++i) {
      expected.SetTaskSource(static_cast<int>(i), expected.tasks[i].Source());
      expected.SetTaskTarget(static_cast<int>(i), expected.tasks[i].Target());
    }
    EXPECT_EQ(Meaning(copy), Meaning(expected));
    EXPECT_EQ(copy.settings.Port(), original.settings.Port());  // a copy carries the port
  }
}

TEST_F(RoundTripTest, ImportAfterEditsBringsTheValuesBackAndKeepsUntouchedRecords) {
  for (const Case& c : Files()) {
    SCOPED_TRACE(c.what);
    WriteConfig(c.bytes);
    const ConfigDocument original = Loaded();
    const RunResult exported = Run({"export"});
    ASSERT_EQ(exported.code, cli::kExitOk) << exported.err;
    ASSERT_EQ(Run(c.Edit({"set", "host", "elsewhere.example"})).code, cli::kExitOk);
    ASSERT_EQ(Run(c.Edit({"set", "interval", "7"})).code, cli::kExitOk);
    const bool rename = !original.tasks.empty() && NoRepeatedNames(original) &&
                        !original.tasks[0].Name().empty();
    if (rename) {
      ASSERT_EQ(Run(c.Edit({"task", "rename", "#1", "Renamed by qvconf"})).code, cli::kExitOk);
    }
    const RunResult imported = Run(c.Edit({"import", "-"}), exported.out);
    ASSERT_EQ(imported.code, cli::kExitOk) << imported.err;
    const ConfigDocument back = Loaded();
    EXPECT_EQ(Meaning(back), Meaning(original));
    EXPECT_EQ(back.settings.Port(), original.settings.Port());
    ASSERT_EQ(back.tasks.size(), original.tasks.size());
    for (std::size_t i = 1; i < back.tasks.size(); ++i) {
      EXPECT_EQ(back.tasks[i].bytes, original.tasks[i].bytes) << "task " << i;
    }
  }
}

}  // namespace
}  // namespace qv::test
