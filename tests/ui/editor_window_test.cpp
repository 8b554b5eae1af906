// Start-up, layout, captions and keyboard navigation of the editor window.
#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

#include <iostream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "i18n/ui_strings.h"
#include "ui/editor_layout.h"
#include "ui/message_box.h"
#include "ui/win/dpi.h"
#include "ui/win/form.h"

namespace qv::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(EditorTest, FirstStartWithoutFileShowsDefaultsAndClosesWithoutQuestion) {
  Open();
  EXPECT_THAT(ListEntries(), IsEmpty());
  for (ControlId id : {kEdName, kEdSource, kEdTarget}) {
    EXPECT_EQ(Text(id), L"") << LayoutOf(id).name;
    EXPECT_FALSE(Enabled(id)) << LayoutOf(id).name;
  }
  EXPECT_EQ(Text(kEdHost), L"");
  EXPECT_EQ(Text(kEdUser), L"");
  EXPECT_EQ(Text(kEdPass), L"");
  EXPECT_EQ(Text(kEdPort), L"891");
  EXPECT_FALSE(Enabled(kEdPort));
  EXPECT_EQ(Text(kEdInter), L"60");
  EXPECT_EQ(Text(kEdSpd), L"0");
  EXPECT_FALSE(Enabled(kBtnSave));
  EXPECT_TRUE(IsWindowVisible(Get(kTabGame)));
  EXPECT_FALSE(IsWindowVisible(Get(kTabOther)));

  Click(kButton2);
  EXPECT_FALSE(IsOpen());
  EXPECT_THAT(boxes_, IsEmpty());
}

TEST_F(EditorTest, ShowsLoadedSettingsAndTaskNames) {
  ConfigDocument doc;
  doc.settings.SetHost("sync.example.org");
  doc.settings.SetPort(1234);
  doc.settings.SetUser("operator");
  doc.settings.SetPassword("secret");
  doc.settings.SetInterval(15);
  doc.settings.SetSpeedLimit(-5);
  doc.tasks.resize(3);
  doc.tasks[0].SetName("Alpha");
  doc.tasks[1].SetName("Beta");
  doc.tasks[2].SetName("Gamma");
  WriteConfig(doc);
  Open();

  EXPECT_THAT(ListEntries(), ElementsAre(L"Alpha", L"Beta", L"Gamma"));
  EXPECT_EQ(Selection(), -1);
  EXPECT_EQ(Text(kEdHost), L"sync.example.org");
  EXPECT_EQ(Text(kEdPort), L"1234");
  EXPECT_EQ(Text(kEdUser), L"operator");
  EXPECT_EQ(Text(kEdPass), L"secret");
  EXPECT_EQ(SendMessageW(Get(kEdPass), EM_GETPASSWORDCHAR, 0, 0), L'*');
  EXPECT_EQ(Text(kEdInter), L"15");
  EXPECT_EQ(Text(kEdSpd), L"-5");
  EXPECT_FALSE(Enabled(kBtnSave));
  for (ControlId id : {kEdHost, kEdPort, kEdUser, kEdPass, kEdInter, kEdSpd}) {
    EXPECT_FALSE(Modified(id)) << "text the window puts in is no change: " << LayoutOf(id).name;
  }
}

TEST_F(EditorTest, SelectingTaskShowsAndEnablesItsFields) {
  WriteTasks({{"Alpha", "/srv/a", "C:\\A"}, {"Beta", "/srv/b", ""}});
  Open();

  ClickListEntry(0);
  EXPECT_EQ(Text(kEdName), L"Alpha");
  EXPECT_EQ(Text(kEdSource), L"/srv/a");
  EXPECT_EQ(Text(kEdTarget), L"C:\\A");
  for (ControlId id : {kEdName, kEdSource, kEdTarget}) {
    EXPECT_TRUE(Enabled(id)) << LayoutOf(id).name;
    EXPECT_FALSE(Modified(id)) << LayoutOf(id).name;
  }

  // The keyboard moves the selection as well as the mouse does.
  PressKey(VK_DOWN);
  EXPECT_EQ(Selection(), 1);
  EXPECT_EQ(Text(kEdName), L"Beta");
  EXPECT_EQ(Text(kEdSource), L"/srv/b");
  EXPECT_EQ(Text(kEdTarget), L"");
  EXPECT_FALSE(Enabled(kBtnSave));
}

RECT RectIn(HWND control, HWND container) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, container, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST_F(EditorTest, LayoutFollowsTheTableScaledToTheDpi) {
  Open();
  const UINT dpi = Form().Dpi();
  auto s = [dpi](int value) { return win::Scale(value, dpi); };

  RECT client{};
  GetClientRect(Form().handle(), &client);
  EXPECT_EQ(client.right, s(kClientWidth));
  EXPECT_EQ(client.bottom, s(kClientHeight));
  const LONG style = GetWindowLongW(Form().handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);

  for (const ControlLayout& c : EditorLayout()) {
    const HWND control = Get(c.id);
    const RECT rect = RectIn(control, GetParent(control));
    if (c.kind == ControlKind::kPage) {
      RECT display{};
      GetClientRect(Get(kPageControl1), &display);
      TabCtrl_AdjustRect(Get(kPageControl1), FALSE, &display);
      MapWindowPoints(Get(kPageControl1), GetParent(control), reinterpret_cast<POINT*>(&display),
                      2);
      EXPECT_TRUE(EqualRect(&rect, &display)) << "a page fills the tab control: " << c.name;
    } else if (c.kind == ControlKind::kLabel) {
      EXPECT_EQ(rect.left, s(c.left)) << c.name;
      EXPECT_EQ(rect.top, s(c.top)) << c.name;
    } else if (c.kind == ControlKind::kRightLabel) {
      EXPECT_EQ(rect.right, s(c.left)) << "right edge of " << c.name;
      EXPECT_EQ(rect.top, s(c.top)) << c.name;
    } else {
      EXPECT_EQ(rect.left, s(c.left)) << c.name;
      EXPECT_EQ(rect.top, s(c.top)) << c.name;
      EXPECT_EQ(rect.right - rect.left, s(c.width)) << c.name;
      EXPECT_EQ(rect.bottom - rect.top, s(c.height)) << c.name;
    }
  }
  // The tab page holds the list and the buttons below it.
  RECT page{};
  GetClientRect(Get(kTabGame), &page);
  EXPECT_GE(page.bottom, RectIn(Get(kBtnAdd), Get(kTabGame)).bottom);

  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(Form().handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT window{};
  GetWindowRect(Form().handle(), &window);
  EXPECT_NEAR(window.left + window.right, monitor.rcWork.left + monitor.rcWork.right, 1);
  EXPECT_NEAR(window.top + window.bottom, monitor.rcWork.top + monitor.rcWork.bottom, 1);
}

TEST_F(EditorTest, MovingToAMonitorOfAnotherDpiScalesTheLayoutAndTheFont) {
  Open();
  // Smaller, so that the window fits whatever screen the tests run on.
  const UINT dpi = Form().Dpi() * 3 / 4;
  RECT window{};
  GetWindowRect(Form().handle(), &window);
  const SIZE size = win::WindowSizeForClient(
      win::Scale(kClientWidth, dpi), win::Scale(kClientHeight, dpi),
      static_cast<DWORD>(GetWindowLongW(Form().handle(), GWL_STYLE)),
      static_cast<DWORD>(GetWindowLongW(Form().handle(), GWL_EXSTYLE)), dpi);
  RECT suggested{window.left, window.top, window.left + size.cx, window.top + size.cy};
  SendMessageW(Form().handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
               reinterpret_cast<LPARAM>(&suggested));
  Pump();

  EXPECT_EQ(Form().Dpi(), dpi);
  RECT client{};
  GetClientRect(Form().handle(), &client);
  EXPECT_EQ(client.right, win::Scale(kClientWidth, dpi));
  EXPECT_EQ(client.bottom, win::Scale(kClientHeight, dpi));
  for (ControlId id : {kListBox1, kEdName, kBitBtn2, kEdSpd, kBtnSave}) {
    const ControlLayout& c = LayoutOf(id);
    const RECT rect = RectIn(Get(id), GetParent(Get(id)));
    EXPECT_EQ(rect.left, win::Scale(c.left, dpi)) << c.name;
    EXPECT_EQ(rect.bottom - rect.top, win::Scale(c.height, dpi)) << c.name;
  }
  EXPECT_EQ(RectIn(Get(kSpdLbl), Get(kTabOther)).right, win::Scale(112, dpi));
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Get(kEdName), WM_GETFONT, 0, 0)), sizeof(font),
             &font);
  EXPECT_EQ(font.lfHeight, -win::Scale(12, dpi));
}

// The form answers the cursor question for every window: while a wait runs the mouse shows it
// over the editor's controls, and the frame keeps its own cursors.
TEST_F(EditorTest, WaitCursorShowsOverTheControlsWhileAWaitRuns) {
  Open();
  const HWND list = Get(kListBox1);
  const LPARAM over_client = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  {
    const win::WaitCursor wait;
    SetCursor(nullptr);
    EXPECT_EQ(SendMessageW(list, WM_SETCURSOR, reinterpret_cast<WPARAM>(list), over_client), TRUE);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    SetCursor(nullptr);
    SendMessageW(Form().handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Form().handle()),
                 MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  }
  SetCursor(nullptr);
  SendMessageW(list, WM_SETCURSOR, reinterpret_cast<WPARAM>(list), over_client);
  EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
}

RECT ScreenRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// At a dpi whose layout is larger than the screen, centring would put the window off its top and
// shrinking it would hide Save and Exit. It is laid out for the largest dpi that fits, kept inside
// the work area, and every control shows whole.
TEST_F(EditorTest, AtADpiTooLargeForTheScreenTheWindowStaysWholeOnIt) {
  Open();
  const HWND form = Form().handle();
  const RECT area = win::WorkAreaNear(ScreenRect(form));
  const UINT dpi = 96 * 4;
  const DWORD style = static_cast<DWORD>(GetWindowLongW(form, GWL_STYLE));
  const DWORD ex_style = static_cast<DWORD>(GetWindowLongW(form, GWL_EXSTYLE));
  const SIZE full = win::WindowSizeForClient(win::Scale(kClientWidth, dpi),
                                             win::Scale(kClientHeight, dpi), style, ex_style, dpi);
  ASSERT_GT(full.cx, area.right - area.left) << "the test needs a screen smaller than this";
  // Where a monitor of that dpi would put it: from above the screen's top left corner.
  RECT suggested{area.left - 40, area.top - 60, area.left - 40 + full.cx, area.top - 60 + full.cy};
  SendMessageW(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  Pump();

  const UINT laid_out = Form().Dpi();
  EXPECT_LT(laid_out, dpi);
  EXPECT_GT(laid_out, 96u) << "as large as the screen allows";
  EXPECT_TRUE(Inside(ScreenRect(form), area));
  RECT client{};
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, win::Scale(kClientWidth, laid_out));
  EXPECT_EQ(client.bottom, win::Scale(kClientHeight, laid_out));
  for (ControlId id : {kBtnSave, kButton2, kPageControl1, kBitBtn2}) {
    EXPECT_TRUE(Inside(ScreenRect(Get(id)), area)) << LayoutOf(id).name;
  }
  // One dpi more would not have fitted beside the frame the window has.
  RECT window = ScreenRect(form);
  const LONG frame_cx = window.right - window.left - client.right;
  const LONG frame_cy = window.bottom - window.top - client.bottom;
  EXPECT_TRUE(win::Scale(kClientWidth, laid_out + 1) + frame_cx > area.right - area.left ||
              win::Scale(kClientHeight, laid_out + 1) + frame_cy > area.bottom - area.top);
  // The labels follow the smaller font.
  EXPECT_EQ(RectIn(Get(kSpdLbl), Get(kTabOther)).right, win::Scale(112, laid_out));
}

TEST(FitOnScreen, ChoosesTheLargestDpiThatFitsAndMovesTheLeastIntoTheArea) {
  const SIZE client{618, 550};
  struct Case {
    RECT area;
    SIZE frame;
    UINT dpi;
  };
  for (const Case& c : {Case{{0, 0, 1366, 738}, {10, 45}, 144}, Case{{0, 0, 800, 570}, {10, 45}, 144},
                        Case{{0, 0, 1920, 1040}, {10, 45}, 144}, Case{{0, 0, 800, 570}, {6, 29}, 96},
                        Case{{100, 50, 900, 650}, {8, 37}, 120}}) {
    const UINT d = win::DpiFittingArea(c.dpi, client, c.frame, c.area, 72);
    SCOPED_TRACE(::testing::Message() << c.area.right << "x" << c.area.bottom << " at " << c.dpi);
    auto fits = [&](UINT dpi) {
      return win::Scale(client.cx, dpi) + c.frame.cx <= c.area.right - c.area.left &&
             win::Scale(client.cy, dpi) + c.frame.cy <= c.area.bottom - c.area.top;
    };
    EXPECT_LE(d, c.dpi);
    EXPECT_TRUE(fits(d)) << d;
    if (d < c.dpi) {
      EXPECT_FALSE(fits(d + 1)) << d;
    }
  }
  // Nothing fits: the smallest allowed.
  EXPECT_EQ(win::DpiFittingArea(144, client, SIZE{10, 45}, RECT{0, 0, 200, 150}, 72), 72u);

  const RECT area{0, 0, 800, 600};
  struct Move {
    RECT rect;
    RECT moved;
  };
  for (const Move& m : {Move{{-66, -129, 734, 471}, {0, 0, 800, 600}},
                        Move{{100, 100, 300, 200}, {100, 100, 300, 200}},
                        Move{{700, 550, 900, 650}, {600, 500, 800, 600}},
                        Move{{-10, -10, 990, 710}, {0, 0, 1000, 720}}}) {
    const RECT moved = win::MovedInto(m.rect, area);
    EXPECT_TRUE(EqualRect(&moved, &m.moved))
        << moved.left << "," << moved.top << "," << moved.right << "," << moved.bottom;
  }
}

// Screen readers name an edit or a list after the label right before it: each label is created
// just before its control (the note after the interval edit follows it), the tab order stays.
TEST_F(EditorTest, EveryEditAndTheListFollowTheirLabel) {
  Open();
  const struct {
    ControlId control;
    ControlId label;
  } named[] = {{kListBox1, kListLbl}, {kEdName, kLabel1},  {kEdSource, kLabel4},
               {kEdTarget, kLabel5},  {kEdHost, kHostLbl}, {kEdPort, kPortLbl},
               {kEdUser, kUserLbl},   {kEdPass, kPassLbl}, {kEdInter, kInterLbl},
               {kEdSpd, kSpdLbl}};
  int names_given = 0;
  for (const auto& n : named) {
    SCOPED_TRACE(LayoutOf(n.control).name);
    EXPECT_EQ(GetWindow(Get(n.control), GW_HWNDPREV), Get(n.label));
    const std::wstring label = Text(n.label);
    EXPECT_FALSE(label.empty());

    // The name an accessibility client gets, where Wine gives one.
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(Get(n.control), OBJID_CLIENT, IID_IAccessible,
                                          reinterpret_cast<void**>(&accessible)))) {
      continue;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (accessible->get_accName(self, &name) == S_OK && name && *name) {
      ++names_given;
      EXPECT_EQ(std::wstring(name), label);
    }
    SysFreeString(name);
    accessible->Release();
  }
  std::cout << "accessible names given: " << names_given << " of " << std::size(named) << "\n";
  EXPECT_EQ(GetWindow(Get(kEdInter), GW_HWNDNEXT), Get(kInterLbl1));
  // The list's label shows nothing.
  RECT list_label{};
  GetClientRect(Get(kListLbl), &list_label);
  EXPECT_TRUE(IsRectEmpty(&list_label));
}

std::wstring FontFace(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
  return font.lfFaceName;
}

TEST_F(EditorTest, CaptionsAndFontComeFromTheSelectedLanguage) {
  for (Language language :
       {Language::kSimplifiedChinese, Language::kTraditionalChinese, Language::kEnglish}) {
    UseLanguage(language);
    Open();
    SCOPED_TRACE(static_cast<int>(language));
    EXPECT_EQ(win::Window(Form().handle()).Text(), UiText(kUiTitle) + L" (V1.0)");
    for (const ControlLayout& c : EditorLayout()) {
      const int caption = CaptionOf(c);
      if (caption < 0) continue;
      if (c.kind == ControlKind::kPage) {
        wchar_t text[64] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(Get(kPageControl1), TCM_GETITEMW, c.id == kTabGame ? 0 : 1,
                     reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(std::wstring(text), UiText(caption)) << c.name;
      } else {
        EXPECT_EQ(Text(c.id), UiText(caption)) << c.name;
      }
    }
    for (const ControlLayout& c : EditorLayout()) {
      if (c.kind == ControlKind::kPage) continue;  // the tab control draws the page captions
      EXPECT_EQ(FontFace(Get(c.id)), UiFontName()) << c.name;
    }
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Get(kEdName), WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    EXPECT_EQ(font.lfHeight, -win::Scale(12, Form().Dpi()));
    EXPECT_EQ(font.lfWeight, FW_NORMAL);

    // A label is as large as its text as drawn: no column or row of ink is cut off, and
    // right-aligned ones keep their edge.
    for (const ControlLayout& c : EditorLayout()) {
      if (c.kind != ControlKind::kLabel && c.kind != ControlKind::kRightLabel) continue;
      const SIZE drawn = DrawnTextExtent(Get(c.id));
      RECT rect{};
      GetClientRect(Get(c.id), &rect);
      EXPECT_GT(drawn.cx, 0) << c.name;
      EXPECT_GE(rect.right, drawn.cx) << c.name;
      EXPECT_GE(rect.bottom, drawn.cy) << c.name;
    }
    Click(kButton2);
    ASSERT_FALSE(IsOpen());
  }
}

class NavigationTest : public EditorTest {
 protected:
  std::vector<ControlId> Tabs(int presses) {
    std::vector<ControlId> seen;
    for (int i = 0; i < presses; ++i) {
      PressKey(VK_TAB);
      seen.push_back(Focused());
    }
    return seen;
  }
};

TEST_F(NavigationTest, TabFollowsTheTableAndSkipsDisabledControls) {
  WriteTasks({{"Alpha", "", ""}});
  Open();
  Focus(kPageControl1);
  // Nothing selected: the three task edits and Save are disabled.
  EXPECT_THAT(Tabs(7), ElementsAre(kListBox1, kBtnAdd, kBtnDel, kBitBtn1, kBitBtn2, kButton2,
                                   kPageControl1));

  ClickListEntry(0);
  Focus(kPageControl1);
  EXPECT_THAT(Tabs(11), ElementsAre(kListBox1, kBtnAdd, kBtnDel, kEdSource, kEdTarget, kBitBtn1,
                                    kBitBtn2, kEdName, kButton2, kPageControl1, kListBox1));

  ClickTab(1);
  EXPECT_TRUE(IsWindowVisible(Get(kTabOther)));
  EXPECT_FALSE(IsWindowVisible(Get(kTabGame)));
  EXPECT_EQ(Focused(), kPageControl1);
  EXPECT_THAT(Tabs(7),
              ElementsAre(kEdHost, kEdUser, kEdPass, kEdInter, kEdSpd, kButton2, kPageControl1));

  // Shift+Tab walks the same order backwards.
  BYTE keys[256] = {};
  ASSERT_TRUE(GetKeyboardState(keys));
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  const std::vector<ControlId> backwards = Tabs(3);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  EXPECT_THAT(backwards, ElementsAre(kButton2, kEdSpd, kEdInter));
}

TEST_F(NavigationTest, TabIntoAnEditSelectsItsText) {
  Open();
  ClickTab(1);
  PressKey(VK_TAB);
  ASSERT_EQ(Focused(), kEdHost);
  PressKey(VK_TAB);
  ASSERT_EQ(Focused(), kEdUser);
  PressKey(VK_TAB);
  PressKey(VK_TAB);
  ASSERT_EQ(Focused(), kEdInter);
  DWORD start = 1, end = 0;
  SendMessageW(Get(kEdInter), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 2u);
}

TEST_F(NavigationTest, AcceleratorsClickTheirButtons) {
  WriteTasks({{"Alpha", "", ""}, {"Beta", "", ""}});
  Open();
  PressAlt(L'a');
  EXPECT_THAT(ListEntries(), ElementsAre(L"Alpha", L"Beta", L"NewTask1"));
  EXPECT_TRUE(Enabled(kBtnSave));

  ClickListEntry(0);
  PressAlt(L'D');
  EXPECT_THAT(ListEntries(), ElementsAre(L"Beta", L"NewTask1"));

  PressAlt(L's');
  EXPECT_FALSE(Enabled(kBtnSave));
  EXPECT_EQ(ReadConfig().tasks.size(), 2u);

  PressAlt(L'x');
  EXPECT_FALSE(IsOpen());
}

// Add and Del run their handler and nothing else: the focused edit is not left, so a pending name
// that would be refused neither shows its message nor stops them.
TEST_F(NavigationTest, AddAndDelAcceleratorsLeaveThePendingEditAlone) {
  WriteTasks({{"Alpha", "", ""}, {"Beta", "", ""}});
  Open();
  ClickListEntry(0);
  Type(kEdName, L"");
  PressAlt(L'a');
  EXPECT_THAT(boxes_, IsEmpty());
  EXPECT_EQ(Focused(), kEdName);
  EXPECT_TRUE(Modified(kEdName));
  EXPECT_THAT(ListEntries(), ElementsAre(L"Alpha", L"Beta", L"NewTask1"));

  Type(kEdName, L"beta");
  PressAlt(L'd');
  EXPECT_THAT(boxes_, IsEmpty());
  EXPECT_THAT(ListEntries(), ElementsAre(L"Beta", L"NewTask1"));
  EXPECT_EQ(Form().Document().tasks[0].Name(), "Beta");
  EXPECT_EQ(Form().Document().tasks.size(), 2u);
  // The edit went with its task, empty and disabled; the keyboard moved on to a control that
  // takes it.
  EXPECT_EQ(Text(kEdName), L"");
  EXPECT_FALSE(Enabled(kEdName));
  ASSERT_NE(Focused(), kControlIdEnd);
  EXPECT_TRUE(Enabled(Focused()));
}

// Save's accelerator applies the pending change before it saves (a mend: otherwise the change
// would be left out of the file) and leaves the focus where it was.
TEST_F(NavigationTest, SaveAcceleratorSavesThePendingChangeAndKeepsTheFocus) {
  Open();
  Click(kBtnAdd);
  ClickTab(1);
  Type(kEdUser, L"someone");
  PressAlt(L's');
  EXPECT_EQ(Focused(), kEdUser);
  EXPECT_EQ(ReadConfig().settings.User(), "someone");
  EXPECT_EQ(ReadConfig().tasks.size(), 1u);
  EXPECT_FALSE(Enabled(kBtnSave));
  EXPECT_THAT(boxes_, IsEmpty());

  // Save itself had the focus and is disabled by saving: the focus moves on to Exit.
  Click(kBtnAdd);
  Focus(kBtnSave);
  PressAlt(L's');
  EXPECT_FALSE(Enabled(kBtnSave));
  EXPECT_EQ(Focused(), kButton2);
  EXPECT_EQ(ReadConfig().tasks.size(), 2u);
}

TEST_F(NavigationTest, EnterOnAFocusedButtonClicksIt) {
  Open();
  Focus(kBtnAdd);
  PressKey(VK_RETURN);
  EXPECT_THAT(ListEntries(), ElementsAre(L"NewTask1"));
  PressKey(VK_RIGHT);
  EXPECT_EQ(Focused(), kBtnDel);
}

}  // namespace
}  // namespace qv::test
