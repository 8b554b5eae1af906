// The application's title, the error text's full stop, and the real boxes' buttons and icons.
#include <windows.h>

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ui/message_box.h"
#include "ui/win/ansi_text.h"

namespace qv::ui {
namespace {

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

struct SeenBox {
  std::wstring caption;
  std::wstring text;
  std::vector<std::wstring> buttons;
  bool has_icon = false;
};

SeenBox* seen = nullptr;

BOOL CALLBACK CollectControl(HWND control, LPARAM) {
  if (!IsWindowVisible(control)) return TRUE;
  wchar_t class_name[32] = {};
  GetClassNameW(control, class_name, 32);
  wchar_t text[256] = {};
  GetWindowTextW(control, text, 256);
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  if (lstrcmpiW(class_name, L"Button") == 0) {
    seen->buttons.push_back(text);
  } else if (lstrcmpiW(class_name, L"Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON) {
      seen->has_icon = seen->has_icon || SendMessageW(control, STM_GETICON, 0, 0) != 0;
    } else if (text[0]) {
      seen->text = text;
    }
  }
  return TRUE;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  if (lstrcmpW(class_name, L"#32770") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK InspectAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  KillTimer(nullptr, timer);
  wchar_t caption[256] = {};
  GetWindowTextW(box, caption, 256);
  seen->caption = caption;
  EnumChildWindows(box, CollectControl, 0);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

SeenBox ShowAndInspect(void (*show)(HWND, const std::wstring&), const std::wstring& text) {
  SeenBox box;
  seen = &box;
  const MessageBoxFunction previous = SetMessageBoxFunction({});
  SetTimer(nullptr, 0, 50, InspectAndClose);
  show(nullptr, text);
  SetMessageBoxFunction(previous);
  seen = nullptr;
  return box;
}

// Under a Chinese system the platform would label the button in Chinese; ours reads "OK".
TEST(RealMessageBox, ProgramMessageHasNoIconAndOneOkButton) {
  const SeenBox box = ShowAndInspect(ShowProgramMessage, L"Invalid task name!");
  EXPECT_EQ(box.caption, ApplicationTitle());
  EXPECT_EQ(box.text, L"Invalid task name!");
  EXPECT_THAT(box.buttons, ElementsAre(L"OK"));
  EXPECT_FALSE(box.has_icon);
}

TEST(RealMessageBox, ErrorHasTheErrorIconAnOkButtonAndAFullStop) {
  const SeenBox box = ShowAndInspect(ShowErrorMessage, L"Stream write error");
  EXPECT_EQ(box.caption, ApplicationTitle());
  EXPECT_EQ(box.text, L"Stream write error.");
  EXPECT_THAT(box.buttons, ElementsAre(L"OK"));
  EXPECT_TRUE(box.has_icon);
}

}  // namespace
}  // namespace qv::ui
