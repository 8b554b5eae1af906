// The two folder buttons: the source folder is chosen on the sync server, the target folder with
// the platform's own folder picker.
#include "common/win_text.h"
#include "config/drive_path.h"
#include "i18n/ui_strings.h"
#include "ui/browse_sequence.h"
#include "ui/editor_window.h"
#include "ui/message_box.h"

namespace qv::ui {

void TForm1::BitBtn1Click() {
  if (browsing_) return;
  browsing_ = true;
  std::optional<std::wstring> path;
  try {
    path = RunBrowseSequence(hwnd_, doc_.settings);
  } catch (...) {
    browsing_ = false;
    throw;
  }
  browsing_ = false;
  if (close_after_browse_) {
    close_after_browse_ = false;
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    return;
  }
  if (path) ApplyChosenSource(*path);
}

void TForm1::BitBtn2Click() {
  DirDlg1.Caption = UiText(kUiTargetPrompt);
  DirDlg1.Directory = EditOf(kEdTarget).Text();
  // An error inside the dialog is shown as every other error of the editor.
  DirDlg1.SetErrorShower(ShowErrorMessage);
  // The file holds the path in the system's ANSI code page: a folder whose name has other
  // characters is taken by its short name, or not at all, and the operator is told which.
  DirDlg1.CanUsePath = [](const std::wstring& path) { return win::FitsAnsiCodePage(path); };
  const bool chosen = DirDlg1.Execute();
  switch (DirDlg1.LastOutcome()) {
    case TSDirDlg::Outcome::kChosenByShortName:
      ShowProgramMessage(hwnd_, UiText(kUiShortNameUsed) + L"\n" + DirDlg1.Directory);
      break;
    case TSDirDlg::Outcome::kRefused:
      ShowProgramMessage(hwnd_, UiText(kUiFolderRefused) + L"\n" + DirDlg1.Directory);
      break;
    default:
      break;
  }
  if (chosen) ApplyChosenTarget(DirDlg1.Directory);
}

// Only folders on a drive letter can be confirmed: the service cannot reach network paths.
void TForm1::DirDlg1Change() { DirDlg1.EnableOk(IsDriveLetterPath(DirDlg1.Directory)); }

}  // namespace qv::ui
