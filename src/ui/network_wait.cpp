#include "ui/network_wait.h"

#include <algorithm>

#include "net/server_connection.h"

namespace qv::ui {
namespace {

// Only the one window thread waits; a nested wait (which the handlers avoid) stacks.
NetworkWait* current_wait = nullptr;

bool IsKey(UINT message) { return message >= WM_KEYFIRST && message <= WM_KEYLAST; }

// Clicks and the wheel in a client area; moving the mouse is let through, so that the windows
// can show the wait cursor and their hot tracking.
bool IsClick(UINT message) { return message > WM_MOUSEMOVE && message <= WM_MOUSELAST; }

}  // namespace

NetworkWait::NetworkWait(ServerConnection& connection)
    : connection_(connection), outer_(current_wait) {
  current_wait = this;
  connection_.SetWaitHook([this] { return RunMessages(); });
}

NetworkWait::~NetworkWait() {
  current_wait = outer_;
  if (outer_) {
    connection_.SetWaitHook([outer = outer_] { return outer->RunMessages(); });
  } else {
    connection_.SetWaitHook(nullptr);
  }
  // A quit met while waiting belongs to the loop further out.
  if (quit_) PostQuitMessage(static_cast<int>(quit_code_));
}

bool NetworkWait::Busy() { return current_wait != nullptr; }

void NetworkWait::GiveUp() {
  for (NetworkWait* wait = current_wait; wait; wait = wait->outer_) wait->gave_up_ = true;
}

bool NetworkWait::HoldBack(const MSG& msg) {
  if (IsKey(msg.message)) {
    if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && msg.wParam == VK_ESCAPE) {
      GiveUp();
    }
    // Alt+F4 goes on to close its window, as the close box does.
    return !(msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4);
  }
  if (IsClick(msg.message)) {
    return std::find(let_through_.begin(), let_through_.end(), msg.hwnd) == let_through_.end();
  }
  return false;
}

bool NetworkWait::RunMessages() {
  MSG msg;
  while (!gave_up_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_ = true;
      quit_code_ = msg.wParam;
      gave_up_ = true;
      break;
    }
    if (HoldBack(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return !gave_up_;
}

}  // namespace qv::ui
