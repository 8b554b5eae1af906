// The Windows edges: the editor's load and save while another program holds the file, the
// file's name, and the console.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <thread>

#include "cli/host.h"
#include "cli_fixture.h"
#include "config/image_fixture.h"
#include "config/win_files.h"
#include "run_program.h"

namespace qv::test {
namespace {

class WindowsEdgeTest : public QvconfTest {};

TEST_F(WindowsEdgeTest, AFileHeldPastTheRetriesIsLeftAlone) {
  WriteConfig(MakeImage(SettingsFields{}, SampleTasks()).bytes);
  const std::vector<std::uint8_t> before = ConfigBytes();
  // Held open for writing without sharing, as the service might while it writes.
  const HANDLE held = CreateFileW(config().wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const RunResult edit = Run({"set", "host", "x"});
  const RunResult show = Run({"show"});
  const RunResult check = Run({"check"});
  CloseHandle(held);
  EXPECT_EQ(edit.code, cli::kExitError);
  EXPECT_NE(edit.err.find("cannot be read"), std::string::npos) << edit.err;
  EXPECT_EQ(show.code, cli::kExitError);
  EXPECT_EQ(check.code, cli::kExitError);
  EXPECT_EQ(ConfigBytes(), before);
  EXPECT_EQ(Names(), std::vector<std::string>{"CONFIGS.DAT"});
}

TEST_F(WindowsEdgeTest, ASaveThatCannotReplaceAHeldFileFailsAndLeavesItAlone) {
  WriteConfig(MakeImage(SettingsFields{}, SampleTasks()).bytes);
  const std::vector<std::uint8_t> before = ConfigBytes();
  // Readers may share it, so the load succeeds; nobody may move it, so the save cannot.
  const HANDLE held = CreateFileW(config().wstring().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const RunResult edit = Run({"set", "host", "x"});
  CloseHandle(held);
  EXPECT_EQ(edit.code, cli::kExitError);
  EXPECT_NE(edit.err.find("Cannot create file"), std::string::npos) << edit.err;
  // The system's reason follows the editor's words, before what became of the file.
  const std::size_t reason = edit.err.find("CONFIGS.DAT: ");
  ASSERT_NE(reason, std::string::npos) << edit.err;
  EXPECT_GT(edit.err.find(';', reason), reason + 13) << edit.err;
  EXPECT_TRUE(edit.out.empty()) << edit.out;
  EXPECT_EQ(ConfigBytes(), before);
  EXPECT_EQ(Names(), std::vector<std::string>{"CONFIGS.DAT"});
}

TEST_F(WindowsEdgeTest, AReadOnlyFileIsNeitherSavedOverNorExportedOver) {
  WriteConfig(MakeImage(SettingsFields{}, SampleTasks()).bytes);
  const std::vector<std::uint8_t> before = ConfigBytes();
  ASSERT_TRUE(SetFileAttributesW(config().wstring().c_str(), FILE_ATTRIBUTE_READONLY));
  const RunResult edit = Run({"set", "host", "x"});
  const RunResult exported = Run({"export", Utf8Path(config())});
  SetFileAttributesW(config().wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(edit.code, cli::kExitError);
  EXPECT_NE(edit.err.find("read-only"), std::string::npos) << edit.err;
  EXPECT_EQ(exported.code, cli::kExitError);
  EXPECT_EQ(ConfigBytes(), before);
  EXPECT_EQ(Names(), std::vector<std::string>{"CONFIGS.DAT"});
}

TEST_F(WindowsEdgeTest, TheFileMustBeNamedConfigsDat) {
  CaptureConsole console;
  const std::string other = Utf8Path(dir() / "site1.dat");
  EXPECT_EQ(cli::RunQvconf({"qvconf", "--file", other, "--create", "set", "host", "h"}, console),
            cli::kExitError);
  EXPECT_TRUE(Names().empty());
  const std::string lower = Utf8Path(dir() / "configs.dat");
  EXPECT_EQ(cli::RunQvconf({"qvconf", "--file", lower, "--create", "set", "host", "h"}, console),
            cli::kExitOk)
      << console.err;
  EXPECT_EQ(Loaded().settings.Host(), "h");
}

// Runs that start together take turns: each reads the file the previous one wrote, none removes
// another's temporary file, however each spells the folder (every other run through another
// drive letter, as SUBST or a mapped drive gives one).
TEST_F(WindowsEdgeTest, ParallelAddsAllLandEachOnTheFileThePreviousOneWrote) {
  WriteConfig(MakeImage(SettingsFields{}, {}).bytes);
  std::wstring undo;
  const std::wstring other = AnotherDriveFor(dir().wstring() + L"\\", undo);
  ASSERT_FALSE(other.empty()) << "no other drive letter reaches the folder";
  const std::string spellings[] = {Utf8Path(dir()), Utf8Path(std::filesystem::path(other))};
  constexpr int kRuns = 20;
  std::vector<std::optional<ProgramResult>> results(kRuns);
  std::vector<std::thread> runs;
  for (int i = 0; i < kRuns; ++i) {
    runs.emplace_back([i, &results, &spellings] {
      results[static_cast<std::size_t>(i)] = RunProgram(
          QVCONF_PATH, {"--dir", spellings[i % 2], "--code-page", "1252", "task", "add",
                        "T" + std::to_string(i), "--source", "/s", "--target",
                        "D:\\t" + std::to_string(i)},
          {}, 600);
    });
  }
  for (std::thread& run : runs) run.join();
  int succeeded = 0;
  for (const auto& result : results) {
    ASSERT_TRUE(result) << "a run did not end";
    EXPECT_EQ(result->exit_code, 0) << result->err;
    succeeded += result->exit_code == 0 ? 1 : 0;
  }
  const ConfigDocument doc = Loaded();
  std::vector<std::string> names, expected;
  for (const TaskRecord& task : doc.tasks) names.push_back(task.Name());
  for (int i = 0; i < kRuns; ++i) expected.push_back("T" + std::to_string(i));
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
  EXPECT_EQ(Names(), std::vector<std::string>{"CONFIGS.DAT"});
  std::printf("%d parallel adds through two spellings: %d exited 0, %zu tasks in the file\n",
              kRuns, succeeded, doc.tasks.size());
  if (!undo.empty()) DefineDosDeviceW(DDD_REMOVE_DEFINITION, undo.c_str(), nullptr);
}

// Standard output on a console: the text goes in as UTF-16, so characters outside the console's
// code page arrive whole.
TEST(SystemConsole, WritesUtf16ToAConsole) {
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  const HANDLE screen =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(screen, INVALID_HANDLE_VALUE);
  const HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, screen);
  const COORD origin{0, 0};
  DWORD done = 0;
  FillConsoleOutputCharacterW(screen, L' ', 200, origin, &done);
  SetConsoleCursorPosition(screen, origin);
  cli::SystemConsole().Out("\xE4\xB8\xAD\xE6\x96\x87 \xC3\x9C");  // 中文 Ü
  SetStdHandle(STD_OUTPUT_HANDLE, saved);
  wchar_t shown[8] = {};
  ReadConsoleOutputCharacterW(screen, shown, 4, origin, &done);
  CloseHandle(screen);
  FreeConsole();
  EXPECT_EQ(std::wstring(shown, 4), std::wstring(L"\u4E2D\u6587 \u00DC"));
}

}  // namespace
}  // namespace qv::test
