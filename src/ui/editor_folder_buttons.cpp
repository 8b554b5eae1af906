// The two folder buttons and the local picker's selection handler. Choosing a source folder on
// the server and a target folder on this machine come with the server browser and the folder
// picker; until then the buttons do nothing.
#include "ui/editor_window.h"

namespace qv::ui {

void TForm1::BitBtn1Click() {}

void TForm1::BitBtn2Click() {}

void TForm1::DirDlg1Change() {}

}  // namespace qv::ui
