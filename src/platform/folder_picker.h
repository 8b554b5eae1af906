#pragma once
// The local folder picker: the shell's modal folder-browsing dialog, preselecting `Directory` and
// keeping it equal to the latest selected file-system folder (Windows only).
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qv {

// Disables every visible, enabled top-level window of the calling thread for its lifetime, and
// enables again those that still exist when it ends.
class ThreadWindowsDisabled {
 public:
  ThreadWindowsDisabled();
  ~ThreadWindowsDisabled();
  ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
  ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

  const std::vector<HWND>& Windows() const { return windows_; }

 private:
  std::vector<HWND> windows_;
};

// The short (8.3) form of an existing `path`; empty when the file system gives none.
std::wstring ShortPath(const std::wstring& path);

class TSDirDlg {
 public:
  using NotifyEvent = std::function<void(TSDirDlg& sender)>;
  // How the picker talks to the dialog window; tests put a recorder here, since Wine's dialog
  // re-enables OK on its own.
  using MessageSender =
      std::function<LRESULT(HWND window, UINT message, WPARAM wparam, LPARAM lparam)>;
  // How an error raised inside the callback is shown, over the dialog window: the owner gives
  // its own error box. Without one the error is still caught, and not shown.
  using ErrorShower = std::function<void(HWND owner, const std::wstring& text)>;

  // `owner` is the application's main window; it may be given later with SetOwner.
  explicit TSDirDlg(HWND owner = nullptr);
  TSDirDlg(const TSDirDlg&) = delete;
  TSDirDlg& operator=(const TSDirDlg&) = delete;

  // Shown above the folder tree. UTF-16, so that a prompt in any of the program's languages
  // reads right whatever the system's code page.
  std::wstring Caption = L"Please select a folder";
  std::wstring Directory;
  NotifyEvent OnChange;
  // Whether a confirmed folder's path can be used by the owner; for one that cannot, its short
  // (8.3) form is tried. Without it every path can.
  std::function<bool(const std::wstring& path)> CanUsePath;

  // How the last Execute ended.
  enum class Outcome {
    kCancelled,
    kChosen,
    // `Directory` holds the folder's short path: the long one could not be used.
    kChosenByShortName,
    // The folder's path cannot be used and it has no short one that can; `Directory` still holds
    // the path.
    kRefused,
  };
  Outcome LastOutcome() const { return outcome_; }

  void SetOwner(HWND owner) { owner_ = owner; }
  HWND Owner() const { return owner_; }
  // The open dialog, null before its first initialisation and after Execute returned.
  HWND DialogWindow() const { return dialog_; }

  // True when the user confirmed a folder that can be used; `Directory` then holds its path.
  bool Execute();
  // Enables or disables the OK button of the open dialog; nothing when no dialog is open.
  void EnableOk(bool enable);

  static int CALLBACK BrowseCallback(HWND window, UINT notification, LPARAM data, LPARAM context);

  void SetMessageSender(MessageSender sender);
  void SetErrorShower(ErrorShower shower);

 private:
  void Initialized(HWND window);
  Outcome UsablePath();
  void SelectionChanged(HWND window, LPARAM item_list);
  LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void ShowError(HWND window, const std::wstring& text) const;

  HWND owner_;
  HWND dialog_ = nullptr;
  Outcome outcome_ = Outcome::kCancelled;
  MessageSender send_;
  ErrorShower show_error_;
};

}  // namespace qv
