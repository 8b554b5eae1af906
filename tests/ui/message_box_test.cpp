// The application's title, the error text's full stop, and the real boxes' buttons and icons.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/win_text.h"
#include "common/window_driver.h"
#include "ui/message_box.h"

namespace qv::test {
namespace {

using ui::ApplicationTitle;
using ui::ApplicationTitleFromPath;
using ui::WithFullStop;

using ::testing::ElementsAre;

TEST(ApplicationTitle, IsTheFileNameCutAtItsFirstDotWithLaterLettersInLowerCase) {
  struct Case {
    const wchar_t* path;
    const wchar_t* title;
  };
  for (const Case& c :
       {Case{L"C:\\Program Files\\Quorvel\\QUORVEL.EXE", L"Quorvel"},
        Case{L"C:\\x\\Quorvel.exe", L"Quorvel"}, Case{L"quorvel.exe", L"quorvel"},
        Case{L"D:\\a.b\\My.Editor.exe", L"My"}, Case{L"\\\\server\\share\\ÉDITEUR.EXE", L"Éditeur"},
        Case{L"C:\\tools\\noext", L"noext"}}) {
    EXPECT_EQ(ApplicationTitleFromPath(c.path), c.title) << win::WideToAnsi(c.path);
  }
  EXPECT_EQ(ApplicationTitle(), L"ui_tests");
}

TEST(WithFullStop, IsAddedWhenTheLastCharacterSortsAboveTheFullStop) {
  struct Case {
    const wchar_t* text;
    const wchar_t* shown;
  };
  for (const Case& c :
       {Case{L"Stream write error", L"Stream write error."},
        Case{L"Cannot create file C:\\X\\CONFIGS.DAT", L"Cannot create file C:\\X\\CONFIGS.DAT."},
        Case{L"path/", L"path/."}, Case{L"Done.", L"Done."}, Case{L"Failed!", L"Failed!"},
        Case{L"(see above)", L"(see above)"}, Case{L"3", L"3."}, Case{L"", L""}}) {
    EXPECT_EQ(WithFullStop(c.text), c.shown) << win::WideToAnsi(c.text);
  }
}

// Shows a real box through `show` and reads it as a person would, then presses `answer`, or
// Enter where the focus is for kPressEnter.
constexpr int kPressEnter = 0;

struct SeenBox {
  DialogContents contents;
  bool yes_is_default = false;
  bool no_is_default = false;
  int result = 0;
};

SeenBox ShowAndAnswer(const std::function<int()>& show, int answer) {
  SeenBox box;
  const ui::MessageBoxFunction previous = ui::SetMessageBoxFunction({});
  {
    ModalDriver driver(
        {{"the message box is shown", [] { return FindThreadDialog() != nullptr; },
          [&box, answer] {
            const HWND dialog = FindThreadDialog();
            box.contents = ReadDialog(dialog);
            const HWND yes = GetDlgItem(dialog, IDYES);
            const HWND no = GetDlgItem(dialog, IDNO);
            box.yes_is_default =
                yes && (GetWindowLongW(yes, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            box.no_is_default =
                no && (GetWindowLongW(no, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            if (answer == kPressEnter) {
              const HWND focus = GetFocus();
              PostMessageW(focus ? focus : dialog, WM_KEYDOWN, VK_RETURN, 0);
              PostMessageW(focus ? focus : dialog, WM_KEYUP, VK_RETURN, 0);
            } else {
              PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(answer), 0);
            }
          }}},
        [] {
          if (const HWND dialog = FindThreadDialog()) PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
    box.result = show();
    EXPECT_TRUE(driver.Done());
  }
  ui::SetMessageBoxFunction(previous);
  return box;
}

// Under a Chinese system the platform would label the button in Chinese; ours reads "OK".
TEST(RealMessageBox, ProgramMessageHasNoIconAndOneOkButton) {
  const SeenBox box = ShowAndAnswer(
      [] {
        ui::ShowProgramMessage(nullptr, L"Invalid task name!");
        return 0;
      },
      IDOK);
  EXPECT_EQ(box.contents.caption, ui::ApplicationTitle());
  EXPECT_THAT(box.contents.texts, ElementsAre(L"Invalid task name!"));
  EXPECT_THAT(box.contents.buttons, ElementsAre(L"OK"));
  EXPECT_FALSE(box.contents.has_icon);
}

TEST(RealMessageBox, ErrorHasTheErrorIconAnOkButtonAndAFullStop) {
  const SeenBox box = ShowAndAnswer(
      [] {
        ui::ShowErrorMessage(nullptr, L"Stream write error");
        return 0;
      },
      IDOK);
  EXPECT_EQ(box.contents.caption, ui::ApplicationTitle());
  EXPECT_THAT(box.contents.texts, ElementsAre(L"Stream write error."));
  EXPECT_THAT(box.contents.buttons, ElementsAre(L"OK"));
  EXPECT_TRUE(box.contents.has_icon);
}

// The questions: the platform's own buttons, no icon, the default the caller chose; the answer
// comes back, and Enter gives the default one.
TEST(RealMessageBox, QuestionsHaveTheirButtonsNoIconAndTheirDefault) {
  struct Case {
    std::function<int()> ask;
    std::size_t buttons;
    int answer;
    bool yes_default;
    int result;
  };
  const auto replace = [](ui::DefaultAnswer answer) {
    return [answer] { return ui::AskYesNo(nullptr, L"Replace it or Not?", L"Confirm", answer); };
  };
  const Case cases[] = {
      {[] { return ui::AskYesNoCancel(nullptr, L"Config modified, Save or Not?", L"Confirm"); }, 3,
       IDCANCEL, true, IDCANCEL},
      {replace(ui::DefaultAnswer::kYes), 2, IDNO, true, IDNO},
      {replace(ui::DefaultAnswer::kNo), 2, IDYES, false, IDYES},
      {replace(ui::DefaultAnswer::kNo), 2, kPressEnter, false, IDNO},
      {replace(ui::DefaultAnswer::kYes), 2, kPressEnter, true, IDYES},
  };
  for (const Case& c : cases) {
    const SeenBox box = ShowAndAnswer(c.ask, c.answer);
    EXPECT_EQ(box.contents.caption, L"Confirm");
    EXPECT_EQ(box.contents.buttons.size(), c.buttons);
    EXPECT_FALSE(box.contents.has_icon);
    EXPECT_EQ(box.yes_is_default, c.yes_default);
    if (c.buttons == 2) {
      EXPECT_EQ(box.no_is_default, !c.yes_default);
    }
    EXPECT_EQ(box.result, c.result);
  }
}

}  // namespace
}  // namespace qv::test
