#include "syncserver_core.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "net/wire.h"

namespace qv {
namespace {

bool ReadExactly(Socket& socket, void* data, std::size_t size) {
  auto* next = static_cast<char*>(data);
  while (size > 0) {
    IoResult got = ReceiveSome(socket, next, size, -1);
    if (got.error != SocketError::kNone) return false;
    next += got.bytes;
    size -= got.bytes;
  }
  return true;
}

bool WriteAll(Socket& socket, const void* data, std::size_t size) {
  const auto* next = static_cast<const char*>(data);
  while (size > 0) {
    IoResult sent = SendSome(socket, next, size);
    if (sent.error != SocketError::kNone) return false;
    next += sent.bytes;
    size -= sent.bytes;
  }
  return true;
}

}  // namespace

SyncServer::SyncServer(SyncServerOptions options, Log log)
    : options_(std::move(options)), log_(std::move(log)) {}

bool SyncServer::Listen(std::uint16_t port) {
  listener_ = ListenTcp(kLoopbackAddress, port, 4);
  port_ = listener_.valid() ? LocalPort(listener_) : 0;
  return listener_.valid();
}

bool SyncServer::ServeNextClient(int timeout_ms) {
  Socket client = AcceptTcp(listener_, timeout_ms);
  if (!client.valid()) return false;
  Note("client connected");
  Serve(client);
  return true;
}

bool SyncServer::Reply(Socket& client, const std::string& reply) const {
  if (options_.byte_delay_ms <= 0) return WriteAll(client, reply.data(), reply.size());
  for (char byte : reply) {
    std::this_thread::sleep_for(std::chrono::milliseconds(options_.byte_delay_ms));
    if (!WriteAll(client, &byte, 1)) return false;
  }
  return true;
}

void SyncServer::Note(const std::string& text) const {
  if (log_) log_(text);
}

void SyncServer::Serve(Socket& client) {
  bool logged_on = false;
  for (;;) {
    std::uint8_t header[kFrameHeaderSize];
    if (!ReadExactly(client, header, sizeof header)) {
      Note("client left");
      return;
    }
    const std::int32_t command = GetBE32(header);
    const std::int32_t length = GetBE32(header + 4);
    if (length < 0 || length > kMaxPayload) {
      Note("payload length " + std::to_string(length) + " refused; closing");
      return;
    }
    std::string payload(static_cast<std::size_t>(length), '\0');
    if (!ReadExactly(client, payload.data(), payload.size())) {
      Note("client left in the middle of a request");
      return;
    }

    std::string reply;
    if (command == kCmdLogon) {
      LogonBody body;
      bool ok = payload.size() == LogonBody::kSize;
      if (ok) {
        std::copy(payload.begin(), payload.end(), body.bytes.begin());
        ok = body.FixedWord() == LogonBody::kFixedWord && body.User() == options_.user &&
             body.Password() == options_.password;
      }
      logged_on = ok;
      Note("logon as \"" + body.User() + "\" " + (ok ? "accepted" : "refused"));
      std::uint8_t verdict[4];
      PutBE32(verdict, ok ? 1 : 0);
      reply.assign(reinterpret_cast<const char*>(verdict), sizeof verdict);
    } else if (command == kCmdListFolder) {
      if (!logged_on) {
        Note("listing asked for before a logon; closing");
        return;
      }
      std::string path = payload.substr(0, payload.find('\0'));
      std::vector<std::string> parts;
      std::vector<std::string> names;
      if (!SplitServerPath(path, parts)) {
        Note("list \"" + path + "\": path refused");
      } else if (!ListSubfolders(options_.root, parts, names)) {
        Note("list \"" + path + "\": not a readable folder");
      } else {
        Note("list \"" + path + "\": " + std::to_string(names.size()) +
             (names.size() == 1 ? " folder" : " folders"));
      }
      AppendListing(reply, names);
    } else {
      Note("unknown command " + std::to_string(command) + "; closing");
      return;
    }
    if (!Reply(client, reply)) {
      Note("client left before the reply was sent");
      return;
    }
  }
}

bool SplitServerPath(const std::string& path, std::vector<std::string>& parts) {
  parts.clear();
  if (path.empty()) return true;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = path.find('\\', start);
    std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty() || part == "." || part == ".." ||
        part.find_first_of("/:") != std::string::npos) {
      parts.clear();
      return false;
    }
    parts.push_back(std::move(part));
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

}  // namespace qv
