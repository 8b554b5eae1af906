#pragma once
// The tree view as the folder browser uses it: nodes carrying a text, a value of ours and the
// has-children mark, appended in order and never sorted.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/win/window.h"

namespace qv::win {

class TreeView : public Window {
 public:
  HTREEITEM Append(HTREEITEM parent, const wchar_t* text, LPARAM param, bool has_children) const {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(text);
    insert.item.lParam = param;
    insert.item.cChildren = has_children ? 1 : 0;
    return reinterpret_cast<HTREEITEM>(Send(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  void DeleteAll() const { Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }
  int Count() const { return static_cast<int>(Send(TVM_GETCOUNT)); }

  HTREEITEM Next(HTREEITEM item, UINT relation) const {
    return reinterpret_cast<HTREEITEM>(
        Send(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
  }
  HTREEITEM Selected() const { return Next(nullptr, TVGN_CARET); }
  HTREEITEM Parent(HTREEITEM item) const { return Next(item, TVGN_PARENT); }
  // The first child of `item`; of the root for nullptr.
  HTREEITEM FirstChild(HTREEITEM item) const {
    return item ? Next(item, TVGN_CHILD) : Next(nullptr, TVGN_ROOT);
  }
  HTREEITEM NextSibling(HTREEITEM item) const { return Next(item, TVGN_NEXT); }
  void Select(HTREEITEM item) const {
    Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  }

  LPARAM Param(HTREEITEM item) const {
    TVITEMW data{};
    data.mask = TVIF_PARAM | TVIF_HANDLE;
    data.hItem = item;
    return Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data)) ? data.lParam : 0;
  }
  bool HasChildrenMark(HTREEITEM item) const {
    TVITEMW data{};
    data.mask = TVIF_CHILDREN | TVIF_HANDLE;
    data.hItem = item;
    return Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data)) && data.cChildren != 0;
  }
  void SetHasChildrenMark(HTREEITEM item, bool has_children) const {
    TVITEMW data{};
    data.mask = TVIF_CHILDREN | TVIF_HANDLE;
    data.hItem = item;
    data.cChildren = has_children ? 1 : 0;
    Send(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&data));
  }
  UINT State(HTREEITEM item, UINT mask) const {
    return static_cast<UINT>(Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
  }
  std::wstring ItemText(HTREEITEM item) const {
    // The control cuts the text to the buffer it is given, so grow it until the text fits.
    std::wstring text(256, L'\0');
    for (;;) {
      TVITEMW data{};
      data.mask = TVIF_TEXT | TVIF_HANDLE;
      data.hItem = item;
      data.pszText = text.data();
      data.cchTextMax = static_cast<int>(text.size());
      if (!Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data))) return {};
      const std::size_t length = static_cast<std::size_t>(lstrlenW(data.pszText));
      if (length + 1 < text.size()) {
        if (data.pszText != text.data()) return std::wstring(data.pszText, length);
        text.resize(length);
        return text;
      }
      text.assign(text.size() * 2, L'\0');
    }
  }

  void SetIndent(int pixels) const { Send(TVM_SETINDENT, static_cast<WPARAM>(pixels)); }
  HWND EditLabel(HTREEITEM item) const {
    return reinterpret_cast<HWND>(Send(TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(item)));
  }
  HWND EditControl() const { return reinterpret_cast<HWND>(Send(TVM_GETEDITCONTROL)); }
  void EndEditLabel(bool cancel) const { Send(TVM_ENDEDITLABELNOW, cancel); }
};

}  // namespace qv::win
