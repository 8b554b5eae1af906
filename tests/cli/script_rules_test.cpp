// What a script meets: options with empty values, numbers as the window would take them, names
// in double-byte code pages, exports that must not overwrite what they read, and new files.
#include "cli_fixture.h"
#include "config/image_fixture.h"

namespace qv::test {
namespace {

class ScriptRulesTest : public QvconfTest {
 protected:
  void SetUp() override {
    QvconfTest::SetUp();
    WriteConfig(MakeImage(SettingsFields{}, SampleTasks()).bytes);
  }

  RunResult RunPage(unsigned code_page, const std::vector<std::string>& args) const {
    std::vector<std::string> all{"qvconf", "--dir", Utf8Path(dir()), "--code-page",
                                 std::to_string(code_page)};
    all.insert(all.end(), args.begin(), args.end());
    CaptureConsole console;
    const int code = cli::RunQvconf(all, console);
    return {code, console.out, console.err};
  }
};

TEST_F(ScriptRulesTest, AnOptionWrittenWithAnEmptyValueIsEmpty) {
  const RunResult added = Run({"task", "add", "New", "--target=", "--source=/y"});
  ASSERT_EQ(added.code, cli::kExitOk) << added.err;
  ConfigDocument doc = Loaded();
  ASSERT_EQ(doc.tasks.size(), 4u);
  EXPECT_EQ(doc.tasks[3].Source(), "/y");
  EXPECT_EQ(doc.tasks[3].Target(), "");
  ASSERT_EQ(Run({"task", "set", "New", "--source=", "--target=D:\\N"}).code, cli::kExitOk);
  doc = Loaded();
  EXPECT_EQ(doc.tasks[3].Source(), "");
  EXPECT_EQ(doc.tasks[3].Target(), "D:\\N");
  // After "--" every word is a value, "--x=" too.
  ASSERT_EQ(Run({"set", "user", "--", "--x="}).code, cli::kExitOk);
  EXPECT_EQ(Loaded().settings.User(), "--x=");

  const std::vector<std::uint8_t> before = ConfigBytes();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"qvconf", "--dir=", "show"},
        {"qvconf", "--file=", "show"},
        {"qvconf", "--dir", Utf8Path(dir()), "--code-page=", "show"}}) {
    CaptureConsole console;
    EXPECT_EQ(cli::RunQvconf(args, console), cli::kExitError) << args[1];
    EXPECT_EQ(console.err.rfind("qvconf: ", 0), 0u) << console.err;
  }
  EXPECT_EQ(ConfigBytes(), before);
}

TEST_F(ScriptRulesTest, NumbersAreReadAsTheWindowTakesThemAndTheRestIsRefused) {
  struct Case {
    std::string field, text;
    std::optional<std::int32_t> stored;  // none: refused, exit 2, nothing written
  };
  const std::vector<Case> cases = {
      {"interval", "15", 15},
      {"interval", "15 ", 15},         // the window's key filter drops typed spaces
      {"interval", " 1 5", 15},
      {"interval", "15\r", 15},        // a batch file's line end
      {"interval", "\t20\r\n", 20},
      {"interval", "$3C", 60},
      {"interval", "0x1e", 30},
      {"interval", "$FFFFFFFF", -1},
      {"speed", "-5", -5},
      {"speed", "-2147483648", INT32_MIN},
      {"speed", "7" + std::string(40, ' '), 7},  // spaces never reach the edit's limit
      {"interval", "1h", std::nullopt},
      {"interval", "", std::nullopt},
      {"interval", " ", std::nullopt},
      {"interval", "NaN", std::nullopt},
      {"interval", "1e3", std::nullopt},
      {"interval", "2147483648", std::nullopt},
      {"interval", "1\r5", std::nullopt},
      {"interval", "15.0", std::nullopt},
      {"speed", "+", std::nullopt},
      {"speed", "$", std::nullopt},
      {"speed", "$100000000", std::nullopt},
      {"speed", std::string(31, '0') + "1", std::nullopt},  // longer than the edit takes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field + " \"" + c.text + "\"");
    WriteConfig(MakeImage(SettingsFields{}, SampleTasks()).bytes);
    const std::vector<std::uint8_t> before = ConfigBytes();
    const RunResult run = Run({"set", c.field, "--", c.text});
    if (!c.stored) {
      EXPECT_EQ(run.code, cli::kExitError);
      EXPECT_EQ(run.err.rfind("qvconf: ", 0), 0u) << run.err;
      EXPECT_EQ(ConfigBytes(), before);
      continue;
    }
    ASSERT_EQ(run.code, cli::kExitOk) << run.err;
    const ConfigDocument doc = Loaded();
    EXPECT_EQ(c.field == "interval" ? doc.settings.Interval() : doc.settings.SpeedLimit(),
              *c.stored);
  }
}

TEST_F(ScriptRulesTest, ANameIsFoundExactlyFirstAndFoldedOnlyWhenThatIsUnambiguous) {
  const std::vector<TaskFields> tasks = {{"Photos", "/p", "C:\\P"},
                                         {"photos", "/q", "C:\\Q"},
                                         {"Music", "/m", "C:\\M"}};
  struct Case {
    std::vector<std::string> args;
    int code;
    std::vector<std::string> left;  // the names afterwards
  };
  const std::vector<Case> cases = {
      {{"task", "remove", "photos"}, cli::kExitOk, {"Photos", "Music"}},
      {{"task", "remove", "Photos"}, cli::kExitOk, {"photos", "Music"}},
      {{"task", "remove", "PHOTOS"}, cli::kExitError, {"Photos", "photos", "Music"}},
      {{"task", "remove", "music"}, cli::kExitOk, {"Photos", "photos"}},
      {{"task", "rename", "MUSIC", "Songs"}, cli::kExitOk, {"Photos", "photos", "Songs"}},
      {{"task", "set", "pHOTOS", "--source", "/x"}, cli::kExitError, {"Photos", "photos", "Music"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1] + " " + c.args[2]);
    WriteConfig(MakeImage(SettingsFields{}, tasks).bytes);
    const RunResult run = Run(c.args);
    EXPECT_EQ(run.code, c.code) << run.err;
    std::vector<std::string> names;
    for (const TaskRecord& t : Loaded().tasks) names.push_back(t.Name());
    EXPECT_EQ(names, c.left);
    if (c.code == cli::kExitError) {
      // Both candidates are listed, so the script's author can choose.
      EXPECT_NE(run.err.find("\"Photos\" (#1)"), std::string::npos) << run.err;
      EXPECT_NE(run.err.find("\"photos\" (#2)"), std::string::npos) << run.err;
    }
  }
}

TEST_F(ScriptRulesTest, DoubleByteCharactersAreNeverFolded) {
  // Code page 950: 兀 is A4 61 and 乙 is A4 41.
  const std::string wu = "\xA4\x61", yi = "\xA4\x41";
  const std::string wu_utf8 = "\xE5\x85\x80", yi_utf8 = "\xE4\xB9\x99";
  WriteConfig(MakeImage(SettingsFields{}, {{wu, "/w", "C:\\W"}}).bytes);
  const std::vector<std::uint8_t> before = ConfigBytes();
  EXPECT_EQ(RunPage(950, {"task", "remove", yi_utf8}).code, cli::kExitError);
  EXPECT_EQ(ConfigBytes(), before);
  // 乙 is another name, so it may be added beside 兀, and renaming it to 兀 is refused.
  ASSERT_EQ(RunPage(950, {"task", "add", yi_utf8}).code, cli::kExitOk);
  EXPECT_EQ(RunPage(950, {"task", "rename", yi_utf8, wu_utf8}).code, cli::kExitRefused);
  ASSERT_EQ(RunPage(950, {"task", "remove", wu_utf8}).code, cli::kExitOk);
  const ConfigDocument doc = Loaded();
  ASSERT_EQ(doc.tasks.size(), 1u);
  EXPECT_EQ(doc.tasks[0].Name(), yi);
}

TEST_F(ScriptRulesTest, ANameIsComparedAsTheFileWillHoldIt) {
  const std::string thirty_one(31, 'L');
  WriteConfig(MakeImage(SettingsFields{}, {{thirty_one, "/l", "C:\\L"}, {"B", "/b", "C:\\B"}})
                  .bytes);
  const std::vector<std::uint8_t> before = ConfigBytes();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"task", "rename", "B", thirty_one + "X"},
        {"task", "rename", "B", std::string(31, 'l') + "-and-more"},
        {"task", "add", thirty_one + "Y"}}) {
    const RunResult run = Run(args);
    EXPECT_EQ(run.code, cli::kExitRefused) << args[2];
    EXPECT_NE(run.err.find("Repeated task name!"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("first 31 bytes"), std::string::npos) << run.err;
    EXPECT_EQ(ConfigBytes(), before);
  }
}

TEST_F(ScriptRulesTest, ExportNeverWritesOverTheConfigurationOrAReadOnlyFile) {
  const std::vector<std::uint8_t> before = ConfigBytes();
  const std::filesystem::path sub = dir() / "sub";
  std::filesystem::create_directory(sub);
  for (const std::filesystem::path& onto :
       {config(), dir() / "." / "CONFIGS.DAT", sub / ".." / "CONFIGS.DAT"}) {
    const RunResult run = Run({"export", Utf8Path(onto)});
    EXPECT_EQ(run.code, cli::kExitError) << Utf8Path(onto);
    EXPECT_NE(run.err.find("being exported"), std::string::npos) << run.err;
    EXPECT_EQ(ConfigBytes(), before);
  }
  // Read from another folder, the same file under a second name is still the same file.
  const std::filesystem::path link = sub / "CONFIGS.DAT";
  std::filesystem::create_hard_link(config(), link);
  const RunResult linked = RunIn(sub, {"export", Utf8Path(config())});
  EXPECT_EQ(linked.code, cli::kExitError) << linked.out;
  EXPECT_NE(linked.err.find("being exported"), std::string::npos) << linked.err;
  EXPECT_EQ(ConfigBytes(), before);

  const std::filesystem::path locked = dir() / "locked.json";
  WriteBytes(locked, AsBytes("kept"));
  using std::filesystem::perms;
  std::filesystem::permissions(locked, perms::owner_read | perms::group_read | perms::others_read);
  const RunResult run = Run({"export", Utf8Path(locked)});
  EXPECT_EQ(run.code, cli::kExitError);
  EXPECT_NE(run.err.find("read-only"), std::string::npos) << run.err;
  EXPECT_EQ(ReadBytes(locked), AsBytes("kept"));
  std::filesystem::permissions(locked, perms::owner_write, std::filesystem::perm_options::add);
}

TEST_F(ScriptRulesTest, ACopyCarriesThePortWhichSetStillRefuses) {
  SettingsFields settings;
  settings.port = 9000;
  WriteConfig(MakeImage(settings, SampleTasks()).bytes);
  const RunResult exported = Run({"export"});
  ASSERT_EQ(exported.code, cli::kExitOk) << exported.err;
  const std::filesystem::path fresh = dir() / "fresh";
  std::filesystem::create_directory(fresh);
  ASSERT_EQ(RunIn(fresh, {"--create", "import", "-"}, exported.out).code, cli::kExitOk);
  ConfigDocument copy;
  ASSERT_TRUE(ParseConfigImage(ReadBytes(fresh / "CONFIGS.DAT"), copy));
  EXPECT_EQ(copy.settings.Port(), 9000);
  const RunResult refused = RunIn(fresh, {"set", "port", "80"});
  EXPECT_EQ(refused.code, cli::kExitError);
  EXPECT_NE(refused.err.find("never changed"), std::string::npos) << refused.err;
  EXPECT_EQ(Run({"set", "--help"}).out.find("port"), std::string::npos);
}

TEST_F(ScriptRulesTest, CreateWritesTheFileEvenWhenTheEditChangesNothing) {
  std::filesystem::remove(config());
  const RunResult run = Run({"--create", "set", "interval", "60"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(ConfigBytes(), BuildConfigImage(ConfigDocument{}));
  std::filesystem::remove(config());
  ASSERT_EQ(Run({"--create", "import", "-"}, R"({"settings": {}, "tasks": []})").code,
            cli::kExitOk);
  EXPECT_EQ(ConfigBytes(), BuildConfigImage(ConfigDocument{}));
}

TEST_F(ScriptRulesTest, AValueThatLooksLikeAnOptionIsExplained) {
  const RunResult run = Run({"set", "host", "-x"});
  EXPECT_EQ(run.code, cli::kExitError);
  EXPECT_EQ(run.err.rfind("qvconf: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("qvconf set host -- -x"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace qv::test
