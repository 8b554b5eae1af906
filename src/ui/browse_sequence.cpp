#include "ui/browse_sequence.h"

#include "i18n/ui_strings.h"
#include "net/server_connection.h"
#include "ui/browser_form.h"
#include "ui/message_box.h"
#include "ui/network_wait.h"
#include "ui/win/ansi_text.h"

namespace qv::ui {

std::optional<std::wstring> RunBrowseSequence(HWND owner, const SettingsRecord& settings,
                                              ServerConnection& connection, TBrwForm& browser) {
  connection.SetHost(settings.Host());
  connection.SetPort(settings.Port());
  // The operator who gave a wait up knows why nothing came: no message claims the server failed.
  bool connected = false;
  {
    NetworkWait wait(connection);
    connected = connection.Connect();
    if (wait.GaveUp()) return std::nullopt;
  }
  if (!connected) {
    ShowProgramMessage(owner, UiText(kUiConnectFailed));
    return std::nullopt;
  }
  bool logged_on = false;
  {
    NetworkWait wait(connection);
    logged_on = connection.Logon(settings);
    if (wait.GaveUp()) return std::nullopt;
  }
  if (!logged_on) {
    ShowProgramMessage(owner, UiText(kUiLogonFailed));
    return std::nullopt;
  }
  if (browser.ShowModal() != kModalResultOk) return std::nullopt;
  return win::AnsiToWide(SelectedPath());
}

std::optional<std::wstring> RunBrowseSequence(HWND owner, const SettingsRecord& settings) {
  ServerConnection* connection = GetServerConnection();
  TBrwForm* browser = BrwForm();
  if (!connection || !browser) return std::nullopt;
  return RunBrowseSequence(owner, settings, *connection, *browser);
}

}  // namespace qv::ui
