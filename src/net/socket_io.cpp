#include "net/socket_io.h"

#include <chrono>
#include <climits>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

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
  static bool& NonBlocking(Socket& socket) { return socket.non_blocking_; }
};

namespace {

#ifdef _WIN32
using NativeSocket = SOCKET;

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

bool WouldBlock(int code) { return code == WSAEWOULDBLOCK; }

#else
using NativeSocket = int;

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

bool WouldBlock(int code) { return code == EAGAIN || code == EWOULDBLOCK; }
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

enum class Waited { kReady, kTimedOut, kCancelled, kFailed };

using Clock = std::chrono::steady_clock;

Clock::time_point DeadlineAfter(int timeout_ms) {
  return timeout_ms < 0 ? Clock::time_point::max()
                        : Clock::now() + std::chrono::milliseconds(timeout_ms);
}

// What is left until `deadline`, rounded up so that a wait never ends before its limit; -1 for
// no deadline.
int MsLeft(Clock::time_point deadline) {
  if (deadline == Clock::time_point::max()) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

// Waits on `s` until `deadline`, retrying interrupted waits; with a hook, in slices with the hook
// run between them.
Waited WaitUntil(NativeSocket s, bool for_write, Clock::time_point deadline, const WaitHook& hook) {
  for (;;) {
    const int left = MsLeft(deadline);
    int slice = left;
    if (hook && (slice < 0 || slice > kWaitSliceMs)) slice = kWaitSliceMs;
    const int n = WaitFor(s, for_write, slice);
    if (n > 0) return Waited::kReady;
    if (n < 0) {
      if (Interrupted(LastError())) continue;
      return Waited::kFailed;
    }
    if (slice == left) return Waited::kTimedOut;
    if (!hook()) return Waited::kCancelled;
  }
}

bool MakeNonBlocking(Socket& socket) {
  bool& non_blocking = SocketAccess::NonBlocking(socket);
  if (!non_blocking) non_blocking = SetBlocking(Native(socket), false);
  return non_blocking;
}

}  // namespace

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    non_blocking_ = other.non_blocking_;
    handle_ = other.Release();
  }
  return *this;
}

void Socket::Close() {
  if (handle_ != kInvalid) {
    CloseNative(static_cast<NativeSocket>(handle_));
    handle_ = kInvalid;
  }
  non_blocking_ = false;
}

std::uintptr_t Socket::Release() {
  std::uintptr_t h = handle_;
  handle_ = kInvalid;
  return h;
}

void StartSockets() { StartupOnce(); }

namespace {

std::mutex close_hook_mutex;
std::function<void()> close_hook;

}  // namespace

void SetBackgroundCloseHook(std::function<void()> hook) {
  std::lock_guard lock(close_hook_mutex);
  close_hook = std::move(hook);
}

void CloseInBackground(Socket socket) {
  if (!socket.valid()) return;
  std::function<void()> hook;
  {
    std::lock_guard lock(close_hook_mutex);
    hook = close_hook;
  }
  try {
    std::thread([owned = std::move(socket), hook = std::move(hook)]() mutable {
      if (hook) hook();
      owned.Close();
    }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the socket went with the callable, whose destruction closed it here.
  }
}

namespace {

// The name service's answer for `host`: the first IPv4 address, if any.
bool LookUpIPv4(const std::string& host, std::uint32_t& address) {
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

}  // namespace

bool ResolveIPv4(const std::string& host, std::uint32_t& address, const WaitHook& hook) {
  StartupOnce();
  in_addr dotted{};
  if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
    address = ntohl(dotted.s_addr);
    return true;
  }
  if (!hook) return LookUpIPv4(host, address);
  // A name service that does not answer can take many seconds; the lookup cannot be stopped,
  // so the thread keeps what it needs and the caller may stop waiting for it.
  auto answer = std::make_shared<std::promise<std::pair<bool, std::uint32_t>>>();
  std::future<std::pair<bool, std::uint32_t>> result = answer->get_future();
  try {
    std::thread([answer, host] {
      std::uint32_t found = 0;
      const bool ok = LookUpIPv4(host, found);
      answer->set_value({ok, found});
    }).detach();
  } catch (const std::system_error&) {
    return LookUpIPv4(host, address);
  }
  while (result.wait_for(std::chrono::milliseconds(kWaitSliceMs)) != std::future_status::ready) {
    if (!hook()) return false;
  }
  const auto [ok, found] = result.get();
  if (ok) address = found;
  return ok;
}

Socket ConnectTcp(std::uint32_t address, std::uint16_t port, int timeout_ms, SocketError& error,
                  const WaitHook& hook) {
  StartupOnce();
  error = SocketError::kOther;
  Socket socket = Wrap(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.valid()) return Socket();
  // The socket stays non-blocking: every wait on it is one of ours, in slices.
  if (!MakeNonBlocking(socket)) return Socket();
  NativeSocket s = Native(socket);

  sockaddr_in to = MakeAddress(address, port);
  if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    int code = LastError();
    if (!InProgress(code)) {
      error = Classify(code);
      return Socket();
    }
    switch (WaitUntil(s, true, DeadlineAfter(timeout_ms), hook)) {
      case Waited::kReady:
        break;
      case Waited::kTimedOut:
        error = SocketError::kTimedOut;
        return Socket();
      case Waited::kCancelled:
        error = SocketError::kCancelled;
        CloseInBackground(std::move(socket));
        return Socket();
      case Waited::kFailed:
        return Socket();
    }
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
  error = SocketError::kNone;
  return socket;
}

IoResult SendSome(Socket& socket, const void* data, std::size_t size, const WaitHook& hook) {
  const NativeSocket s = Native(socket);
  for (;;) {
    int n = SendNative(s, data, size);
    if (n >= 0) return {static_cast<std::size_t>(n), SocketError::kNone};
    int code = LastError();
    if (Interrupted(code)) continue;
    if (!WouldBlock(code)) return {0, Classify(code)};
    switch (WaitUntil(s, true, Clock::time_point::max(), hook)) {
      case Waited::kReady:
        continue;
      case Waited::kCancelled:
        return {0, SocketError::kCancelled};
      default:
        return {0, Classify(LastError())};
    }
  }
}

IoResult ReceiveSome(Socket& socket, void* data, std::size_t size, int timeout_ms,
                     const WaitHook& hook) {
  // Non-blocking, so that a read that finds data costs one call and one that finds none can
  // wait our way: for the time-out, in slices.
  if (!MakeNonBlocking(socket)) return {0, Classify(LastError())};
  const NativeSocket s = Native(socket);
  const Clock::time_point deadline = DeadlineAfter(timeout_ms);
  for (;;) {
    int n = ReceiveNative(s, data, size);
    if (n > 0) return {static_cast<std::size_t>(n), SocketError::kNone};
    if (n == 0) return {0, size == 0 ? SocketError::kNone : SocketError::kEndOfStream};
    int code = LastError();
    if (Interrupted(code)) continue;
    if (!WouldBlock(code)) return {0, Classify(code)};
    switch (WaitUntil(s, false, deadline, hook)) {
      case Waited::kReady:
        continue;
      case Waited::kTimedOut:
        return {0, SocketError::kTimedOut};
      case Waited::kCancelled:
        return {0, SocketError::kCancelled};
      case Waited::kFailed:
        return {0, Classify(LastError())};
    }
  }
}

}  // namespace qv
