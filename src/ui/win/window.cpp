#include "ui/win/window.h"

#include <exception>
#include <new>
#include <string>

#include "common/win_text.h"
#include "ui/message_box.h"

namespace qv::win {

std::wstring Window::Text() const {
  const int length = GetWindowTextLengthW(hwnd_);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd_, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

WindowImpl::~WindowImpl() {
  if (hwnd_ && IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void RegisterWindowClassOnce(const wchar_t* class_name, WNDPROC proc, HICON icon) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(instance, class_name, &existing)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = class_name;
  RegisterClassExW(&wc);
}

void WindowImpl::RegisterClassOnce(const wchar_t* class_name, HICON icon) {
  RegisterWindowClassOnce(class_name, StaticProc, icon);
}

bool WindowImpl::CreateImpl(const wchar_t* class_name, const std::wstring& title, DWORD style,
                            DWORD ex_style, HWND parent) {
  CreateWindowExW(ex_style, class_name, title.c_str(), style, 0, 0, 0, 0, parent, nullptr,
                  GetModuleHandleW(nullptr), this);
  return hwnd_ != nullptr;
}

LRESULT CALLBACK WindowImpl::StaticProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<WindowImpl*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<WindowImpl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
  LRESULT result = 0;
  try {
    result = self->OnMessage(message, wparam, lparam);
  } catch (...) {
    ReportException(hwnd);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

void ReportException(HWND owner) noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    ui::ShowErrorMessage(owner, L"Out of memory");
  } catch (const std::exception& e) {
    ui::ShowErrorMessage(owner, AnsiToWide(e.what()));
  } catch (...) {
    ui::ShowErrorMessage(owner, L"Unexpected error");
  }
}

}  // namespace qv::win
