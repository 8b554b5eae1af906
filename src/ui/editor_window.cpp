#include "ui/editor_window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "i18n/ui_strings.h"
#include "ui/res/resource.h"
#include "ui/win/ansi_text.h"
#include "ui/win/dpi.h"
#include "ui/win/form.h"

namespace qv::ui {
namespace {

constexpr wchar_t kFormClass[] = L"TForm1";
constexpr wchar_t kPageClass[] = L"QvTabPage";
constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;
constexpr int kFontHeight = 12;
// Posted to itself by Show, so that the message about the file comes once the window is drawn.
constexpr UINT kReportFileNotLoaded = WM_APP + 1;

// A page of the tab control: a plain container that hands its controls' notifications to the
// editor window, which handles them all by control id.
LRESULT CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wparam, lparam);
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

void RegisterPageClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(instance, kPageClass, &wc)) return;
  wc.lpfnWndProc = PageProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kPageClass;
  RegisterClassExW(&wc);
}

// The controls are superclasses of the system's: the same classes with the editor's procedure in
// front, set once at registration. Subclassing each window instead costs, under Wine, a server
// call per SetWindowLongPtr and, with SetWindowSubclass, per message.
struct ControlClass {
  const wchar_t* base;
  const wchar_t* name;
  WNDPROC original;
};
ControlClass control_classes[] = {
    {WC_TABCONTROLW, L"QvTabControl", nullptr},
    {L"LISTBOX", L"QvListBox", nullptr},
    {L"BUTTON", L"QvButton", nullptr},
    {L"EDIT", L"QvEdit", nullptr},
};
enum ControlClassIndex { kTabClass, kListBoxClass, kButtonClass, kEditClass };

struct WindowClassAndStyle {
  const wchar_t* class_name;
  DWORD style;
  DWORD ex_style;
};

WindowClassAndStyle ClassAndStyle(ControlKind kind) {
  constexpr DWORD child = WS_CHILD | WS_VISIBLE;
  switch (kind) {
    case ControlKind::kTabs:
      return {control_classes[kTabClass].name,
              child | WS_TABSTOP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0};
    case ControlKind::kPage:
      return {kPageClass, WS_CHILD | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case ControlKind::kListBox:
      return {control_classes[kListBoxClass].name,
              child | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
              WS_EX_CLIENTEDGE};
    case ControlKind::kButton:
      return {control_classes[kButtonClass].name, child | WS_TABSTOP | BS_PUSHBUTTON, 0};
    case ControlKind::kPictureButton:
      return {control_classes[kButtonClass].name, child | WS_TABSTOP | BS_PUSHBUTTON | BS_ICON, 0};
    case ControlKind::kLabel:
    case ControlKind::kRightLabel:
      // Labels are sized to their text, so a right-aligned one is placed, not aligned.
      return {L"STATIC", child | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case ControlKind::kEdit:
      return {control_classes[kEditClass].name, child | WS_TABSTOP | ES_AUTOHSCROLL,
              WS_EX_CLIENTEDGE};
    case ControlKind::kPasswordEdit:
      return {control_classes[kEditClass].name, child | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD,
              WS_EX_CLIENTEDGE};
  }
  return {L"STATIC", child, 0};
}

bool IsLabel(ControlKind kind) {
  return kind == ControlKind::kLabel || kind == ControlKind::kRightLabel;
}

wchar_t UpperCase(wchar_t c) {
  CharUpperBuffW(&c, 1);
  return c;
}

// Creation order, which is the order the dialog manager walks for Tab: each page with its
// controls by tab order, then the window's buttons, then the tab control. The pages lie above the
// tab control so that they draw over it; as Tab goes round, the tab control still comes right
// before the shown page's controls and after Button2, as the layout's tab order has it.
std::vector<const ControlLayout*> CreationOrder() {
  auto by_tab_order = [](Container container) {
    std::vector<const ControlLayout*> controls;
    for (const ControlLayout& c : EditorLayout()) {
      if (c.container == container) controls.push_back(&c);
    }
    std::stable_sort(controls.begin(), controls.end(),
                     [](const ControlLayout* a, const ControlLayout* b) {
                       const unsigned ka = static_cast<unsigned>(a->tab_order);
                       const unsigned kb = static_cast<unsigned>(b->tab_order);
                       return ka < kb;  // -1, no tab stop, sorts last
                     });
    return controls;
  };
  std::vector<const ControlLayout*> order;
  for (ControlId page : {kTabGame, kTabOther}) {
    order.push_back(&LayoutOf(page));
    for (const ControlLayout* c : by_tab_order(page == kTabGame ? Container::kTabGame
                                                                 : Container::kTabOther)) {
      order.push_back(c);
    }
  }
  for (const ControlLayout* c : by_tab_order(Container::kWindow)) {
    if (c->id != kPageControl1) order.push_back(c);
  }
  order.push_back(&LayoutOf(kPageControl1));
  return order;
}

// The bytes an edit's text keeps once its selection is replaced.
std::size_t BytesOutsideSelection(HWND edit) {
  std::wstring text = win::Window(edit).Text();
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  start = std::min<DWORD>(start, static_cast<DWORD>(text.size()));
  end = std::clamp<DWORD>(end, start, static_cast<DWORD>(text.size()));
  text.erase(start, end - start);
  return win::AnsiByteCount(text);
}

bool FitsByteLimit(HWND edit, int limit, std::wstring_view insert) {
  return BytesOutsideSelection(edit) + win::AnsiByteCount(insert) <=
         static_cast<std::size_t>(limit);
}

// What of `text` may replace the selection without going over `limit` bytes.
std::wstring FitReplacement(HWND edit, int limit, const wchar_t* text) {
  const std::wstring_view wanted(text);
  const std::size_t used = BytesOutsideSelection(edit);
  const std::size_t spare =
      used < static_cast<std::size_t>(limit) ? static_cast<std::size_t>(limit) - used : 0;
  std::wstring fitted(win::FitAnsiBytes(wanted, spare));
  if (fitted.size() < wanted.size()) MessageBeep(MB_OK);
  return fitted;
}

}  // namespace

const std::array<TForm1::EditBinding, 9> TForm1::kEditBindings{{
    {kEdName, &TForm1::edNameExit, &TForm1::edNameKeyPress},
    {kEdSource, &TForm1::edSourceExit, nullptr},
    {kEdTarget, &TForm1::edTargetExit, nullptr},
    {kEdHost, &TForm1::edHostExit, &TForm1::edHostKeyPress},
    {kEdUser, &TForm1::edUserExit, &TForm1::edUserKeyPress},
    {kEdPass, &TForm1::edPassExit, nullptr},
    {kEdPort, &TForm1::edPortExit, &TForm1::edPortKeyPress},
    {kEdInter, &TForm1::edInterExit, &TForm1::edInterKeyPress},
    {kEdSpd, &TForm1::edSpdExit, &TForm1::edSpdKeyPress},
}};

TForm1::TForm1(std::wstring directory) : directory_(std::move(directory)) {
  win::Window* all[] = {&PageControl1, &btnSave, &Button2,   &tabGame, &tabOther, &ListBox1,
                        &btnAdd,       &btnDel,  &Label1,    &edName,  &Label4,   &edSource,
                        &BitBtn1,      &Label5,  &edTarget,  &BitBtn2, &HostLBL,  &edHost,
                        &PortLBL,      &edPort,  &UserLBL,   &edUser,  &PassLBL,  &edPass,
                        &interLBL,     &edInter, &interLBL1, &spdLBL,  &edSpd};
  static_assert(std::size(all) == kControlCount);
  std::copy(std::begin(all), std::end(all), by_id_.begin());
}

TForm1::~TForm1() {
  if (hwnd_) DestroyWindow(hwnd_);
}

win::Window& TForm1::ById(ControlId id) {
  return *by_id_[static_cast<std::size_t>(id - kControlIdBegin)];
}

const win::Window& TForm1::ById(ControlId id) const {
  return *by_id_[static_cast<std::size_t>(id - kControlIdBegin)];
}

const TForm1::EditBinding* TForm1::BindingOf(ControlId id) const {
  for (const EditBinding& binding : kEditBindings) {
    if (binding.id == id) return &binding;
  }
  return nullptr;
}

template <int kClass>
LRESULT CALLBACK TForm1::ControlClassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  const WNDPROC original = control_classes[kClass].original;
  const HWND root = GetAncestor(hwnd, GA_ROOT);
  auto* form = static_cast<TForm1*>(
      reinterpret_cast<win::WindowImpl*>(root ? GetWindowLongPtrW(root, GWLP_USERDATA) : 0));
  if (!form) return CallWindowProcW(original, hwnd, message, wparam, lparam);
  try {
    return form->OnControlMessage(hwnd, static_cast<ControlId>(GetDlgCtrlID(hwnd)), original,
                                  message, wparam, lparam);
  } catch (...) {
    win::ReportException(root);
    return 0;
  }
}

void TForm1::RegisterControlClasses() {
  static const bool registered = [] {
    const WNDPROC procs[] = {ControlClassProc<kTabClass>, ControlClassProc<kListBoxClass>,
                             ControlClassProc<kButtonClass>, ControlClassProc<kEditClass>};
    static_assert(std::size(procs) == std::size(control_classes));
    for (std::size_t i = 0; i < std::size(control_classes); ++i) {
      ControlClass& c = control_classes[i];
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      if (!GetClassInfoExW(nullptr, c.base, &wc)) return false;
      c.original = wc.lpfnWndProc;
      wc.lpfnWndProc = procs[i];
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = c.name;
      if (!RegisterClassExW(&wc)) return false;
    }
    return true;
  }();
  (void)registered;
}

bool TForm1::Create() {
  RegisterClassOnce(kFormClass, nullptr);
  RegisterPageClass();
  RegisterControlClasses();
  if (!CreateImpl(kFormClass, L"", kFormStyle, kFormExStyle, nullptr)) return false;
  dpi_ = win::WindowDpi(hwnd_);
  CreateControls();
  LoadPictures();
  SetFontName(UiFontName());

  const SIZE size =
      win::WindowSizeForClient(win::Scale(kClientWidth, dpi_), win::Scale(kClientHeight, dpi_),
                               kFormStyle, kFormExStyle, dpi_);
  win::MoveWindowTo(hwnd_, win::CentredOnWorkArea(hwnd_, size));
  Layout();
  FormCreate();
  return true;
}

void TForm1::CreateControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  auto s = [this](int value) { return win::Scale(value, dpi_); };
  for (const ControlLayout* control : CreationOrder()) {
    const ControlLayout& c = *control;
    // The pages belong to the tab control but are the window's children, so that the dialog
    // manager walks into them (it does not walk into a control that is itself a tab stop).
    HWND parent = hwnd_;
    if (c.container == Container::kTabGame) parent = tabGame.handle();
    if (c.container == Container::kTabOther) parent = tabOther.handle();
    const WindowClassAndStyle cs = ClassAndStyle(c.kind);
    // Placed where the layout puts them now; labels and pages follow once the font is known.
    RECT& rect = placed_[static_cast<std::size_t>(c.id - kControlIdBegin)];
    rect = RECT{0, 0, 0, 0};
    if (c.kind != ControlKind::kPage && !IsLabel(c.kind)) {
      rect = RECT{s(c.left), s(c.top), s(c.left) + s(c.width), s(c.top) + s(c.height)};
    }
    const HWND hwnd =
        CreateWindowExW(cs.ex_style, cs.class_name, c.initial_text, cs.style, rect.left, rect.top,
                        rect.right - rect.left, rect.bottom - rect.top, parent,
                        reinterpret_cast<HMENU>(INT_PTR{c.id}), instance, nullptr);
    ById(c.id).Attach(hwnd);
    // No limit (0) lifts the system's default of 30,000 characters: a long paste stays whole,
    // and the document cuts it to its field when it is applied.
    if (c.kind == ControlKind::kEdit || c.kind == ControlKind::kPasswordEdit) {
      static_cast<win::Edit&>(ById(c.id)).SetLimit(c.byte_limit);
    }
  }
  PageControl1.InsertItem(0, L"");
  PageControl1.InsertItem(1, L"");
  PageControl1.Select(0);
  ShowActivePage();
  edPass.Send(EM_SETPASSWORDCHAR, L'*');
  edPass.Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  edPort.Enable(false);
}

void TForm1::LoadPictures() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const int folder = win::Scale(16, dpi_);
  folder_icon_.reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_FOLDER), IMAGE_ICON, folder, folder, 0)));
  BitBtn1.SetIcon(folder_icon_.get());
  BitBtn2.SetIcon(folder_icon_.get());
  const int big = GetSystemMetrics(SM_CXICON);
  const int small = win::Scale(16, dpi_);
  app_icon_big_.reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORVEL), IMAGE_ICON, big, big, 0)));
  app_icon_small_.reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORVEL), IMAGE_ICON, small, small, 0)));
  Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(app_icon_big_.get()));
  Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(app_icon_small_.get()));
}

void TForm1::SetFontName(const std::wstring& name) {
  if (font_.get() && name == font_name_) return;
  font_name_ = name;
  win::UniqueFont font = win::MakeFormFont(name, kFontHeight, dpi_);
  for (win::Window* control : by_id_) control->SetFont(font.get());
  font_ = std::move(font);
}

void TForm1::Place(ControlId id, int x, int y, int width, int height) {
  RECT& placed = placed_[static_cast<std::size_t>(id - kControlIdBegin)];
  const RECT wanted{x, y, x + width, y + height};
  if (EqualRect(&placed, &wanted)) return;
  placed = wanted;
  ById(id).Move(x, y, width, height);
}

void TForm1::Layout() {
  auto s = [this](int value) { return win::Scale(value, dpi_); };
  const ControlLayout& tabs = LayoutOf(kPageControl1);
  Place(kPageControl1, s(tabs.left), s(tabs.top), s(tabs.width), s(tabs.height));
  RECT display = PageControl1.DisplayRect();
  MapWindowPoints(PageControl1.handle(), hwnd_, reinterpret_cast<POINT*>(&display), 2);
  for (ControlId page : {kTabGame, kTabOther}) {
    Place(page, display.left, display.top, display.right - display.left,
          display.bottom - display.top);
  }
  for (const ControlLayout& c : EditorLayout()) {
    if (c.kind == ControlKind::kTabs || c.kind == ControlKind::kPage) continue;
    if (IsLabel(c.kind)) {
      const win::Window& label = ById(c.id);
      const SIZE size = win::LabelExtent(label.handle(), font_.get(), label.Text());
      const int left = c.kind == ControlKind::kRightLabel ? s(c.left) - size.cx : s(c.left);
      Place(c.id, left, s(c.top), size.cx, size.cy);
    } else {
      Place(c.id, s(c.left), s(c.top), s(c.width), s(c.height));
    }
  }
}

void TForm1::ShowActivePage() {
  const bool game = PageControl1.Selected() == 0;
  tabGame.Show(game ? SW_SHOW : SW_HIDE);
  tabOther.Show(game ? SW_HIDE : SW_SHOW);
}

void TForm1::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  font_.reset();
  SetFontName(std::wstring(font_name_));
  LoadPictures();
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  win::FitClientArea(hwnd_, win::Scale(kClientWidth, dpi_), win::Scale(kClientHeight, dpi_));
  Layout();
}

void TForm1::ApplyEditorCaptions() {
  SetFontName(UiFontName());
  SetText(UiText(kUiTitle) + L" (V1.0)");
  for (const ControlLayout& c : EditorLayout()) {
    if (c.caption < 0) continue;
    if (c.kind == ControlKind::kPage) {
      PageControl1.SetItemText(c.id == kTabGame ? 0 : 1, UiText(c.caption));
    } else {
      ById(c.id).SetText(UiText(c.caption));
    }
  }
  Layout();
}

void TForm1::Show(int show_command) {
  win::Window::Show(show_command);
  UpdateWindow(hwnd_);
  if (existing_file_not_loaded_) PostMessageW(hwnd_, kReportFileNotLoaded, 0, 0);
}

bool TForm1::IsOwnWindow(HWND hwnd) const {
  return hwnd && (hwnd == hwnd_ || IsChild(hwnd_, hwnd));
}

bool TForm1::TakeFocus(const win::Window& control) {
  if (!control.HasFocus()) control.Focus();
  return control.HasFocus();
}

void TForm1::FocusNextControl(HWND from) {
  if (const HWND next = GetNextDlgTabItem(hwnd_, from, FALSE)) SetFocus(next);
}

bool TForm1::RunAccelerator(wchar_t letter) {
  const wchar_t wanted = UpperCase(letter);
  for (ControlId id : {kBtnSave, kButton2, kBtnAdd, kBtnDel}) {
    const win::Window& button = ById(id);
    if (!button.IsVisible() || !button.IsEnabled()) continue;
    const std::wstring caption = button.Text();
    const std::size_t amp = caption.find(L'&');
    if (amp == std::wstring::npos || amp + 1 >= caption.size()) continue;
    if (UpperCase(caption[amp + 1]) != wanted) continue;
    // The handler runs where the focus is: no click, so the focused edit is not left (Save and
    // closing apply a pending change themselves). Only a control the handler disabled gives the
    // focus on.
    const HWND focus = GetFocus();
    OnCommand(id, BN_CLICKED);
    if (hwnd_ && IsOwnWindow(focus) && !IsWindowEnabled(focus)) FocusNextControl(focus);
    return true;
  }
  return false;
}

bool TForm1::PreTranslateMessage(const MSG& msg) {
  if (!hwnd_ || !IsOwnWindow(msg.hwnd)) return false;
  // The buttons' accelerators come before the dialog manager's, which would click the button:
  // the click takes the focus, and the focused edit would be left (and applied) first.
  const HWND focus = GetFocus();
  const bool on_button = focus && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) &
                                   (DLGC_BUTTON | DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
  if (msg.message == WM_SYSCHAR || (msg.message == WM_CHAR && on_button)) {
    if (RunAccelerator(static_cast<wchar_t>(msg.wParam))) return true;
  }
  MSG copy = msg;
  return IsDialogMessageW(hwnd_, &copy) != FALSE;
}

LRESULT TForm1::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (lparam) OnCommand(static_cast<ControlId>(LOWORD(wparam)), HIWORD(wparam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
    case WM_ACTIVATE:
      focus_memory_.OnActivate(hwnd_, wparam);
      return DefaultProc(message, wparam, lparam);
    case WM_SETFOCUS:
      if (!focus_memory_.Restore(hwnd_)) PageControl1.Focus();
      return 0;
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
      if (FormClose()) DestroyWindow(hwnd_);
      return 0;
    case kReportFileNotLoaded:
      ReportFileNotLoaded();
      return 0;
    case WM_DESTROY:
      FormDestroy();
      if (main_window_) PostQuitMessage(0);
      return 0;
    default:
      return DefaultProc(message, wparam, lparam);
  }
}

void TForm1::OnCommand(ControlId id, UINT code) {
  if (code == BN_CLICKED) {
    switch (id) {
      case kBtnSave:
        btnSaveClick();
        break;
      case kButton2:
        Button2Click();
        break;
      case kBtnAdd:
        btnAddClick();
        break;
      case kBtnDel:
        btnDelClick();
        break;
      case kBitBtn1:
        BitBtn1Click();
        break;
      case kBitBtn2:
        BitBtn2Click();
        break;
      default:
        break;
    }
  } else if (code == LBN_SELCHANGE && id == kListBox1) {
    ListBox1Click();
  }
}

LRESULT TForm1::OnNotify(const NMHDR& header) {
  if (header.idFrom != kPageControl1) return 0;
  if (header.code == TCN_SELCHANGING) {
    // The pending edit is applied before its page goes away; a refused rename keeps the page.
    return TakeFocus(PageControl1) ? FALSE : TRUE;
  }
  if (header.code == TCN_SELCHANGE) ShowActivePage();
  return 0;
}

LRESULT TForm1::OnControlMessage(HWND hwnd, ControlId id, WNDPROC original, UINT message,
                                 WPARAM wparam, LPARAM lparam) {
  auto call_original = [&](UINT m, WPARAM w, LPARAM l) {
    return CallWindowProcW(original, hwnd, m, w, l);
  };
  const EditBinding* edit = BindingOf(id);
  const int limit = LayoutOf(id).byte_limit;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // The focus moves before the click acts, so a pending edit is applied first; when a
      // refused rename takes the focus back, the click must not act at all (it would, for one,
      // move the list's selection under the pending name).
      if (!TakeFocus(win::Window(hwnd))) return 0;
      break;
    case WM_CHAR: {
      if (!edit) break;
      wchar_t key = static_cast<wchar_t>(wparam);
      if (edit->on_key) (this->*edit->on_key)(key);
      if (key == 0) return 0;
      if (limit > 0 && key >= L' ' && !IS_LOW_SURROGATE(key) &&
          !FitsByteLimit(hwnd, limit, std::wstring_view(&key, 1))) {
        MessageBeep(MB_OK);
        return 0;
      }
      wparam = key;
      break;
    }
    case EM_REPLACESEL:
      if (limit > 0 && lparam) {
        const std::wstring fitted =
            FitReplacement(hwnd, limit, reinterpret_cast<const wchar_t*>(lparam));
        return call_original(message, wparam, reinterpret_cast<LPARAM>(fitted.c_str()));
      }
      break;
    case WM_PASTE:
      if (limit > 0) {
        std::wstring text;
        if (OpenClipboard(hwnd)) {
          if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
              text = chars;
              GlobalUnlock(data);
            }
          }
          CloseClipboard();
        }
        text = text.substr(0, text.find_first_of(L"\r\n"));
        const std::wstring fitted = FitReplacement(hwnd, limit, text.c_str());
        call_original(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(fitted.c_str()));
        return 0;
      }
      break;
    case WM_KILLFOCUS:
      if (edit) {
        const LRESULT result = call_original(message, wparam, lparam);
        // Only a move to another control of this window leaves the edit; a message box or
        // another program taking the focus does not.
        if (IsOwnWindow(reinterpret_cast<HWND>(wparam))) (this->*edit->on_exit)();
        return result;
      }
      break;
    default:
      break;
  }
  return call_original(message, wparam, lparam);
}

}  // namespace qv::ui
