#include "syncserver_core.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/server_connection.h"
#include "net/test_util.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class SyncServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("qv-syncserver-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(root_ / "Beta");
    fs::create_directories(root_ / "Alpha" / "Sub 2");
    fs::create_directories(root_ / "Alpha" / "Sub1" / "Deep");
    std::ofstream(root_ / "Alpha" / "file.txt") << "not a folder";
    std::ofstream(root_ / "top.txt") << "not a folder";
    server_ = std::make_unique<SyncServer>(SyncServerOptions{root_.string(), "op", "s3cret"});
    ASSERT_TRUE(server_->Listen(0));
  }
  void TearDown() override {
    if (thread_.joinable()) thread_.join();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // Serves one client on a thread while the test is the client.
  void ServeOneClient() {
    thread_ = std::thread([this] { server_->ServeNextClient(5000); });
  }

  void Point(ServerConnection& connection) {
    connection.SetHost("127.0.0.1");
    connection.SetPort(server_->port());
    connection.SetReplyTimeoutMs(5000);
  }

  fs::path root_;
  std::unique_ptr<SyncServer> server_;
  std::thread thread_;
};

// A slow server sends the same bytes, a byte at a time; the client's wait hook gets its turns.
TEST_F(SyncServerTest, ByteDelaySendsTheSameRepliesSlowly) {
  server_ = std::make_unique<SyncServer>(SyncServerOptions{root_.string(), "op", "s3cret", 5});
  ASSERT_TRUE(server_->Listen(0));
  ServeOneClient();
  ServerConnection connection;
  Point(connection);
  int turns = 0;
  connection.SetWaitHook([&] { return ++turns > 0; });
  ASSERT_TRUE(connection.Connect());
  ASSERT_TRUE(connection.Logon(SettingsWith("op", "s3cret")));
  NameList names;
  ASSERT_TRUE(connection.ListFolder("", names));
  EXPECT_EQ(ToVector(names), (Names{"Alpha", "Beta"}));
  EXPECT_GT(turns, 0);
}

TEST_F(SyncServerTest, LogsOnAndWalksTheTree) {
  ServeOneClient();
  ServerConnection connection;
  Point(connection);
  ASSERT_TRUE(connection.Connect());
  EXPECT_FALSE(connection.Logon(SettingsWith("op", "wrong")));
  EXPECT_FALSE(connection.Logon(SettingsWith("Op", "s3cret")));
  ASSERT_TRUE(connection.Logon(SettingsWith("op", "s3cret")));

  struct Case {
    std::string path;
    Names names;
  };
  const Case cases[] = {
      {"", {"Alpha", "Beta"}},
      {"Alpha", {"Sub 2", "Sub1"}},
      {"Alpha\\Sub1", {"Deep"}},
      {"Alpha\\Sub1\\Deep", {}},
      {"Missing", {}},
      {"..", {}},
      {"Alpha\\..\\..", {}},
      {"Alpha\\", {}},
  };
  for (const Case& c : cases) {
    NameList names;
    EXPECT_TRUE(connection.ListFolder(c.path, names)) << c.path;
    EXPECT_EQ(ToVector(names), c.names) << c.path;
  }
}

TEST_F(SyncServerTest, ListingWithoutLogonEndsTheConnection) {
  ServeOneClient();
  ServerConnection connection;
  Point(connection);
  ASSERT_TRUE(connection.Connect());
  NameList names;
  EXPECT_FALSE(connection.ListFolder("", names));
  EXPECT_FALSE(connection.IsOpen());
}

TEST(SplitServerPath, RefusesPartsThatLeaveTheRoot) {
  struct Case {
    std::string path;
    bool ok;
    Names parts;
  };
  const Case cases[] = {
      {"", true, {}},          {"A", true, {"A"}},   {"A\\B c", true, {"A", "B c"}},
      {"\\A", false, {}},      {"A\\", false, {}},   {"A\\\\B", false, {}},
      {"..", false, {}},       {"A\\.", false, {}},  {"A/B", false, {}},
      {"C:", false, {}},       {"...", true, {"..."}},
  };
  for (const Case& c : cases) {
    Names parts;
    EXPECT_EQ(SplitServerPath(c.path, parts), c.ok) << c.path;
    EXPECT_EQ(parts, c.parts) << c.path;
  }
}

}  // namespace
}  // namespace qv::test
