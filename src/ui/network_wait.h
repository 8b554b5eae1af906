#pragma once
// Waiting for the sync server without freezing the windows. The connection's calls stay
// synchronous for their callers; for the lifetime of a NetworkWait the connection runs this
// thread's messages between the slices of its waits, so that the windows keep painting and
// answering, and shows the wait cursor.
//
// Input that would start something new is held back meanwhile: clicks and keys in the windows'
// client areas are dropped, except on the windows let through (a Cancel button) and except
// Escape, which gives the wait up. Moving a window, its close box and Alt+F4 still work; what a
// window does on closing while Busy() is its own affair (it gives the wait up and must not
// destroy what the waiting code still uses). Handlers reached some other way check Busy() and
// start no second call.
#include <windows.h>

#include <vector>

#include "ui/win/form.h"

namespace qv {
class ServerConnection;
}

namespace qv::ui {

class NetworkWait {
 public:
  explicit NetworkWait(ServerConnection& connection);
  ~NetworkWait();
  NetworkWait(const NetworkWait&) = delete;
  NetworkWait& operator=(const NetworkWait&) = delete;

  // Whether this thread waits for the server now.
  static bool Busy();
  // Gives up the wait in progress, if any: its call fails as soon as the messages being handled
  // are done, and the connection is dropped.
  static void GiveUp();

  // Clicks on `window` still reach it during the wait.
  void LetThrough(HWND window) { let_through_.push_back(window); }
  // Whether the operator gave this wait up (Escape, a Cancel, a close).
  bool GaveUp() const { return gave_up_; }

 private:
  bool RunMessages();
  // True when `msg` is input to be dropped; Escape gives the wait up on the way.
  bool HoldBack(const MSG& msg);

  ServerConnection& connection_;
  NetworkWait* outer_;
  win::WaitCursor cursor_;
  std::vector<HWND> let_through_;
  bool gave_up_ = false;
  bool quit_ = false;
  WPARAM quit_code_ = 0;
};

}  // namespace qv::ui
