#include "net/server_connection.h"

#include <exception>

#include "net/wire.h"

namespace qv {
namespace {

ServerConnection* g_connection = nullptr;

bool ClosesOnWrite(SocketError error) {
  return error == SocketError::kShutdown || error == SocketError::kAborted ||
         error == SocketError::kReset;
}

bool EndsConnection(SocketError error) {
  return error == SocketError::kEndOfStream || ClosesOnWrite(error);
}

}  // namespace

void SetServerConnection(ServerConnection* connection) { g_connection = connection; }
ServerConnection* GetServerConnection() { return g_connection; }

// One operation: refuses to start inside another (from its wait hook), and readies the hook.
class ServerConnection::Call {
 public:
  explicit Call(ServerConnection& connection) : connection_(connection) {
    if (connection_.in_call_) return;
    started_ = true;
    connection_.in_call_ = true;
    connection_.gave_up_ = false;
    connection_.dropped_ = false;
    connection_.last_pump_ = Clock::now();
    connection_.pump_ = nullptr;
    if (connection_.wait_hook_) connection_.pump_ = [&c = connection_] { return c.Pump(); };
  }
  ~Call() {
    if (!started_) return;
    connection_.pump_ = nullptr;
    connection_.in_call_ = false;
  }
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  bool started() const { return started_; }

 private:
  ServerConnection& connection_;
  bool started_ = false;
};

void ServerConnection::Close() {
  // The caller has given the connection up, whatever its teardown costs.
  CloseInBackground(std::move(socket_));
  reader_.Reset();
}

bool ServerConnection::Pump() {
  last_pump_ = Clock::now();
  // The hook is copied: it may replace itself while it runs.
  const WaitHook hook = wait_hook_;
  if (!hook || hook()) return true;
  gave_up_ = true;
  return false;
}

bool ServerConnection::Connect() {
  Call call(*this);
  if (!call.started()) return false;
  if (IsOpen()) return true;
  reader_.Reset();
  if (port_ < 1 || port_ > 65535) return false;
  std::uint32_t address = 0;
  if (!ResolveIPv4(host_, address, pump_)) return false;
  SocketError error = SocketError::kNone;
  socket_ =
      ConnectTcp(address, static_cast<std::uint16_t>(port_), connect_timeout_ms_, error, pump_);
  return socket_.valid();
}

bool ServerConnection::Logon(const SettingsRecord& settings) {
  Call call(*this);
  if (!call.started() || !IsOpen()) return false;
  const std::string request = EncodeLogonRequest(settings);
  if (!SendBytes(request.data(), request.size())) return false;
  std::int32_t verdict = 0;
  return ReceiveInt32(verdict) && LogonAccepted(verdict);
}

bool ServerConnection::ListFolder(std::string_view path, NameList& names) {
  Call call(*this);
  if (!call.started() || !IsOpen()) return false;
  std::string request;
  try {
    if (!EncodeListFolderRequest(path, request)) return false;
  } catch (const std::exception&) {
    return false;
  }
  return SendBytes(request.data(), request.size()) && ReceiveLines(names);
}

bool ServerConnection::SendBytes(const void* data, std::size_t size) {
  if (!IsOpen()) return false;
  const auto* next = static_cast<const char*>(data);
  const std::size_t total = size;
  while (size > 0) {
    IoResult sent = SendSome(socket_, next, size, pump_);
    if (sent.error != SocketError::kNone) {
      dropped_ = ClosesOnWrite(sent.error);
      // Half a request would make the server read our next one as its rest, and a request given
      // up may have gone out in part.
      if (ClosesOnWrite(sent.error) || size != total || sent.error == SocketError::kCancelled) {
        Close();
      }
      return false;
    }
    next += sent.bytes;
    size -= sent.bytes;
  }
  return true;
}

template <typename Take>
bool ServerConnection::Receive(Take take) {
  const Clock::time_point deadline =
      reply_deadline_ms_ < 0 ? Clock::time_point::max()
                             : Clock::now() + std::chrono::milliseconds(reply_deadline_ms_);
  // The limits bound what a reply may cost, but a machine short of memory may still refuse it.
  try {
    while (IsOpen()) {
      const ReadStatus status = take();
      if (status == ReadStatus::kDone) return true;
      if (status == ReadStatus::kFailed || !ReceiveMore(deadline)) break;
      // A reply that keeps coming never makes the socket wait: the hook still gets its turns.
      if (pump_ && Clock::now() - last_pump_ >= std::chrono::milliseconds(kWaitSliceMs) &&
          !Pump()) {
        break;
      }
    }
  } catch (const std::exception&) {
  }
  // Whatever stopped this reply, the rest of it may still come and be read as the next one.
  Close();
  return false;
}

bool ServerConnection::ReceiveMore(Clock::time_point deadline) {
  int wait_ms = reply_timeout_ms_;
  if (deadline != Clock::time_point::max()) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    if (wait_ms < 0 || left < wait_ms) wait_ms = static_cast<int>(left);
  }
  char* space = reader_.PrepareFeed(kReadBlockSize);
  const IoResult received = ReceiveSome(socket_, space, kReadBlockSize, wait_ms, pump_);
  if (received.error != SocketError::kNone) {
    dropped_ = EndsConnection(received.error);
    return false;
  }
  reader_.CommitFeed(received.bytes);
  return true;
}

bool ServerConnection::ReceiveInt32(std::int32_t& value) {
  return Receive([&] { return reader_.TakeInt32(value); });
}

bool ServerConnection::ReceiveLines(NameList& names) {
  return Receive([&] { return reader_.TakeListing(names); });
}

}  // namespace qv
