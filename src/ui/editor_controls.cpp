// The editor's controls are superclasses of the system's: the same classes with the editor's
// procedure in front, set once at registration. Subclassing each window instead costs, under
// Wine, a server call per SetWindowLongPtr and, with SetWindowSubclass, per message. The
// procedure moves the focus before a click acts, hands typed characters to the key filters and
// leaving an edit to its handler; the edits' base, the byte-limited edit, keeps their limits.
#include "ui/editor_controls.h"

#include <commctrl.h>

#include <iterator>

#include "ui/editor_window.h"

namespace qv::ui {
namespace {

constexpr wchar_t kPageClass[] = L"QvTabPage";

struct ControlClass {
  const wchar_t* base;
  const wchar_t* name;
  WNDPROC original;
};
// The edits' base is a class of this program; the others are the system's.
ControlClass control_classes[] = {
    {WC_TABCONTROLW, L"QvTabControl", nullptr},
    {L"LISTBOX", L"QvListBox", nullptr},
    {L"BUTTON", L"QvButton", nullptr},
    {nullptr, L"QvEdit", nullptr},
};
enum ControlClassIndex { kTabClass, kListBoxClass, kButtonClass, kEditClass };

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

}  // namespace

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
    case ControlKind::kNameLabel:
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
    win::RegisterWindowClassOnce(kPageClass, PageProc, nullptr);
    const WNDPROC procs[] = {ControlClassProc<kTabClass>, ControlClassProc<kListBoxClass>,
                             ControlClassProc<kButtonClass>, ControlClassProc<kEditClass>};
    static_assert(std::size(procs) == std::size(control_classes));
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    control_classes[kEditClass].base = win::ByteLimitedEdit::ClassName();
    for (std::size_t i = 0; i < std::size(control_classes); ++i) {
      ControlClass& c = control_classes[i];
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      if (!GetClassInfoExW(i == kEditClass ? instance : nullptr, c.base, &wc)) return false;
      c.original = wc.lpfnWndProc;
      wc.lpfnWndProc = procs[i];
      wc.hInstance = instance;
      wc.lpszClassName = c.name;
      if (!RegisterClassExW(&wc)) return false;
    }
    return true;
  }();
  (void)registered;
}

LRESULT TForm1::OnControlMessage(HWND hwnd, ControlId id, WNDPROC original, UINT message,
                                 WPARAM wparam, LPARAM lparam) {
  const ControlLayout* control = FindLayout(id);
  const ControlLayout* edit = control && control->on_exit ? control : nullptr;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // The focus moves before the click acts, so a pending edit is applied first; when a
      // refused edit takes the focus back, the click must not act at all (it would, for one,
      // move the list's selection under the pending name). Exit still closes: the close drops
      // the refused text rather than keep the operator in the window, and its refusal, once shown,
      // is not shown again on the way.
      if (id == kButton2) {
        clicking_exit_ = true;
        const bool moved = TakeFocus(win::Window(hwnd));
        clicking_exit_ = false;
        if (!moved) {
          Button2Click();
          return 0;
        }
      } else if (!TakeFocus(win::Window(hwnd))) {
        return 0;
      }
      break;
    case WM_CHAR: {
      if (!edit) break;
      auto key = static_cast<wchar_t>(wparam);
      if (edit->on_key) (this->*edit->on_key)(key);
      if (key == 0) return 0;
      wparam = key;
      break;
    }
    case WM_KILLFOCUS:
      if (edit) {
        const LRESULT result = CallWindowProcW(original, hwnd, message, wparam, lparam);
        // Only a move to another control of this window leaves the edit; a message box or
        // another program taking the focus does not (closing and Save find it pending).
        if (IsOwnWindow(reinterpret_cast<HWND>(wparam))) LeaveEdit(*edit);
        return result;
      }
      break;
    default:
      break;
  }
  return CallWindowProcW(original, hwnd, message, wparam, lparam);
}

}  // namespace qv::ui
