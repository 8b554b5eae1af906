#include "net/wire.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/test_util.h"

namespace qv::test {
namespace {

std::string Bytes(const LogonBody& body) {
  return std::string(reinterpret_cast<const char*>(body.bytes.data()), body.bytes.size());
}

TEST(Wire, FrameHeaderIsCommandThenLengthBigEndian) {
  auto header = EncodeFrameHeader(kCmdListFolder, 4);
  EXPECT_EQ(std::string(header.begin(), header.end()), std::string("\0\0\0\x59\0\0\0\x04", 8));
  header = EncodeFrameHeader(kCmdLogon, -2);
  EXPECT_EQ(std::string(header.begin(), header.end()), std::string("\0\0\0\x46\xFF\xFF\xFF\xFE", 8));
}

TEST(Wire, Int32BigEndianRoundTrip) {
  for (std::int32_t v : {0, 1, 255, 256, 0x01020304, -1, INT32_MIN, INT32_MAX}) {
    std::uint8_t bytes[4];
    PutBE32(bytes, v);
    EXPECT_EQ(GetBE32(bytes), v);
  }
  const std::uint8_t bytes[4] = {0x01, 0x02, 0x03, 0x04};
  EXPECT_EQ(GetBE32(bytes), 0x01020304);
}

TEST(LogonBody, LaysOutEveryField) {
  LogonBody body = LogonBody::FromSettings(SettingsWith("bob", "pw"));
  std::string expected(86, '\0');
  expected.replace(0, 4, "\x93\x01\0\0", 4);
  expected.replace(4, 4, "\x03" "bob");
  expected.replace(36, 3, "\x02" "pw");
  EXPECT_EQ(Bytes(body), expected);
  EXPECT_EQ(body.FixedWord(), 403);
  EXPECT_EQ(body.User(), "bob");
  EXPECT_EQ(body.Password(), "pw");
}

TEST(LogonBody, EmptyPasswordIsALengthByteOfZero) {
  LogonBody body = LogonBody::FromSettings(SettingsWith("abc", ""));
  EXPECT_EQ(body.bytes[4], 3);
  EXPECT_EQ(body.bytes[36], 0);
  EXPECT_EQ(body.bytes[68], 0);
}

TEST(LogonBody, FullCapacityFieldsFillTheirBytes) {
  const std::string user(31, 'u'), password(31, 'p');
  LogonBody body = LogonBody::FromSettings(SettingsWith(user, password));
  EXPECT_EQ(body.bytes[4], 31);
  EXPECT_EQ(Bytes(body).substr(5, 31), user);
  EXPECT_EQ(body.bytes[36], 31);
  EXPECT_EQ(Bytes(body).substr(37, 31), password);
  EXPECT_EQ(Bytes(body).substr(68), std::string(18, '\0'));
}

TEST(LogonBody, DamagedLengthIsSentAs31) {
  const std::string user = "abcdefghijklmnopqrstuvwxyz01234";  // 31 characters
  LogonBody body = LogonBody::FromSettings(SettingsWith(user, "secret", 200));
  EXPECT_EQ(body.bytes[4], 31);
  EXPECT_EQ(body.User(), user);
  EXPECT_EQ(body.Password(), "secret");
}

// The settings keep whatever follows a short string's characters (an older, longer password,
// say); none of it may travel.
TEST(LogonBody, LeftoverSettingsBytesAreNotSent) {
  SettingsRecord settings = SettingsWith("old-long-user", "old-long-password");
  settings.bytes[SettingsRecord::kUserOffset] = 2;
  settings.bytes[SettingsRecord::kPasswordOffset] = 1;
  LogonBody body = LogonBody::FromSettings(settings);
  std::string expected(86, '\0');
  expected.replace(0, 4, "\x93\x01\0\0", 4);
  expected.replace(4, 3, "\x02" "ol");
  expected.replace(36, 2, "\x01" "o");
  EXPECT_EQ(Bytes(body), expected);
}

TEST(Wire, ListingIsCountThenCrLfLines) {
  std::string out;
  const std::vector<std::string> names = {"a", "", "b c"};
  AppendListing(out, names);
  EXPECT_EQ(out, std::string("\0\0\0\x03" "a\r\n\r\nb c\r\n", 4 + 3 + 2 + 5));
}

TEST(Wire, LogonRequestIsHeaderThenBody) {
  const SettingsRecord settings = SettingsWith("bob", "pw");
  const std::string request = EncodeLogonRequest(settings);
  EXPECT_EQ(request, std::string("\0\0\0\x46\0\0\0\x56", 8) + Bytes(LogonBody::FromSettings(settings)));
}

TEST(Wire, ListFolderRequestTable) {
  struct Case {
    std::string path;
    std::string request;
  };
  const Case cases[] = {
      {"", std::string("\0\0\0\x59\0\0\0\0", 8)},
      {"A\\B", std::string("\0\0\0\x59\0\0\0\x04" "A\\B\0", 12)},
      {std::string(255, 'p'), std::string("\0\0\0\x59\0\0\x01\0", 8) + std::string(255, 'p') +
                                  std::string(1, '\0')},
      {"\xD6\xD0", std::string("\0\0\0\x59\0\0\0\x03" "\xD6\xD0\0", 11)},
  };
  for (const Case& c : cases) {
    std::string request = "stale";
    ASSERT_TRUE(EncodeListFolderRequest(c.path, request)) << c.path;
    EXPECT_EQ(request, c.request) << c.path;
  }
}

}  // namespace
}  // namespace qv::test
