// The same edits made in the window and through qvconf leave the same bytes in CONFIGS.DAT.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/host.h"
#include "common/win_text.h"
#include "editor_fixture.h"

namespace qv::test {
namespace {

class Capture final : public cli::Console {
 public:
  void Out(std::string_view) override {}
  void Err(std::string_view utf8) override { err.append(utf8); }
  std::optional<std::string> ReadInput() override { return std::string(); }
  std::string err;
};

std::string Utf8(const std::wstring& wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

TEST_F(EditorTest, TheWindowAndQvconfWriteTheSameBytes) {
  WriteTasks({{"Alpha", "/a", "C:\\A"}, {"Beta", "/b", "D:\\B"}, {"Gamma", "/g", "E:\\G"}});
  const std::string start = ReadBytes(ConfigPath());
  std::wstring other = Directory();
  other.back() = L'-';
  other += L"qvconf\\";
  ASSERT_TRUE(CreateDirectoryW(other.c_str(), nullptr));
  WriteBytes(other + L"CONFIGS.DAT", start);

  // Cut at 31 bytes. No spaces: the name's edit drops them as they are typed.
  const std::string long_name = "Photos_of_the_whole_family_2024_to_now";
  Open();
  ClickListEntry(0);
  Type(kEdName, Widen(long_name));
  Type(kEdSource, L"  /srv/photos ");
  Type(kEdTarget, L"E:\\Photos");
  ClickListEntry(2);
  Click(kBtnDel);
  Click(kBtnAdd);
  ClickTab(1);
  Type(kEdHost, L"sync2.example.com");
  Type(kEdUser, L"admin");
  Type(kEdPass, L"pass word");
  Type(kEdInter, L"$3C");
  Type(kEdSpd, L"-5");
  Focus(kEdHost);
  Click(kBtnSave);
  ASSERT_THAT(boxes_, ::testing::SizeIs(0));
  ASSERT_FALSE(Form().Document().modified());

  const std::vector<std::vector<std::string>> edits = {
      {"task", "rename", "Alpha", long_name},
      {"task", "set", "#1", "--source", "  /srv/photos ", "--target", "E:\\Photos"},
      {"task", "remove", "Gamma"},
      {"task", "add"},
      {"set", "host", "sync2.example.com"},
      {"set", "user", "admin"},
      {"set", "password", "pass word"},
      {"set", "interval", "$3C"},
      {"set", "speed", "-5"},
  };
  for (const std::vector<std::string>& edit : edits) {
    std::vector<std::string> args{"qvconf", "--dir", Utf8(other), "--code-page",
                                  std::to_string(GetACP())};
    args.insert(args.end(), edit.begin(), edit.end());
    Capture console;
    EXPECT_EQ(cli::RunQvconf(args, console), cli::kExitOk) << edit[1] << ": " << console.err;
  }
  // qvconf picks the language as the editor does; the window's test language is English.
  UseLanguage(Language::kEnglish);

  const std::string by_window = ReadBytes(ConfigPath());
  EXPECT_NE(by_window, start);
  EXPECT_EQ(ReadBytes(other + L"CONFIGS.DAT"), by_window);
  DeleteFileW((other + L"CONFIGS.DAT").c_str());
  RemoveDirectoryW(other.c_str());
}

}  // namespace
}  // namespace qv::test
