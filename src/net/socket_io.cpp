#include "net/socket_io.h"

#include <chrono>
#include <climits>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace qv {

struct SocketAccess {
  static Socket Make(std::uintptr_t handle) { return Socket(handle); }
  static std::uintptr_t Handle(const Socket& socket) { return socket.handle_; }
  static int& ReceiveTimeout(Socket& socket) { return socket.receive_timeout_ms_; }
};

namespace {

#ifdef _WIN32
using NativeSocket = SOCKET;
constexpr NativeSocket kNoSocket = INVALID_SOCKET;

void StartupOnce() {
  // Never paired with WSACleanup: sockets may be in use until the process ends.
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}

int LastError() { return WSAGetLastError(); }
bool Interrupted(int) { return false; }
bool InProgress(int code) { return code == WSAEWOULDBLOCK || code == WSAEINPROGRESS; }

SocketError Classify(int code) {
  switch (code) {
    case WSAESHUTDOWN: return SocketError::kShutdown;
    case WSAECONNABORTED: return SocketError::kAborted;
    case WSAECONNRESET: return SocketError::kReset;
    case WSAECONNREFUSED: return SocketError::kRefused;
    case WSAETIMEDOUT: return SocketError::kTimedOut;
    default: return SocketError::kOther;
  }
}

void CloseNative(NativeSocket s) { closesocket(s); }

bool SetBlocking(NativeSocket s, bool blocking) {
  u_long non_blocking = blocking ? 0 : 1;
  return ioctlsocket(s, FIONBIO, &non_blocking) == 0;
}

// 1 ready, 0 time-out, -1 error. Winsock's select has no descriptor limit to worry about.
int WaitFor(NativeSocket s, bool for_write, int timeout_ms) {
  fd_set main_set;
  fd_set except_set;
  FD_ZERO(&main_set);
  FD_ZERO(&except_set);
  FD_SET(s, &main_set);
  FD_SET(s, &except_set);
  timeval tv{};
  timeval* wait = nullptr;
  if (timeout_ms >= 0) {
    tv.tv_sec = timeout_ms / 1000;
    tv.tv_usec = (timeout_ms % 1000) * 1000;
    wait = &tv;
  }
  // A failed connect shows in the exception set, not the write set.
  int n = select(0, for_write ? nullptr : &main_set, for_write ? &main_set : nullptr,
                 for_write ? &except_set : nullptr, wait);
  return n > 0 ? 1 : n;
}

int SendNative(NativeSocket s, const void* data, std::size_t size) {
  int chunk = size > INT_MAX ? INT_MAX : static_cast<int>(size);
  return send(s, static_cast<const char*>(data), chunk, 0);
}

int ReceiveNative(NativeSocket s, void* data, std::size_t size) {
  int chunk = size > INT_MAX ? INT_MAX : static_cast<int>(size);
  return recv(s, static_cast<char*>(data), chunk, 0);
}

bool SetReceiveTimeout(NativeSocket s, int timeout_ms) {
  const DWORD ms = static_cast<DWORD>(timeout_ms);
  return setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms) == 0;
}

bool ReceiveTimedOut(int code) { return code == WSAETIMEDOUT; }

#else
using NativeSocket = int;
constexpr NativeSocket kNoSocket = -1;

void StartupOnce() {}
int LastError() { return errno; }
bool Interrupted(int code) { return code == EINTR; }
bool InProgress(int code) { return code == EINPROGRESS; }

SocketError Classify(int code) {
  switch (code) {
    case ESHUTDOWN:
    case EPIPE: return SocketError::kShutdown;
    case ECONNABORTED: return SocketError::kAborted;
    case ECONNRESET: return SocketError::kReset;
    case ECONNREFUSED: return SocketError::kRefused;
    case ETIMEDOUT: return SocketError::kTimedOut;
    default: return SocketError::kOther;
  }
}

void CloseNative(NativeSocket s) { close(s); }

bool SetBlocking(NativeSocket s, bool blocking) {
  int flags = fcntl(s, F_GETFL, 0);
  if (flags < 0) return false;
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return fcntl(s, F_SETFL, flags) == 0;
}

int WaitFor(NativeSocket s, bool for_write, int timeout_ms) {
  pollfd p{};
  p.fd = s;
  p.events = for_write ? POLLOUT : POLLIN;
  int n = poll(&p, 1, timeout_ms < 0 ? -1 : timeout_ms);
  return n > 0 ? 1 : n;
}

int SendNative(NativeSocket s, const void* data, std::size_t size) {
  // MSG_NOSIGNAL: a write to a dropped connection must fail, not raise SIGPIPE.
  return static_cast<int>(send(s, data, size > INT_MAX ? INT_MAX : size, MSG_NOSIGNAL));
}

int ReceiveNative(NativeSocket s, void* data, std::size_t size) {
  return static_cast<int>(recv(s, data, size > INT_MAX ? INT_MAX : size, 0));
}

bool SetReceiveTimeout(NativeSocket s, int timeout_ms) {
  timeval tv{};
  tv.tv_sec = timeout_ms / 1000;
  tv.tv_usec = (timeout_ms % 1000) * 1000;
  return setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0;
}

bool ReceiveTimedOut(int code) { return code == EAGAIN || code == EWOULDBLOCK; }
#endif

NativeSocket Native(const Socket& socket) {
  return static_cast<NativeSocket>(SocketAccess::Handle(socket));
}

Socket Wrap(NativeSocket s) {
  return SocketAccess::Make(static_cast<std::uintptr_t>(s));
}

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(address);
  a.sin_port = htons(port);
  return a;
}

// Waits on `s` while retrying interrupted waits, keeping to the overall limit.
int WaitWithin(NativeSocket s, bool for_write, int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
  for (;;) {
    int left = -1;
    if (timeout_ms >= 0) {
      // Rounded up: a wait must never end before its limit.
      auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      left = remaining > 0 ? static_cast<int>(remaining) : 0;
    }
    int n = WaitFor(s, for_write, left);
    if (n < 0 && Interrupted(LastError())) continue;
    return n;
  }
}

}  // namespace

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    receive_timeout_ms_ = other.receive_timeout_ms_;
    handle_ = other.Release();
  }
  return *this;
}

void Socket::Close() {
  if (handle_ != kInvalid) {
    CloseNative(static_cast<NativeSocket>(handle_));
    handle_ = kInvalid;
  }
  receive_timeout_ms_ = 0;
}

std::uintptr_t Socket::Release() {
  std::uintptr_t h = handle_;
  handle_ = kInvalid;
  return h;
}

bool ResolveIPv4(const std::string& host, std::uint32_t& address) {
  StartupOnce();
  in_addr dotted{};
  if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
    address = ntohl(dotted.s_addr);
    return true;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  bool ok = false;
  for (addrinfo* i = found; i != nullptr; i = i->ai_next) {
    if (i->ai_family == AF_INET && i->ai_addr != nullptr) {
      sockaddr_in a;
      std::memcpy(&a, i->ai_addr, sizeof a);
      address = ntohl(a.sin_addr.s_addr);
      ok = true;
      break;
    }
  }
  freeaddrinfo(found);
  return ok;
}

Socket ConnectTcp(std::uint32_t address, std::uint16_t port, int timeout_ms, SocketError& error) {
  StartupOnce();
  error = SocketError::kOther;
  Socket socket = Wrap(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.valid()) return Socket();
  NativeSocket s = Native(socket);
  if (!SetBlocking(s, false)) return Socket();

  sockaddr_in to = MakeAddress(address, port);
  if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    int code = LastError();
    if (!InProgress(code)) {
      error = Classify(code);
      return Socket();
    }
    int ready = WaitWithin(s, true, timeout_ms);
    if (ready == 0) {
      error = SocketError::kTimedOut;
      return Socket();
    }
    if (ready < 0) return Socket();
    int so_error = 0;
    socklen_t length = sizeof so_error;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error), &length) != 0) {
      return Socket();
    }
    if (so_error != 0) {
      error = Classify(so_error);
      return Socket();
    }
  }
  if (!SetBlocking(s, true)) return Socket();
  error = SocketError::kNone;
  return socket;
}

IoResult SendSome(Socket& socket, const void* data, std::size_t size) {
  for (;;) {
    int n = SendNative(Native(socket), data, size);
    if (n >= 0) return {static_cast<std::size_t>(n), SocketError::kNone};
    int code = LastError();
    if (Interrupted(code)) continue;
    return {0, Classify(code)};
  }
}

IoResult ReceiveSome(Socket& socket, void* data, std::size_t size, int timeout_ms) {
  const NativeSocket s = Native(socket);
  if (timeout_ms == 0) {
    // A receive time-out of 0 means none, so a poll stands in for it.
    int ready = WaitWithin(s, false, 0);
    if (ready == 0) return {0, SocketError::kTimedOut};
    if (ready < 0) return {0, Classify(LastError())};
  }
  // The time-out rides on the socket, so that a read that finds data costs one call; it is set
  // again only when it changes, which is seldom.
  const int timeout = timeout_ms > 0 ? timeout_ms : 0;
  int& timeout_set = SocketAccess::ReceiveTimeout(socket);
  if (timeout != timeout_set) {
    if (!SetReceiveTimeout(s, timeout)) return {0, Classify(LastError())};
    timeout_set = timeout;
  }
  for (;;) {
    int n = ReceiveNative(s, data, size);
    if (n > 0) return {static_cast<std::size_t>(n), SocketError::kNone};
    if (n == 0) return {0, size == 0 ? SocketError::kNone : SocketError::kEndOfStream};
    int code = LastError();
    if (Interrupted(code)) continue;
    if (ReceiveTimedOut(code)) return {0, SocketError::kTimedOut};
    return {0, Classify(code)};
  }
}

Socket ListenTcp(std::uint32_t address, std::uint16_t port, int backlog) {
  StartupOnce();
  Socket socket = Wrap(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.valid()) return Socket();
  NativeSocket s = Native(socket);
#ifndef _WIN32
  // Lets a restarted server take its port back while old connections linger in TIME_WAIT.
  int on = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
  sockaddr_in at = MakeAddress(address, port);
  if (bind(s, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) return Socket();
  if (listen(s, backlog) != 0) return Socket();
  return socket;
}

std::uint16_t LocalPort(const Socket& socket) {
  sockaddr_in at{};
  socklen_t length = sizeof at;
  if (getsockname(Native(socket), reinterpret_cast<sockaddr*>(&at), &length) != 0) return 0;
  return ntohs(at.sin_port);
}

Socket AcceptTcp(Socket& listener, int timeout_ms) {
  NativeSocket s = Native(listener);
  if (timeout_ms >= 0 && WaitWithin(s, false, timeout_ms) <= 0) return Socket();
  for (;;) {
    NativeSocket client = accept(s, nullptr, nullptr);
    if (client != kNoSocket) return Wrap(client);
    if (!Interrupted(LastError())) return Socket();
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
