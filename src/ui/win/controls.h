#pragma once
// The common controls the editor uses, each wrapped only as far as the editor needs it.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "ui/win/window.h"

namespace qv::win {

class Edit : public Window {
 public:
  using Window::Window;
  bool IsModified() const { return Send(EM_GETMODIFY) != 0; }
  void SetModified(bool modified) const { Send(EM_SETMODIFY, modified); }
  void SetLimit(int units) const { Send(EM_LIMITTEXT, static_cast<WPARAM>(units)); }
};

class ListBox : public Window {
 public:
  using Window::Window;
  int Count() const { return static_cast<int>(Send(LB_GETCOUNT)); }
  int Add(const std::wstring& text) const {
    return static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  }
  void Insert(int index, const std::wstring& text) const {
    Send(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
  }
  void Delete(int index) const { Send(LB_DELETESTRING, static_cast<WPARAM>(index)); }
  void Clear() const { Send(LB_RESETCONTENT); }
  void Reserve(int count, int bytes) const { Send(LB_INITSTORAGE, count, bytes); }
  int Selected() const { return static_cast<int>(Send(LB_GETCURSEL)); }
  void Select(int index) const { Send(LB_SETCURSEL, static_cast<WPARAM>(index)); }
  std::wstring ItemText(int index) const;
};

class TabControl : public Window {
 public:
  using Window::Window;
  void InsertItem(int index, const std::wstring& text) const;
  void SetItemText(int index, const std::wstring& text) const;
  int Selected() const { return static_cast<int>(Send(TCM_GETCURSEL)); }
  void Select(int index) const { Send(TCM_SETCURSEL, static_cast<WPARAM>(index)); }
  // The client rectangle left for the pages once the tabs are drawn.
  RECT DisplayRect() const;
};

class Button : public Window {
 public:
  using Window::Window;
  void SetIcon(HICON icon) const { Send(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)); }
};

}  // namespace qv::win
