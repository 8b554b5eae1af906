// The Windows edges: the editor's load and save while another program holds the file, the
// file's name, and the console.
#include <windows.h>

#include "cli/host.h"
#include "cli_fixture.h"
#include "config/image_fixture.h"

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
