#include "config/memory_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace qv::test {
namespace {

void Fill(TStrMemoryStream& stream, const std::string& bytes) {
  stream.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  stream.SetPosition(0);
}

struct ReadCase {
  std::string bytes;
  std::int32_t start;
  std::string expected;
  std::int32_t position_after;
};

TEST(TStrMemoryStream, ReadCString) {
  const ReadCase cases[] = {
      {std::string("RSYNCFG\0tail", 12), 0, "RSYNCFG", 8},  // stops after the zero byte
      {std::string("ab\0cd", 5), 2, "", 3},                 // a zero at the position
      {"no terminator", 3, "terminator", 13},                // runs to the end
      {"abc", 3, "", 3},                                     // at the end: stays
      {"abc", 7, "", 7},                                     // past the end: stays
      {"", 0, "", 0},
      {std::string("\xB0\xA1\0", 3), 0, "\xB0\xA1", 3},      // upper-half bytes are text
  };
  for (const ReadCase& c : cases) {
    TStrMemoryStream stream;
    Fill(stream, c.bytes);
    stream.SetPosition(c.start);
    EXPECT_EQ(stream.ReadCString(), c.expected) << "start " << c.start;
    EXPECT_EQ(stream.Position(), c.position_after) << "start " << c.start;
  }
}

TEST(TStrMemoryStream, SuccessiveReadsWalkTheStrings) {
  TStrMemoryStream stream;
  Fill(stream, std::string("one\0\0three", 10));
  EXPECT_EQ(stream.ReadCString(), "one");
  EXPECT_EQ(stream.ReadCString(), "");
  EXPECT_EQ(stream.ReadCString(), "three");
  EXPECT_EQ(stream.ReadCString(), "");
  EXPECT_EQ(stream.Position(), 10);
}

TEST(TStrMemoryStream, WriteCStringWritesTheTextAndOneZeroByte) {
  TStrMemoryStream stream;
  stream.WriteCString("");
  EXPECT_EQ(stream.Size(), 1);
  stream.WriteCString("RSYNCFG");
  EXPECT_EQ(stream.Size(), 9);
  EXPECT_EQ(stream.Position(), 9);
  EXPECT_EQ(std::memcmp(stream.Memory(), "\0RSYNCFG\0", 9), 0);
}

TEST(TStrMemoryStream, AZeroInsideTheTextIsWrittenButEndsTheReadBack) {
  TStrMemoryStream stream;
  stream.WriteCString(std::string_view("ab\0cd", 5));
  EXPECT_EQ(stream.Size(), 6);
  stream.SetPosition(0);
  EXPECT_EQ(stream.ReadCString(), "ab");
  EXPECT_EQ(stream.ReadCString(), "cd");
}

TEST(TStrMemoryStream, WriteCStringOverwritesInTheMiddle) {
  TStrMemoryStream stream;
  Fill(stream, "xxxxxxxx");
  stream.SetPosition(2);
  stream.WriteCString("ab");
  EXPECT_EQ(stream.Size(), 8);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), 8),
            std::string("xxab\0xxx", 8));
}

TEST(MemoryStream, ReadTakesOnlyWhatIsLeft) {
  MemoryStream stream;
  const char data[] = "0123456789";
  ASSERT_EQ(stream.Write(data, 10), 10);
  stream.SetPosition(7);
  char out[16] = {};
  EXPECT_EQ(stream.Read(out, 16), 3);
  EXPECT_EQ(std::string(out, 3), "789");
  EXPECT_EQ(stream.Read(out, 16), 0);
  stream.SetPosition(0);
  EXPECT_EQ(stream.Read(out, -4), 0);
  EXPECT_EQ(stream.Read(out, 0), 0);
  EXPECT_EQ(stream.Position(), 0);
}

TEST(MemoryStream, WritesGrowTheStreamAndKeepEarlierBytes) {
  MemoryStream stream;
  std::vector<std::uint8_t> expected;
  for (int i = 0; i < 5000; ++i) {
    const auto b = static_cast<std::uint8_t>(i * 7);
    ASSERT_EQ(stream.Write(&b, 1), 1);
    expected.push_back(b);
  }
  ASSERT_EQ(stream.Size(), 5000);
  EXPECT_EQ(std::vector<std::uint8_t>(stream.Bytes().begin(), stream.Bytes().end()), expected);
}

TEST(MemoryStream, AWritePastTheEndFillsTheGapWithZeros) {
  MemoryStream stream;
  stream.Write("ab", 2);
  stream.SetPosition(6);
  stream.Write("z", 1);
  EXPECT_EQ(stream.Size(), 7);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), 7),
            std::string("ab\0\0\0\0z", 7));
}

TEST(MemoryStream, SetSize) {
  MemoryStream stream;
  stream.Write("abcdef", 6);
  EXPECT_TRUE(stream.SetSize(3));
  EXPECT_EQ(stream.Size(), 3);
  EXPECT_EQ(stream.Position(), 3);  // pulled back to the new end
  EXPECT_TRUE(stream.SetSize(100000));
  EXPECT_EQ(stream.Size(), 100000);
  // What was cut off does not come back: the grown part reads as zeros.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), 6), std::string("abc\0\0\0", 6));
  EXPECT_EQ(stream.Memory()[99999], 0);
  EXPECT_FALSE(stream.SetSize(-1));
  EXPECT_FALSE(stream.SetSize(std::int64_t{1} << 31));
  EXPECT_EQ(stream.Size(), 100000);
}

TEST(MemoryStream, AFailedAllocationChangesNothing) {
  static const StreamAllocator kRefusing{[](std::size_t) -> void* { return nullptr; },
                                          [](void*, std::size_t) {}};
  TStrMemoryStream stream(kRefusing);
  EXPECT_FALSE(stream.SetSize(10));
  EXPECT_EQ(stream.Write("abc", 3), 0);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Position(), 0);
}

}  // namespace
}  // namespace qv::test
