#include "ui/win/byte_limited_edit.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "ui/win/ansi_text.h"

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

}  // namespace

void ByteLimitedEdit::SetByteLimit(int bytes) {
  limit_ = bytes;
  SetLimit(bytes);
}

bool ByteLimitedEdit::FilterInput(WNDPROC original, UINT message, WPARAM wparam, LPARAM lparam,
                                  LRESULT& result) const {
  if (limit_ <= 0) return false;
  switch (message) {
    case WM_CHAR: {
      const auto key = static_cast<wchar_t>(wparam);
      // The second half of a pair was let through with the first; control keys add nothing.
      if (key < L' ' || IS_LOW_SURROGATE(key)) return false;
      if (BytesOutsideSelection(hwnd_) + AnsiByteCount(std::wstring_view(&key, 1)) <=
          static_cast<std::size_t>(limit_)) {
        return false;
      }
      MessageBeep(MB_OK);
      result = 0;
      return true;
    }
    case EM_REPLACESEL: {
      if (!lparam) return false;
      const std::wstring fitted =
          FitReplacement(hwnd_, limit_, reinterpret_cast<const wchar_t*>(lparam));
      result = CallWindowProcW(original, hwnd_, message, wparam,
                               reinterpret_cast<LPARAM>(fitted.c_str()));
      return true;
    }
    case WM_PASTE: {
      const std::wstring fitted = FitReplacement(hwnd_, limit_, ClipboardText(hwnd_));
      CallWindowProcW(original, hwnd_, EM_REPLACESEL, TRUE,
                      reinterpret_cast<LPARAM>(fitted.c_str()));
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

}  // namespace qv::win
