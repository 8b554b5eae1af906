#pragma once
// What every top-level window of the program does alike: its font at the monitor's dpi, labels
// sized to their text as the label draws it, the focus remembered across activation, a place on
// the work area, and the wait cursor while the thread blocks.
#include <windows.h>

#include <string>

#include "ui/win/gdi.h"

namespace qv::win {

// The windows' font: `name`, a character height of `height` pixels at 96 dpi, regular weight,
// default character set.
UniqueFont MakeFormFont(const std::wstring& name, int height, UINT dpi);

// The DrawText flags with which a STATIC control of `style` draws its text.
UINT StaticDrawTextFlags(DWORD style);

// The size a label must have for `text` to show whole: the text as the label draws it with
// `font` (its width, glyph overhangs included, and the font's line height).
SIZE LabelExtent(HWND label, HFONT font, const std::wstring& text);

// Sizes `label` to its text with its left edge at `left`; returns the size.
SIZE PlaceLabelLeft(HWND label, HFONT font, int left, int top);

// The outer rectangle of a window of `size` centred on the work area of the monitor nearest
// `hwnd`.
RECT CentredOnWorkArea(HWND hwnd, SIZE size);
// The rectangle at `position`, moved as little as needed to lie within the work area of that
// position's monitor.
RECT WithinWorkArea(POINT position, SIZE size);
void MoveWindowTo(HWND hwnd, const RECT& rect);

// Resizes `hwnd` so that its client area is `width` x `height` exactly: the frame's metrics at a
// given dpi are the system's guess, the client area is what counts.
void FitClientArea(HWND hwnd, int width, int height);

// Keeps the control that had the focus when the window was deactivated and gives the focus back
// to it when the window is activated again.
class FocusMemory {
 public:
  // From WM_ACTIVATE.
  void OnActivate(HWND form, WPARAM wparam);
  // From WM_SETFOCUS: the remembered control if it can still take the focus; false otherwise, and
  // then the caller chooses.
  bool Restore(HWND form) const;
  void Forget() { focus_ = nullptr; }

 private:
  HWND focus_ = nullptr;
};

// Shows the wait cursor for its lifetime: used around calls that block the window's thread.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

}  // namespace qv::win
