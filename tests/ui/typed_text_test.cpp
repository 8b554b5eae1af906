// What the operator typed is never lost or mangled: a pending edit is found however the window
// is closed or saved, typing makes Save available, and text the file cannot hold is refused
// where it is applied instead of being stored as "?".
#include <windows.h>

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/win_text.h"
#include "editor_fixture.h"
#include "i18n/expected_texts.h"
#include "i18n/ui_strings.h"

namespace qv::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

std::wstring FromUtf8(const char* text) {
  const int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), units);
  wide.resize(static_cast<std::size_t>(units > 0 ? units - 1 : 0));
  return wide;
}

// Letters a Western code page lacks: Chinese, and Korean, which the Chinese ones lack too.
constexpr wchar_t kTokyo[] = L"\u6771\u4eac";
constexpr wchar_t kKorean[] = L"\ud55c";

class TypedTextTest : public EditorTest {
 protected:
  // Another program's window, active: the editor keeps no focus, as when the operator closes it
  // from the task bar or Task Manager.
  void ActivateAnotherWindow() {
    other_ = CreateWindowExW(0, L"STATIC", L"Another program", WS_POPUP | WS_VISIBLE, 0, 0, 80,
                             40, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other_, nullptr);
    SetForegroundWindow(other_);
    SetActiveWindow(other_);
    SetFocus(other_);
    Pump();
    ASSERT_EQ(GetFocus(), other_);
    ASSERT_EQ(Focused(), kControlIdEnd) << "no control of the editor has the focus";
  }

  void TearDown() override {
    if (other_) DestroyWindow(other_);
    EditorTest::TearDown();
  }

  HWND other_ = nullptr;
};

// An inactive window has no focus, so the pending edit is found without it: what was typed is
// applied, and the close asks about it.
TEST_F(TypedTextTest, CloseFromAnotherWindowAppliesThePendingEditAndAsks) {
  WriteTasks({{"Alpha", "", ""}});
  Open();
  ClickTab(1);
  Type(kEdHost, L"typed.example");
  ActivateAnotherWindow();

  answers_.push_back(IDYES);
  // What the task bar's Close and Task Manager's End task send.
  PostMessageW(Form().handle(), WM_CLOSE, 0, 0);
  Pump();
  ASSERT_THAT(boxes_, SizeIs(1));
  EXPECT_EQ(boxes_[0].text, L"Config modified, Save or Not?");
  EXPECT_FALSE(IsOpen());
  EXPECT_EQ(ReadConfig().settings.Host(), "typed.example");
}

struct EndSessionCase {
  const char* name;
  bool typed;
  std::vector<int> answers;
  BOOL may_end;
  const char* host_in_file;
};

class EndSessionTest : public TypedTextTest,
                       public ::testing::WithParamInterface<EndSessionCase> {};

// At log-off and shut-down the same question is asked while the session waits; nothing typed is
// dropped without the operator's word.
TEST_P(EndSessionTest, TheSessionEndsOnlyWhenTheOperatorLetsIt) {
  ConfigDocument doc;
  doc.SetHost("old.example");
  WriteConfig(doc);
  Open();
  ClickTab(1);
  if (GetParam().typed) Type(kEdHost, L"typed.example");
  ActivateAnotherWindow();

  answers_.assign(GetParam().answers.begin(), GetParam().answers.end());
  const LRESULT may_end =
      SendMessageW(Form().handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
  EXPECT_EQ(may_end, GetParam().may_end);
  EXPECT_EQ(boxes_.size(), GetParam().answers.size());
  for (const ShownBox& box : boxes_) EXPECT_EQ(box.text, L"Config modified, Save or Not?");
  EXPECT_EQ(ReadConfig().settings.Host(), GetParam().host_in_file);
  EXPECT_TRUE(IsOpen()) << "the window stays until the session really ends";
  EXPECT_EQ(Enabled(kBtnSave), !may_end || GetParam().answers == std::vector<int>{IDNO});
}

INSTANTIATE_TEST_SUITE_P(
    Answers, EndSessionTest,
    ::testing::Values(EndSessionCase{"NothingTyped", false, {}, TRUE, "old.example"},
                      EndSessionCase{"Yes", true, {IDYES}, TRUE, "typed.example"},
                      EndSessionCase{"No", true, {IDNO}, TRUE, "old.example"},
                      EndSessionCase{"Cancel", true, {IDCANCEL}, FALSE, "old.example"}),
    [](const ::testing::TestParamInfo<EndSessionCase>& param) { return param.param.name; });

// The form, not each window, keeps the control that had the focus: the operator comes back from
// another program to the edit they were typing in, its pending text still pending.
TEST_F(TypedTextTest, ActivatedAgainTheFocusIsWhereItWas) {
  Open();
  ClickTab(1);
  Type(kEdUser, L"someone");
  ActivateAnotherWindow();

  SetForegroundWindow(Form().handle());
  SetActiveWindow(Form().handle());
  Pump();
  EXPECT_EQ(Focused(), kEdUser);
  EXPECT_TRUE(Modified(kEdUser));
  EXPECT_EQ(Form().Document().settings.User(), "");
}

// A typed change is a change: Save is enabled as soon as it is typed, and Alt+S or a click on Save
// applies it without the edit being left first.
TEST_F(TypedTextTest, TypingEnablesSaveAndSaveAppliesWhatWasTyped) {
  WriteTasks({{"Alpha", "", ""}});
  Open();
  ClickListEntry(0);
  EXPECT_FALSE(Enabled(kBtnSave));
  Type(kEdTarget, L"D:\\Typed");
  EXPECT_TRUE(Enabled(kBtnSave));
  EXPECT_FALSE(Form().Document().modified()) << "typed, not yet applied";
  PressAlt(L's');
  EXPECT_EQ(ReadConfig().tasks[0].Target(), "D:\\Typed");
  EXPECT_EQ(Focused(), kEdTarget);
  EXPECT_FALSE(Enabled(kBtnSave));

  ClickTab(1);
  Type(kEdHost, L"clicked.example");
  ASSERT_TRUE(Enabled(kBtnSave));
  Click(kBtnSave);
  EXPECT_EQ(ReadConfig().settings.Host(), "clicked.example");
  EXPECT_FALSE(Enabled(kBtnSave));

  // Typed again what is stored: Save applies it, finds nothing changed and writes nothing.
  const std::string before = ReadBytes(ConfigPath());
  ASSERT_TRUE(DeleteFileW(ConfigPath().c_str()));
  Type(kEdInter, L"60");
  EXPECT_TRUE(Enabled(kBtnSave));
  PressAlt(L's');
  EXPECT_FALSE(Enabled(kBtnSave));
  EXPECT_EQ(ReadBytes(ConfigPath()), "") << "no file was written";
  EXPECT_EQ(Text(kEdInter), L"60");
  EXPECT_THAT(boxes_, IsEmpty());
}

struct UnstorableCase {
  ControlId edit;
  int page;
  std::wstring typed;
  std::wstring named;  // the characters the message names
};

// Stored as "?", such text would name another folder (C:\東京 would be C:\??) and make two names
// of Chinese letters one "??". It is refused when applied, with the characters named, and the
// document and the file keep what they had.
TEST_F(TypedTextTest, TextTheFileCannotHoldIsRefusedNamingTheCharacters) {
  if (win::FitsAnsiCodePage(kTokyo)) GTEST_SKIP() << "the system's code page holds these";
  WriteTasks({{"Alpha", "/src", "C:\\Data"}});
  const std::string file = ReadBytes(ConfigPath());
  Open();
  const std::wstring tokyo = kTokyo;
  const UnstorableCase cases[] = {
      {kEdName, 0, tokyo, tokyo},
      {kEdSource, 0, L"/" + tokyo + L"/" + kKorean + tokyo, tokyo + kKorean},
      {kEdTarget, 0, L"C:\\" + tokyo, tokyo},
      {kEdHost, 1, L"\u00e5" + tokyo + L".example", tokyo},
      {kEdUser, 1, kKorean, kKorean},
      // A password's characters are not shown back.
      {kEdPass, 1, L"pa" + tokyo, L""},
  };
  for (const UnstorableCase& c : cases) {
    SCOPED_TRACE(LayoutOf(c.edit).name);
    boxes_.clear();
    ClickTab(c.page);
    if (c.page == 0) ClickListEntry(0);
    Type(c.edit, c.typed);
    PressKey(VK_TAB);
    ASSERT_THAT(boxes_, SizeIs(1));
    EXPECT_EQ(boxes_[0].text, L"These characters cannot be stored in the configuration file:" +
                                  (c.named.empty() ? L"" : L"\n" + c.named));
    EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(Focused(), c.edit);
    EXPECT_EQ(Text(c.edit), c.typed) << "kept for the operator to mend";
    EXPECT_FALSE(Form().Document().modified());
    PressKey(VK_ESCAPE);
  }
  EXPECT_THAT(ListEntries(), ElementsAre(L"Alpha"));
  const ConfigDocument& doc = Form().Document();
  EXPECT_EQ(doc.tasks[0].Target(), "C:\\Data");
  EXPECT_EQ(doc.settings.Host(), "");

  // Closing drops what cannot be stored, after saying so once, and the file keeps its bytes.
  Type(kEdHost, tokyo);
  Click(kButton2);
  ASSERT_THAT(boxes_, SizeIs(2));
  EXPECT_EQ(boxes_[1].text,
            L"These characters cannot be stored in the configuration file:\n" + tokyo);
  EXPECT_FALSE(IsOpen());
  EXPECT_EQ(ReadBytes(ConfigPath()), file);
}

// The message in the three languages, whatever the system's code page.
TEST_F(TypedTextTest, RefusalReadsInTheSelectedLanguage) {
  if (win::FitsAnsiCodePage(kKorean)) GTEST_SKIP() << "the system's code page holds it";
  for (Language language :
       {Language::kSimplifiedChinese, Language::kTraditionalChinese, Language::kEnglish}) {
    SCOPED_TRACE(static_cast<int>(language));
    UseLanguage(language);
    boxes_.clear();
    Open();
    ClickTab(1);
    Type(kEdUser, kKorean);
    Focus(kEdHost);
    ASSERT_THAT(boxes_, SizeIs(1));
    EXPECT_EQ(boxes_[0].text,
              FromUtf8(ExpectedFor(kExpectedTexts[kUiCannotStore], language)) + L"\n" + kKorean);
    PressKey(VK_ESCAPE);
    Click(kButton2);
    ASSERT_FALSE(IsOpen());
  }
}

}  // namespace
}  // namespace qv::test
