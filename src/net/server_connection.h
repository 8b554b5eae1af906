#pragma once
// The editor's one connection to the sync server. Every operation blocks its caller and answers
// true or false; no failure shows anything or throws. While an operation waits for the network
// it runs the wait hook, if one is set, every kWaitSliceMs or so: the caller's thread can keep
// its windows answering, and the hook can give the wait up, which fails the operation and drops
// the connection. An operation started from inside the hook fails at once.
//
// Use from a window: SetHost/SetPort from the settings, Connect, Logon with the document's
// settings, then ListFolder as often as needed. An open connection is reused by the next
// Connect as it is, whatever host and port are set by then.
//
// The connection closes itself when a write fails with WSAESHUTDOWN, WSAECONNABORTED or
// WSAECONNRESET or after part of a request went out, and when reading a reply fails in any way:
// the end of the stream, a reset or abort, the reply time-out (silence) or deadline (overall), or
// a reply that breaks the reading rules or the listing limits. The unread rest of a reply would
// otherwise be taken for the next one. A write that fails before any byte went out for other
// reasons fails the call and leaves the connection open.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "config/records.h"
#include "net/name_list.h"
#include "net/reply_reader.h"
#include "net/socket_io.h"

namespace qv {

class ServerConnection {
 public:
  static constexpr int kConnectTimeoutMs = 3000;
  // A reply fails after this long without a byte, and in any case this long after its reading
  // began: two minutes carry the largest listing the limits allow many times over.
  static constexpr int kReplyTimeoutMs = 30000;
  static constexpr int kReplyDeadlineMs = 120000;
  static constexpr std::size_t kReadBlockSize = 32768;

  ServerConnection() = default;
  ServerConnection(const ServerConnection&) = delete;
  ServerConnection& operator=(const ServerConnection&) = delete;

  void SetHost(std::string host) { host_ = std::move(host); }
  void SetPort(std::int32_t port) { port_ = port; }
  const std::string& Host() const { return host_; }
  std::int32_t Port() const { return port_; }

  // Tests shorten these; the editor keeps the defaults. A negative reply time-out or deadline
  // waits without that limit.
  void SetConnectTimeoutMs(int ms) { connect_timeout_ms_ = ms; }
  void SetReplyTimeoutMs(int ms) { reply_timeout_ms_ = ms; }
  void SetReplyDeadlineMs(int ms) { reply_deadline_ms_ = ms; }
  void SetListingLimits(ListingLimits limits) { reader_.SetLimits(limits); }

  // Replaces the wait hook; an empty one waits without interruption.
  void SetWaitHook(WaitHook hook) { wait_hook_ = std::move(hook); }
  // Whether the last operation failed because the hook gave its wait up.
  bool GaveUp() const { return gave_up_; }
  // Whether the last operation failed because the connection turned out ended by the server:
  // the end of the stream, a reset or abort, or a write refused as shut down.
  bool Dropped() const { return dropped_; }

  // Open: a socket, and no read has seen the end of the stream. Nothing is probed.
  bool IsOpen() const { return socket_.valid(); }

  // Opens the connection to Host():Port() unless it is open; a port outside 1..65535 fails.
  bool Connect();
  // Sends the settings' user and password; true when the server accepts them.
  bool Logon(const SettingsRecord& settings);
  // Appends the names of the folder's subfolders in the order received; an empty path lists
  // the top level. On false the names appended so far are meaningless.
  bool ListFolder(std::string_view path, NameList& names);

  // The building blocks of the operations above. Each receive is one reply, under its own
  // time-out and deadline.
  bool SendBytes(const void* data, std::size_t size);
  bool ReceiveInt32(std::int32_t& value);
  bool ReceiveLines(NameList& names);

 private:
  using Clock = std::chrono::steady_clock;
  class Call;

  void Close();
  // Runs the wait hook; false when it gave the wait up.
  bool Pump();
  // Takes a value out of the reader with `take`, reading from the socket while it needs more.
  template <typename Take>
  bool Receive(Take take);
  // Reads one block into the reader; false when nothing arrived before the time-out or the
  // deadline, or the read failed.
  bool ReceiveMore(Clock::time_point deadline);

  std::string host_;
  std::int32_t port_ = kDefaultPort;
  int connect_timeout_ms_ = kConnectTimeoutMs;
  int reply_timeout_ms_ = kReplyTimeoutMs;
  int reply_deadline_ms_ = kReplyDeadlineMs;
  Socket socket_;
  ReplyReader reader_;
  WaitHook wait_hook_;
  // What the socket waits run: Pump, when a hook is set.
  WaitHook pump_;
  Clock::time_point last_pump_;
  bool in_call_ = false;
  bool gave_up_ = false;
  bool dropped_ = false;
};

// The process-wide connection: the editor window creates it, hands it over here while it is
// being created, and hands over nullptr before destroying it.
void SetServerConnection(ServerConnection* connection);
ServerConnection* GetServerConnection();

}  // namespace qv
