#include "ui/win/form.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "ui/win/dpi.h"
#include "ui/win/window.h"

namespace qv::win {

UniqueFont MakeFormFont(const std::wstring& name, int height, UINT dpi) {
  LOGFONTW lf{};
  lf.lfHeight = -Scale(height, dpi);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  lstrcpynW(lf.lfFaceName, name.c_str(), LF_FACESIZE);
  return UniqueFont(CreateFontIndirectW(&lf));
}

namespace {

// The DrawText flags with which a STATIC control of `style` draws its text.
UINT StaticDrawTextFlags(DWORD style) {
  UINT flags = 0;
  switch (style & SS_TYPEMASK) {
    case SS_LEFT:
      flags = DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK;
      break;
    case SS_CENTER:
      flags = DT_CENTER | DT_EXPANDTABS | DT_WORDBREAK;
      break;
    case SS_RIGHT:
      flags = DT_RIGHT | DT_EXPANDTABS | DT_WORDBREAK;
      break;
    case SS_SIMPLE:
      return DT_LEFT | DT_SINGLELINE | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    case SS_LEFTNOWORDWRAP:
      flags = DT_LEFT | DT_EXPANDTABS;
      break;
    default:
      break;
  }
  if (style & SS_NOPREFIX) flags |= DT_NOPREFIX;
  if (style & SS_CENTERIMAGE) flags |= DT_SINGLELINE | DT_VCENTER;
  if (style & SS_EDITCONTROL) flags |= DT_EDITCONTROL;
  return flags;
}

// A white 32-bit bitmap to draw texts into, kept between calls: the labels of a window are
// measured one after another, and under Wine every new DC and bitmap is a trip to the server.
class InkCanvas {
 public:
  ~InkCanvas() {
    if (dc_) DeleteDC(dc_);
    if (bitmap_) DeleteObject(bitmap_);
  }

  // Ready for a text of `width` x `height` pixels; false when the bitmap cannot be made.
  bool Prepare(int width, int height) {
    if (!dc_) dc_ = CreateCompatibleDC(nullptr);
    if (!dc_) return false;
    if (width > width_ || height > height_) {
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(info.bmiHeader);
      info.bmiHeader.biWidth = std::max(width, width_);
      info.bmiHeader.biHeight = -std::max(height, height_);
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      void* bits = nullptr;
      const HBITMAP bitmap = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
      if (!bitmap || !bits) return false;
      SelectObject(dc_, bitmap);
      if (bitmap_) DeleteObject(bitmap_);
      bitmap_ = bitmap;
      pixels_ = static_cast<std::uint32_t*>(bits);
      width_ = info.bmiHeader.biWidth;
      height_ = -info.bmiHeader.biHeight;
    }
    const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    std::fill(pixels_, pixels_ + count, kPaper);
    return true;
  }

  // One past the rightmost column of ink once `text` is drawn with `font` and `flags` in a box
  // `width` x `height` at the top left.
  int InkRight(HFONT font, const std::wstring& text, UINT flags, int width, int height) {
    if (!Prepare(width, height)) return 0;
    const HGDIOBJ old_font = SelectObject(dc_, font);
    SetTextColor(dc_, RGB(0, 0, 0));
    SetBkMode(dc_, TRANSPARENT);
    RECT box{0, 0, width, height};
    DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &box, flags);
    GdiFlush();
    SelectObject(dc_, old_font);
    for (int x = width - 1; x >= 0; --x) {
      for (int y = 0; y < height; ++y) {
        if (pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                    static_cast<std::size_t>(x)] != kPaper) {
          return x + 1;
        }
      }
    }
    return 0;
  }

 private:
  static constexpr std::uint32_t kPaper = 0x00ffffff;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  std::uint32_t* pixels_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace

SIZE LabelExtent(HWND label, HFONT font, const std::wstring& text) {
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(label, GWL_STYLE));
  const UINT flags = StaticDrawTextFlags(style);
  const HDC dc = GetDC(label);
  const HGDIOBJ old =
      SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SIZE size{0, metrics.tmHeight};
  if (!text.empty()) {
    // Wide enough that a label that may wrap words does not, so that its one line is measured.
    RECT rect{0, 0, 0x3fff, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags | DT_CALCRECT);
    size.cx = rect.right - rect.left;
    size.cy = std::max(size.cy, rect.bottom - rect.top);
    // DT_CALCRECT adds up whole advances, but the glyphs may be placed at fractional ones and a
    // last glyph's ink may reach past its advance: along a long text Wine's drawing ends a pixel
    // or two further right. The label clips whatever lies outside it, so it is sized to where the
    // ink really ends, drawn with the same font and flags.
    static thread_local InkCanvas canvas;
    const int slack = metrics.tmMaxCharWidth + 8;
    const HFONT drawn = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
    const int ink = canvas.InkRight(drawn, text, flags, size.cx + slack, size.cy);
    size.cx = std::max<LONG>(size.cx, ink);
  }
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  return size;
}

SIZE PlaceLabelLeft(HWND label, HFONT font, int left, int top) {
  const SIZE size = LabelExtent(label, font, Window(label).Text());
  Window(label).Move(left, top, size.cx, size.cy);
  return size;
}

namespace {

RECT WorkAreaOf(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(monitor, &info);
  return info.rcWork;
}

}  // namespace

RECT WithinWorkArea(POINT position, SIZE size) {
  const RECT area = WorkAreaOf(MonitorFromPoint(position, MONITOR_DEFAULTTOPRIMARY));
  return MovedInto(RECT{position.x, position.y, position.x + size.cx, position.y + size.cy}, area);
}

void MoveWindowTo(HWND hwnd, const RECT& rect) {
  SetWindowPos(hwnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void FitClientArea(HWND hwnd, int width, int height) {
  RECT client{};
  GetClientRect(hwnd, &client);
  const int dx = width - client.right;
  const int dy = height - client.bottom;
  if (dx == 0 && dy == 0) return;
  RECT window{};
  GetWindowRect(hwnd, &window);
  SetWindowPos(hwnd, nullptr, 0, 0, window.right - window.left + dx,
               window.bottom - window.top + dy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

UINT DpiFittingArea(UINT dpi, SIZE client, SIZE frame, const RECT& area, UINT min_dpi) {
  const LONG width = area.right - area.left - frame.cx;
  const LONG height = area.bottom - area.top - frame.cy;
  for (UINT d = dpi; d > min_dpi; --d) {
    if (Scale(client.cx, d) <= width && Scale(client.cy, d) <= height) return d;
  }
  return std::min(dpi, min_dpi);
}

RECT WorkAreaNear(const RECT& rect) {
  return WorkAreaOf(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST));
}

RECT MovedInto(const RECT& rect, const RECT& area) {
  const LONG width = rect.right - rect.left;
  const LONG height = rect.bottom - rect.top;
  const LONG left = std::max(area.left, std::min(rect.left, area.right - width));
  const LONG top = std::max(area.top, std::min(rect.top, area.bottom - height));
  return RECT{left, top, left + width, top + height};
}

namespace {

int wait_cursors = 0;

}  // namespace

WaitCursor::WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {
  ++wait_cursors;
}

WaitCursor::~WaitCursor() {
  --wait_cursors;
  SetCursor(previous_);
}

bool WaitCursor::Shown() { return wait_cursors > 0; }

int Form::Scale(int value) const { return win::Scale(value, dpi_); }

void Form::SetFontName(const std::wstring& name) {
  if (font_.get() && name == font_name_) return;
  font_name_ = name;
  UniqueFont font = MakeFormFont(name, kFormFontHeight, dpi_);
  ApplyFont(font.get());
  font_ = std::move(font);
}

void Form::SetDpi(UINT dpi) {
  dpi_ = dpi;
  if (!font_.get()) return;
  font_.reset();
  SetFontName(std::wstring(font_name_));
}

LRESULT Form::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (OnFocusMessage(message, wparam, lparam, result)) return result;
  if (OnCursorMessage(message, lparam, result)) return result;
  return OnFormMessage(message, wparam, lparam);
}

bool Form::OnCursorMessage(UINT message, LPARAM lparam, LRESULT& result) {
  // The controls ask their parent first; the frame keeps its sizing and other cursors.
  if (message != WM_SETCURSOR || !WaitCursor::Shown() || LOWORD(lparam) != HTCLIENT) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  result = TRUE;
  return true;
}

bool Form::OnFocusMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) focus_before_deactivation_ = focus;
      } else {
        OnActivated();
      }
      result = DefaultProc(message, wparam, lparam);
      return true;
    case WM_SETFOCUS: {
      const HWND control = focus_before_deactivation_;
      const bool usable = control && IsWindow(control) && IsChild(hwnd_, control) &&
                          IsWindowVisible(control) && IsWindowEnabled(control);
      if (usable) SetFocus(control);
      if (!usable || GetFocus() != control) FocusFirstControl();
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

}  // namespace qv::win
