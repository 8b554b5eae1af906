// Editing in the window: applying edits when they are left, renaming, adding, deleting, saving,
// the close question, and a pending change that must neither be lost nor land on another task.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/win_text.h"
#include "config/image_fixture.h"
#include "config/record_fields.h"
#include "editor_fixture.h"
#include "i18n/ui_strings.h"
#include "ui/message_box.h"

namespace qv::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

constexpr UINT kIconMask = MB_ICONMASK;

std::vector<std::string> TaskNames(const ConfigDocument& doc) {
  std::vector<std::string> names;
  for (const TaskRecord& task : doc.tasks) names.push_back(task.Name());
  return names;
}

TEST_F(EditorTest, AddAppendsTheNextFreeNameAndLeavesTheSelection) {
  WriteTasks({{"NewTask1", "", ""}, {"NewTask2", "", ""}});
  Open();
  ClickListEntry(0);
  Click(kBtnAdd);
  EXPECT_THAT(ListEntries(), ElementsAre(L"NewTask1", L"NewTask2", L"NewTask3"));
  EXPECT_EQ(Selection(), 0);
  EXPECT_EQ(Text(kEdName), L"NewTask1");
  EXPECT_TRUE(Enabled(kBtnSave));
  EXPECT_THAT(TaskNames(Form().Document()), ElementsAre("NewTask1", "NewTask2", "NewTask3"));
}

// The stem is the table's own bytes whatever the system's code page: the file gets them as they
// stand, and the list shows them as the table's characters.
TEST_F(EditorTest, AddedNameTakesTheStemBytesOfTheSelectedTable) {
  struct Case {
    Language language;
    const char* first;
    const char* second;
    const wchar_t* shown;
  };
  for (const Case& c : {
           Case{Language::kSimplifiedChinese, "\xD0\xC2\xC8\xCE\xCE\xF1" "1",
                "\xD0\xC2\xC8\xCE\xCE\xF1" "2", L"\u65B0\u4EFB\u52A1" L"1"},
           Case{Language::kTraditionalChinese, "\xB7\x73\xA4\x75\xA7\x40" "1",
                "\xB7\x73\xA4\x75\xA7\x40" "2", L"\u65B0\u5DE5\u4F5C" L"1"},
           Case{Language::kEnglish, "NewTask1", "NewTask2", L"NewTask1"}}) {
    SCOPED_TRACE(static_cast<int>(c.language));
    UseLanguage(c.language);
    DeleteFileW(ConfigPath().c_str());
    Open();
    Click(kBtnAdd);
    EXPECT_THAT(ListEntries(), ElementsAre(c.shown));
    Click(kBtnAdd);
    Click(kBtnSave);
    EXPECT_THAT(TaskNames(ReadConfig()), ElementsAre(c.first, c.second));
    Click(kButton2);
    ASSERT_FALSE(IsOpen());
  }
}

TEST_F(EditorTest, DelRemovesTheSelectedTaskWithoutAQuestion) {
  WriteTasks({{"Alpha", "/a", "C:\\a"}, {"Beta", "/b", "C:\\b"}});
  Open();
  Click(kBtnDel);  // nothing selected: nothing happens
  EXPECT_THAT(ListEntries(), SizeIs(2));
  EXPECT_FALSE(Enabled(kBtnSave));

  ClickListEntry(1);
  Click(kBtnDel);
  EXPECT_THAT(boxes_, IsEmpty());
  EXPECT_THAT(ListEntries(), ElementsAre(L"Alpha"));
  EXPECT_THAT(TaskNames(Form().Document()), ElementsAre("Alpha"));
  EXPECT_EQ(Selection(), -1);
  for (ControlId id : {kEdName, kEdSource, kEdTarget}) {
    EXPECT_EQ(Text(id), L"");
    EXPECT_FALSE(Enabled(id));
  }
  EXPECT_TRUE(Enabled(kBtnSave));
}

TEST_F(EditorTest, SaveWritesTheFileAndSaveFollowsTheModifiedFlag) {
  Open();
  ClickTab(1);
  Type(kEdHost, L"files.example");
  EXPECT_FALSE(Form().Document().modified()) << "applied only when the edit is left";
  Focus(kEdUser);
  EXPECT_TRUE(Enabled(kBtnSave));
  EXPECT_TRUE(Form().Document().modified());

  Click(kBtnSave);
  EXPECT_FALSE(Enabled(kBtnSave));
  EXPECT_FALSE(Form().Document().modified());
  EXPECT_EQ(ReadConfig().settings.Host(), "files.example");
  EXPECT_THAT(boxes_, IsEmpty());
}

TEST_F(EditorTest, LeavingAnEditTheUserDidNotChangeAppliesNothing) {
  WriteTasks({{"Alpha", "/a", ""}});
  Open();
  ClickListEntry(0);
  for (ControlId id : {kEdName, kEdSource, kEdTarget, kListBox1}) Focus(id);
  ClickTab(1);
  for (ControlId id : {kEdHost, kEdUser, kEdPass, kEdInter, kEdSpd, kButton2}) Focus(id);
  EXPECT_FALSE(Form().Document().modified());
  EXPECT_FALSE(Enabled(kBtnSave));
}

struct RefusedRename {
  std::wstring typed;
  const char* message;
};

class RenameRefusalTest : public EditorTest, public ::testing::WithParamInterface<RefusedRename> {};

TEST_P(RenameRefusalTest, ShowsTheMessageAndKeepsEverything) {
  WriteTasks({{"Alpha", "", ""}, {"Beta", "", ""}});
  Open();
  ClickListEntry(0);
  Type(kEdName, GetParam().typed);
  PressKey(VK_TAB);

  ASSERT_THAT(boxes_, SizeIs(1));
  EXPECT_EQ(boxes_[0].text, Widen(GetParam().message));
  EXPECT_EQ(boxes_[0].caption, ApplicationTitle());
  EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_OK)) << "no icon, one button";
  EXPECT_EQ(Focused(), kEdName);
  EXPECT_EQ(Text(kEdName), GetParam().typed);
  EXPECT_TRUE(Modified(kEdName));
  EXPECT_THAT(ListEntries(), ElementsAre(L"Alpha", L"Beta"));
  EXPECT_THAT(TaskNames(Form().Document()), ElementsAre("Alpha", "Beta"));
  EXPECT_FALSE(Form().Document().modified());
  EXPECT_TRUE(Enabled(kBtnSave)) << "the typed name is still pending, and Save would apply it";

  // Still pending: the check runs again the next time the focus leaves.
  Focus(kEdSource);
  EXPECT_THAT(boxes_, SizeIs(2));
  EXPECT_EQ(Focused(), kEdName);
}

INSTANTIATE_TEST_SUITE_P(EmptyAndRepeated, RenameRefusalTest,
                         ::testing::Values(RefusedRename{L"", "Invalid task name!"},
                                           RefusedRename{L"beta", "Repeated task name!"}));

// The file keeps 31 bytes of a name, so a longer name is compared by those: as typed it is
// another name, as stored it would repeat one.
TEST_F(EditorTest, ANameIsRefusedWhenItsStoredFormRepeatsAnother) {
  const std::string stored(31, 'L');
  WriteTasks({{"Alpha", "", ""}, {stored, "", ""}});
  Open();
  ClickListEntry(0);
  Type(kEdName, Widen(stored + "x"));
  PressKey(VK_TAB);
  ASSERT_THAT(boxes_, SizeIs(1));
  EXPECT_EQ(boxes_[0].text, L"Repeated task name!");
  EXPECT_EQ(Focused(), kEdName);
  EXPECT_THAT(TaskNames(Form().Document()), ElementsAre("Alpha", stored));
  EXPECT_FALSE(Form().Document().modified());
}

// In code page 950 the second bytes of 兀 and 乙 are "a" and "A": folding them would make the two
// one name.
TEST_F(EditorTest, DoubleByteNamesAreNeverFolded) {
  const std::wstring wu = L"\u5140", yi = L"\u4E59";
  if (!win::FitsAnsiCodePage(wu + yi)) GTEST_SKIP() << "the system's code page lacks them";
  WriteTasks({{win::WideToAnsi(wu), "", ""}, {"B", "", ""}});
  Open();
  ClickListEntry(1);
  Type(kEdName, yi);
  PressKey(VK_TAB);
  EXPECT_THAT(boxes_, SizeIs(0));
  EXPECT_THAT(TaskNames(Form().Document()),
              ElementsAre(win::WideToAnsi(wu), win::WideToAnsi(yi)));
  EXPECT_TRUE(Form().Document().modified());
}

TEST_F(EditorTest, RenamingToTheSameNameInOtherCaseIsAccepted) {
  WriteTasks({{"Alpha", "", ""}, {"Beta", "", ""}});
  Open();
  ClickListEntry(0);
  Type(kEdName, L"ALPHA");
  Focus(kEdSource);
  EXPECT_THAT(boxes_, IsEmpty());
  EXPECT_THAT(ListEntries(), ElementsAre(L"ALPHA", L"Beta"));
  EXPECT_EQ(Selection(), 0);
  EXPECT_FALSE(Modified(kEdName));
  EXPECT_TRUE(Enabled(kBtnSave));
}

TEST_F(EditorTest, FortyCharacterNameIsShownWholeButStoredInThirtyOneBytes) {
  WriteTasks({{"Alpha", "", ""}});
  Open();
  const std::wstring forty = L"abcdefghijklmnopqrstuvwxyz0123456789ABCD";
  ASSERT_EQ(forty.size(), 40u);
  ClickListEntry(0);
  Type(kEdName, forty);
  Focus(kEdSource);
  EXPECT_THAT(ListEntries(), ElementsAre(forty));
  EXPECT_EQ(Form().Document().tasks[0].Name(), "abcdefghijklmnopqrstuvwxyz01234");

  Click(kBtnSave);
  Click(kButton2);
  ASSERT_FALSE(IsOpen());
  Open();
  EXPECT_THAT(ListEntries(), ElementsAre(L"abcdefghijklmnopqrstuvwxyz01234"));
}

TEST_F(EditorTest, SourceIsStoredTrimmedWhileTheEditKeepsItsBlanks) {
  WriteTasks({{"Alpha", "", ""}});
  Open();
  ClickListEntry(0);
  Type(kEdSource, L"  /data/in  ");
  Type(kEdTarget, L" C:\\Out ");
  Focus(kEdName);
  EXPECT_EQ(Form().Document().tasks[0].Source(), "/data/in");
  EXPECT_EQ(Form().Document().tasks[0].Target(), "C:\\Out");
  EXPECT_EQ(Text(kEdSource), L"  /data/in  ");
  EXPECT_EQ(Text(kEdTarget), L" C:\\Out ");
  EXPECT_TRUE(Enabled(kBtnSave));
}

TEST_F(EditorTest, SpaceIsDiscardedWhereTheEditHasAKeyFilter) {
  WriteTasks({{"Alpha", "", ""}});
  Open();
  ClickListEntry(0);
  struct Case {
    ControlId id;
    const wchar_t* typed_result;
  };
  for (const Case& c : {Case{kEdName, L"ab"}, Case{kEdSource, L"a b"}, Case{kEdTarget, L"a b"}}) {
    Type(c.id, L"a b");
    EXPECT_EQ(Text(c.id), c.typed_result) << LayoutOf(c.id).name;
  }
  ClickTab(1);
  for (const Case& c : {Case{kEdHost, L"ab"}, Case{kEdUser, L"ab"}, Case{kEdPass, L"a b"},
                        Case{kEdInter, L"ab"}, Case{kEdSpd, L"ab"}, Case{kEdPort, L"ab"}}) {
    // edPort is disabled and never typed into; its filter is there all the same.
    SendMessageW(Get(c.id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    TypeChars(c.id, L"a b");
    EXPECT_EQ(Text(c.id), c.typed_result) << LayoutOf(c.id).name;
  }
}

// The window and qvconf keep the same of a typed text: each edit holds what its field's row says
// the typing leaves, blanks at either end and between words included.
TEST_F(EditorTest, EveryEditKeepsOfTypedTextWhatItsFieldSays) {
  WriteTasks({{"Alpha", "", ""}});
  Open();
  ClickListEntry(0);
  const std::string typed = " a b  c ";
  int edits = 0;
  for (const ControlLayout& c : EditorLayout()) {
    if (!c.field) continue;
    ++edits;
    SendMessageW(Get(c.id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    TypeChars(c.id, Widen(typed));
    EXPECT_EQ(Text(c.id), Widen(AsTyped(*c.field, typed))) << c.name;
  }
  EXPECT_EQ(edits, 9);
}

// The task edits take any length: a long paste stays whole in the edit (and in the list, for the
// name), and the document cuts it to its field when it is applied.
TEST_F(EditorTest, LongPasteStaysWholeAndIsCutWhenApplied) {
  WriteTasks({{"Alpha", "", ""}});
  Open();
  ClickListEntry(0);
  const std::wstring pasted(40000, L'p');
  SetClipboardText(Form().handle(), pasted);

  for (ControlId id : {kEdName, kEdSource, kEdTarget}) {
    Focus(id);
    SendMessageW(Get(id), EM_SETSEL, 0, -1);
    SendMessageW(Get(id), WM_PASTE, 0, 0);
    Pump();
    EXPECT_EQ(Text(id).size(), pasted.size()) << LayoutOf(id).name;
  }
  Focus(kListBox1);
  const TaskRecord& task = Form().Document().tasks[0];
  EXPECT_EQ(task.Name(), std::string(31, 'p'));
  EXPECT_EQ(task.Source(), std::string(255, 'p'));
  EXPECT_EQ(task.Target(), std::string(255, 'p'));
  EXPECT_THAT(ListEntries(), ElementsAre(pasted));
}

TEST_F(EditorTest, NumberEditsShowTheNumberStored) {
  ConfigDocument doc;
  doc.settings.SetInterval(15);
  WriteConfig(doc);
  Open();
  ClickTab(1);

  Type(kEdInter, L"15");
  Focus(kEdSpd);
  EXPECT_EQ(Text(kEdInter), L"15");
  EXPECT_FALSE(Form().Document().modified()) << "the same number changes nothing";
  EXPECT_FALSE(Enabled(kBtnSave));

  struct Case {
    ControlId id;
    const wchar_t* typed;
    const wchar_t* shown;
  };
  for (const Case& c : {Case{kEdInter, L"abc", L"0"}, Case{kEdInter, L"$3C", L"60"},
                        Case{kEdSpd, L"-5", L"-5"}, Case{kEdSpd, L"99999999999", L"0"}}) {
    Type(c.id, c.typed);
    Focus(kEdHost);
    EXPECT_EQ(Text(c.id), c.shown) << c.typed;
    EXPECT_FALSE(Modified(c.id)) << c.typed;
  }
  EXPECT_EQ(Form().Document().settings.Interval(), 60);
  EXPECT_EQ(Form().Document().settings.SpeedLimit(), 0);
  EXPECT_TRUE(Enabled(kBtnSave));
}

TEST_F(EditorTest, InputLimitsCountAnsiBytes) {
  Open();
  ClickTab(1);
  struct Case {
    ControlId id;
    std::size_t limit;
  };
  for (const Case& c : {Case{kEdHost, 63}, Case{kEdUser, 31}, Case{kEdPass, 31}, Case{kEdInter, 31},
                        Case{kEdSpd, 31}}) {
    Type(c.id, std::wstring(70, L'7'));
    EXPECT_EQ(Text(c.id).size(), c.limit) << LayoutOf(c.id).name;
    // Pasted or replaced text is cut to what still fits.
    SendMessageW(Get(c.id), EM_SETSEL, 0, 3);
    SendMessageW(Get(c.id), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"xxxxxx"));
    EXPECT_EQ(Text(c.id), L"xxx" + std::wstring(c.limit - 3, L'7')) << LayoutOf(c.id).name;
  }
}

// Run under a Simplified Chinese system (ui_tests_cp936): a Chinese character takes two bytes.
TEST_F(EditorTest, InputLimitsCountDoubleByteCharactersOfTheSystemCodePage) {
  if (GetACP() != 936) GTEST_SKIP() << "needs the ANSI code page 936";
  Open();
  ClickTab(1);
  const std::wstring chinese(20, L'\u4e2d');
  Type(kEdUser, chinese);
  EXPECT_EQ(Text(kEdUser), std::wstring(15, L'\u4e2d')) << "30 of the 31 bytes";
  TypeChars(kEdUser, L"\u6587a");
  EXPECT_EQ(Text(kEdUser), std::wstring(15, L'\u4e2d') + L"a");

  SendMessageW(Get(kEdUser), EM_SETSEL, 0, 1);
  SendMessageW(Get(kEdUser), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"xyz"));
  EXPECT_EQ(Text(kEdUser), L"xy" + std::wstring(14, L'\u4e2d') + L"a");

  Focus(kEdHost);
  EXPECT_EQ(Form().Document().settings.User().size(), 31u);
}

struct CloseAnswer {
  int answer;
  bool closes;
  bool saved;
};

class CloseQuestionTest : public EditorTest, public ::testing::WithParamInterface<CloseAnswer> {};

TEST_P(CloseQuestionTest, AnswerDecidesBetweenSavingClosingAndStaying) {
  WriteTasks({{"Alpha", "", ""}});
  Open();
  Click(kBtnAdd);
  answers_.push_back(GetParam().answer);
  Click(kButton2);

  ASSERT_THAT(boxes_, SizeIs(1));
  EXPECT_EQ(boxes_[0].text, L"Config modified, Save or Not?");
  EXPECT_EQ(boxes_[0].caption, L"Confirm");
  EXPECT_EQ(boxes_[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNOCANCEL));
  EXPECT_EQ(boxes_[0].type & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON1));
  EXPECT_EQ(boxes_[0].type & kIconMask, 0u);
  EXPECT_EQ(IsOpen(), !GetParam().closes);
  EXPECT_EQ(ReadConfig().tasks.size(), GetParam().saved ? 2u : 1u);
  if (IsOpen()) {
    EXPECT_TRUE(Enabled(kBtnSave));
  }
}

INSTANTIATE_TEST_SUITE_P(YesNoCancel, CloseQuestionTest,
                         ::testing::Values(CloseAnswer{IDYES, true, true},
                                           CloseAnswer{IDNO, true, false},
                                           CloseAnswer{IDCANCEL, false, false}));

TEST_F(EditorTest, FailedSaveShowsTheErrorAndKeepsTheWindowOpen) {
  Open();
  Click(kBtnAdd);
  // The folder disappears under the running editor: the file cannot be created.
  DeleteFileW(ConfigPath().c_str());
  ASSERT_TRUE(RemoveDirectoryW(Directory().c_str()));

  Click(kBtnSave);
  ASSERT_THAT(boxes_, SizeIs(1));
  EXPECT_EQ(boxes_[0].text, L"Cannot create file " + ConfigPath() + L".");
  EXPECT_EQ(boxes_[0].caption, ApplicationTitle());
  EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_TRUE(Enabled(kBtnSave));
  EXPECT_TRUE(Form().Document().modified());

  // Yes to the close question saves, fails again, and the window stays.
  answers_.push_back(IDYES);
  CloseFromTitleBar();
  ASSERT_THAT(boxes_, SizeIs(3));
  EXPECT_EQ(boxes_[2].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_TRUE(IsOpen());
  EXPECT_TRUE(Enabled(kBtnSave));
  CreateDirectoryW(Directory().c_str(), nullptr);
}

// A change still pending in the focused edit is applied before closing decides and
// before saving, however the close or the save was asked for.
TEST_F(EditorTest, PendingChangeIsAppliedBeforeTheCloseDecides) {
  Open();
  ClickTab(1);
  Type(kEdHost, L"pending.example");
  ASSERT_EQ(Focused(), kEdHost);
  answers_.push_back(IDYES);
  CloseFromTitleBar();
  ASSERT_THAT(boxes_, SizeIs(1)) << "the pending change makes the document modified";
  EXPECT_FALSE(IsOpen());
  EXPECT_EQ(ReadConfig().settings.Host(), "pending.example");
}

TEST_F(EditorTest, PendingChangeIsSavedBySaveWithoutTheFocusMoving) {
  Open();
  ClickTab(1);
  Type(kEdUser, L"someone");
  // The Save notification as an accelerator may send it, with the focus still in the edit.
  SendMessageW(Form().handle(), WM_COMMAND, MAKEWPARAM(kBtnSave, BN_CLICKED),
               reinterpret_cast<LPARAM>(Get(kBtnSave)));
  Pump();
  EXPECT_EQ(Focused(), kEdUser);
  EXPECT_EQ(ReadConfig().settings.User(), "someone");
  EXPECT_FALSE(Form().Document().modified());
  EXPECT_FALSE(Enabled(kBtnSave));
}

// An existing file that the document does not hold whole is never replaced silently: the window
// says so once it shows, and Save asks until it has replaced the file.
TEST_F(EditorTest, FileNotLoadedWholeIsReportedAndReplacedOnlyWhenAllowed) {
  const std::string foreign = "Not a configuration file at all";
  {
    const HANDLE file = CreateFileW(ConfigPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, foreign.data(), static_cast<DWORD>(foreign.size()), &written, nullptr);
    CloseHandle(file);
  }
  Open();
  ASSERT_THAT(boxes_, SizeIs(1));
  EXPECT_EQ(boxes_[0].text, L"Config file not loaded completely!");
  EXPECT_EQ(boxes_[0].caption, ApplicationTitle());
  EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_OK));
  EXPECT_FALSE(Enabled(kBtnSave));

  Click(kBtnAdd);
  answers_.push_back(IDNO);
  Click(kBtnSave);
  ASSERT_THAT(boxes_, SizeIs(2));
  EXPECT_EQ(boxes_[1].text, L"Config file not loaded completely, Replace it or Not?");
  EXPECT_EQ(boxes_[1].caption, L"Confirm");
  EXPECT_EQ(boxes_[1].type, static_cast<UINT>(MB_YESNO | MB_DEFBUTTON2)) << "no icon, No first";
  EXPECT_EQ(ReadBytes(ConfigPath()), foreign);
  EXPECT_TRUE(Form().Document().modified());
  EXPECT_TRUE(Enabled(kBtnSave));

  // Yes to closing with a save asks again; No keeps the file, and so the window.
  answers_.push_back(IDYES);
  answers_.push_back(IDNO);
  CloseFromTitleBar();
  ASSERT_THAT(boxes_, SizeIs(4));
  EXPECT_EQ(boxes_[3].text, boxes_[1].text);
  EXPECT_TRUE(IsOpen());
  EXPECT_EQ(ReadBytes(ConfigPath()), foreign);

  answers_.push_back(IDYES);
  Click(kBtnSave);
  ASSERT_THAT(boxes_, SizeIs(5));
  EXPECT_THAT(TaskNames(ReadConfig()), ElementsAre("NewTask1"));
  EXPECT_FALSE(Enabled(kBtnSave));

  // The file on disk is now the document's own: no more questions.
  Click(kBtnAdd);
  Click(kBtnSave);
  EXPECT_THAT(boxes_, SizeIs(5));
  EXPECT_THAT(TaskNames(ReadConfig()), ElementsAre("NewTask1", "NewTask2"));
}

// Records that a count below them leaves unread are the file's own tasks too: the window counts
// them at start and before the Save that would drop them, and No keeps the file as it is.
TEST_F(EditorTest, RecordsBeyondTheCountAreCountedAndKeptUnlessReplacementIsAllowed) {
  const struct {
    std::int32_t count;
    int not_loaded;
  } cases[] = {{-1, 3}, {0, 3}, {INT32_MIN, 3}, {2, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    test::Image image = test::MakeImage(test::SettingsFields{}, test::SampleTasks());
    image.Put32(1028, c.count);
    const std::string bytes(image.bytes.begin(), image.bytes.end());
    WriteBytes(ConfigPath(), bytes);
    boxes_.clear();
    Open();
    const std::wstring count_line =
        L"\nTasks in the file that were not loaded: " + std::to_wstring(c.not_loaded);
    ASSERT_THAT(boxes_, SizeIs(1));
    EXPECT_EQ(boxes_[0].text, L"Config file not loaded completely!" + count_line);

    Click(kBtnAdd);
    answers_.push_back(IDNO);
    Click(kBtnSave);
    ASSERT_THAT(boxes_, SizeIs(2));
    EXPECT_EQ(boxes_[1].text,
              L"Config file not loaded completely, Replace it or Not?" + count_line);
    EXPECT_EQ(ReadBytes(ConfigPath()), bytes);

    answers_.push_back(IDYES);
    Click(kBtnSave);
    EXPECT_EQ(ReadConfig().tasks.size(), static_cast<std::size_t>(c.count == 2 ? 3 : 1));
  }
}

TEST_F(EditorTest, LoadedFileGivesNoMessageAndSaveAsksNothing) {
  WriteTasks({{"Alpha", "", ""}});
  Open();
  Click(kBtnAdd);
  Click(kBtnSave);
  EXPECT_THAT(boxes_, IsEmpty());
  EXPECT_THAT(TaskNames(ReadConfig()), ElementsAre("Alpha", "NewTask1"));
}

constexpr wchar_t kChangedQuestion[] = L"Config file changed by another program, Replace it or Not?";

// What another program wrote since the window read the file is never replaced unasked: No leaves
// the file byte for byte and keeps the window's work.
TEST_F(EditorTest, AnotherProgramsChangeIsAskedAboutBeforeItIsReplaced) {
  WriteTasks({{"Alpha", "", ""}});
  Open();
  Click(kBtnAdd);
  WriteTasks({{"Alpha", "", ""}, {"FromQvconf", "/q", "C:\\Q"}});
  const std::string theirs = ReadBytes(ConfigPath());

  answers_.push_back(IDNO);
  Click(kBtnSave);
  ASSERT_THAT(boxes_, SizeIs(1));
  EXPECT_EQ(boxes_[0].text, kChangedQuestion);
  EXPECT_EQ(boxes_[0].caption, L"Confirm");
  EXPECT_EQ(boxes_[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
  EXPECT_EQ(boxes_[0].type & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON2)) << "Enter keeps theirs";
  EXPECT_EQ(ReadBytes(ConfigPath()), theirs);
  EXPECT_TRUE(Form().Document().modified());
  EXPECT_TRUE(Enabled(kBtnSave));

  // Closing with a save asks the same; No keeps the file, and so the window.
  answers_.push_back(IDYES);
  answers_.push_back(IDNO);
  CloseFromTitleBar();
  ASSERT_THAT(boxes_, SizeIs(3));
  EXPECT_EQ(boxes_[2].text, kChangedQuestion);
  EXPECT_TRUE(IsOpen());
  EXPECT_EQ(ReadBytes(ConfigPath()), theirs);

  answers_.push_back(IDYES);
  Click(kBtnSave);
  ASSERT_THAT(boxes_, SizeIs(4));
  EXPECT_THAT(TaskNames(ReadConfig()), ElementsAre("Alpha", "NewTask1"));

  // The file is now what this window wrote: its next save asks nothing.
  Click(kBtnAdd);
  Click(kBtnSave);
  EXPECT_THAT(boxes_, SizeIs(4));
  EXPECT_THAT(TaskNames(ReadConfig()), ElementsAre("Alpha", "NewTask1", "NewTask2"));
}

TEST_F(EditorTest, TwoEditorsOnOneFileDoNotUndoEachOthersSave) {
  WriteTasks({{"A", "", ""}, {"B", "", ""}});
  Open();
  TForm1 second(Directory());
  ASSERT_TRUE(second.Create());
  second.ApplyEditorCaptions();
  second.Show(SW_SHOW);
  Pump();

  Click(kBtnAdd);
  Click(kBtnAdd);
  Click(kBtnSave);
  EXPECT_THAT(boxes_, IsEmpty());
  const std::string first = ReadBytes(ConfigPath());
  EXPECT_THAT(TaskNames(ReadConfig()), ElementsAre("A", "B", "NewTask1", "NewTask2"));

  SendMessageW(second.Control(kBtnAdd), BM_CLICK, 0, 0);
  answers_.push_back(IDNO);
  SendMessageW(second.Control(kBtnSave), BM_CLICK, 0, 0);
  Pump();
  ASSERT_THAT(boxes_, SizeIs(1));
  EXPECT_EQ(boxes_[0].text, kChangedQuestion);
  EXPECT_EQ(ReadBytes(ConfigPath()), first);
  EXPECT_TRUE(second.Document().modified());
}

// A count that promises records the file does not hold would have every save write thousands of
// empty tasks: the window says so at start and Save asks, as for a file not read whole.
TEST_F(EditorTest, ACountBeyondTheRecordsIsReportedAndReplacedOnlyWhenAllowed) {
  WriteTasks({{"A", "", ""}, {"B", "", ""}, {"C", "", ""}});
  std::string damaged = ReadBytes(ConfigPath());
  const std::uint32_t promised = 0x7FFFFFFF;
  std::memcpy(&damaged[1028], &promised, sizeof promised);  // little-endian, as the file
  WriteBytes(ConfigPath(), damaged);

  Open();
  ASSERT_THAT(boxes_, SizeIs(1));
  EXPECT_EQ(boxes_[0].text, L"Config file not loaded completely!");
  Click(kBtnAdd);
  answers_.push_back(IDNO);
  Click(kBtnSave);
  ASSERT_THAT(boxes_, SizeIs(2));
  EXPECT_EQ(boxes_[1].text, L"Config file not loaded completely, Replace it or Not?");
  EXPECT_EQ(ReadBytes(ConfigPath()), damaged);
  EXPECT_TRUE(Form().Document().modified());
}

TEST_F(EditorTest, PendingRefusedRenameStopsSave) {
  WriteTasks({{"Alpha", "", ""}, {"Beta", "", ""}});
  Open();
  ClickListEntry(0);
  Click(kBtnAdd);
  Type(kEdName, L"Beta");

  PressAlt(L's');
  ASSERT_THAT(boxes_, SizeIs(1));
  EXPECT_EQ(boxes_[0].text, L"Repeated task name!");
  EXPECT_THAT(TaskNames(ReadConfig()), ElementsAre("Alpha", "Beta")) << "nothing was saved";
  EXPECT_EQ(Focused(), kEdName);
  EXPECT_EQ(Text(kEdName), L"Beta");
  EXPECT_TRUE(Enabled(kBtnSave));
  EXPECT_TRUE(IsOpen());
}

// A refused name never keeps the operator in the window. Every way of closing drops it
// (the task keeps its stored name) and goes on with the usual question; its refusal is shown
// once, not again at the close when leaving the edit already showed it.
enum class CloseWay { kExitClicked, kExitAccelerator, kTitleBar, kAltF4 };

class RefusedNameCloseTest : public EditorTest, public ::testing::WithParamInterface<CloseWay> {
 protected:
  void CloseTheWindow() {
    switch (GetParam()) {
      case CloseWay::kExitClicked:
        // A real click: the focus moves first, which leaves the edit.
        SendMessageW(Get(kButton2), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(Get(kButton2), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        Pump();
        break;
      case CloseWay::kExitAccelerator:
        PressAlt(L'x');
        break;
      case CloseWay::kTitleBar:
        CloseFromTitleBar();
        break;
      case CloseWay::kAltF4:
        PressSysKey(VK_F4);
        break;
    }
  }
};

TEST_P(RefusedNameCloseTest, ClosingDropsTheRefusedNameAndAsksAsUsual) {
  WriteTasks({{"Alpha", "", ""}, {"Beta", "", ""}});
  Open();
  ClickListEntry(0);
  Click(kBtnAdd);
  Type(kEdName, L"Beta");

  answers_.push_back(IDOK);
  answers_.push_back(IDCANCEL);
  CloseTheWindow();
  ASSERT_THAT(boxes_, SizeIs(2));
  EXPECT_EQ(boxes_[0].text, L"Repeated task name!");
  EXPECT_EQ(boxes_[1].text, L"Config modified, Save or Not?");
  EXPECT_TRUE(IsOpen());
  EXPECT_EQ(Text(kEdName), L"Alpha") << "the stored name is back";
  EXPECT_FALSE(Modified(kEdName));
  EXPECT_THAT(ListEntries(), ElementsAre(L"Alpha", L"Beta", L"NewTask1"));

  // Refused again when the edit is left, and then not repeated by the close, which saves.
  Type(kEdName, L"");
  Focus(kEdSource);
  ASSERT_THAT(boxes_, SizeIs(3));
  EXPECT_EQ(boxes_[2].text, L"Invalid task name!");
  answers_.push_back(IDYES);
  CloseTheWindow();
  ASSERT_THAT(boxes_, SizeIs(4));
  EXPECT_EQ(boxes_[3].text, L"Config modified, Save or Not?");
  EXPECT_FALSE(IsOpen());
  EXPECT_THAT(TaskNames(ReadConfig()), ElementsAre("Alpha", "Beta", "NewTask1"));
}

// An unmodified document closes at once once the refused name is dropped.
TEST_P(RefusedNameCloseTest, ClosingAnUnmodifiedDocumentNeedsNoQuestion) {
  WriteTasks({{"Alpha", "", ""}, {"Beta", "", ""}});
  Open();
  ClickListEntry(0);
  Type(kEdName, L"beta");
  Focus(kEdTarget);
  ASSERT_THAT(boxes_, SizeIs(1));
  CloseTheWindow();
  EXPECT_THAT(boxes_, SizeIs(1));
  EXPECT_FALSE(IsOpen());
  EXPECT_THAT(TaskNames(ReadConfig()), ElementsAre("Alpha", "Beta"));
}

INSTANTIATE_TEST_SUITE_P(EveryWay, RefusedNameCloseTest,
                         ::testing::Values(CloseWay::kExitClicked, CloseWay::kExitAccelerator,
                                           CloseWay::kTitleBar, CloseWay::kAltF4));

// Escape takes back what was typed: the stored value comes back and nothing is pending.
TEST_F(EditorTest, EscapePutsTheStoredValueBack) {
  WriteTasks({{"Alpha", "/src", "C:\\t"}, {"Beta", "", ""}});
  Open();
  ClickListEntry(0);
  Type(kEdName, L"beta");
  EXPECT_TRUE(Enabled(kBtnSave));
  PressKey(VK_ESCAPE);
  EXPECT_EQ(Text(kEdName), L"Alpha");
  EXPECT_FALSE(Modified(kEdName));
  EXPECT_EQ(Focused(), kEdName);
  EXPECT_FALSE(Enabled(kBtnSave));
  Focus(kEdSource);
  EXPECT_THAT(boxes_, IsEmpty()) << "nothing left to refuse";

  Type(kEdSource, L"/elsewhere");
  PressKey(VK_ESCAPE);
  EXPECT_EQ(Text(kEdSource), L"/src");
  ClickTab(1);
  Type(kEdInter, L"15");
  PressKey(VK_ESCAPE);
  EXPECT_EQ(Text(kEdInter), L"60");
  Focus(kEdHost);
  EXPECT_FALSE(Form().Document().modified());
  EXPECT_FALSE(Enabled(kBtnSave));
}

// A refused rename never lets the click that took the focus act, so the pending name
// cannot land on another task.
TEST_F(EditorTest, RefusedRenameKeepsTheClickFromMovingTheSelection) {
  WriteTasks({{"Alpha", "", ""}, {"Beta", "", ""}, {"Gamma", "", ""}});
  Open();
  ClickListEntry(0);
  Type(kEdName, L"gamma");
  ClickListEntry(1);

  ASSERT_THAT(boxes_, SizeIs(1));
  EXPECT_EQ(Selection(), 0);
  EXPECT_EQ(Focused(), kEdName);
  EXPECT_EQ(Text(kEdName), L"gamma");
  EXPECT_THAT(TaskNames(Form().Document()), ElementsAre("Alpha", "Beta", "Gamma"));

  // Neither do the buttons or the tabs act on that click.
  Click(kBtnDel);
  Click(kBtnAdd);
  ClickTab(1);
  EXPECT_THAT(boxes_, SizeIs(4));
  EXPECT_THAT(ListEntries(), ElementsAre(L"Alpha", L"Beta", L"Gamma"));
  EXPECT_TRUE(IsWindowVisible(Get(kTabGame)));
  EXPECT_FALSE(Form().Document().modified());

  // Once the name is acceptable it lands on the task it was typed for, then the click acts.
  Type(kEdName, L"Delta");
  ClickListEntry(1);
  EXPECT_THAT(ListEntries(), ElementsAre(L"Delta", L"Beta", L"Gamma"));
  EXPECT_THAT(TaskNames(Form().Document()), ElementsAre("Delta", "Beta", "Gamma"));
  EXPECT_EQ(Selection(), 1);
  EXPECT_EQ(Text(kEdName), L"Beta");
}

TEST_F(EditorTest, PendingSourceLandsOnTheTaskItWasTypedFor) {
  WriteTasks({{"Alpha", "/a", ""}, {"Beta", "/b", ""}});
  Open();
  ClickListEntry(0);
  Type(kEdSource, L"/new");
  ClickListEntry(1);
  EXPECT_EQ(Form().Document().tasks[0].Source(), "/new");
  EXPECT_EQ(Form().Document().tasks[1].Source(), "/b");
  EXPECT_EQ(Text(kEdSource), L"/b");
}

TEST_F(EditorTest, ChosenFolderIsAppliedAsWhenTheEditIsLeft) {
  WriteTasks({{"Alpha", "", ""}});
  Open();
  // No task selected: the path is shown and the document ignores it.
  Form().ApplyChosenTarget(L"C:\\Ignored");
  EXPECT_EQ(Text(kEdTarget), L"C:\\Ignored");
  EXPECT_FALSE(Enabled(kBtnSave));

  ClickListEntry(0);
  Form().ApplyChosenSource(L"Top\\Sub ");
  Form().ApplyChosenTarget(L"D:\\Data");
  EXPECT_EQ(Form().Document().tasks[0].Source(), "Top\\Sub");
  EXPECT_EQ(Form().Document().tasks[0].Target(), "D:\\Data");
  EXPECT_FALSE(Modified(kEdSource));
  EXPECT_TRUE(Enabled(kBtnSave));
}

}  // namespace
}  // namespace qv::test
