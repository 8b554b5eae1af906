#include "ui/win/form.h"

#include <algorithm>

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

SIZE LabelExtent(HWND label, HFONT font, const std::wstring& text) {
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(label, GWL_STYLE));
  const HDC dc = GetDC(label);
  const HGDIOBJ old =
      SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  // Wide enough that a label that may wrap words does not, so that its one line is measured.
  RECT rect{0, 0, 0x3fff, 0};
  if (!text.empty()) {
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              StaticDrawTextFlags(style) | DT_CALCRECT);
  } else {
    rect = RECT{0, 0, 0, metrics.tmHeight};
  }
  // The measured width is the sum of the advances; the last glyph's ink may reach past its
  // advance (a negative C width, italics, the smoothing of its edge), and the label clips it.
  int overhang = metrics.tmOverhang;
  if (!text.empty()) {
    ABC abc{};
    if (GetCharABCWidthsW(dc, text.back(), text.back(), &abc) && abc.abcC < 0) {
      overhang = std::max(overhang, static_cast<int>(-abc.abcC));
    }
  }
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  const int antialiased_edge = 1;
  return SIZE{rect.right - rect.left + overhang + antialiased_edge,
              std::max(rect.bottom - rect.top, static_cast<LONG>(metrics.tmHeight))};
}

SIZE PlaceLabelLeft(HWND label, HFONT font, int left, int top) {
  const SIZE size = LabelExtent(label, font, Window(label).Text());
  Window(label).Move(left, top, size.cx, size.cy);
  return size;
}

SIZE PlaceLabelRight(HWND label, HFONT font, int right, int top) {
  const SIZE size = LabelExtent(label, font, Window(label).Text());
  Window(label).Move(right - size.cx, top, size.cx, size.cy);
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

RECT CentredOnWorkArea(HWND hwnd, SIZE size) {
  const RECT area = WorkAreaOf(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY));
  const LONG left = area.left + (area.right - area.left - size.cx) / 2;
  const LONG top = area.top + (area.bottom - area.top - size.cy) / 2;
  return RECT{left, top, left + size.cx, top + size.cy};
}

RECT WithinWorkArea(POINT position, SIZE size) {
  const RECT area = WorkAreaOf(MonitorFromPoint(position, MONITOR_DEFAULTTOPRIMARY));
  const LONG left = std::max(area.left, std::min(position.x, area.right - size.cx));
  const LONG top = std::max(area.top, std::min(position.y, area.bottom - size.cy));
  return RECT{left, top, left + size.cx, top + size.cy};
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

void FocusMemory::OnActivate(HWND form, WPARAM wparam) {
  if (LOWORD(wparam) != WA_INACTIVE) return;
  const HWND focus = GetFocus();
  if (focus && IsChild(form, focus)) focus_ = focus;
}

bool FocusMemory::Restore(HWND form) const {
  if (!focus_ || !IsWindow(focus_) || !IsChild(form, focus_) || !IsWindowVisible(focus_) ||
      !IsWindowEnabled(focus_)) {
    return false;
  }
  SetFocus(focus_);
  return GetFocus() == focus_;
}

}  // namespace qv::win
