#pragma once
// What every top-level window of the program does alike: its font at the monitor's dpi, labels
// sized to their text as the label draws it, the focus remembered across activation, a place on
// the work area, and the wait cursor while the thread blocks.
#include <windows.h>

#include <string>

#include "ui/win/gdi.h"
#include "ui/win/window.h"

namespace qv::win {

// The character height of the windows' font in pixels at 96 dpi (9 points).
inline constexpr int kFormFontHeight = 12;

// The windows' font: `name`, a character height of `height` pixels at 96 dpi, regular weight,
// default character set.
UniqueFont MakeFormFont(const std::wstring& name, int height, UINT dpi);

// The size a label must have for `text` to show whole: the text as the label draws it with
// `font` (its width, glyph overhangs included, and the font's line height).
SIZE LabelExtent(HWND label, HFONT font, const std::wstring& text);

// Sizes `label` to its text with its left edge at `left`; returns the size.
SIZE PlaceLabelLeft(HWND label, HFONT font, int left, int top);

// The rectangle at `position`, moved as little as needed to lie within the work area of that
// position's monitor.
RECT WithinWorkArea(POINT position, SIZE size);
void MoveWindowTo(HWND hwnd, const RECT& rect);

// Resizes `hwnd` so that its client area is `width` x `height` exactly: the frame's metrics at a
// given dpi are the system's guess, the client area is what counts.
void FitClientArea(HWND hwnd, int width, int height);

// The largest dpi, at most `dpi` and at least `min_dpi`, at which a window whose client area is
// `client` pixels at 96 dpi fits in `area` with a frame of `frame` pixels (the frame keeps the
// monitor's size, whatever the dpi the client area is laid out for); `min_dpi` when none does.
UINT DpiFittingArea(UINT dpi, SIZE client, SIZE frame, const RECT& area, UINT min_dpi);
// The work area of the monitor nearest `rect`.
RECT WorkAreaNear(const RECT& rect);
// `rect` moved as little as needed to lie within `area`; one larger than the area keeps its top
// left corner, and so its title bar, inside it.
RECT MovedInto(const RECT& rect, const RECT& area);

// What the program's top-level windows do alike: a font of their own at the dpi they are laid
// out for, handed to the controls whenever either changes; the control that had the focus when
// the window was deactivated given the focus again when it is activated; the wait cursor over the
// window while a WaitCursor is alive. The form answers those messages before the window sees any.
class Form : public WindowImpl {
 public:
  // The dpi the window is laid out for.
  UINT Dpi() const { return dpi_; }

 protected:
  int Scale(int value) const;
  HFONT Font() const { return font_.get(); }
  // Makes the font of `name` at the form's dpi and hands it to the controls.
  void SetFontName(const std::wstring& name);
  // A new dpi: the font is made again for it.
  void SetDpi(UINT dpi);

  // Every message the form leaves to the window.
  virtual LRESULT OnFormMessage(UINT message, WPARAM wparam, LPARAM lparam) = 0;
  // The window was activated; the focus goes back where it was right after.
  virtual void OnActivated() {}
  virtual void ApplyFont(HFONT font) = 0;
  // Where the focus goes when the window gets it and no control of it had it before.
  virtual void FocusFirstControl() = 0;

 private:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) final;
  bool OnFocusMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);
  bool OnCursorMessage(UINT message, LPARAM lparam, LRESULT& result);

  UINT dpi_ = 96;
  std::wstring font_name_;
  UniqueFont font_;
  HWND focus_before_deactivation_ = nullptr;
};

// Shows the wait cursor for its lifetime, also while the mouse moves over the forms: used
// around waits of the window's thread.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

  static bool Shown();

 private:
  HCURSOR previous_;
};

}  // namespace qv::win
