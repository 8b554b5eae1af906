// The editor window: its creation and layout, and the dispatch of its messages to the handlers.
#include "ui/editor_window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "i18n/ui_strings.h"
#include "ui/browser_form.h"
#include "ui/editor_controls.h"
#include "ui/network_wait.h"
#include "ui/res/resource.h"
#include "ui/win/dpi.h"

namespace qv::ui {
namespace {

constexpr wchar_t kFormClass[] = L"TForm1";
constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;
// Below this the texts would be too small to read; a work area smaller still shows the window's
// top left part, title bar included.
constexpr UINT kSmallestDpi = 72;
// Posted to itself by Show, so that the message about the file comes once the window is drawn.
constexpr UINT kReportFileNotLoaded = WM_APP + 1;
// Posted on activation: a file changed meanwhile is followed at once.
constexpr UINT kFollowFileNow = WM_APP + 2;

bool IsSizedToText(ControlKind kind) {
  return kind == ControlKind::kLabel || kind == ControlKind::kRightLabel;
}

// Creation order, which is the order the dialog manager walks for Tab: each page with its
// controls by tab order, each label right before the control it names, then the window's
// buttons, then the tab control. The pages lie above the tab control so that they draw over it;
// as Tab goes round, the tab control still comes right before the shown page's controls and
// after Button2, as the layout's tab order has it.
std::vector<const ControlLayout*> CreationOrder() {
  auto labels_of = [](ControlId control, LabelPlace place,
                      std::vector<const ControlLayout*>& order) {
    for (const ControlLayout& label : EditorLayout()) {
      if (label.labels == control && label.place == place) order.push_back(&label);
    }
  };
  auto add_container = [&](Container container, std::vector<const ControlLayout*>& order) {
    std::vector<const ControlLayout*> controls;
    for (const ControlLayout& c : EditorLayout()) {
      if (c.container == container && c.tab_order >= 0) controls.push_back(&c);
    }
    std::stable_sort(controls.begin(), controls.end(),
                     [](const ControlLayout* a, const ControlLayout* b) {
                       return a->tab_order < b->tab_order;
                     });
    for (const ControlLayout* c : controls) {
      labels_of(c->id, LabelPlace::kBefore, order);
      order.push_back(c);
      labels_of(c->id, LabelPlace::kAfter, order);
    }
  };
  std::vector<const ControlLayout*> order;
  for (ControlId page : {kTabGame, kTabOther}) {
    order.push_back(&LayoutOf(page));
    add_container(page == kTabGame ? Container::kTabGame : Container::kTabOther, order);
  }
  std::vector<const ControlLayout*> window;
  add_container(Container::kWindow, window);
  for (const ControlLayout* c : window) {
    if (c->id != kPageControl1) order.push_back(c);
  }
  order.push_back(&LayoutOf(kPageControl1));
  return order;
}

}  // namespace

TForm1::TForm1(std::wstring directory) : directory_(std::move(directory)) {}

TForm1::~TForm1() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool TForm1::Create() {
  RegisterClassOnce(kFormClass, nullptr);
  RegisterControlClasses();
  if (!CreateImpl(kFormClass, L"", kFormStyle, kFormExStyle, nullptr)) return false;
  SetDpi(win::WindowDpi(hwnd_));
  CreateControls();
  SetFontName(UiFontName());
  RECT window{};
  GetWindowRect(hwnd_, &window);
  FitOnScreen(Dpi(), nullptr, win::WorkAreaNear(window));
  // Names are compared in the system's code page, whose double-byte characters stay whole.
  doc_.SetLeadBytes(SystemLeadBytes());
  FormCreate();
  StartFollowingFile();
  return true;
}

void TForm1::CreateControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (const ControlLayout* control : CreationOrder()) {
    const ControlLayout& c = *control;
    // The pages belong to the tab control but are the window's children, so that the dialog
    // manager walks into them (it does not walk into a control that is itself a tab stop).
    HWND parent = hwnd_;
    if (c.container == Container::kTabGame) parent = Control(kTabGame);
    if (c.container == Container::kTabOther) parent = Control(kTabOther);
    const WindowClassAndStyle cs = ClassAndStyle(c.kind);
    // Placed by Layout, once the font and the window's size are known.
    placed_[static_cast<std::size_t>(c.id - kControlIdBegin)] = RECT{0, 0, 0, 0};
    const HWND hwnd =
        CreateWindowExW(cs.ex_style, cs.class_name, c.initial_text, cs.style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(INT_PTR{c.id}), instance, nullptr);
    controls_[static_cast<std::size_t>(c.id - kControlIdBegin)] = hwnd;
    // No limit (0) lifts the system's default of 30,000 characters: a long paste stays whole,
    // and the document cuts it to its field when it is applied.
    if (c.field) EditOf(c.id).SetByteLimit(InputLimitOf(c));
  }
  const win::TabControl pages = PageControl1();
  pages.InsertItem(0, L"");
  pages.InsertItem(1, L"");
  pages.Select(0);
  ShowActivePage();
  const win::Edit password = EditOf(kEdPass);
  password.Send(EM_SETPASSWORDCHAR, L'*');
  password.Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  EditOf(kEdPort).Enable(false);
  CreateNotice();
}

void TForm1::LoadPictures() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const int folder = Scale(16);
  folder_icon_.reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_FOLDER), IMAGE_ICON, folder, folder, 0)));
  for (ControlId button : {kBitBtn1, kBitBtn2}) As<win::Button>(button).SetIcon(folder_icon_.get());
  const int big = GetSystemMetrics(SM_CXICON);
  const int small = Scale(16);
  app_icon_big_.reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORVEL), IMAGE_ICON, big, big, 0)));
  app_icon_small_.reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORVEL), IMAGE_ICON, small, small, 0)));
  Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(app_icon_big_.get()));
  Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(app_icon_small_.get()));
}

void TForm1::ApplyFont(HFONT font) {
  for (HWND control : controls_) win::Window(control).SetFont(font);
  notice_.SetFont(font);
}

void TForm1::Place(ControlId id, int x, int y, int width, int height) {
  RECT& placed = placed_[static_cast<std::size_t>(id - kControlIdBegin)];
  const RECT wanted{x, y, x + width, y + height};
  if (EqualRect(&placed, &wanted)) return;
  placed = wanted;
  ById(id).Move(x, y, width, height);
}

void TForm1::Layout() {
  auto s = [this](int value) { return Scale(value); };
  const ControlLayout& tabs = LayoutOf(kPageControl1);
  Place(kPageControl1, s(tabs.left), s(tabs.top), s(tabs.width), s(tabs.height));
  RECT display = PageControl1().DisplayRect();
  MapWindowPoints(Control(kPageControl1), hwnd_, reinterpret_cast<POINT*>(&display), 2);
  for (ControlId page : {kTabGame, kTabOther}) {
    Place(page, display.left, display.top, display.right - display.left,
          display.bottom - display.top);
  }
  for (const ControlLayout& c : EditorLayout()) {
    if (c.kind == ControlKind::kTabs || c.kind == ControlKind::kPage) continue;
    if (IsSizedToText(c.kind)) {
      const win::Window label = ById(c.id);
      const SIZE size = win::LabelExtent(label.handle(), Font(), label.Text());
      const int left = c.kind == ControlKind::kRightLabel ? s(c.left) - size.cx : s(c.left);
      Place(c.id, left, s(c.top), size.cx, size.cy);
    } else {
      Place(c.id, s(c.left), s(c.top), s(c.width), s(c.height));
    }
  }
  PlaceNotice();
}

void TForm1::FitOnScreen(UINT dpi, const RECT* wanted, const RECT& area) {
  // The frame is drawn at the monitor's dpi, by the system's metrics; where the frame the
  // window really gets differs (Wine's may), the fit is made once more with that one.
  SIZE frame = win::WindowSizeForClient(0, 0, kFormStyle, kFormExStyle, dpi);
  RECT kept{};
  for (int attempt = 0; attempt < 2; ++attempt) {
    const UINT fitting = win::DpiFittingArea(dpi, SIZE{kClientWidth, kClientHeight}, frame, area,
                                             std::min(dpi, kSmallestDpi));
    if (fitting != Dpi()) SetDpi(fitting);
    const SIZE size{Scale(kClientWidth) + frame.cx, Scale(kClientHeight) + frame.cy};
    // Centred when it is first placed; later kept where it is wanted, as far as the area allows.
    POINT at{area.left + (area.right - area.left - size.cx) / 2,
             area.top + (area.bottom - area.top - size.cy) / 2};
    if (wanted) at = POINT{wanted->left, wanted->top};
    win::MoveWindowTo(hwnd_,
                      win::MovedInto(RECT{at.x, at.y, at.x + size.cx, at.y + size.cy}, area));
    // The client area is what must come out right.
    win::FitClientArea(hwnd_, Scale(kClientWidth), Scale(kClientHeight));
    RECT placed{};
    GetWindowRect(hwnd_, &placed);
    const SIZE real{placed.right - placed.left - Scale(kClientWidth),
                    placed.bottom - placed.top - Scale(kClientHeight)};
    const RECT within = win::MovedInto(placed, area);
    if (!EqualRect(&within, &placed)) win::MoveWindowTo(hwnd_, within);
    if (real.cx == frame.cx && real.cy == frame.cy) break;
    frame = real;
    kept = within;
    wanted = &kept;
  }
  LoadPictures();
  Layout();
}

void TForm1::ShowActivePage() {
  const bool game = PageControl1().Selected() == 0;
  ById(kTabGame).Show(game ? SW_SHOW : SW_HIDE);
  ById(kTabOther).Show(game ? SW_HIDE : SW_SHOW);
}

void TForm1::OnDpiChanged(UINT dpi, const RECT& suggested) {
  FitOnScreen(dpi, &suggested, win::WorkAreaNear(suggested));
}

void TForm1::ApplyEditorCaptions() {
  SetFontName(UiFontName());
  SetText(UiText(kUiTitle) + L" (V1.0)");
  for (const ControlLayout& c : EditorLayout()) {
    const int caption = CaptionOf(c);
    if (caption < 0) continue;
    if (c.kind == ControlKind::kPage) {
      PageControl1().SetItemText(c.id == kTabGame ? 0 : 1, UiText(caption));
    } else {
      ById(c.id).SetText(UiText(caption));
    }
  }
  Layout();
}

void TForm1::Show(int show_command) {
  win::Window::Show(show_command);
  UpdateWindow(hwnd_);
  if (load_loss_.Any()) PostMessageW(hwnd_, kReportFileNotLoaded, 0, 0);
}

// Once the activation is done and the focus back where it was.
void TForm1::OnActivated() { PostMessageW(hwnd_, kFollowFileNow, 0, 0); }

LRESULT TForm1::OnFormMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (lparam) OnCommand(static_cast<ControlId>(LOWORD(wparam)), HIWORD(wparam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
    // What the dialog manager asks of the window it navigates; a window that is not a dialog
    // answers them itself. Enter clicks the focused button, and only that.
    case DM_GETDEFID: {
      const HWND focus = GetFocus();
      const LRESULT code = focus ? SendMessageW(focus, WM_GETDLGCODE, 0, 0) : 0;
      if (IsOwnWindow(focus) && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
        return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
      }
      return 0;
    }
    case WM_NEXTDLGCTL:
      if (LOWORD(lparam)) {
        TakeFocus(win::Window(reinterpret_cast<HWND>(wparam)));
      } else {
        const HWND next = GetNextDlgTabItem(hwnd_, GetFocus(), wparam != 0);
        if (next) TakeFocus(win::Window(next));
      }
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_CLOSE:
      // The browse's code is still running below this message: the window and the connection
      // it uses stay until it has returned.
      if (browsing_) {
        close_after_browse_ = true;
        EndBrowse();
        return 0;
      }
      if (FormClose()) DestroyWindow(hwnd_);
      return 0;
    case WM_QUERYENDSESSION:
      if (browsing_) EndBrowse();
      return OnQueryEndSession() ? TRUE : FALSE;
    case kReportFileNotLoaded:
      ReportFileNotLoaded();
      return 0;
    case kFollowFileNow:
      FollowFile();
      return 0;
    case WM_TIMER:
      if (wparam == kFollowTimer) OnFollowTimer();
      return 0;
    case WM_DESTROY:
      FormDestroy();
      if (main_window_) PostQuitMessage(0);
      return 0;
    default:
      return DefaultProc(message, wparam, lparam);
  }
}

void TForm1::EndBrowse() {
  NetworkWait::GiveUp();
  if (TBrwForm* browser = BrwForm(); browser && browser->IsVisible()) browser->Send(WM_CLOSE);
}

void TForm1::OnCommand(ControlId id, UINT code) {
  // During a browse only Exit acts (it closes once the browse has ended): any other button
  // would start a second call to the server or a dialog of its own under the wait.
  if (code == BN_CLICKED && browsing_ && id != kButton2) return;
  const ControlLayout* control = FindLayout(id);
  if (!control) return;
  if (code == BN_CLICKED) {
    if (control->on_click) (this->*control->on_click)();
  } else if (code == LBN_SELCHANGE && id == kListBox1) {
    ListBox1Click();
  } else if (code == EN_CHANGE && control->on_exit) {
    // Typing makes Save available at once; Save applies what was typed.
    SyncSaveButton();
  }
}

LRESULT TForm1::OnNotify(const NMHDR& header) {
  if (header.idFrom != kPageControl1) return 0;
  if (header.code == TCN_SELCHANGING) {
    // The pending edit is applied before its page goes away; a refused rename keeps the page.
    return TakeFocus(PageControl1()) ? FALSE : TRUE;
  }
  if (header.code == TCN_SELCHANGE) ShowActivePage();
  return 0;
}

}  // namespace qv::ui
