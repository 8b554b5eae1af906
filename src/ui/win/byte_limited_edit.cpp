#include "ui/win/byte_limited_edit.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "common/win_text.h"

namespace qv::win {
namespace {

// The bytes an edit's text keeps once its selection is replaced.
std::size_t BytesOutsideSelection(HWND edit) {
  std::wstring text = Window(edit).Text();
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  start = std::min<DWORD>(start, static_cast<DWORD>(text.size()));
  end = std::clamp<DWORD>(end, start, static_cast<DWORD>(text.size()));
  text.erase(start, end - start);
  return AnsiByteCount(text);
}

// What of `wanted` may replace the selection without going over `limit` bytes.
std::wstring FitReplacement(HWND edit, int limit, std::wstring_view wanted) {
  const std::size_t used = BytesOutsideSelection(edit);
  const std::size_t spare =
      used < static_cast<std::size_t>(limit) ? static_cast<std::size_t>(limit) - used : 0;
  std::wstring fitted(FitAnsiBytes(wanted, spare));
  if (fitted.size() < wanted.size()) MessageBeep(MB_OK);
  return fitted;
}

std::wstring ClipboardText(HWND owner) {
  std::wstring text;
  if (!OpenClipboard(owner)) return text;
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  // A single-line edit takes the first line.
  return text.substr(0, text.find_first_of(L"\r\n"));
}

// Where an edit of the class keeps its limit: the window bytes after the system edit's own.
int limit_slot = 0;
WNDPROC system_edit_proc = nullptr;
bool class_registered = false;

int ByteLimitOf(HWND edit) { return static_cast<int>(GetWindowLongPtrW(edit, limit_slot)); }

// Answers the messages that add text when the limit would be passed; true when it answered.
bool FilterInput(HWND edit, int limit, UINT message, WPARAM wparam, LPARAM lparam,
                 LRESULT& result) {
  switch (message) {
    case WM_CHAR: {
      const auto key = static_cast<wchar_t>(wparam);
      // The second half of a pair was let through with the first; control keys add nothing.
      if (key < L' ' || IS_LOW_SURROGATE(key)) return false;
      if (BytesOutsideSelection(edit) + AnsiByteCount(std::wstring_view(&key, 1)) <=
          static_cast<std::size_t>(limit)) {
        return false;
      }
      MessageBeep(MB_OK);
      result = 0;
      return true;
    }
    case EM_REPLACESEL: {
      if (!lparam) return false;
      const std::wstring fitted =
          FitReplacement(edit, limit, reinterpret_cast<const wchar_t*>(lparam));
      result = CallWindowProcW(system_edit_proc, edit, message, wparam,
                               reinterpret_cast<LPARAM>(fitted.c_str()));
      return true;
    }
    case WM_PASTE: {
      const std::wstring fitted = FitReplacement(edit, limit, ClipboardText(edit));
      CallWindowProcW(system_edit_proc, edit, EM_REPLACESEL, TRUE,
                      reinterpret_cast<LPARAM>(fitted.c_str()));
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

LRESULT CALLBACK ByteLimitedEditProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CHAR || message == EM_REPLACESEL || message == WM_PASTE) {
    LRESULT result = 0;
    const int limit = ByteLimitOf(edit);
    if (limit > 0 && FilterInput(edit, limit, message, wparam, lparam, result)) return result;
  }
  return CallWindowProcW(system_edit_proc, edit, message, wparam, lparam);
}

constexpr wchar_t kClassName[] = L"QvByteLimitedEdit";

}  // namespace

const wchar_t* ByteLimitedEdit::ClassName() {
  // A superclass, not a subclass of each window: under Wine every SetWindowLongPtr of a
  // procedure is a trip to the server.
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(nullptr, L"EDIT", &wc)) return false;
    system_edit_proc = wc.lpfnWndProc;
    limit_slot = wc.cbWndExtra;
    wc.cbWndExtra += static_cast<int>(sizeof(LONG_PTR));
    wc.lpfnWndProc = ByteLimitedEditProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    class_registered = RegisterClassExW(&wc) != 0;
    return class_registered;
  }();
  (void)registered;
  return kClassName;
}

void ByteLimitedEdit::SetByteLimit(int bytes) const {
  // Without the class the slot would be the system edit's own bytes.
  if (class_registered) SetWindowLongPtrW(hwnd_, limit_slot, bytes);
  SetLimit(bytes);
}

}  // namespace qv::win
