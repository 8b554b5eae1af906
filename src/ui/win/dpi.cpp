#include "ui/win/dpi.h"

namespace qv::win {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

template <typename Fn>
Fn User32Function(const char* name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

UINT WindowDpi(HWND hwnd) {
  static const auto get_dpi_for_window = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (get_dpi_for_window && hwnd) {
    if (const UINT dpi = get_dpi_for_window(hwnd)) return dpi;
  }
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

SIZE WindowSizeForClient(int width, int height, DWORD style, DWORD ex_style, UINT dpi) {
  static const auto adjust_for_dpi =
      User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, width, height};
  if (!adjust_for_dpi || !adjust_for_dpi(&rect, style, FALSE, ex_style, dpi)) {
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  }
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace qv::win
