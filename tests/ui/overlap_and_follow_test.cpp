// Two things the window does about CONFIGS.DAT beyond editing it: Save warns of tasks whose
// targets would make the service overwrite its own copies, and a window with nothing unsaved
// follows the file when another program changes it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/window_driver.h"
#include "editor_fixture.h"
#include "i18n/ui_strings.h"
#include "ui/message_box.h"

namespace qv::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

std::vector<std::string> Targets(const ConfigDocument& doc) {
  std::vector<std::string> targets;
  for (const TaskRecord& t : doc.tasks) targets.push_back(t.Target());
  return targets;
}

constexpr wchar_t kOverlapQuestion[] =
    L"These tasks' target folders are the same folder or one inside the other, so the sync "
    L"service would overwrite its own copies:\n"
    L"\n\"Beta\" and \"Alpha\": the same target folder"
    L"\n\"Gamma\": target folder inside the target folder of \"Alpha\""
    L"\n\nSave anyway?";

// The edit typed last is applied first, so the question sees it; No saves nothing and keeps the
// work, Yes saves; each Save asks once however many pairs there are.
TEST_F(EditorTest, OverlappingTargetsAreNamedOnceAtEverySave) {
  WriteTasks({{"Alpha", "/a", "C:\\Sync"}, {"Beta", "/b", "D:\\Other"},
              {"Gamma", "/g", "c:\\sync\\photos"}});
  const std::string before = ReadBytes(ConfigPath());
  Open();
  ClickListEntry(1);
  Type(kEdTarget, L"C:\\Sync\\");

  answers_.push_back(IDNO);
  Click(kBtnSave);
  ASSERT_THAT(boxes_, SizeIs(1));
  EXPECT_EQ(boxes_[0].text, kOverlapQuestion);
  EXPECT_EQ(boxes_[0].caption, L"Confirm");
  EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_YESNO | MB_DEFBUTTON2)) << "no icon, No first";
  EXPECT_EQ(ReadBytes(ConfigPath()), before);
  EXPECT_TRUE(Form().Document().modified());
  EXPECT_TRUE(Enabled(kBtnSave));

  answers_.push_back(IDYES);
  Click(kBtnSave);
  ASSERT_THAT(boxes_, SizeIs(2));
  EXPECT_EQ(boxes_[1].text, kOverlapQuestion);
  EXPECT_THAT(Targets(ReadConfig()), ElementsAre("C:\\Sync", "C:\\Sync\\", "c:\\sync\\photos"));
  EXPECT_FALSE(Enabled(kBtnSave));

  // Closing with a save asks too; parting the folders ends the questions.
  ClickListEntry(2);
  Type(kEdTarget, L"E:\\Photos");
  answers_.push_back(IDYES);  // save on closing
  answers_.push_back(IDNO);   // not with Beta still on Alpha's folder
  CloseFromTitleBar();
  ASSERT_THAT(boxes_, SizeIs(4));
  EXPECT_EQ(boxes_[3].text,
            L"These tasks' target folders are the same folder or one inside the other, so the "
            L"sync service would overwrite its own copies:\n"
            L"\n\"Beta\" and \"Alpha\": the same target folder\n\nSave anyway?");
  EXPECT_TRUE(IsOpen());
  ClickListEntry(1);
  Type(kEdTarget, L"D:\\Other");
  Click(kBtnSave);
  EXPECT_THAT(boxes_, SizeIs(4));
  EXPECT_THAT(Targets(ReadConfig()), ElementsAre("C:\\Sync", "D:\\Other", "E:\\Photos"));
}

TEST_F(EditorTest, TargetsApartOrNotOnADriveSaveWithoutAQuestion) {
  WriteTasks({{"Alpha", "/a", "C:\\Sync"}, {"Beta", "/b", "C:\\Sync2"}, {"Gamma", "/g", ""},
              {"Delta", "/d", ""}});
  Open();
  Click(kBtnAdd);
  Click(kBtnSave);
  EXPECT_THAT(boxes_, IsEmpty());
  EXPECT_THAT(ReadConfig().tasks, SizeIs(5));
}

constexpr wchar_t kFollowedNotice[] = L"Config file changed by another program, loaded again.";

// The notice beside the buttons, when it shows.
bool NoticeShown(HWND form) {
  const HWND notice = FindWindowExW(form, nullptr, L"STATIC", kFollowedNotice);
  return notice && IsWindowVisible(notice);
}

// Another window of the program takes the activation and gives it back, as when the operator
// comes back from qvconf's console.
void ActivateAgain(HWND form) {
  const HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                     nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  SetActiveWindow(other);
  SetActiveWindow(form);
  DestroyWindow(other);
}

// While nothing is unsaved, what another program writes shows without a restart: the list, the
// selected task (kept by its name, wherever it moved) and the settings, with a notice and no box;
// Save then asks about nothing.
TEST_F(EditorTest, IdleWindowFollowsAnotherProgramsChange) {
  WriteTasks({{"Alpha", "/a", "C:\\A"}, {"Beta", "/b", "C:\\B"}});
  Open();
  ClickListEntry(1);
  ConfigDocument theirs;
  for (const TaskSpec& t : std::vector<TaskSpec>{{"New", "/n", "C:\\N"}, {"Other", "/o", "C:\\O"},
                                                 {"Beta", "/b2", "C:\\B2"}}) {
    TaskRecord& task = theirs.tasks.emplace_back();
    task.SetName(t.name);
    task.SetSource(t.source);
    task.SetTarget(t.target);
  }
  theirs.settings.SetHost("sync.example");
  WriteConfig(theirs);

  ASSERT_TRUE(PumpUntil([&] { return ListEntries().size() == 3; }));
  EXPECT_THAT(ListEntries(), ElementsAre(L"New", L"Other", L"Beta"));
  EXPECT_EQ(Selection(), 2);
  EXPECT_EQ(Text(kEdName), L"Beta");
  EXPECT_EQ(Text(kEdSource), L"/b2");
  EXPECT_EQ(Text(kEdHost), L"sync.example");
  EXPECT_TRUE(NoticeShown(Form().handle()));
  EXPECT_FALSE(Enabled(kBtnSave));
  EXPECT_THAT(boxes_, IsEmpty());

  Click(kBtnAdd);
  EXPECT_FALSE(NoticeShown(Form().handle())) << "old news once the operator works on it";
  Click(kBtnSave);
  EXPECT_THAT(boxes_, IsEmpty());
  EXPECT_THAT(ReadConfig().tasks, SizeIs(4));
}

// Coming back to the window looks at once; a selected task the other program removed leaves no
// task selected.
TEST_F(EditorTest, ActivationFollowsTheFileAtOnce) {
  WriteTasks({{"Alpha", "/a", ""}, {"Beta", "/b", ""}});
  Open();
  ClickListEntry(1);
  WriteTasks({{"Alpha", "/a2", ""}});
  ActivateAgain(Form().handle());
  Pump();
  EXPECT_THAT(ListEntries(), ElementsAre(L"Alpha"));
  EXPECT_EQ(Selection(), -1);
  EXPECT_EQ(Text(kEdName), L"");
  EXPECT_FALSE(Enabled(kEdName));
  EXPECT_TRUE(NoticeShown(Form().handle()));
}

// Typed text, applied or not, is never replaced behind the operator's back: the window keeps it
// and Save asks, with No, which keeps the other program's file, as its default.
TEST_F(EditorTest, UnsavedWorkIsNotReplacedByAnotherProgramsChange) {
  WriteTasks({{"Alpha", "/a", ""}});
  Open();
  ClickListEntry(0);
  for (const bool applied : {false, true}) {
    SCOPED_TRACE(applied ? "an applied edit" : "a pending edit");
    Type(kEdSource, applied ? L"/applied" : L"/typed");
    if (applied) Focus(kEdName);
    WriteTasks({{"Theirs", applied ? "/t2" : "/t", ""}});
    const std::string theirs = ReadBytes(ConfigPath());
    ActivateAgain(Form().handle());
    Pump();
    EXPECT_THAT(ListEntries(), ElementsAre(L"Alpha"));
    EXPECT_EQ(Text(kEdSource), applied ? L"/applied" : L"/typed");
    EXPECT_FALSE(NoticeShown(Form().handle()));

    answers_.push_back(IDNO);
    Click(kBtnSave);
    ASSERT_THAT(boxes_, SizeIs(1));
    EXPECT_EQ(boxes_[0].text, L"Config file changed by another program, Replace it or Not?");
    EXPECT_EQ(boxes_[0].type & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON2));
    EXPECT_EQ(ReadBytes(ConfigPath()), theirs);
    boxes_.clear();
  }
}

}  // namespace
}  // namespace qv::test
