#include "ui/message_box.h"

#include <utility>

namespace qv::ui {
namespace {

// MessageBoxW labels its button in the system's language; ours reads "OK" everywhere. The box is
// a dialog: at its activation the CBT hook renames the button before it is first painted.
thread_local HHOOK ok_hook = nullptr;

LRESULT CALLBACK RenameOkButton(int code, WPARAM wparam, LPARAM lparam) {
  wchar_t class_name[16] = {};
  if (code == HCBT_ACTIVATE && GetClassNameW(reinterpret_cast<HWND>(wparam), class_name, 16) &&
      lstrcmpW(class_name, L"#32770") == 0) {
    if (HWND button = GetDlgItem(reinterpret_cast<HWND>(wparam), IDOK)) {
      SetWindowTextW(button, L"OK");
    }
    const HHOOK hook = std::exchange(ok_hook, nullptr);
    UnhookWindowsHookEx(hook);
    return CallNextHookEx(hook, code, wparam, lparam);
  }
  return CallNextHookEx(ok_hook, code, wparam, lparam);
}

int ShowRealBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
  const bool single_ok = (type & MB_TYPEMASK) == MB_OK;
  if (single_ok && !ok_hook) {
    ok_hook = SetWindowsHookExW(WH_CBT, RenameOkButton, nullptr, GetCurrentThreadId());
  }
  const int answer = MessageBoxW(owner, text.c_str(), caption.c_str(), type);
  if (ok_hook) UnhookWindowsHookEx(std::exchange(ok_hook, nullptr));
  return answer;
}

MessageBoxFunction& CurrentFunction() {
  static MessageBoxFunction function = ShowRealBox;
  return function;
}

int Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
  return CurrentFunction()(owner, text, caption, type);
}

}  // namespace

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function) {
  if (!function) function = ShowRealBox;
  return std::exchange(CurrentFunction(), std::move(function));
}

std::wstring ApplicationTitleFromPath(std::wstring_view exe_path) {
  const std::size_t slash = exe_path.find_last_of(L"\\/");
  std::wstring_view name = slash == std::wstring_view::npos ? exe_path : exe_path.substr(slash + 1);
  name = name.substr(0, name.find(L'.'));
  std::wstring title(name);
  if (title.size() > 1) {
    CharLowerBuffW(title.data() + 1, static_cast<DWORD>(title.size() - 1));
  }
  return title;
}

const std::wstring& ApplicationTitle() {
  static const std::wstring title = [] {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
      const DWORD length =
          GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
      if (length < path.size()) {
        path.resize(length);
        break;
      }
      path.resize(path.size() * 2);
    }
    return ApplicationTitleFromPath(path);
  }();
  return title;
}

std::wstring WithFullStop(std::wstring text) {
  if (!text.empty() && text.back() > L'.') text += L'.';
  return text;
}

void ShowProgramMessage(HWND owner, const std::wstring& text) {
  Show(owner, text, ApplicationTitle(), MB_OK);
}

void ShowErrorMessage(HWND owner, const std::wstring& text) {
  Show(owner, WithFullStop(text), ApplicationTitle(), MB_OK | MB_ICONERROR);
}

int AskYesNoCancel(HWND owner, const std::wstring& text, const std::wstring& caption) {
  return Show(owner, text, caption, MB_YESNOCANCEL | MB_DEFBUTTON1);
}

int AskYesNo(HWND owner, const std::wstring& text, const std::wstring& caption,
             DefaultAnswer default_answer) {
  const UINT default_button =
      default_answer == DefaultAnswer::kNo ? MB_DEFBUTTON2 : MB_DEFBUTTON1;
  return Show(owner, text, caption, MB_YESNO | default_button);
}

}  // namespace qv::ui
