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

}  // namespace

void SetServerConnection(ServerConnection* connection) { g_connection = connection; }
ServerConnection* GetServerConnection() { return g_connection; }

void ServerConnection::Close() {
  socket_.Close();
  reader_.Reset();
}

bool ServerConnection::Connect() {
  if (IsOpen()) return true;
  reader_.Reset();
  if (port_ < 1 || port_ > 65535) return false;
  std::uint32_t address = 0;
  if (!ResolveIPv4(host_, address)) return false;
  SocketError error = SocketError::kNone;
  socket_ = ConnectTcp(address, static_cast<std::uint16_t>(port_), connect_timeout_ms_, error);
  return socket_.valid();
}

bool ServerConnection::Logon(const SettingsRecord& settings) {
  if (!IsOpen()) return false;
  const std::string request = EncodeLogonRequest(settings);
  if (!SendBytes(request.data(), request.size())) return false;
  std::int32_t verdict = 0;
  return ReceiveInt32(verdict) && LogonAccepted(verdict);
}

bool ServerConnection::ListFolder(std::string_view path, NameList& names) {
  if (!IsOpen()) return false;
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
    IoResult sent = SendSome(socket_, next, size);
    if (sent.error != SocketError::kNone) {
      // Half a request would make the server read our next one as its rest.
      if (ClosesOnWrite(sent.error) || size != total) Close();
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
  const IoResult received = ReceiveSome(socket_, space, kReadBlockSize, wait_ms);
  if (received.error != SocketError::kNone) return false;
  reader_.CommitFeed(received.bytes);
  return true;
}

bool ServerConnection::ReceiveInt32(std::int32_t& value) {
  return Receive([&] { return reader_.TakeInt32(value); });
}

bool ServerConnection::ReceiveLine(std::string& line) {
  return Receive([&] { return reader_.TakeLine(line); });
}

bool ServerConnection::ReceiveLines(NameList& names) {
  return Receive([&] { return reader_.TakeListing(names); });
}

}  // namespace qv
