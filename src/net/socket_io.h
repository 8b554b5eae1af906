#pragma once
// The only place that talks to the sockets API: Winsock on Windows, BSD sockets elsewhere.
// Everything above it sees a Socket, IPv4 addresses in host byte order and SocketError values.
// IPv4 and TCP only.
#include <cstddef>
#include <cstdint>
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
  kOther,
};

// An owned socket handle, closed by the destructor.
class Socket {
 public:
  Socket() = default;
  ~Socket() { Close(); }
  Socket(Socket&& other) noexcept
      : handle_(other.Release()), receive_timeout_ms_(other.receive_timeout_ms_) {}
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  bool valid() const { return handle_ != kInvalid; }
  void Close();

 private:
  friend struct SocketAccess;
  static constexpr std::uintptr_t kInvalid = ~std::uintptr_t{0};
  explicit Socket(std::uintptr_t handle) : handle_(handle) {}
  std::uintptr_t Release();

  std::uintptr_t handle_ = kInvalid;
  int receive_timeout_ms_ = 0;  // the socket's receive time-out as last set; 0 is none
};

struct IoResult {
  std::size_t bytes = 0;
  SocketError error = SocketError::kNone;
};

inline constexpr std::uint32_t kLoopbackAddress = 0x7F000001;  // 127.0.0.1

// A dotted IPv4 address is taken as it stands; any other text is looked up by name and the first
// IPv4 address is used. False when neither gives an address.
bool ResolveIPv4(const std::string& host, std::uint32_t& address);

// Opens a TCP connection, waiting at most `timeout_ms`; returns as soon as the connection is
// made or refused. An invalid socket on failure, with the reason in `error`.
Socket ConnectTcp(std::uint32_t address, std::uint16_t port, int timeout_ms, SocketError& error);

// Sends up to `size` bytes once; a short count is not an error.
IoResult SendSome(Socket& socket, const void* data, std::size_t size);

// Receives up to `size` bytes once, waiting at most `timeout_ms` for the first of them (a
// negative time-out waits without limit). At the end of the stream: kEndOfStream.
IoResult ReceiveSome(Socket& socket, void* data, std::size_t size, int timeout_ms);

// Listening side, for the sync server, the tests and the benchmark. Port 0 picks a free port.
Socket ListenTcp(std::uint32_t address, std::uint16_t port, int backlog);
std::uint16_t LocalPort(const Socket& socket);
// Waits at most `timeout_ms` (negative: without limit) for a connection; invalid on time-out.
Socket AcceptTcp(Socket& listener, int timeout_ms);
// Closes with a reset instead of an orderly end, as a crashing or refusing server does.
void AbortTcp(Socket& socket);

}  // namespace qv
