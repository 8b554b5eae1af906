#pragma once
// Thin wrappers over window handles: one line per message or API call, only what the editor uses.
#include <windows.h>

#include <string>

namespace qv::win {

class Window {
 public:
  Window() = default;
  explicit Window(HWND hwnd) : hwnd_(hwnd) {}

  HWND handle() const { return hwnd_; }
  void Attach(HWND hwnd) { hwnd_ = hwnd; }

  LRESULT Send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) const {
    return SendMessageW(hwnd_, message, wparam, lparam);
  }
  void SetText(const std::wstring& text) const { SetWindowTextW(hwnd_, text.c_str()); }
  std::wstring Text() const;
  void Enable(bool enable) const { EnableWindow(hwnd_, enable); }
  bool IsEnabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
  bool IsVisible() const { return IsWindowVisible(hwnd_) != FALSE; }
  void Show(int command) const { ShowWindow(hwnd_, command); }
  void Focus() const { SetFocus(hwnd_); }
  bool HasFocus() const { return GetFocus() == hwnd_; }
  void SetFont(HFONT font) const { Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }
  void SetRedraw(bool redraw) const { Send(WM_SETREDRAW, redraw); }
  void Move(int x, int y, int width, int height) const {
    SetWindowPos(hwnd_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

 protected:
  HWND hwnd_ = nullptr;
};

// Registers a window class of the program, on the button-face colour with the arrow cursor,
// unless it is registered already.
void RegisterWindowClassOnce(const wchar_t* class_name, WNDPROC proc, HICON icon);

// A window class of our own whose one static procedure stores `this` at WM_NCCREATE and hands
// every message to OnMessage. Exceptions stop there: they are shown as errors and the message
// counts as handled.
class WindowImpl : public Window {
 public:
  WindowImpl() = default;
  WindowImpl(const WindowImpl&) = delete;
  WindowImpl& operator=(const WindowImpl&) = delete;
  virtual ~WindowImpl();

 protected:
  static void RegisterClassOnce(const wchar_t* class_name, HICON icon);
  bool CreateImpl(const wchar_t* class_name, const std::wstring& title, DWORD style, DWORD ex_style,
                  HWND parent);
  LRESULT DefaultProc(UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcW(hwnd_, message, wparam, lparam);
  }
  virtual LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) = 0;

 private:
  static LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
};

// Called from a catch block at the Win32 boundary: shows the exception being handled in the
// error box, so that the action that raised it is abandoned and the program goes on.
void ReportException(HWND owner) noexcept;

}  // namespace qv::win
