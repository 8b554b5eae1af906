#pragma once
// The local folder picker: the shell's modal folder-browsing dialog, preselecting `Directory` and
// keeping it equal to the latest selected file-system folder (Windows only).
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The editor's rule for confirming a target folder: the path begins with a drive letter
// ("C:\Data"), so a network path ("\\server\share") cannot be chosen.
bool IsDriveLetterPath(std::wstring_view path);

// Disables every visible, enabled top-level window of the calling thread for its lifetime, and
// enables again those that still exist when it ends.
class TThreadWindowsDisabled {
 public:
  TThreadWindowsDisabled();
  ~TThreadWindowsDisabled();
  TThreadWindowsDisabled(const TThreadWindowsDisabled&) = delete;
  TThreadWindowsDisabled& operator=(const TThreadWindowsDisabled&) = delete;

  const std::vector<HWND>& Windows() const { return windows_; }

 private:
  std::vector<HWND> windows_;
};

class TSDirDlg {
 public:
  using TNotifyEvent = std::function<void(TSDirDlg& sender)>;
  // How the picker talks to the dialog window, and how it shows an error raised inside the
  // callback; tests put recorders here, since Wine's dialog re-enables OK on its own.
  using TMessageSender =
      std::function<LRESULT(HWND window, UINT message, WPARAM wparam, LPARAM lparam)>;
  using TErrorShower = std::function<void(HWND owner, const std::wstring& text)>;

  // `owner` is the application's main window; it may be given later with SetOwner.
  explicit TSDirDlg(HWND owner = nullptr);
  TSDirDlg(const TSDirDlg&) = delete;
  TSDirDlg& operator=(const TSDirDlg&) = delete;

  std::string Caption = "Please select a folder";  // ANSI, shown above the folder tree
  std::wstring Directory;
  TNotifyEvent OnChange;

  void SetOwner(HWND owner) { owner_ = owner; }
  HWND Owner() const { return owner_; }
  // The open dialog, null before its first initialisation and after Execute returned.
  HWND DialogWindow() const { return dialog_; }

  // True when the user confirmed a folder; `Directory` then holds it.
  bool Execute();
  // Enables or disables the OK button of the open dialog; nothing when no dialog is open.
  void EnableOk(bool enable);

  static int CALLBACK BrowseCallback(HWND window, UINT notification, LPARAM data, LPARAM context);

  void SetMessageSender(TMessageSender sender);
  void SetErrorShower(TErrorShower shower);

 private:
  void Initialized(HWND window);
  void SelectionChanged(HWND window, LPARAM item_list);
  LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND owner_;
  HWND dialog_ = nullptr;
  TMessageSender send_;
  TErrorShower show_error_;
};

}  // namespace qv
