#pragma once
// The listening side of TCP, which only the servers we run against the editor need: the sync
// server, the tests' scripted servers and the benchmark. The editor itself only connects.
#include <cstdint>

#include "net/socket_io.h"

namespace qv {

// Port 0 picks a free port.
Socket ListenTcp(std::uint32_t address, std::uint16_t port, int backlog);
std::uint16_t LocalPort(const Socket& socket);
// Waits at most `timeout_ms` (negative: without limit) for a connection; invalid on time-out.
Socket AcceptTcp(Socket& listener, int timeout_ms);
// Closes with a reset instead of an orderly end, as a crashing or refusing server does.
void AbortTcp(Socket& socket);

}  // namespace qv
