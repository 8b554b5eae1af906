// The qvconf program itself, run as a process: arguments, pipes, exit status, default location.
#include "cli/code_page.h"
#include "cli_fixture.h"
#include "config/image_fixture.h"
#include "i18n/ui_strings.h"
#include "run_program.h"

namespace qv::test {
namespace {

class ProcessTest : public QvconfTest {
 protected:
  ProgramResult Qvconf(std::vector<std::string> args, const std::string& input = {}) const {
    args.insert(args.begin(), {"--dir", Utf8Path(dir()), "--code-page", "1252"});
    const std::optional<ProgramResult> result = RunProgram(QVCONF_PATH, args, input);
    EXPECT_TRUE(result) << "qvconf did not run to its end";
    return result.value_or(ProgramResult{});
  }
};

TEST_F(ProcessTest, HelpSucceedsAndAnUnknownFlagExitsTwo) {
  const ProgramResult help = Qvconf({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("Usage"), std::string::npos) << help.out;
  const ProgramResult bad = Qvconf({"show", "--frobnicate"});
  EXPECT_EQ(bad.exit_code, 2);
  EXPECT_TRUE(bad.out.empty()) << bad.out;
  EXPECT_NE(bad.err.find("frobnicate"), std::string::npos) << bad.err;
}

TEST_F(ProcessTest, NonAsciiTextsPassAsUtf8AndLandAsCodePageBytes) {
  const std::string name =
      "\xC3\x9Cn\xC3\xAF"
      "code";  // Ünïcode
  const ProgramResult added = Qvconf({"--create", "task", "add", name, "--target", "C:\\\xC3\x9C"});
  ASSERT_EQ(added.exit_code, 0) << added.err;
  const ConfigDocument doc = Loaded();
  ASSERT_EQ(doc.tasks.size(), 1u);
  EXPECT_EQ(doc.tasks[0].Name(),
            "\xDCn\xEF"
            "code");
  EXPECT_EQ(doc.tasks[0].Target(), "C:\\\xDC");
  // Through a pipe the output is UTF-8, also on Windows.
  const ProgramResult shown = Qvconf({"show"});
  EXPECT_NE(shown.out.find(name), std::string::npos) << shown.out;
}

TEST_F(ProcessTest, ImportReadsStandardInput) {
  WriteConfig(MakeImage(SettingsFields{}, SampleTasks()).bytes);
  const ProgramResult run = Qvconf(
      {"import", "-"},
      R"({"settings": {"host": "piped.example"},
          "tasks": [{"name": "Only", "source": "/o", "target": "C:\\O"}]})");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const ConfigDocument doc = Loaded();
  EXPECT_EQ(doc.settings.Host(), "piped.example");
  ASSERT_EQ(doc.tasks.size(), 1u);
  EXPECT_EQ(doc.tasks[0].Name(), "Only");
}

// Without --code-page the texts are in the system's code page and new tasks are named in the
// editor's language. The cp936 run repeats this on a Simplified Chinese system.
TEST_F(ProcessTest, SystemCodePageByDefault) {
  const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
  const std::string dir_arg = Utf8Path(dir());
  const auto run = [&](const std::vector<std::string>& args) {
    std::vector<std::string> all{"--dir", dir_arg, "--create"};
    all.insert(all.end(), args.begin(), args.end());
    return RunProgram(QVCONF_PATH, all, {}).value_or(ProgramResult{});
  };
  ASSERT_EQ(run({"task", "add"}).exit_code, 0);
  const ProgramResult added = run({"task", "add", chinese});
  const unsigned page = cli::DefaultCodePage();
  if (page == 936) {
    ASSERT_EQ(added.exit_code, 0) << added.err;
    const ConfigDocument doc = Loaded();
    ASSERT_EQ(doc.tasks.size(), 2u);
    const std::string stem = TableFor(Language::kSimplifiedChinese).texts[kUiNewTaskStem];
    EXPECT_EQ(doc.tasks[0].Name(), stem + "1");
    EXPECT_EQ(doc.tasks[1].Name(), "\xD6\xD0\xCE\xC4");
  } else if (page == 1252) {
    // The text arrives whole (not as the ANSI argv's question marks) and is refused whole.
    EXPECT_EQ(added.exit_code, 2);
    EXPECT_NE(added.err.find(chinese), std::string::npos) << added.err;
    const ConfigDocument doc = Loaded();
    ASSERT_EQ(doc.tasks.size(), 1u);
    EXPECT_EQ(doc.tasks[0].Name(),
              std::string(TableFor(Language::kEnglish).texts[kUiNewTaskStem]) + "1");
  } else {
    GTEST_SKIP() << "code page " << page;
  }
}

TEST_F(ProcessTest, WithoutALocationTheFileBesideTheProgramIsUsed) {
  const std::filesystem::path program = ProgramPath(QVCONF_PATH);
  const std::filesystem::path copy = dir() / program.filename();
  std::filesystem::copy_file(program, copy);
  SettingsFields settings;
  settings.host = "beside.example";
  WriteConfig(MakeImage(settings, {}).bytes);
  const std::optional<ProgramResult> run = RunProgram(Utf8Path(copy), {"show"}, {});
  ASSERT_TRUE(run);
  EXPECT_EQ(run->exit_code, 0) << run->err;
  EXPECT_NE(run->out.find("beside.example"), std::string::npos) << run->out;
}

}  // namespace
}  // namespace qv::test
