#include "net/server_connection.h"

#include <climits>
#include <new>

#include "net/wire.h"

namespace qv {
namespace {

ServerConnection* g_connection = nullptr;

bool ClosesOnRead(SocketError error) {
  return error == SocketError::kEndOfStream || error == SocketError::kTimedOut ||
         error == SocketError::kShutdown || error == SocketError::kAborted;
}

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
  const LogonBody body = LogonBody::FromSettings(settings);
  if (!SendInt32(kCmdLogon) || !SendInt32(static_cast<std::int32_t>(LogonBody::kSize)) ||
      !SendBytes(body.bytes.data(), body.bytes.size())) {
    return false;
  }
  std::int32_t verdict = 0;
  return ReceiveInt32(verdict) && LogonAccepted(verdict);
}

bool ServerConnection::ListFolder(std::string_view path, std::vector<std::string>& names) {
  if (!IsOpen()) return false;
  if (path.size() >= INT32_MAX) return false;
  if (!SendInt32(kCmdListFolder)) return false;
  if (path.empty()) {
    if (!SendInt32(0)) return false;
  } else {
    std::string payload(path);
    payload.push_back('\0');
    if (!SendInt32(static_cast<std::int32_t>(payload.size())) ||
        !SendBytes(payload.data(), payload.size())) {
      return false;
    }
  }
  // The limits bound what a listing may cost, but a machine short of memory may still refuse it.
  try {
    return ReceiveLines(names);
  } catch (const std::bad_alloc&) {
    Close();
    return false;
  }
}

bool ServerConnection::SendInt32(std::int32_t value) {
  std::uint8_t bytes[4];
  PutBE32(bytes, value);
  return SendBytes(bytes, sizeof bytes);
}

bool ServerConnection::SendBytes(const void* data, std::size_t size) {
  if (!IsOpen()) return false;
  const auto* next = static_cast<const char*>(data);
  while (size > 0) {
    IoResult sent = SendSome(socket_, next, size);
    if (sent.error != SocketError::kNone) {
      if (ClosesOnWrite(sent.error)) Close();
      return false;
    }
    next += sent.bytes;
    size -= sent.bytes;
  }
  return true;
}

bool ServerConnection::ReceiveMore() {
  char* space = reader_.PrepareFeed(kReadBlockSize);
  IoResult received = ReceiveSome(socket_, space, kReadBlockSize, reply_timeout_ms_);
  if (received.error == SocketError::kNone) {
    reader_.CommitFeed(received.bytes);
    return true;
  }
  if (ClosesOnRead(received.error)) Close();
  return false;
}

bool ServerConnection::ReceiveInt32(std::int32_t& value) {
  while (IsOpen()) {
    switch (reader_.TakeInt32(value)) {
      case ReadStatus::kDone: return true;
      case ReadStatus::kFailed: Close(); return false;
      case ReadStatus::kNeedMore:
        if (!ReceiveMore()) return false;
        break;
    }
  }
  return false;
}

bool ServerConnection::ReceiveLine(std::string& line) {
  while (IsOpen()) {
    switch (reader_.TakeLine(line)) {
      case ReadStatus::kDone: return true;
      case ReadStatus::kFailed: Close(); return false;
      case ReadStatus::kNeedMore:
        if (!ReceiveMore()) return false;
        break;
    }
  }
  return false;
}

bool ServerConnection::ReceiveLines(std::vector<std::string>& names) {
  while (IsOpen()) {
    switch (reader_.TakeListing(names)) {
      case ReadStatus::kDone: return true;
      case ReadStatus::kFailed: Close(); return false;
      case ReadStatus::kNeedMore:
        if (!ReceiveMore()) {
          Close();
          return false;
        }
        break;
    }
  }
  return false;
}

}  // namespace qv
