// Keyboard navigation of the editor window: focus moves, the buttons' accelerators and Escape in
// an edit, in front of the dialog manager.
#include "ui/editor_window.h"

namespace qv::ui {
namespace {

wchar_t UpperCase(wchar_t c) {
  CharUpperBuffW(&c, 1);
  return c;
}

}  // namespace

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

void TForm1::FocusFirstControl() { PageControl1().Focus(); }

bool TForm1::RunAccelerator(wchar_t letter) {
  const wchar_t wanted = UpperCase(letter);
  for (const ControlLayout& c : EditorLayout()) {
    if (!c.on_click) continue;
    const win::Window button = ById(c.id);
    if (!button.IsVisible() || !button.IsEnabled()) continue;
    const std::wstring caption = button.Text();
    const std::size_t amp = caption.find(L'&');
    if (amp == std::wstring::npos || amp + 1 >= caption.size()) continue;
    if (UpperCase(caption[amp + 1]) != wanted) continue;
    // The handler runs where the focus is: no click, so the focused edit is not left (Save and
    // closing apply a pending change themselves). Only a control the handler disabled gives the
    // focus on.
    const HWND focus = GetFocus();
    (this->*c.on_click)();
    if (hwnd_ && IsOwnWindow(focus) && !IsWindowEnabled(focus)) FocusNextControl(focus);
    return true;
  }
  return false;
}

bool TForm1::PreTranslateMessage(const MSG& msg) {
  if (!hwnd_ || !IsOwnWindow(msg.hwnd)) return false;
  const HWND focus = GetFocus();
  // Escape in an edit takes back what was typed since it was last applied; the dialog manager
  // would only send a Cancel that the window has no button for.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && focus) {
    const ControlLayout* edit = FindLayout(GetDlgCtrlID(focus));
    if (edit && edit->on_exit && Control(edit->id) == focus) {
      if (EditOf(edit->id).IsModified()) ShowStoredValue(edit->id);
      return true;
    }
  }
  // The buttons' accelerators come before the dialog manager's, which would click the button:
  // the click takes the focus, and the focused edit would be left (and applied) first.
  const bool on_button = focus && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) &
                                   (DLGC_BUTTON | DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
  if (msg.message == WM_SYSCHAR || (msg.message == WM_CHAR && on_button)) {
    if (RunAccelerator(static_cast<wchar_t>(msg.wParam))) return true;
  }
  MSG copy = msg;
  return IsDialogMessageW(hwnd_, &copy) != FALSE;
}

}  // namespace qv::ui
