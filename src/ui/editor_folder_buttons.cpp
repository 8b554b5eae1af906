// The two folder buttons: the source folder is chosen on the sync server, the target folder with
// the platform's own folder picker.
#include "i18n/ui_strings.h"
#include "ui/browse_sequence.h"
#include "ui/editor_window.h"
#include "ui/win/ansi_text.h"

namespace qv::ui {

void TForm1::BitBtn1Click() {
  if (auto path = RunBrowseSequence(hwnd_, doc_.settings)) ApplyChosenSource(*path);
}

void TForm1::BitBtn2Click() {
  // The picker takes its caption in the system code page.
  DirDlg1.Caption = win::WideToAnsi(UiText(21));
  DirDlg1.Directory = edTarget.Text();
  if (DirDlg1.Execute()) ApplyChosenTarget(DirDlg1.Directory);
}

// Only folders on a drive letter can be confirmed: the service cannot reach network paths.
void TForm1::DirDlg1Change() { DirDlg1.EnableOk(IsDriveLetterPath(DirDlg1.Directory)); }

}  // namespace qv::ui
