#pragma once
// The remote folder browser: a modal window showing the sync server's folder tree, filled
// lazily over the process-wide ServerConnection, that leaves the chosen folder's path in
// SelectedPath. It is created once, hidden, and shown again for every browse.
#include <windows.h>

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "net/name_list.h"
#include "ui/win/form.h"
#include "ui/win/gdi.h"
#include "ui/win/tree_view.h"
#include "ui/win/window.h"

namespace qv::ui {

inline constexpr int kModalResultOk = 1;
inline constexpr int kModalResultCancel = 2;

class TBrwForm : public win::Form {
 public:
  TBrwForm() = default;
  ~TBrwForm() override;

  // Creates the window hidden, owned by `owner` (the editor window), with its controls.
  bool Create(HWND owner);
  void ApplyBrowserCaptions();

  // Disables the owner, shows the window and runs its own message loop until the window is
  // closed; then enables the owner again and hides the window. Returns kModalResultOk or
  // kModalResultCancel. A WM_QUIT met on the way is posted again and counts as Cancel.
  int ShowModal();
  // The result the window was last closed with; 0 while it is open.
  int ModalResult() const { return modal_result_; }

  // The folder path of `node`: the texts of its ancestors from the top level down and its own,
  // joined by backslashes, in the ANSI code page.
  std::string NodePath(HTREEITEM node) const;
  // Appends one node with the has-children mark per name, in order, below `parent` (TVI_ROOT
  // for the top level).
  void AddFolderNodes(HTREEITEM parent, const NameList& names);
  // Removes every node.
  void ClearFolderNodes();

  const win::TreeView& Tree() const { return TreeView1; }
  const win::Window& OkButton() const { return btnOk; }
  const win::Window& CancelButton() const { return btnCancel; }
  const win::Window& Caption() const { return Label1; }

  // Every listing is received into this list; it is cleared before each request.
  NameList FolderNames;

 private:
  // What the tree's lParam points at: the name as the server sent it, kept in one of
  // listings_ (or as the user edited the label, kept in `edited`), and whether its folder has
  // been listed since the window was last shown.
  struct FolderNode {
    std::string_view name;
    std::string edited;
    bool listed = false;
  };

  LRESULT OnFormMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void ApplyFont(HFONT font) override;
  void FocusFirstControl() override { TreeView1.Focus(); }
  LRESULT OnNotify(const NMHDR& header);
  bool PreTranslateMessage(MSG& msg);
  void CreateControls();
  void Layout();
  void PlaceOnScreen();
  void FitClientSize();
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void SyncOkButton();
  void CloseWith(int result) { modal_result_ = result; }
  FolderNode& NodeOf(HTREEITEM node) const;

  // Event handlers.
  void FormShow();
  void TreeView1Expanding(HTREEITEM node);
  void TreeView1Click();
  bool TreeView1Edited(HTREEITEM node, const wchar_t* text);
  void btnOkClick();
  void btnCancelClick();

  int modal_result_ = 0;
  bool show_pending_ = false;
  std::wstring label_refusal_;
  std::deque<FolderNode> nodes_;
  // The listings the nodes' names are in: a node costs no allocation of its own.
  std::deque<NameList> listings_;

  win::Window Label1;
  win::TreeView TreeView1;
  win::Window btnOk, btnCancel;
};

// The program's one browser window, `BrwForm`: created hidden at start-up right after the
// editor window and registered here, found here by the editor's source-folder button.
void SetBrwForm(TBrwForm* form);
TBrwForm* BrwForm();

// The path chosen by the last OK in the browser, in the ANSI code page; empty at start.
const std::string& SelectedPath();
void SetSelectedPath(std::string path);

}  // namespace qv::ui
