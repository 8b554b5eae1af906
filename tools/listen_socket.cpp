#include "listen_socket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace qv {
namespace {

#ifdef _WIN32
using NativeSocket = SOCKET;
constexpr NativeSocket kNoSocket = INVALID_SOCKET;
using Length = int;
bool Interrupted() { return false; }

// 1 ready, 0 time-out, -1 error.
int WaitReadable(NativeSocket s, int timeout_ms) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(s, &readable);
  timeval tv{};
  tv.tv_sec = timeout_ms / 1000;
  tv.tv_usec = (timeout_ms % 1000) * 1000;
  const int n = select(0, &readable, nullptr, nullptr, timeout_ms < 0 ? nullptr : &tv);
  return n > 0 ? 1 : n;
}
#else
using NativeSocket = int;
constexpr NativeSocket kNoSocket = -1;
using Length = socklen_t;
bool Interrupted() { return errno == EINTR; }

int WaitReadable(NativeSocket s, int timeout_ms) {
  pollfd p{};
  p.fd = s;
  p.events = POLLIN;
  const int n = poll(&p, 1, timeout_ms < 0 ? -1 : timeout_ms);
  return n > 0 ? 1 : n;
}
#endif

NativeSocket Native(const Socket& socket) {
  return static_cast<NativeSocket>(socket.native_handle());
}

Socket Wrap(NativeSocket s) {
  return s == kNoSocket ? Socket() : Socket::Adopt(static_cast<std::uintptr_t>(s));
}

}  // namespace

Socket ListenTcp(std::uint32_t address, std::uint16_t port, int backlog) {
  StartSockets();
  Socket socket = Wrap(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.valid()) return Socket();
  const NativeSocket s = Native(socket);
#ifndef _WIN32
  // Lets a restarted server take its port back while old connections linger in TIME_WAIT.
  int on = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(address);
  at.sin_port = htons(port);
  if (bind(s, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) return Socket();
  if (listen(s, backlog) != 0) return Socket();
  return socket;
}

std::uint16_t LocalPort(const Socket& socket) {
  sockaddr_in at{};
  Length length = sizeof at;
  if (getsockname(Native(socket), reinterpret_cast<sockaddr*>(&at), &length) != 0) return 0;
  return ntohs(at.sin_port);
}

Socket AcceptTcp(Socket& listener, int timeout_ms) {
  const NativeSocket s = Native(listener);
  for (;;) {
    if (timeout_ms >= 0) {
      const int ready = WaitReadable(s, timeout_ms);
      if (ready < 0 && Interrupted()) continue;
      if (ready <= 0) return Socket();
    }
    const NativeSocket client = accept(s, nullptr, nullptr);
    if (client != kNoSocket) return Wrap(client);
    if (!Interrupted()) return Socket();
  }
}

void AbortTcp(Socket& socket) {
  if (!socket.valid()) return;
  linger abort_on_close{};
  abort_on_close.l_onoff = 1;
  abort_on_close.l_linger = 0;
  setsockopt(Native(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort_on_close),
             sizeof abort_on_close);
  socket.Close();
}

}  // namespace qv
