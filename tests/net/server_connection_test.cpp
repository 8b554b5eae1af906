#include "net/server_connection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "net/fake_server.h"
#include "net/test_util.h"

namespace qv::test {
namespace {

using Names = NameList;

constexpr int kShortReplyTimeoutMs = 200;

std::string Hex(const std::string& bytes) { return ::testing::PrintToString(bytes); }

void Point(ServerConnection& connection, std::uint16_t port) {
  connection.SetHost("127.0.0.1");
  connection.SetPort(port);
  // A failing test must not wait half a minute per reply.
  connection.SetReplyTimeoutMs(5000);
}

// A port with nothing listening on it: one that was just given out and released.
std::uint16_t ClosedPort() {
  Socket listener = ListenTcp(kLoopbackAddress, 0, 1);
  return LocalPort(listener);
}

TEST(ServerConnection, TopLevelListingSendsEightBytes) {
  std::string request, rest;
  FakeServer server({[&](FakePeer& peer) {
    request = peer.ReadRequest();
    peer.Send(Int32BE(2) + "x\r\ny\r\n");
    rest = peer.ReadToEnd();
  }});
  Names names;
  {
    ServerConnection connection;
    Point(connection, server.port());
    ASSERT_TRUE(connection.Connect());
    EXPECT_TRUE(connection.ListFolder("", names));
  }
  server.Join();
  EXPECT_EQ(request, std::string("\0\0\0\x59\0\0\0\0", 8)) << Hex(request);
  EXPECT_EQ(rest, "");
  EXPECT_EQ(names, (Names{"x", "y"}));
}

TEST(ServerConnection, FolderListingSendsPathAndZeroByte) {
  std::string first, second;
  FakeServer server({[&](FakePeer& peer) {
    first = peer.ReadRequest();
    peer.Send(Int32BE(0));
    second = peer.ReadRequest();
    peer.Send(Int32BE(0));
    peer.ReadToEnd();
  }});
  const std::string long_path = std::string(300, 'p') + "\\" + std::string(100, 'q');
  {
    ServerConnection connection;
    Point(connection, server.port());
    ASSERT_TRUE(connection.Connect());
    Names names;
    EXPECT_TRUE(connection.ListFolder("A\\B", names));
    EXPECT_TRUE(connection.ListFolder(long_path, names));
    EXPECT_TRUE(names.empty());
  }
  server.Join();
  EXPECT_EQ(first, std::string("\0\0\0\x59\0\0\0\x04" "A\\B\0", 12)) << Hex(first);
  EXPECT_EQ(second, std::string("\0\0\0\x59\0\0\x01\x92", 8) + long_path + std::string(1, '\0'));
}

TEST(ServerConnection, LogonSends94Bytes) {
  std::string request;
  FakeServer server({[&](FakePeer& peer) {
    request = peer.ReadRequest();
    peer.Send(Int32BE(1));
    peer.ReadToEnd();
  }});
  {
    ServerConnection connection;
    Point(connection, server.port());
    ASSERT_TRUE(connection.Connect());
    EXPECT_TRUE(connection.Logon(SettingsWith("bob", "")));
  }
  server.Join();
  ASSERT_EQ(request.size(), 94u) << Hex(request);
  EXPECT_EQ(request.substr(0, 8), std::string("\0\0\0\x46\0\0\0\x56", 8));
  const std::string body = request.substr(8);
  EXPECT_EQ(body.substr(0, 4), std::string("\x93\x01\0\0", 4));
  EXPECT_EQ(body.substr(4, 4), "\x03" "bob");
  EXPECT_EQ(body[36], '\0');
  EXPECT_EQ(body.substr(68), std::string(18, '\0'));
}

TEST(ServerConnection, LogonSendsTheSettingsGivenAtTheCall) {
  std::vector<std::string> requests;
  FakeServer server({[&](FakePeer& peer) {
    for (int i = 0; i < 2; ++i) {
      requests.push_back(peer.ReadRequest());
      peer.Send(Int32BE(1));
    }
    peer.ReadToEnd();
  }});
  {
    ServerConnection connection;
    Point(connection, server.port());
    ASSERT_TRUE(connection.Connect());
    EXPECT_TRUE(connection.Logon(SettingsWith("first", "one")));
    EXPECT_TRUE(connection.Logon(SettingsWith("second", "two")));
  }
  server.Join();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].substr(12, 6), "\x05" "first");
  EXPECT_EQ(requests[0].substr(44, 4), "\x03" "one");
  EXPECT_EQ(requests[1].substr(12, 7), "\x06" "second");
  EXPECT_EQ(requests[1].substr(44, 4), "\x03" "two");
}

TEST(ServerConnection, VerdictTable) {
  struct Case {
    std::string verdict;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {std::string("\0\0\0\x01", 4), true},  {std::string("\0\0\0\xFF", 4), true},
      {std::string("\0\0\x01\0", 4), false}, {std::string("\x01\0\0\0", 4), false},
      {std::string("\0\0\0\0", 4), false},   {std::string("\xFF\xFF\xFF\x01", 4), true},
  };
  FakeServer server({[&](FakePeer& peer) {
    for (const Case& c : cases) {
      peer.ReadRequest();
      peer.Send(c.verdict);
    }
    peer.ReadToEnd();
  }});
  ServerConnection connection;
  Point(connection, server.port());
  ASSERT_TRUE(connection.Connect());
  for (const Case& c : cases) {
    EXPECT_EQ(connection.Logon(SettingsWith("u", "p")), c.accepted) << Hex(c.verdict);
    EXPECT_TRUE(connection.IsOpen());
    EXPECT_FALSE(connection.Dropped()) << "a refusal is the server's answer, not its end";
  }
}

TEST(ServerConnection, ListingLineTable) {
  struct Case {
    std::string reply;
    Names names;
  };
  const std::vector<Case> cases = {
      {Int32BE(1) + "a\r\n", {"a"}},
      {Int32BE(1) + "a\n", {"a"}},
      {Int32BE(1) + "a\r\r\n", {"a\r"}},
      {Int32BE(1) + "\n", {""}},
      {Int32BE(1) + "\r\n", {""}},
      {Int32BE(0), {}},
      {Int32BE(-1), {}},
      {Int32BE(INT32_MIN), {}},
      {Int32BE(4) + " a b \r\nSame\nSame\r\n\t\x7F\n", {" a b ", "Same", "Same", "\t\x7F"}},
  };
  FakeServer server({[&](FakePeer& peer) {
    for (const Case& c : cases) {
      peer.ReadRequest();
      peer.Send(c.reply);
    }
    peer.ReadToEnd();
  }});
  ServerConnection connection;
  Point(connection, server.port());
  ASSERT_TRUE(connection.Connect());
  for (const Case& c : cases) {
    Names names;
    EXPECT_TRUE(connection.ListFolder("Top", names)) << Hex(c.reply);
    EXPECT_EQ(names, c.names) << Hex(c.reply);
  }
  EXPECT_TRUE(connection.IsOpen());
}

TEST(ServerConnection, OpenConnectionIsReusedWithoutSending) {
  std::string received = "not run";
  FakeServer server({[&](FakePeer& peer) { received = peer.ReadToEnd(); }});
  {
    ServerConnection connection;
    Point(connection, server.port());
    ASSERT_TRUE(connection.Connect());
    connection.SetHost("no such host");
    connection.SetPort(ClosedPort());
    EXPECT_TRUE(connection.Connect());
    EXPECT_TRUE(connection.IsOpen());
  }
  server.Join();
  EXPECT_EQ(server.accepted(), 1);
  EXPECT_EQ(received, "");
}

TEST(ServerConnection, RefusedPortFails) {
  ServerConnection connection;
  Point(connection, ClosedPort());
  EXPECT_FALSE(connection.Connect());
  EXPECT_FALSE(connection.IsOpen());
  Names names;
  EXPECT_FALSE(connection.Logon(SettingsWith("u", "p")));
  EXPECT_FALSE(connection.ListFolder("", names));
  EXPECT_FALSE(connection.SendBytes("\0\0\0\x59\0\0\0\0", 8));
}

TEST(ServerConnection, PortOutsideTheTcpRangeFails) {
  for (std::int32_t port : {0, -1, 65536, 891 + 65536}) {
    ServerConnection connection;
    connection.SetHost("127.0.0.1");
    connection.SetPort(port);
    EXPECT_FALSE(connection.Connect()) << port;
  }
}

// A peer that keeps its accept queue full never completes a new connection.
struct FullListener {
  Socket listener = ListenTcp(kLoopbackAddress, 0, 0);
  std::uint16_t port = LocalPort(listener);
  std::vector<Socket> queued;

  bool Fill() {
    for (int i = 0; i < 16; ++i) {
      SocketError error = SocketError::kNone;
      Socket s = ConnectTcp(kLoopbackAddress, port, 300, error);
      if (!s.valid() && error == SocketError::kTimedOut) return true;
      queued.push_back(std::move(s));
    }
    return false;
  }
};

TEST(ServerConnection, ConnectGivesUpAtTheLimit) {
  FullListener full;
  ASSERT_TRUE(full.Fill()) << "the accept queue never filled";
  const std::uint16_t port = full.port;

  ServerConnection connection;
  Point(connection, port);
  connection.SetConnectTimeoutMs(400);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(connection.Connect());
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(350));
  EXPECT_FALSE(connection.IsOpen());
}

// Connect cannot see that the server has gone; Logon finds out and closes, and the next
// Connect opens a new connection.
TEST(ServerConnection, DroppedConnectionIsNoticedByLogonAndReopened) {
  std::promise<void> dropped;
  std::string second_request;
  FakeServer server({[&](FakePeer& peer) {
                       peer.Close();
                       dropped.set_value();
                     },
                     [&](FakePeer& peer) {
                       second_request = peer.ReadRequest();
                       peer.Send(Int32BE(1));
                       peer.ReadToEnd();
                     }});
  {
    ServerConnection connection;
    Point(connection, server.port());
    ASSERT_TRUE(connection.Connect());
    dropped.get_future().wait();
    EXPECT_TRUE(connection.IsOpen());
    EXPECT_TRUE(connection.Connect());
    EXPECT_FALSE(connection.Logon(SettingsWith("u", "p")));
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_TRUE(connection.Dropped());
    ASSERT_TRUE(connection.Connect());
    EXPECT_FALSE(connection.Dropped()) << "each operation says only of itself";
    EXPECT_TRUE(connection.Logon(SettingsWith("u", "p")));
  }
  server.Join();
  EXPECT_EQ(server.accepted(), 2);
  EXPECT_EQ(second_request.size(), 94u);
}

// A reset met by a read closes the connection at once, so the next browse connects anew: the
// server resets on purpose, or drops the connection with our request unread.
TEST(ServerConnection, ResetInsteadOfAVerdictCloses) {
  const std::vector<FakeServer::Handler> resets = {
      [](FakePeer& peer) {
        peer.ReadRequest();
        peer.Abort();
      },
      [](FakePeer& peer) {
        peer.Read(93);  // the last byte stays unread
        peer.Close();
      },
  };
  for (std::size_t i = 0; i < resets.size(); ++i) {
    FakeServer server({resets[i], [&](FakePeer& peer) {
                         peer.ReadRequest();
                         peer.Send(Int32BE(1));
                         peer.ReadToEnd();
                       }});
    {
      ServerConnection connection;
      Point(connection, server.port());
      ASSERT_TRUE(connection.Connect()) << i;
      EXPECT_FALSE(connection.Logon(SettingsWith("u", "p"))) << i;
      EXPECT_FALSE(connection.IsOpen()) << i;
      EXPECT_TRUE(connection.Dropped()) << i;
      ASSERT_TRUE(connection.Connect()) << i;
      EXPECT_TRUE(connection.Logon(SettingsWith("u", "p"))) << i;
    }
    server.Join();
    EXPECT_EQ(server.accepted(), 2) << i;
  }
}

TEST(ServerConnection, ResetDuringAListingCloses) {
  FakeServer server({[&](FakePeer& peer) {
    peer.ReadRequest();
    peer.Send(Int32BE(3) + "a\r\nb\r\n");
    peer.Abort();
  }});
  ServerConnection connection;
  Point(connection, server.port());
  ASSERT_TRUE(connection.Connect());
  Names names;
  EXPECT_FALSE(connection.ListFolder("", names));
  EXPECT_FALSE(connection.IsOpen());
}

// A server that sends a byte now and then, never a line end, must not hold the editor for
// longer than the reply's deadline, however short its silences.
TEST(ServerConnection, DripWithoutALineEndEndsAtTheDeadline) {
  constexpr int kDeadlineMs = 1000;
  int dripped = 0;
  FakeServer server({[&](FakePeer& peer) {
    peer.ReadRequest();
    peer.Send(Int32BE(1));
    // Stops after 30 s at the latest and completes the reply, so that a client without a
    // deadline gets a listing instead of hanging the test.
    while (dripped < 600 && !peer.ClosedWithin(50)) {
      peer.Send("x");
      ++dripped;
    }
    peer.Send("\n");
    peer.ReadToEnd();
  }});
  ServerConnection connection;
  Point(connection, server.port());
  connection.SetReplyTimeoutMs(60000);
  connection.SetReplyDeadlineMs(kDeadlineMs);
  ASSERT_TRUE(connection.Connect());
  Names names;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(connection.ListFolder("", names));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(connection.IsOpen());
  EXPECT_GE(waited, std::chrono::milliseconds(kDeadlineMs));
  server.Join();
  EXPECT_GT(dripped, 0);
  EXPECT_LT(dripped, 600);
}

// Each request goes out in one write, so that it arrives whole instead of in pieces held back
// by Nagle's algorithm until the server acknowledges the first.
TEST(ServerConnection, EachRequestArrivesInOneRead) {
  std::vector<std::string> first_reads;
  FakeServer server({[&](FakePeer& peer) {
    for (std::size_t size : {94u, 12u, 8u}) {
      std::string got = peer.ReadSome(4096);
      first_reads.push_back(got);
      if (got.size() < size) got += peer.Read(size - got.size());
      peer.Send(size == 94 ? Int32BE(1) : Int32BE(0));
    }
    peer.ReadToEnd();
  }});
  {
    ServerConnection connection;
    Point(connection, server.port());
    ASSERT_TRUE(connection.Connect());
    ASSERT_TRUE(connection.Logon(SettingsWith("u", "p")));
    Names names;
    ASSERT_TRUE(connection.ListFolder("A\\B", names));
    ASSERT_TRUE(connection.ListFolder("", names));
  }
  server.Join();
  ASSERT_EQ(first_reads.size(), 3u);
  EXPECT_EQ(first_reads[0].size(), 94u);
  EXPECT_EQ(first_reads[1], std::string("\0\0\0\x59\0\0\0\x04" "A\\B\0", 12));
  EXPECT_EQ(first_reads[2], std::string("\0\0\0\x59\0\0\0\0", 8));
}

TEST(ServerConnection, ListingCutShortByTheServerFails) {
  FakeServer server({[&](FakePeer& peer) {
    peer.ReadRequest();
    peer.Send(Int32BE(3) + "a\r\nb");
    peer.Close();
  }});
  ServerConnection connection;
  Point(connection, server.port());
  ASSERT_TRUE(connection.Connect());
  Names names;
  EXPECT_FALSE(connection.ListFolder("", names));
  EXPECT_FALSE(connection.IsOpen());
}

TEST(ServerConnection, SilentServerTimesOutAndCloses) {
  FakeServer server({[&](FakePeer& peer) {
                       peer.ReadRequest();
                       peer.ReadToEnd();
                     },
                     [&](FakePeer& peer) {
                       peer.ReadRequest();
                       peer.Send(Int32BE(1));
                       peer.ReadRequest();
                       peer.Send(Int32BE(2) + "first\r\n");
                       peer.ReadToEnd();
                     }});
  {
    ServerConnection connection;
    Point(connection, server.port());
    connection.SetReplyTimeoutMs(kShortReplyTimeoutMs);
    ASSERT_TRUE(connection.Connect());
    EXPECT_FALSE(connection.Logon(SettingsWith("u", "p")));
    EXPECT_FALSE(connection.IsOpen());

    ASSERT_TRUE(connection.Connect());
    EXPECT_TRUE(connection.Logon(SettingsWith("u", "p")));
    Names names;
    EXPECT_FALSE(connection.ListFolder("", names));
    EXPECT_FALSE(connection.IsOpen());
  }
  server.Join();
  EXPECT_EQ(server.accepted(), 2);
}

// The hook runs between the slices of a silent wait; a call made from inside it fails at once and
// sends nothing; when the hook gives up, the call fails and the connection is dropped.
TEST(ServerConnection, WaitHookRunsWhileSilentAndCanGiveUp) {
  std::string logon, after_logon;
  FakeServer server({[&](FakePeer& peer) {
    logon = peer.ReadRequest();
    after_logon = peer.ReadToEnd();
  }});
  ServerConnection connection;
  Point(connection, server.port());
  connection.SetReplyTimeoutMs(-1);
  int calls = 0;
  bool nested = true;
  connection.SetWaitHook([&] {
    Names names;
    nested = nested && !connection.ListFolder("", names);
    return ++calls < 5;
  });
  ASSERT_TRUE(connection.Connect());
  EXPECT_FALSE(connection.GaveUp());
  EXPECT_FALSE(connection.Logon(SettingsWith("u", "p")));
  EXPECT_TRUE(connection.GaveUp());
  EXPECT_FALSE(connection.IsOpen());
  EXPECT_EQ(calls, 5);
  EXPECT_TRUE(nested) << "a call from inside the hook must fail";
  server.Join();
  EXPECT_EQ(logon.size(), 94u);
  EXPECT_EQ(after_logon, "") << "nothing was sent from inside the hook";
}

// A reply that keeps coming, a byte at a time, never leaves the socket waiting a whole slice:
// the hook still gets its turns, and the listing arrives whole.
TEST(ServerConnection, WaitHookRunsWhileAReplyTrickles) {
  const std::string reply = Int32BE(3) + "alpha\nbeta\ngamma\n";
  FakeServer server({[&](FakePeer& peer) {
    peer.ReadRequest();
    for (char c : reply) {
      if (peer.ClosedWithin(10)) return;
      peer.Send(std::string(1, c));
    }
    peer.ReadToEnd();
  }});
  ServerConnection connection;
  Point(connection, server.port());
  int calls = 0;
  connection.SetWaitHook([&] { return ++calls > 0; });
  ASSERT_TRUE(connection.Connect());
  Names names;
  EXPECT_TRUE(connection.ListFolder("", names));
  EXPECT_EQ(names, (Names{"alpha", "beta", "gamma"}));
  EXPECT_FALSE(connection.GaveUp());
  // 21 bytes, at least 10 ms apart: a turn every 40 ms or so makes several.
  EXPECT_GE(calls, 3);
}

// With a hook the name is looked up on a thread of its own; the answer is the same.
TEST(ServerConnection, HostNameIsLookedUpWithAHookToo) {
  FakeServer server({[&](FakePeer& peer) { peer.ReadToEnd(); }});
  ServerConnection connection;
  Point(connection, server.port());
  connection.SetHost("localhost");
  connection.SetWaitHook([] { return true; });
  EXPECT_TRUE(connection.Connect());
  EXPECT_FALSE(connection.GaveUp());
  ServerConnection unknown;
  Point(unknown, server.port());
  unknown.SetHost("no-such-host.invalid");
  unknown.SetWaitHook([] { return true; });
  EXPECT_FALSE(unknown.Connect());
}

TEST(ServerConnection, WaitHookCanGiveUpAConnect) {
  FullListener full;
  ASSERT_TRUE(full.Fill()) << "the accept queue never filled";
  const std::uint16_t port = full.port;

  ServerConnection connection;
  Point(connection, port);
  connection.SetConnectTimeoutMs(-1);
  int calls = 0;
  connection.SetWaitHook([&] { return ++calls < 3; });
  EXPECT_FALSE(connection.Connect());
  EXPECT_TRUE(connection.GaveUp());
  EXPECT_EQ(calls, 3);
  EXPECT_FALSE(connection.IsOpen());
}

TEST(ServerConnection, ListingLimitsFailAndClose) {
  FakeServer server({[&](FakePeer& peer) {
                       peer.ReadRequest();
                       peer.Send(Int32BE(4) + "a\nb\nc\nd\n");
                       peer.ReadToEnd();
                     },
                     [&](FakePeer& peer) {
                       peer.ReadRequest();
                       peer.Send(Int32BE(2) + "abcdef\r\nghijkl\r\n");
                       peer.ReadToEnd();
                     }});
  {
    ServerConnection connection;
    Point(connection, server.port());
    connection.SetListingLimits(ListingLimits{.max_names = 3, .max_bytes = 12});
    for (int attempt = 0; attempt < 2; ++attempt) {
      ASSERT_TRUE(connection.Connect());
      Names names;
      EXPECT_FALSE(connection.ListFolder("", names)) << attempt;
      EXPECT_FALSE(connection.IsOpen()) << attempt;
    }
  }
  server.Join();
  EXPECT_EQ(server.accepted(), 2);
}

TEST(ServerConnection, LineOf16384BytesPassesAnd16385Fails) {
  FakeServer server({[&](FakePeer& peer) {
    peer.ReadRequest();
    peer.Send(Int32BE(2) + std::string(16384, 'x') + "\n" + std::string(16383, 'y') + "\r\n");
    peer.ReadRequest();
    peer.Send(Int32BE(1) + std::string(16385, 'z') + "\n");
    peer.ReadToEnd();
  }});
  ServerConnection connection;
  Point(connection, server.port());
  ASSERT_TRUE(connection.Connect());
  Names names;
  ASSERT_TRUE(connection.ListFolder("", names));
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], std::string(16384, 'x'));
  EXPECT_EQ(names[1], std::string(16383, 'y'));
  names.clear();
  EXPECT_FALSE(connection.ListFolder("", names));
  EXPECT_FALSE(connection.IsOpen());
}

// The rest of a reply that failed part-way must not be read as the answer to the next request.
TEST(ServerConnection, NoStaleBytesAfterAFailedListing) {
  FakeServer server({[&](FakePeer& peer) {
                       peer.ReadRequest();
                       peer.Send(Int32BE(3) + "ok\n" + std::string(16385, 's') + "\nstale\n");
                       if (peer.ReadRequest().size() >= 8) peer.Send(Int32BE(1) + "fresh\n");
                       peer.ReadToEnd();
                     },
                     [&](FakePeer& peer) {
                       peer.ReadRequest();
                       peer.Send(Int32BE(1) + "fresh\n");
                       peer.ReadToEnd();
                     }});
  {
    ServerConnection connection;
    Point(connection, server.port());
    connection.SetReplyTimeoutMs(kShortReplyTimeoutMs);
    ASSERT_TRUE(connection.Connect());
    Names names;
    EXPECT_FALSE(connection.ListFolder("A", names));
    names.clear();
    ASSERT_TRUE(connection.Connect());
    EXPECT_TRUE(connection.ListFolder("A", names));
    EXPECT_EQ(names, Names{"fresh"});
  }
  server.Join();
  EXPECT_EQ(server.accepted(), 2);
}

}  // namespace
}  // namespace qv::test
