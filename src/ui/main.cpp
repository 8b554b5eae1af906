// Start-up of the editor: the executable's directory, the common controls, the language, the
// editor window with its configuration, its captions, then the message loop until it closes.
#include <windows.h>

#include <commctrl.h>

#include "config/exe_directory.h"
#include "i18n/ui_strings.h"
#include "ui/browser_form.h"
#include "ui/editor_window.h"
#include "ui/win/window.h"

namespace {

int RunMessageLoop(qv::ui::TForm1& form) {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (form.PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show_command) {
  try {
    qv::InitExeDirectory();
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    qv::SelectLanguage();
    qv::ui::TForm1 form(qv::ExeDirectory());
    if (!form.Create()) return 1;
    form.SetMainWindow(true);
    qv::ui::TBrwForm browser;
    if (!browser.Create(form.handle())) return 1;
    qv::ui::SetBrwForm(&browser);
    form.ApplyEditorCaptions();
    browser.ApplyBrowserCaptions();
    form.Show(show_command);
    const int result = RunMessageLoop(form);
    qv::ui::SetBrwForm(nullptr);
    return result;
  } catch (...) {
    qv::win::ReportException(nullptr);
    return 1;
  }
}
