#include "net/fake_server.h"

#include "common/coding.h"
#include "net/wire.h"

namespace qv::test {
namespace {

constexpr int kPatienceMs = 5000;

}  // namespace

std::string FakePeer::Read(std::size_t size) {
  std::string bytes(size, '\0');
  std::size_t got = 0;
  while (got < size && socket_.valid()) {
    IoResult r = ReceiveSome(socket_, bytes.data() + got, size - got, kPatienceMs);
    if (r.error != SocketError::kNone) break;
    got += r.bytes;
  }
  bytes.resize(got);
  return bytes;
}

std::string FakePeer::ReadSome(std::size_t size) {
  std::string bytes(size, '\0');
  IoResult r = ReceiveSome(socket_, bytes.data(), size, kPatienceMs);
  bytes.resize(r.error == SocketError::kNone ? r.bytes : 0);
  return bytes;
}

std::string FakePeer::ReadRequest() {
  std::string header = Read(kFrameHeaderSize);
  if (header.size() < kFrameHeaderSize) return header;
  std::int32_t length = GetBE32(reinterpret_cast<const std::uint8_t*>(header.data() + 4));
  return header + Read(length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::string FakePeer::ReadToEnd() {
  std::string bytes;
  char block[4096];
  while (socket_.valid()) {
    IoResult r = ReceiveSome(socket_, block, sizeof block, kPatienceMs);
    if (r.error != SocketError::kNone) break;
    bytes.append(block, r.bytes);
  }
  return bytes;
}

bool FakePeer::ClosedWithin(int ms) {
  char block[256];
  IoResult r = ReceiveSome(socket_, block, sizeof block, ms);
  return r.error != SocketError::kNone && r.error != SocketError::kTimedOut;
}

void FakePeer::Send(std::string_view bytes) {
  while (!bytes.empty() && socket_.valid()) {
    IoResult r = SendSome(socket_, bytes.data(), bytes.size());
    if (r.error != SocketError::kNone) return;
    bytes.remove_prefix(r.bytes);
  }
}

FakeServer::FakeServer(std::vector<Handler> handlers)
    : listener_(ListenTcp(kLoopbackAddress, 0, 8)), port_(LocalPort(listener_)) {
  thread_ = std::thread(&FakeServer::Run, this, std::move(handlers));
}

void FakeServer::Join() {
  if (thread_.joinable()) thread_.join();
}

void FakeServer::Run(std::vector<Handler> handlers) {
  for (Handler& handler : handlers) {
    Socket client = AcceptTcp(listener_, kPatienceMs);
    if (!client.valid()) return;
    ++accepted_;
    FakePeer peer(std::move(client));
    handler(peer);
  }
  // Connections the test made beyond the script are waiting in the backlog by now.
  while (AcceptTcp(listener_, 0).valid()) ++accepted_;
}

}  // namespace qv::test
