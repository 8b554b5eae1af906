#pragma once
// A scripted server on 127.0.0.1 for the connection tests. Each accepted connection is handed to
// the next handler in turn, on the server's own thread; handlers record what they read into the
// test's variables, which the test may look at after Join.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "listen_socket.h"
#include "net/socket_io.h"
#include "net/test_util.h"

namespace qv::test {

class FakePeer {
 public:
  explicit FakePeer(Socket socket) : socket_(std::move(socket)) {}

  // Reads exactly `size` bytes; fewer when the client closes or is silent for 5 s.
  std::string Read(std::size_t size);
  // What one read gives, at most `size` bytes; empty when the client closes or is silent for 5 s.
  std::string ReadSome(std::size_t size);
  // One request: the 8-byte header and the payload length it announces.
  std::string ReadRequest();
  // Everything until the client closes (or is silent for 5 s).
  std::string ReadToEnd();
  void Send(std::string_view bytes);
  // True when the client closes within `ms` milliseconds (data it sends meanwhile is dropped);
  // paces a server that answers slowly.
  bool ClosedWithin(int ms);
  void Close() { socket_.Close(); }
  // Ends the connection with a reset.
  void Abort() { AbortTcp(socket_); }

 private:
  Socket socket_;
};

class FakeServer {
 public:
  using Handler = std::function<void(FakePeer&)>;

  explicit FakeServer(std::vector<Handler> handlers);
  ~FakeServer() { Join(); }
  FakeServer(const FakeServer&) = delete;
  FakeServer& operator=(const FakeServer&) = delete;

  std::uint16_t port() const { return port_; }
  // Waits until every handler has run (or no client came for 5 s).
  void Join();
  // Connections accepted, counting any made beyond the handlers; valid after Join.
  int accepted() const { return accepted_; }

 private:
  void Run(std::vector<Handler> handlers);

  Socket listener_;
  std::uint16_t port_ = 0;
  int accepted_ = 0;
  std::thread thread_;
};

}  // namespace qv::test
