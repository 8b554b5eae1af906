// Reads a listing of 1,000,000 names served on loopback, once through ServerConnection and once
// with a plain recv loop over the same bytes, and prints the client's throughput as a fraction
// of the plain loop's (goal: at least 0.5).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "net/server_connection.h"
#include "net/socket_io.h"
#include "net/wire.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kNames = 1'000'000;
constexpr int kRounds = 7;

std::string MakeReply() {
  static const char* const kStems[] = {"Projects", "Backup of the accounts department", "img",
                                       "Quarterly reports and minutes"};
  std::vector<std::string> names;
  names.reserve(kNames);
  for (int i = 0; i < kNames; ++i) {
    names.push_back(std::string(kStems[i % 4]) + " " + std::to_string(i));
  }
  std::string reply;
  qv::AppendListing(reply, names);
  return reply;
}

bool ReadExactly(qv::Socket& socket, std::size_t size) {
  char block[256];
  while (size > 0) {
    qv::IoResult r = qv::ReceiveSome(socket, block, std::min(size, sizeof block), -1);
    if (r.error != qv::SocketError::kNone) return false;
    size -= r.bytes;
  }
  return true;
}

// Answers every request on the connection with the same reply until the client leaves.
void Serve(qv::Socket client, const std::string& reply) {
  std::uint8_t header[qv::kFrameHeaderSize];
  for (;;) {
    std::size_t got = 0;
    while (got < sizeof header) {
      qv::IoResult r = qv::ReceiveSome(client, header + got, sizeof header - got, -1);
      if (r.error != qv::SocketError::kNone) return;
      got += r.bytes;
    }
    if (!ReadExactly(client, static_cast<std::size_t>(qv::GetBE32(header + 4)))) return;
    const char* next = reply.data();
    std::size_t left = reply.size();
    while (left > 0) {
      qv::IoResult r = qv::SendSome(client, next, left);
      if (r.error != qv::SocketError::kNone) return;
      next += r.bytes;
      left -= r.bytes;
    }
  }
}

// Serves the two clients at the same time, one thread each.
void ServeTwo(qv::Socket& listener, const std::string& reply) {
  std::thread first(Serve, qv::AcceptTcp(listener, -1), std::cref(reply));
  Serve(qv::AcceptTcp(listener, -1), reply);
  first.join();
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Timings {
  double plain = 1e9;  // best seconds
  double client = 1e9;
};

// Both clients connect first and then take turns, so that each round sees the same machine.
bool Measure(std::uint16_t port, std::size_t reply_size, Timings& best) {
  qv::SocketError error{};
  qv::Socket plain = qv::ConnectTcp(qv::kLoopbackAddress, port, 3000, error);
  qv::ServerConnection connection;
  connection.SetHost("127.0.0.1");
  connection.SetPort(port);
  if (!plain.valid() || !connection.Connect()) {
    std::fprintf(stderr, "net_throughput: cannot connect\n");
    return false;
  }
  std::vector<char> block(qv::ServerConnection::kReadBlockSize);
  const auto request = qv::EncodeFrameHeader(qv::kCmdListFolder, 0);
  for (int round = 0; round < kRounds; ++round) {
    auto start = Clock::now();
    qv::SendSome(plain, request.data(), request.size());
    std::size_t received = 0;
    while (received < reply_size) {
      qv::IoResult r = qv::ReceiveSome(plain, block.data(), block.size(), -1);
      if (r.error != qv::SocketError::kNone) return false;
      received += r.bytes;
    }
    best.plain = std::min(best.plain, Seconds(Clock::now() - start));

    std::vector<std::string> names;
    start = Clock::now();
    if (!connection.ListFolder("", names) || names.size() != kNames) {
      std::fprintf(stderr, "net_throughput: the listing failed\n");
      return false;
    }
    best.client = std::min(best.client, Seconds(Clock::now() - start));
  }
  return true;
}

}  // namespace

int main() {
  const std::string reply = MakeReply();
  qv::Socket listener = qv::ListenTcp(qv::kLoopbackAddress, 0, 4);
  if (!listener.valid()) {
    std::fprintf(stderr, "net_throughput: cannot listen on 127.0.0.1\n");
    return 1;
  }
  std::thread server(ServeTwo, std::ref(listener), std::cref(reply));
  Timings best;
  const bool ok = Measure(qv::LocalPort(listener), reply.size(), best);
  server.join();
  if (!ok) return 1;

  const double megabytes = static_cast<double>(reply.size()) / 1e6;
  std::printf("net_throughput: listing of %d names, %.1f MB, best of %d rounds\n", kNames,
              megabytes, kRounds);
  std::printf("  plain recv loop:    %8.1f ms  %8.0f MB/s\n", best.plain * 1e3,
              megabytes / best.plain);
  std::printf("  ServerConnection:   %8.1f ms  %8.0f MB/s  (%.0f ns per name)\n",
              best.client * 1e3, megabytes / best.client, best.client * 1e9 / kNames);
  std::printf("  client throughput as a fraction of the plain loop: %.2f (goal >= 0.5)\n",
              best.plain / best.client);
  return 0;
}
