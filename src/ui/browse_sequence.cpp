#include "ui/browse_sequence.h"

#include "common/win_text.h"
#include "i18n/ui_strings.h"
#include "net/server_connection.h"
#include "ui/browser_form.h"
#include "ui/message_box.h"
#include "ui/network_wait.h"

namespace qv::ui {
namespace {

// One call to the server with the windows answering; nothing when the operator gave it up.
template <typename Call>
std::optional<bool> WaitedCall(ServerConnection& connection, Call call) {
  NetworkWait wait(connection);
  const bool result = call();
  if (wait.GaveUp()) return std::nullopt;
  return result;
}

enum class Opened { kLoggedOn, kConnectFailed, kLogonFailed, kGivenUp };

Opened ConnectAndLogOn(const SettingsRecord& settings, ServerConnection& connection) {
  const std::optional<bool> connected =
      WaitedCall(connection, [&] { return connection.Connect(); });
  if (!connected) return Opened::kGivenUp;
  if (!*connected) return Opened::kConnectFailed;
  const std::optional<bool> logged_on =
      WaitedCall(connection, [&] { return connection.Logon(settings); });
  if (!logged_on) return Opened::kGivenUp;
  return *logged_on ? Opened::kLoggedOn : Opened::kLogonFailed;
}

}  // namespace

std::optional<std::wstring> RunBrowseSequence(HWND owner, const SettingsRecord& settings,
                                              ServerConnection& connection, TBrwForm& browser) {
  connection.SetHost(settings.Host());
  connection.SetPort(settings.Port());
  // A connection kept from an earlier browse may have been ended by the server since (it
  // restarted, say), which nothing shows until it is used: it gets one new connection before
  // the operator hears of a failure.
  const bool kept = connection.IsOpen();
  Opened opened = ConnectAndLogOn(settings, connection);
  if (opened == Opened::kLogonFailed && kept && connection.Dropped()) {
    opened = ConnectAndLogOn(settings, connection);
  }
  switch (opened) {
    case Opened::kLoggedOn:
      break;
    case Opened::kConnectFailed:
      ShowProgramMessage(owner, UiText(kUiConnectFailed));
      return std::nullopt;
    case Opened::kLogonFailed:
      ShowProgramMessage(owner, UiText(kUiLogonFailed));
      return std::nullopt;
    case Opened::kGivenUp:
      // The operator who gave a wait up knows why nothing came: no message claims the server
      // failed.
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
