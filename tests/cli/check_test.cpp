// `check` on small files, one problem each.
#include "cli/check.h"

#include <functional>

#include "cli_fixture.h"
#include "config/image_fixture.h"

namespace qv::test {
namespace {

using ::qv::ImageReport;

std::vector<TaskFields> CleanTasks() {
  return {{"Alpha", "/srv/a", "C:\\Sync\\A"},
          {"Beta", "/srv/b", "D:\\B"},
          {"Gamma", "/srv/g", "C:\\Sync\\G"}};
}

Image CleanImage(const std::vector<TaskFields>& tasks = CleanTasks()) {
  return MakeImage(SettingsFields{}, tasks);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

class CheckTest : public QvconfTest {};

TEST_F(CheckTest, ACleanFileExitsZero) {
  WriteConfig(CleanImage().bytes);
  const RunResult run = Run({"check"});
  EXPECT_EQ(run.code, cli::kExitOk) << run.out;
  EXPECT_NE(run.out.find("no problems"), std::string::npos);
}

TEST_F(CheckTest, TextsThatFillTheirFieldsAreSound) {
  SettingsFields settings;
  settings.host = std::string(63, 'h');
  settings.password = std::string(31, 'p');
  settings.user = std::string(31, 'u');
  WriteConfig(MakeImage(settings, {{std::string(31, 'n'), "/" + std::string(254, 's'),
                                    "C:\\" + std::string(252, 't')},
                                   {"Other", "/o", "D:\\Donnees"},
                                   {"Third", "/t", "D:\\Donn\xE9" "es"}})
                  .bytes);
  const RunResult run = Run({"check"});
  EXPECT_EQ(run.code, cli::kExitOk) << run.out;
  EXPECT_NE(run.out.find("no problems"), std::string::npos) << run.out;
}

TEST_F(CheckTest, EachProblemIsOneLineNamingItsTask) {
  struct Case {
    std::string what;
    std::function<Image()> make;
    std::vector<std::string> line_parts;  // all in the one line
  };
  const auto with_task = [](std::size_t i, TaskFields t) {
    return [i, t] {
      std::vector<TaskFields> tasks = CleanTasks();
      tasks[i] = t;
      return CleanImage(tasks);
    };
  };
  const std::vector<Case> cases = {
      {"repeated name",
       with_task(2, {"alpha", "/srv/g", "E:\\G"}),
       {"task \"alpha\" (#3)", "repeats", "\"Alpha\" (#1)"}},
      {"empty name", with_task(1, {"", "/srv/b", "D:\\B"}), {"task #2", "empty name"}},
      {"empty source", with_task(1, {"Beta", "", "D:\\B"}), {"\"Beta\" (#2)", "empty source"}},
      {"empty target", with_task(1, {"Beta", "/srv/b", ""}), {"\"Beta\" (#2)", "empty target"}},
      {"relative target",
       with_task(1, {"Beta", "/srv/b", "Backup\\B"}),
       {"\"Beta\" (#2)", "not a drive-letter path", "Backup\\B"}},
      {"network target",
       with_task(1, {"Beta", "/srv/b", "\\\\server\\share"}),
       {"\"Beta\" (#2)", "not a drive-letter path"}},
      {"no colon after the first character",
       with_task(1, {"Beta", "/srv/b", "DD:\\B"}),
       {"\"Beta\" (#2)", "not a drive-letter path"}},
      {"same target",
       with_task(1, {"Beta", "/srv/b", "c:\\sync\\a\\"}),
       {"\"Beta\" (#2)", "same folder", "\"Alpha\" (#1)"}},
      {"target inside another",
       with_task(1, {"Beta", "/srv/b", "C:/Sync/G/Deeper"}),
       {"\"Beta\" (#2)", "inside", "\"Gamma\" (#3)"}},
      {"same folder spelt with a trailing dot",
       with_task(1, {"Beta", "/srv/b", "C:\\Sync\\A."}),
       {"\"Beta\" (#2)", "same folder", "\"Alpha\" (#1)"}},
      {"same folder by way of ..",
       with_task(1, {"Beta", "/srv/b", "C:\\Other\\..\\Sync\\.\\A"}),
       {"\"Beta\" (#2)", "same folder", "\"Alpha\" (#1)"}},
      {"same folder in other case beyond ASCII",
       [] {
         return CleanImage({{"Alpha", "/srv/a", "E:\\Donn\xE9" "es"},
                            {"Beta", "/srv/b", "E:\\DONN\xC9" "ES\\"}});
       },
       {"\"Beta\" (#2)", "same folder", "\"Alpha\" (#1)"}},
      {"count smaller than the records held",
       [] {
         Image image = CleanImage();
         image.Put32(1028, 2);
         return image;
       },
       {"file", "544 bytes after", "1 more records than its count of 2", "an edit drops them"}},
      {"bytes after the records",
       [] {
         Image image = CleanImage();
         image.bytes.resize(image.bytes.size() + 10, 0);
         return image;
       },
       {"file", "10 bytes after", "an edit drops them"}},
      {"header filler not zero",
       [] {
         Image image = CleanImage();
         image.bytes[1000] = 1;
         return image;
       },
       {"file", "not all zero"}},
      {"name length byte above 31",
       [] {
         Image image = CleanImage();
         image.bytes[1032 + 544] = 40;
         return image;
       },
       {"(#2)", "name has the length byte 40", "31"}},
      {"password length byte above 31",
       [] {
         Image image = CleanImage();
         image.bytes[8 + 100] = 255;
         return image;
       },
       {"settings", "password has the length byte 255"}},
      {"record size 600",
       [] { return MakeImage(SettingsFields{}, CleanTasks(), 600); },
       {"file", "record size is 600", "56 bytes"}},
      {"wrong signature",
       [] {
         Image image = CleanImage();
         image.bytes[6] = 'g';
         return image;
       },
       {"file", "wrong signature"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteConfig(c.make().bytes);
    const RunResult run = Run({"check"});
    EXPECT_EQ(run.code, cli::kExitProblems) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 1u) << run.out;
    for (const std::string& part : c.line_parts) {
      EXPECT_NE(lines[0].find(part), std::string::npos) << part << " in " << lines[0];
    }
  }
}

// Problems that come with others by their nature: every line is there, and nothing else.
TEST_F(CheckTest, LinkedProblemsAreEachReported) {
  struct Case {
    std::string what;
    Image image;
    std::vector<std::vector<std::string>> lines;
  };
  std::vector<TaskFields> root = CleanTasks();
  root[1].target = "E:\\";
  root[2].target = "e:\\Deep\\Er";
  Image short_records = MakeImage(SettingsFields{}, CleanTasks(), 288, 0);
  Image promised = CleanImage();
  promised.Put32(1028, 0x7FFFFFFF);
  Image negative = CleanImage();
  negative.Put32(1028, -1);
  const std::vector<Case> cases = {
      {"negative count",
       negative,
       {{"file", "count is -1", "no task was read"},
        {"file", std::to_string(3 * 544) + " bytes after", "an edit drops them"}}},
      {"target inside a drive root",
       MakeImage(SettingsFields{}, root),
       {{"\"Gamma\" (#3)", "inside", "\"Beta\" (#2)"}}},
      // Records of 288 bytes end before the target, so every target reads empty.
      {"record size 288",
       short_records,
       {{"file", "record size is 288", "past byte 288"},
        {"\"Alpha\" (#1)", "empty target"},
        {"\"Beta\" (#2)", "empty target"},
        {"\"Gamma\" (#3)", "empty target"}}},
      // One line for the tasks made in place of the missing records, not one per task.
      {"count beyond the data",
       promised,
       {{"file", "count is 2147483647", "holds 3", "65533 empty tasks"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteConfig(c.image.bytes);
    const RunResult run = Run({"check"});
    EXPECT_EQ(run.code, cli::kExitProblems);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), c.lines.size()) << run.out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      for (const std::string& part : c.lines[i]) {
        EXPECT_NE(lines[i].find(part), std::string::npos) << part << " in " << lines[i];
      }
    }
  }
}

// The folder button's rule is check's: whatever the button would let the operator confirm, check
// lets pass; and folders that only look alike to a person stay apart, as they do for Windows.
TEST_F(CheckTest, TargetsTheFolderButtonAcceptsAndFoldersWindowsKeepsApartPass) {
  const struct {
    std::string what;
    std::vector<std::string> targets;
    std::string code_page;
  } cases[] = {
      {"drive letter alone, and relative to the drive's current folder", {"d:", "C:Data"}, "1252"},
      {"a colon after a character that is no letter", {"1:\\Data"}, "1252"},
      // 中 is two bytes in GBK: the colon is the second character, not the second byte.
      {"a colon after a double-byte character", {"\xD6\xD0:\\Data"}, "936"},
      {"a blank before a separator", {"D:\\Photos \\Sub", "D:\\Photos\\Sub"}, "1252"},
      {"a dot and a blank that end a folder name", {"D:\\a. \\b", "D:\\a\\b"}, "1252"},
      {"drive-relative paths are not compared", {"d:", "D:\\x"}, "1252"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<TaskFields> tasks;
    for (const std::string& target : c.targets) {
      tasks.push_back({"T" + std::to_string(tasks.size() + 1), "/srv", target});
    }
    WriteConfig(CleanImage(tasks).bytes);
    const std::vector<std::string> args{"qvconf", "--dir", Utf8Path(dir()), "--code-page",
                                        c.code_page, "check"};
    CaptureConsole console;
    EXPECT_EQ(cli::RunQvconf(args, console), cli::kExitOk) << console.out << console.err;
  }
}

TEST_F(CheckTest, ADoubleByteCharacterCutInHalfIsNamed) {
  // 30 bytes of ASCII and the lead byte of a GBK character: what cutting at 31 leaves.
  const std::string name = std::string(30, 'n') + "\xD6";
  WriteConfig(CleanImage({{name, "/srv/a", "C:\\A"}}).bytes);
  std::vector<std::string> args{"qvconf", "--dir", Utf8Path(dir()), "--code-page", "936", "check"};
  CaptureConsole console;
  EXPECT_EQ(cli::RunQvconf(args, console), cli::kExitProblems) << console.err;
  EXPECT_NE(console.out.find("cut in half"), std::string::npos) << console.out;
}

// Past the loader's memory bound only part of a file is loaded: no small file reaches it.
TEST(CheckConfig, TasksLeftPastTheBoundAreReported) {
  ConfigDocument doc;
  ASSERT_TRUE(ParseConfigImage(CleanImage().bytes, doc));
  ImageReport facts;
  facts.signature_ok = true;
  facts.record_size = 544;
  facts.declared_count = 5;
  facts.records_in_data = 5;
  facts.tasks_loaded = 3;
  facts.cut_at_bound = true;
  const std::optional<cli::CodePage> page = cli::CodePage::Open(1252);
  ASSERT_TRUE(page);
  const std::vector<std::string> lines = cli::CheckConfig(doc, facts, *page);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("only 3 of the 5 task records"), std::string::npos) << lines[0];
}

TEST_F(CheckTest, AHugeCountIsBelievedOnlyAsFarAsTheLoaderGoes) {
  Image image = CleanImage();
  image.Put32(1028, 0x7FFFFFFF);
  WriteConfig(image.bytes);
  const RunResult run = Run({"check"});
  EXPECT_EQ(run.code, cli::kExitProblems);
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find("count is 2147483647"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find(std::to_string(Loaded().tasks.size() - 3) + " empty tasks"),
            std::string::npos)
      << lines[0];
}

TEST_F(CheckTest, AFileThatCannotBeReadExitsTwo) {
  const RunResult missing = Run({"check"});
  EXPECT_EQ(missing.code, cli::kExitError);
  std::filesystem::create_directory(config());
  const RunResult folder = Run({"check"});
  EXPECT_EQ(folder.code, cli::kExitError);
  EXPECT_FALSE(folder.err.empty());
  EXPECT_TRUE(std::filesystem::is_directory(config()));
}

}  // namespace
}  // namespace qv::test
