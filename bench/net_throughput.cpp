// The client's two costs on loopback, each measured side by side with plain socket calls in one
// run:
//  - a listing of 1,000,000 names through ServerConnection against a plain recv loop over the
//    same bytes (goal: throughput at least 0.8 of the plain loop's), best of several rounds;
//  - a small listing's round trip (goal: at most 2 ms), median of many, beside a plain round
//    trip with the request in one write and one with the request in two writes, which shows
//    what Nagle's algorithm and a delayed acknowledgement cost a request sent in pieces.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/coding.h"
#include "net/name_list.h"
#include "net/server_connection.h"
#include "net/socket_io.h"
#include "net/wire.h"
#include "listen_socket.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kNames = 1'000'000;
constexpr int kListingRounds = 7;
constexpr int kRoundTrips = 200;
constexpr double kThroughputGoal = 0.8;
constexpr double kRoundTripGoalMs = 2.0;
constexpr char kSmallFolder[] = "Projects";

std::string MakeReply(int count) {
  static const char* const kStems[] = {"Projects", "Backup of the accounts department", "img",
                                       "Quarterly reports and minutes"};
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) names.push_back(std::string(kStems[i % 4]) + " " + std::to_string(i));
  std::string reply;
  qv::AppendListing(reply, names);
  return reply;
}

bool ReadExactly(qv::Socket& socket, char* data, std::size_t size) {
  while (size > 0) {
    qv::IoResult r = qv::ReceiveSome(socket, data, size, -1);
    if (r.error != qv::SocketError::kNone) return false;
    data += r.bytes;
    size -= r.bytes;
  }
  return true;
}

bool WriteAll(qv::Socket& socket, const char* data, std::size_t size) {
  while (size > 0) {
    qv::IoResult r = qv::SendSome(socket, data, size);
    if (r.error != qv::SocketError::kNone) return false;
    data += r.bytes;
    size -= r.bytes;
  }
  return true;
}

struct Replies {
  std::string large;  // the top level
  std::string small;  // any folder
};

// Answers every request on the connection until the client leaves, each reply in one write.
void Serve(qv::Socket client, const Replies& replies) {
  for (;;) {
    char header[qv::kFrameHeaderSize];
    if (!ReadExactly(client, header, sizeof header)) return;
    const std::int32_t length = qv::GetBE32(reinterpret_cast<const std::uint8_t*>(header + 4));
    std::string payload(static_cast<std::size_t>(std::max(length, 0)), '\0');
    if (!ReadExactly(client, payload.data(), payload.size())) return;
    const std::string& reply = payload.empty() ? replies.large : replies.small;
    if (!WriteAll(client, reply.data(), reply.size())) return;
  }
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A plain client: one socket, requests sent as given, replies read to their known size.
class PlainClient {
 public:
  explicit PlainClient(std::uint16_t port) {
    qv::SocketError error{};
    socket_ = qv::ConnectTcp(qv::kLoopbackAddress, port, 3000, error);
    block_.resize(qv::ServerConnection::kReadBlockSize);
  }
  bool ok() const { return socket_.valid(); }

  // The request goes out in `pieces` writes (1 or 2); the reply is read in blocks and dropped.
  bool Exchange(const std::string& request, int pieces, std::size_t reply_size) {
    const std::size_t first = pieces == 1 ? request.size() : qv::kFrameHeaderSize / 2;
    if (!WriteAll(socket_, request.data(), first) ||
        !WriteAll(socket_, request.data() + first, request.size() - first)) {
      return false;
    }
    std::size_t received = 0;
    while (received < reply_size) {
      qv::IoResult r = qv::ReceiveSome(socket_, block_.data(), block_.size(), -1);
      if (r.error != qv::SocketError::kNone) return false;
      received += r.bytes;
    }
    return true;
  }

 private:
  qv::Socket socket_;
  std::vector<char> block_;
};

struct Figures {
  double plain_listing = 1e9;  // best seconds
  double client_listing = 1e9;
  double plain_round_trip = 0;  // median seconds
  double plain_round_trip_in_pieces = 0;
  double client_round_trip = 0;
};

bool Measure(std::uint16_t port, const Replies& replies, Figures& figures) {
  PlainClient plain(port);
  PlainClient pieces(port);
  qv::ServerConnection connection;
  connection.SetHost("127.0.0.1");
  connection.SetPort(port);
  if (!plain.ok() || !pieces.ok() || !connection.Connect()) {
    std::fprintf(stderr, "net_throughput: cannot connect\n");
    return false;
  }
  std::string top, folder;
  qv::EncodeListFolderRequest("", top);
  qv::EncodeListFolderRequest(kSmallFolder, folder);

  qv::NameList names;
  for (int round = 0; round < kListingRounds; ++round) {
    auto start = Clock::now();
    if (!plain.Exchange(top, 1, replies.large.size())) return false;
    figures.plain_listing = std::min(figures.plain_listing, Seconds(Clock::now() - start));

    names.clear();
    start = Clock::now();
    if (!connection.ListFolder("", names) || names.size() != kNames) {
      std::fprintf(stderr, "net_throughput: the listing failed\n");
      return false;
    }
    figures.client_listing = std::min(figures.client_listing, Seconds(Clock::now() - start));
  }

  std::vector<double> plain_times, pieces_times, client_times;
  for (int i = 0; i < kRoundTrips; ++i) {
    auto start = Clock::now();
    if (!plain.Exchange(folder, 1, replies.small.size())) return false;
    plain_times.push_back(Seconds(Clock::now() - start));

    start = Clock::now();
    if (!pieces.Exchange(folder, 2, replies.small.size())) return false;
    pieces_times.push_back(Seconds(Clock::now() - start));

    names.clear();
    start = Clock::now();
    if (!connection.ListFolder(kSmallFolder, names) || names.size() != 3) {
      std::fprintf(stderr, "net_throughput: the small listing failed\n");
      return false;
    }
    client_times.push_back(Seconds(Clock::now() - start));
  }
  figures.plain_round_trip = Median(plain_times);
  figures.plain_round_trip_in_pieces = Median(pieces_times);
  figures.client_round_trip = Median(client_times);
  return true;
}

}  // namespace

int main() {
  const Replies replies{MakeReply(kNames), MakeReply(3)};
  qv::Socket listener = qv::ListenTcp(qv::kLoopbackAddress, 0, 4);
  if (!listener.valid()) {
    std::fprintf(stderr, "net_throughput: cannot listen on 127.0.0.1\n");
    return 1;
  }
  // One server thread per client, all connected before any measuring starts.
  std::vector<std::thread> servers;
  std::thread acceptor([&] {
    for (int i = 0; i < 3; ++i) {
      qv::Socket client = qv::AcceptTcp(listener, 10000);
      if (!client.valid()) return;
      servers.emplace_back(Serve, std::move(client), std::cref(replies));
    }
  });
  Figures f;
  const bool ok = Measure(qv::LocalPort(listener), replies, f);
  acceptor.join();
  listener.Close();
  for (std::thread& t : servers) t.join();
  if (!ok) return 1;

  const double megabytes = static_cast<double>(replies.large.size()) / 1e6;
  const double ratio = f.plain_listing / f.client_listing;
  std::printf("net_throughput: listing of %d names, %.1f MB, best of %d rounds\n", kNames,
              megabytes, kListingRounds);
  std::printf("  plain recv loop:    %8.1f ms  %8.0f MB/s\n", f.plain_listing * 1e3,
              megabytes / f.plain_listing);
  std::printf("  ServerConnection:   %8.1f ms  %8.0f MB/s  (%.0f ns per name)\n",
              f.client_listing * 1e3, megabytes / f.client_listing,
              f.client_listing * 1e9 / kNames);
  std::printf("  listing throughput as a fraction of the plain loop: %.2f (goal >= %.2f): %s\n",
              ratio, kThroughputGoal, ratio >= kThroughputGoal ? "met" : "NOT met");
  std::printf("small listing round trip, median of %d\n", kRoundTrips);
  std::printf("  plain, request in one write:   %8.3f ms\n", f.plain_round_trip * 1e3);
  std::printf("  plain, request in two writes:  %8.3f ms\n", f.plain_round_trip_in_pieces * 1e3);
  std::printf("  ServerConnection:              %8.3f ms (goal <= %.1f ms): %s\n",
              f.client_round_trip * 1e3, kRoundTripGoalMs,
              f.client_round_trip * 1e3 <= kRoundTripGoalMs ? "met" : "NOT met");
  return 0;
}
