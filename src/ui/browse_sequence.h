#pragma once
// The browse sequence behind the editor's source-folder button: connect and log on with the
// document's settings, show the browser, hand back the folder the user chose.
#include <windows.h>

#include <optional>
#include <string>

#include "config/records.h"

namespace qv {
class ServerConnection;
}

namespace qv::ui {

class TBrwForm;

// Copies host and port from `settings` into `connection`, connects and logs on (the windows
// answering meanwhile, under the wait cursor), and shows `browser` modally. A failed connect
// shows UI string 26, a failed logon 27, both owned by `owner`, and the browser is not shown; a
// wait the operator gave up (NetworkWait) shows nothing. A connection kept from an earlier browse
// that the server has ended since is replaced once, before any message. Returns SelectedPath as UTF-16 when the
// browser was closed with OK, nothing otherwise. The connection stays open unless a wait was
// given up.
std::optional<std::wstring> RunBrowseSequence(HWND owner, const SettingsRecord& settings,
                                              ServerConnection& connection, TBrwForm& browser);

// The same with the process-wide connection and BrwForm; nothing when either is missing.
std::optional<std::wstring> RunBrowseSequence(HWND owner, const SettingsRecord& settings);

}  // namespace qv::ui
