#include "ui/browser_form.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "common/win_text.h"
#include "i18n/ui_strings.h"
#include "net/server_connection.h"
#include "ui/message_box.h"
#include "ui/network_wait.h"
#include "ui/res/resource.h"
#include "ui/win/dpi.h"
#include "ui/win/form.h"

namespace qv::ui {
namespace {

constexpr wchar_t kFormClass[] = L"TBrwForm";
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;
constexpr int kLabelId = 10;
constexpr int kTreeId = 11;
// Shows the refusal of an edited label once the tree has ended the edit.
constexpr UINT kShowLabelRefusal = WM_APP + 1;
// TVE_ACTIONMASK, which not every SDK's headers define.
constexpr UINT kExpandActionMask = 0x0003;

// The layout at 96 dpi: the window's place on the screen, its client area and the controls in it.
constexpr POINT kFormPosition{644, 254};
constexpr SIZE kClientSize{316, 288};
constexpr POINT kLabelPosition{8, 8};
constexpr RECT kTreeRect{8, 32, 8 + 300, 32 + 209};
constexpr RECT kOkRect{152, 254, 152 + 75, 254 + 24};
constexpr RECT kCancelRect{232, 254, 232 + 75, 254 + 24};
constexpr int kTreeIndent = 19;

TBrwForm* registered_form = nullptr;

std::string& SelectedPathText() {
  static std::string path;
  return path;
}

}  // namespace

void SetBrwForm(TBrwForm* form) { registered_form = form; }
TBrwForm* BrwForm() { return registered_form; }

const std::string& SelectedPath() { return SelectedPathText(); }
void SetSelectedPath(std::string path) { SelectedPathText() = std::move(path); }

TBrwForm::~TBrwForm() {
  if (registered_form == this) registered_form = nullptr;
}

bool TBrwForm::Create(HWND owner) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterClassOnce(kFormClass, LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUORVEL)));
  if (!CreateImpl(kFormClass, L"", kFormStyle, kFormExStyle, owner)) return false;
  SetDpi(win::WindowDpi(hwnd_));
  CreateControls();
  SetFontName(UiFontName());
  PlaceOnScreen();
  Layout();
  return true;
}

void TBrwForm::CreateControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  auto make = [&](DWORD ex_style, const wchar_t* class_name, DWORD style, int id) {
    return CreateWindowExW(ex_style, class_name, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                           hwnd_, reinterpret_cast<HMENU>(INT_PTR{id}), instance, nullptr);
  };
  // Created in tab order: the tree, OK, Cancel.
  Label1.Attach(make(0, L"STATIC", SS_LEFT | SS_NOPREFIX, kLabelId));
  TreeView1.Attach(make(WS_EX_CLIENTEDGE, WC_TREEVIEWW,
                        WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                            TVS_EDITLABELS | TVS_SHOWSELALWAYS,
                        kTreeId));
  // OK is the default button: Enter in the tree chooses the selected folder.
  btnOk.Attach(make(0, L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK));
  btnCancel.Attach(make(0, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL));
  btnOk.Enable(false);
}

void TBrwForm::ApplyFont(HFONT font) {
  for (const win::Window* control : {&Label1, &btnOk, &btnCancel}) control->SetFont(font);
  TreeView1.SetFont(font);
}

void TBrwForm::Layout() {
  auto s = [this](int value) { return Scale(value); };
  auto place = [&](const win::Window& control, const RECT& r) {
    control.Move(s(r.left), s(r.top), s(r.right - r.left), s(r.bottom - r.top));
  };
  win::PlaceLabelLeft(Label1.handle(), Font(), s(kLabelPosition.x), s(kLabelPosition.y));
  place(TreeView1, kTreeRect);
  place(btnOk, kOkRect);
  place(btnCancel, kCancelRect);
  TreeView1.SetIndent(s(kTreeIndent));
}

// The window keeps its designed place unless that would put part of it off the work area of
// a small screen.
void TBrwForm::PlaceOnScreen() {
  const SIZE size = win::WindowSizeForClient(Scale(kClientSize.cx), Scale(kClientSize.cy),
                                             kFormStyle, kFormExStyle, Dpi());
  win::MoveWindowTo(hwnd_, win::WithinWorkArea(kFormPosition, size));
  FitClientSize();
}

void TBrwForm::FitClientSize() {
  win::FitClientArea(hwnd_, Scale(kClientSize.cx), Scale(kClientSize.cy));
}

void TBrwForm::OnDpiChanged(UINT dpi, const RECT& suggested) {
  SetDpi(dpi);
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  FitClientSize();
  Layout();
}

void TBrwForm::ApplyBrowserCaptions() {
  SetFontName(UiFontName());
  SetText(UiText(kUiBrowseCaption));
  Label1.SetText(UiText(kUiBrowsePrompt));
  btnOk.SetText(UiText(kUiOk));
  btnCancel.SetText(UiText(kUiCancel));
  Layout();
}

int TBrwForm::ShowModal() {
  if (!hwnd_) return kModalResultCancel;
  const HWND owner = GetWindow(hwnd_, GW_OWNER);
  modal_result_ = 0;
  if (owner) EnableWindow(owner, FALSE);
  Show(SW_SHOW);
  if (hwnd_) {
    SetForegroundWindow(hwnd_);
    TreeView1.Focus();
  }
  MSG msg;
  while (modal_result_ == 0 && hwnd_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      modal_result_ = kModalResultCancel;
      break;
    }
    if (PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (modal_result_ == 0) modal_result_ = kModalResultCancel;
  // The owner comes back first, so that it is the window that gets activated again.
  if (owner) EnableWindow(owner, TRUE);
  if (hwnd_) Show(SW_HIDE);
  return modal_result_;
}

bool TBrwForm::PreTranslateMessage(MSG& msg) {
  if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
  // A label being edited takes every key, Enter and Escape included.
  if (TreeView1.EditControl()) return false;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
    btnCancelClick();
    return true;
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
    // Enter on Cancel cancels; anywhere else it is OK, when OK can be pressed.
    const HWND focus = GetFocus();
    if (focus == btnCancel.handle()) {
      btnCancelClick();
    } else if (btnOk.IsEnabled()) {
      btnOkClick();
    }
    return true;
  }
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

LRESULT TBrwForm::OnFormMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  switch (message) {
    case WM_SHOWWINDOW:
      // Only a real showing opens the browser, not the owner coming back from the task bar.
      if (wparam && lparam == 0) {
        modal_result_ = 0;
        show_pending_ = true;
      }
      return DefaultProc(message, wparam, lparam);
    case WM_WINDOWPOSCHANGED:
      result = DefaultProc(message, wparam, lparam);
      // The top level is listed once the window is on the screen, where it can be seen to wait.
      if (show_pending_ && (reinterpret_cast<const WINDOWPOS*>(lparam)->flags & SWP_SHOWWINDOW)) {
        show_pending_ = false;
        FormShow();
      }
      return result;
    case WM_COMMAND: {
      const HWND control = reinterpret_cast<HWND>(lparam);
      if (HIWORD(wparam) != BN_CLICKED || !control || !IsWindowEnabled(control)) return 0;
      if (control == btnOk.handle()) btnOkClick();
      if (control == btnCancel.handle()) btnCancelClick();
      return 0;
    }
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
    case WM_CLOSE:
      // Closing while a listing is awaited gives it up; the window only hides once the waiting
      // code has returned.
      btnCancelClick();
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case kShowLabelRefusal: {
      const std::wstring text = std::move(label_refusal_);
      label_refusal_.clear();
      ShowProgramMessage(hwnd_, text);
      return 0;
    }
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    default:
      return DefaultProc(message, wparam, lparam);
  }
}

LRESULT TBrwForm::OnNotify(const NMHDR& header) {
  if (header.hwndFrom != TreeView1.handle()) return 0;
  switch (header.code) {
    case TVN_ITEMEXPANDINGW: {
      const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
      // While a listing is awaited no other can start; the node stays as it is.
      if (NetworkWait::Busy()) return TRUE;
      if ((change.action & kExpandActionMask) == TVE_EXPAND)
        TreeView1Expanding(change.itemNew.hItem);
      return FALSE;  // otherwise the expansion always goes ahead
    }
    case TVN_SELCHANGEDW:
      SyncOkButton();
      return 0;
    case NM_CLICK:
      TreeView1Click();
      return 0;
    case TVN_BEGINLABELEDITW:
      return NetworkWait::Busy() ? TRUE : FALSE;
    case TVN_ENDLABELEDITW: {
      const auto& edit = reinterpret_cast<const NMTVDISPINFOW&>(header);
      return TreeView1Edited(edit.item.hItem, edit.item.pszText) ? TRUE : FALSE;
    }
    default:
      return 0;
  }
}

TBrwForm::FolderNode& TBrwForm::NodeOf(HTREEITEM node) const {
  return *reinterpret_cast<FolderNode*>(TreeView1.Param(node));
}

std::string TBrwForm::NodePath(HTREEITEM node) const {
  if (!node) return {};
  std::vector<std::string_view> names;
  for (HTREEITEM item = node; item; item = TreeView1.Parent(item)) {
    names.push_back(NodeOf(item).name);
  }
  std::string path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (it != names.rbegin()) path += '\\';
    path += *it;
  }
  return path;
}

void TBrwForm::AddFolderNodes(HTREEITEM parent, const NameList& names) {
  // One buffer for every conversion, sized once: a byte of the ANSI code page never gives more
  // than one UTF-16 unit. No redrawing until the end: some tree views lay out every visible
  // node again after each insertion, which makes a long listing take seconds.
  // The nodes' names stay in a copy of the listing, a single block.
  const NameList& kept = listings_.emplace_back(names);
  std::size_t longest = 0;
  for (std::string_view name : kept) longest = std::max(longest, name.size());
  std::wstring text;
  text.reserve(longest);
  TreeView1.SetRedraw(false);
  for (std::string_view name : kept) {
    FolderNode& node = nodes_.emplace_back(FolderNode{name, {}, false});
    win::AnsiToWideInto(name, text);
    TreeView1.Append(parent, text.c_str(), reinterpret_cast<LPARAM>(&node), true);
  }
  TreeView1.SetRedraw(true);
  InvalidateRect(TreeView1.handle(), nullptr, TRUE);
}

void TBrwForm::SyncOkButton() { btnOk.Enable(TreeView1.Selected() != nullptr); }

void TBrwForm::ClearFolderNodes() {
  TreeView1.DeleteAll();
  nodes_.clear();
  listings_.clear();
}

void TBrwForm::FormShow() {
  ClearFolderNodes();
  FolderNames.clear();
  ServerConnection* connection = GetServerConnection();
  bool listed = false;
  if (connection) {
    NetworkWait wait(*connection);
    wait.LetThrough(btnCancel.handle());
    listed = connection->ListFolder("", FolderNames);
    // Given up: the browser closes as Cancel closes it, with nothing chosen.
    if (wait.GaveUp()) CloseWith(kModalResultCancel);
  }
  if (listed) {
    AddFolderNodes(TVI_ROOT, FolderNames);
  } else {
    FolderNames.clear();
  }
  SyncOkButton();
}

// A node lists its folder once per opening of the browser: expanding it again after a
// collapse shows the children it has. A failed listing leaves it as it was, to be tried again
// at its next expansion.
void TBrwForm::TreeView1Expanding(HTREEITEM node) {
  FolderNode& folder = NodeOf(node);
  if (folder.listed) return;
  FolderNames.clear();
  ServerConnection* connection = GetServerConnection();
  bool listed = false;
  if (connection) {
    const std::string path = NodePath(node);
    NetworkWait wait(*connection);
    wait.LetThrough(btnCancel.handle());
    listed = connection->ListFolder(path, FolderNames);
    if (wait.GaveUp()) CloseWith(kModalResultCancel);
  }
  if (!listed) {
    FolderNames.clear();
    return;
  }
  folder.listed = true;
  if (FolderNames.empty()) {
    TreeView1.SetHasChildrenMark(node, false);
  } else {
    AddFolderNodes(node, FolderNames);
  }
}

void TBrwForm::TreeView1Click() { SyncOkButton(); }

bool TBrwForm::TreeView1Edited(HTREEITEM node, const wchar_t* text) {
  if (!node || !text) return false;
  // The label is the folder's name in the path the server is asked for and the file stores,
  // both in the ANSI code page: a character outside it would arrive as "?".
  if (std::wstring outside = win::CharactersOutsideAnsi(text); !outside.empty()) {
    // The tree may end the same edit twice (once more as the edit loses the focus): one message.
    if (label_refusal_.empty()) PostMessageW(hwnd_, kShowLabelRefusal, 0, 0);
    label_refusal_ = UiText(kUiCannotStore) + L"\n" + outside;
    return false;
  }
  FolderNode& folder = NodeOf(node);
  folder.edited = win::WideToAnsi(text);
  folder.name = folder.edited;
  return true;
}

void TBrwForm::btnOkClick() {
  // A node chosen while its parent's listing is awaited would be chosen from half a tree.
  if (NetworkWait::Busy()) return;
  const HTREEITEM selected = TreeView1.Selected();
  if (!selected) return;
  SetSelectedPath(NodePath(selected));
  CloseWith(kModalResultOk);
}

void TBrwForm::btnCancelClick() {
  NetworkWait::GiveUp();
  CloseWith(kModalResultCancel);
}

}  // namespace qv::ui
