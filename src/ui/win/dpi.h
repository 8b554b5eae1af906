#pragma once
// Dots per inch: the layout is given at 96 dpi and scaled to the monitor the window is on. The
// per-monitor functions exist only from Windows 10 on, so they are looked up at run time.
#include <windows.h>

namespace qv::win {

inline constexpr UINT kDesignDpi = 96;

inline int Scale(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), kDesignDpi); }

// The window's dpi, or the system's where the system knows no per-window value.
UINT WindowDpi(HWND hwnd);
// The outer size of a window whose client area is `width` x `height`.
SIZE WindowSizeForClient(int width, int height, DWORD style, DWORD ex_style, UINT dpi);

}  // namespace qv::win
