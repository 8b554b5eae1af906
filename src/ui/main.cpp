// Start-up of the editor: the executable's directory, the common controls, the language, the
// editor window with its configuration and captions, then the message loop until it closes; the
// hidden browser window is created first thing in the loop.
#include <windows.h>

#include <commctrl.h>

#include "config/exe_directory.h"
#include "i18n/ui_strings.h"
#include "ui/browser_form.h"
#include "ui/editor_window.h"
#include "ui/win/window.h"

namespace {

// Posted to the thread once the editor shows: the browser is created then, before any input is
// taken, so that the window does not wait for a window it hides until the first browse.
constexpr UINT kCreateBrowser = WM_APP + 10;

int RunMessageLoop(qv::ui::TForm1& form, qv::ui::TBrwForm& browser) {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr && msg.message == kCreateBrowser) {
      if (browser.Create(form.handle())) {
        qv::ui::SetBrwForm(&browser);
        browser.ApplyBrowserCaptions();
      }
      continue;
    }
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
    form.ApplyEditorCaptions();
    // Queued before anything the window posts when it shows, so that no modal loop (a message
    // box) can take it off the queue and drop it.
    PostThreadMessageW(GetCurrentThreadId(), kCreateBrowser, 0, 0);
    form.Show(show_command);
    const int result = RunMessageLoop(form, browser);
    qv::ui::SetBrwForm(nullptr);
    return result;
  } catch (...) {
    qv::win::ReportException(nullptr);
    return 1;
  }
}
