#pragma once
// The program's only place that talks to the sockets API: Winsock on Windows, BSD sockets
// elsewhere. Everything above it sees a Socket, IPv4 addresses in host byte order and SocketError
// values. IPv4 and TCP, client side only: listening is for the servers in tools/.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace qv {

enum class SocketError {
  kNone,
  kEndOfStream,  // the peer closed its side: a read gave 0 bytes
  kTimedOut,
  kRefused,
  kShutdown,   // WSAESHUTDOWN; EPIPE on POSIX
  kAborted,    // WSAECONNABORTED
  kReset,      // WSAECONNRESET
  kCancelled,  // the wait hook gave the wait up
  kOther,
};

// Runs between the slices of a wait, so that the waiting thread can do its other work (a
// window's thread keeps its windows answering); false gives the wait up.
using WaitHook = std::function<bool()>;
// How long a wait with a hook goes without calling it.
inline constexpr int kWaitSliceMs = 40;

// An owned socket handle, closed by the destructor.
class Socket {
 public:
  Socket() = default;
  ~Socket() { Close(); }
  Socket(Socket&& other) noexcept
      : handle_(other.Release()), non_blocking_(other.non_blocking_) {}
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  bool valid() const { return handle_ != kInvalid; }
  void Close();

  // The system's handle, for code that makes sockets of other kinds (a listening server).
  static Socket Adopt(std::uintptr_t handle) { return Socket(handle); }
  std::uintptr_t native_handle() const { return handle_; }

 private:
  friend struct SocketAccess;
  static constexpr std::uintptr_t kInvalid = ~std::uintptr_t{0};
  explicit Socket(std::uintptr_t handle) : handle_(handle) {}
  std::uintptr_t Release();

  std::uintptr_t handle_ = kInvalid;
  bool non_blocking_ = false;  // switched once, at the first receive
};

struct IoResult {
  std::size_t bytes = 0;
  SocketError error = SocketError::kNone;
};

inline constexpr std::uint32_t kLoopbackAddress = 0x7F000001;  // 127.0.0.1

// Starts the sockets library once per process (Winsock); every function here does it itself.
void StartSockets();

// Closes `socket` on a thread of its own. A close may wait on the network (Wine's can take
// seconds over a connection the peer keeps silent), and code that gives a connection up must go
// on at once: a window must not stop answering for it.
void CloseInBackground(Socket socket);
// Tests: runs `hook` on the closing thread before each such close, so that a test can hold the
// teardown and see what goes on meanwhile. Empty: none.
void SetBackgroundCloseHook(std::function<void()> hook);

// A dotted IPv4 address is taken as it stands; any other text is looked up by name and the first
// IPv4 address is used. False when neither gives an address. With a hook the lookup runs on a
// thread of its own, which is left to finish by itself when the hook gives the wait up.
bool ResolveIPv4(const std::string& host, std::uint32_t& address, const WaitHook& hook = {});

// Every wait below that is given a hook waits in slices of kWaitSliceMs and runs the hook between
// them; when the hook answers false the call ends with kCancelled.

// Opens a TCP connection, waiting at most `timeout_ms`; returns as soon as the connection is
// made or refused. An invalid socket on failure, with the reason in `error`.
Socket ConnectTcp(std::uint32_t address, std::uint16_t port, int timeout_ms, SocketError& error,
                  const WaitHook& hook = {});

// Sends up to `size` bytes once, waiting for room as long as it takes; a short count is not an
// error.
IoResult SendSome(Socket& socket, const void* data, std::size_t size, const WaitHook& hook = {});

// Receives up to `size` bytes once, waiting at most `timeout_ms` for the first of them (a
// negative time-out waits without limit). At the end of the stream: kEndOfStream.
IoResult ReceiveSome(Socket& socket, void* data, std::size_t size, int timeout_ms,
                     const WaitHook& hook = {});

}  // namespace qv
