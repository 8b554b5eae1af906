// The native file edge: what a save may touch and what it leaves behind.
#include <sys/stat.h>

#include "cli_fixture.h"
#include "config/image_fixture.h"

namespace qv::test {
namespace {

class PosixEdgeTest : public QvconfTest {};

TEST_F(PosixEdgeTest, ASaveReplacesOnlyTheFileKeepsItsModeAndLeavesNothingBehind) {
  WriteConfig(MakeImage(SettingsFields{}, SampleTasks()).bytes);
  ASSERT_EQ(::chmod(config().c_str(), 0640), 0);
  // A user's own files with the names other savers use for their temporaries.
  for (const char* name : {"CONFIGS.DAT.tmp", "CONFIGS.DAT.bak", "CONFIGS.DAT.qvconf-"}) {
    WriteBytes(dir() / name, AsBytes("mine"));
  }
  const RunResult run = Run({"set", "host", "new.example"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(Loaded().settings.Host(), "new.example");
  struct stat info;
  ASSERT_EQ(::stat(config().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  for (const char* name : {"CONFIGS.DAT.tmp", "CONFIGS.DAT.bak", "CONFIGS.DAT.qvconf-"}) {
    EXPECT_EQ(ReadBytes(dir() / name), AsBytes("mine")) << name;
  }
  EXPECT_EQ(Names(), (std::vector<std::string>{"CONFIGS.DAT", "CONFIGS.DAT.bak",
                                               "CONFIGS.DAT.qvconf-", "CONFIGS.DAT.tmp"}));
}

TEST_F(PosixEdgeTest, ACreatedFileFollowsTheUmaskAndIsExactlyTheEditorsImage) {
  const mode_t old = ::umask(022);
  const RunResult run = Run({"--create", "set", "user", "admin"});
  ::umask(old);
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  struct stat info;
  ASSERT_EQ(::stat(config().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
  ConfigDocument expected;
  expected.SetUser("admin");
  EXPECT_EQ(ConfigBytes(), BuildConfigImage(expected));
}

TEST_F(PosixEdgeTest, ConfigsDatThatIsNoRegularFileIsNeitherReadNorReplaced) {
  const std::filesystem::path elsewhere = dir() / "elsewhere.dat";
  WriteBytes(elsewhere, MakeImage(SettingsFields{}, SampleTasks()).bytes);
  const std::vector<std::uint8_t> before = ReadBytes(elsewhere);
  std::filesystem::create_symlink(elsewhere, config());
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"show"}, {"--create", "set", "host", "x"}}) {
    const RunResult run = Run(args);
    EXPECT_EQ(run.code, cli::kExitError) << args[0];
    EXPECT_NE(run.err.find("not a regular file"), std::string::npos) << run.err;
  }
  EXPECT_TRUE(std::filesystem::is_symlink(config()));
  EXPECT_EQ(ReadBytes(elsewhere), before);

  std::filesystem::remove(config());
  std::filesystem::create_directory(config());
  EXPECT_EQ(Run({"--create", "task", "add"}).code, cli::kExitError);
  EXPECT_TRUE(std::filesystem::is_directory(config()));
  EXPECT_EQ(Names(), (std::vector<std::string>{"CONFIGS.DAT", "elsewhere.dat"}));
}

TEST_F(PosixEdgeTest, AnyFileNameWorksWithFile) {
  const std::filesystem::path site = dir() / "site1.dat";
  CaptureConsole console;
  const int code = cli::RunQvconf(
      {"qvconf", "--file", Utf8Path(site), "--code-page", "1252", "--create", "set", "host", "s1"},
      console);
  ASSERT_EQ(code, cli::kExitOk) << console.err;
  ConfigDocument doc;
  ASSERT_TRUE(ParseConfigImage(ReadBytes(site), doc));
  EXPECT_EQ(doc.settings.Host(), "s1");
}

}  // namespace
}  // namespace qv::test
