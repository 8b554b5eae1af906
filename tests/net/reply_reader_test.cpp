#include "net/reply_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/test_util.h"

namespace qv::test {
namespace {

using Names = NameList;

void Feed(ReplyReader& reader, std::string_view bytes) { reader.Feed(bytes.data(), bytes.size()); }

struct LineCase {
  std::string reply;  // count and lines
  Names names;
  ReadStatus status = ReadStatus::kDone;
};

// Line endings and counts, as whole replies fed at once.
TEST(ReplyReader, ListingLines) {
  const LineCase cases[] = {
      {Int32BE(1) + "a\r\n", {"a"}},
      {Int32BE(1) + "a\n", {"a"}},
      {Int32BE(1) + "a\r\r\n", {"a\r"}},
      {Int32BE(1) + "\n", {""}},
      {Int32BE(1) + "\r\n", {""}},
      {Int32BE(1) + "\r", {}, ReadStatus::kNeedMore},  // no LF yet
      {Int32BE(0), {}},
      {Int32BE(-1) + "x\n", {}},
      {Int32BE(INT32_MIN), {}},
      {Int32BE(3) + " b \n\tc\x01\r\nx\ry\n", {" b ", "\tc\x01", "x\ry"}},
      {Int32BE(2) + "d\r\nd\n", {"d", "d"}},
      {Int32BE(1) + "\xD6\xD0\xCE\xC4\r\n", {"\xD6\xD0\xCE\xC4"}},
      {Int32BE(2) + std::string("a\0b\n\0\n", 6), {std::string("a\0b", 3), std::string(1, '\0')}},
  };
  for (const LineCase& c : cases) {
    ReplyReader reader;
    Feed(reader, c.reply);
    Names names;
    EXPECT_EQ(reader.TakeListing(names), c.status) << ::testing::PrintToString(c.reply);
    EXPECT_EQ(names, c.names) << ::testing::PrintToString(c.reply);
  }
}

// Bytes after a reply stay for the next one; a negative count reads no line.
TEST(ReplyReader, LeavesTheNextReplyInPlace) {
  ReplyReader reader;
  Feed(reader, Int32BE(-5) + Int32BE(2) + "a\nb\r\n" + Int32BE(0x00000101) + "tail");
  Names names;
  ASSERT_EQ(reader.TakeListing(names), ReadStatus::kDone);
  EXPECT_TRUE(names.empty());
  ASSERT_EQ(reader.TakeListing(names), ReadStatus::kDone);
  EXPECT_EQ(names, (Names{"a", "b"}));
  std::int32_t value = 0;
  ASSERT_EQ(reader.TakeInt32(value), ReadStatus::kDone);
  EXPECT_EQ(value, 0x101);
  EXPECT_EQ(reader.buffered(), 4u);
  EXPECT_EQ(reader.TakeInt32(value), ReadStatus::kDone);
  EXPECT_EQ(reader.TakeInt32(value), ReadStatus::kNeedMore);
}

TEST(ReplyReader, ListingSplitAtEveryPosition) {
  const std::string reply = Int32BE(6) + "first\r\n\nx\r\r\n" + std::string(300, 'L') + "\n\r\nlast\n";
  const Names expected = {"first", "", "x\r", std::string(300, 'L'), "", "last"};
  for (std::size_t cut = 0; cut <= reply.size(); ++cut) {
    ReplyReader reader;
    Names names;
    Feed(reader, std::string_view(reply).substr(0, cut));
    ReadStatus first = reader.TakeListing(names);
    EXPECT_EQ(first, cut == reply.size() ? ReadStatus::kDone : ReadStatus::kNeedMore) << cut;
    Feed(reader, std::string_view(reply).substr(cut));
    if (first != ReadStatus::kDone) {
      EXPECT_EQ(reader.TakeListing(names), ReadStatus::kDone) << cut;
    }
    EXPECT_EQ(names, expected) << "cut at " << cut;
    EXPECT_EQ(reader.buffered(), 0u);
  }
}

TEST(ReplyReader, ListingFedByteByByte) {
  const std::string reply = Int32BE(3) + "one\r\n" + std::string(16000, 'w') + "\r\n" + "\n";
  ReplyReader reader;
  Names names;
  for (std::size_t i = 0; i < reply.size(); ++i) {
    ASSERT_EQ(reader.TakeListing(names), ReadStatus::kNeedMore) << i;
    Feed(reader, std::string_view(reply).substr(i, 1));
  }
  ASSERT_EQ(reader.TakeListing(names), ReadStatus::kDone);
  EXPECT_EQ(names, (Names{"one", std::string(16000, 'w'), ""}));
}

TEST(ReplyReader, Int32NeedsAllFourBytes) {
  ReplyReader reader;
  std::int32_t value = 7;
  for (char byte : std::string("\x01\x02\x03")) {
    Feed(reader, std::string(1, byte));
    EXPECT_EQ(reader.TakeInt32(value), ReadStatus::kNeedMore);
  }
  Feed(reader, "\x04");
  ASSERT_EQ(reader.TakeInt32(value), ReadStatus::kDone);
  EXPECT_EQ(value, 0x01020304);
}

struct LengthCase {
  std::size_t before_lf;  // bytes before the LF, a final CR included
  bool cr;
  bool accepted;
};

TEST(ReplyReader, LineLimitCountsEveryByteBeforeTheLf) {
  const LengthCase cases[] = {
      {16384, false, true}, {16385, false, false}, {16384, true, true},
      {16385, true, false}, {0, false, true},      {100000, false, false},
  };
  for (const LengthCase& c : cases) {
    std::string line(c.before_lf, 'n');
    if (c.cr && !line.empty()) line.back() = '\r';
    ReplyReader reader;
    Feed(reader, line + "\n" + "next\n");
    std::string text;
    const ReadStatus status = reader.TakeLine(text);
    if (c.accepted) {
      ASSERT_EQ(status, ReadStatus::kDone) << c.before_lf;
      EXPECT_EQ(text.size(), c.before_lf - (c.cr ? 1 : 0));
      EXPECT_EQ(reader.TakeLine(text), ReadStatus::kDone);
      EXPECT_EQ(text, "next");
    } else {
      EXPECT_EQ(status, ReadStatus::kFailed) << c.before_lf;
      EXPECT_EQ(reader.error(), ReplyError::kLineTooLong);
    }
  }
}

// Without an LF in sight the reader gives up as soon as no line within the limit is possible.
TEST(ReplyReader, UnfinishedLineFailsOnceBeyondTheLimit) {
  ReplyReader reader;
  std::string line;
  Feed(reader, std::string(16384, 'n'));
  EXPECT_EQ(reader.TakeLine(line), ReadStatus::kNeedMore);
  Feed(reader, "n");
  EXPECT_EQ(reader.TakeLine(line), ReadStatus::kFailed);

  ReplyReader other;
  Feed(other, std::string(16384, 'n'));
  EXPECT_EQ(other.TakeLine(line), ReadStatus::kNeedMore);
  Feed(other, "\n");
  EXPECT_EQ(other.TakeLine(line), ReadStatus::kDone);
  EXPECT_EQ(line.size(), 16384u);
}

TEST(ReplyReader, ErrorsAreStickyUntilReset) {
  ReplyReader reader;
  Feed(reader, std::string(16385, 'n') + "\n");
  std::string line;
  std::int32_t value = 0;
  Names names;
  ASSERT_EQ(reader.TakeLine(line), ReadStatus::kFailed);
  Feed(reader, Int32BE(1) + "ok\n");
  EXPECT_EQ(reader.TakeInt32(value), ReadStatus::kFailed);
  EXPECT_EQ(reader.TakeLine(line), ReadStatus::kFailed);
  EXPECT_EQ(reader.TakeListing(names), ReadStatus::kFailed);
  EXPECT_EQ(reader.buffered(), 0u);

  reader.Reset();
  EXPECT_EQ(reader.error(), ReplyError::kNone);
  Feed(reader, Int32BE(1) + "ok\n");
  ASSERT_EQ(reader.TakeListing(names), ReadStatus::kDone);
  EXPECT_EQ(names, Names{"ok"});
}

TEST(ReplyReader, OverlongLineInsideAListingFails) {
  ReplyReader reader;
  Feed(reader, Int32BE(3) + "a\n" + std::string(16385, 'n') + "\nb\n");
  Names names;
  EXPECT_EQ(reader.TakeListing(names), ReadStatus::kFailed);
  EXPECT_EQ(reader.error(), ReplyError::kLineTooLong);
}

TEST(ReplyReader, NameCountLimit) {
  {
    ReplyReader reader;
    Feed(reader, Int32BE(1'000'001));
    Names names;
    EXPECT_EQ(reader.TakeListing(names), ReadStatus::kFailed);
    EXPECT_EQ(reader.error(), ReplyError::kTooManyNames);
  }
  {
    ReplyReader reader;
    Feed(reader, Int32BE(1'000'000) + std::string(1'000'000, '\n'));
    Names names;
    ASSERT_EQ(reader.TakeListing(names), ReadStatus::kDone);
    EXPECT_EQ(names.size(), 1'000'000u);
  }
  {
    ReplyReader reader(ListingLimits{.max_names = 2});
    Feed(reader, Int32BE(3));
    Names names;
    EXPECT_EQ(reader.TakeListing(names), ReadStatus::kFailed);
  }
}

// 4096 lines of 16383 characters and an LF are exactly 64 MiB.
TEST(ReplyReader, LineDataLimitOf64MiB) {
  const std::string line = std::string(16383, 'm') + "\n";
  for (bool one_more : {false, true}) {
    ReplyReader reader;
    Names names;
    Feed(reader, Int32BE(one_more ? 4097 : 4096));
    for (int i = 0; i < 4096; ++i) {
      Feed(reader, line);
      const bool last = i == 4095 && !one_more;
      ASSERT_EQ(reader.TakeListing(names), last ? ReadStatus::kDone : ReadStatus::kNeedMore);
    }
    if (one_more) {
      Feed(reader, "\n");
      EXPECT_EQ(reader.TakeListing(names), ReadStatus::kFailed);
      EXPECT_EQ(reader.error(), ReplyError::kListingTooLarge);
    } else {
      EXPECT_EQ(names.size(), 4096u);
    }
  }
}

TEST(ReplyReader, LineDataLimitCountsCrAndLf) {
  ReplyReader reader(ListingLimits{.max_bytes = 10});
  Names names;
  Feed(reader, Int32BE(3) + "abc\r\n" + "de\r\n" + "\n");  // 5 + 4 + 1 = 10 bytes
  EXPECT_EQ(reader.TakeListing(names), ReadStatus::kDone);
  Feed(reader, Int32BE(2) + "abcdefgh\r\n" + "\n");  // 11 bytes
  names.clear();
  EXPECT_EQ(reader.TakeListing(names), ReadStatus::kFailed);
  EXPECT_EQ(reader.error(), ReplyError::kListingTooLarge);
}

// The fuzz target sets the limits small so that they are reached; each must hold at any size.
TEST(ReplyReader, SmallLimitsHoldAtTheirBoundary) {
  struct Case {
    ListingLimits limits;
    std::string reply;
    ReadStatus status;
    ReplyError error;
  };
  const ListingLimits line8{.max_line_length = 8, .max_names = 4, .max_bytes = 64};
  const Case cases[] = {
      {line8, Int32BE(1) + "12345678\n", ReadStatus::kDone, ReplyError::kNone},
      {line8, Int32BE(1) + "1234567\r\n", ReadStatus::kDone, ReplyError::kNone},
      {line8, Int32BE(1) + "123456789\n", ReadStatus::kFailed, ReplyError::kLineTooLong},
      {line8, Int32BE(1) + "12345678\r\n", ReadStatus::kFailed, ReplyError::kLineTooLong},
      {line8, Int32BE(1) + "123456789", ReadStatus::kFailed, ReplyError::kLineTooLong},
      {line8, Int32BE(1) + "12345678", ReadStatus::kNeedMore, ReplyError::kNone},
      {line8, Int32BE(4) + "a\nb\nc\nd\n", ReadStatus::kDone, ReplyError::kNone},
      {line8, Int32BE(5), ReadStatus::kFailed, ReplyError::kTooManyNames},
      {ListingLimits{.max_line_length = 0}, Int32BE(2) + "\n\n", ReadStatus::kDone,
       ReplyError::kNone},
      {ListingLimits{.max_line_length = 0}, Int32BE(1) + "\r\n", ReadStatus::kFailed,
       ReplyError::kLineTooLong},
      {ListingLimits{.max_bytes = 3}, Int32BE(2) + "ab\n\n", ReadStatus::kFailed,
       ReplyError::kListingTooLarge},
      {ListingLimits{.max_bytes = 3}, Int32BE(2) + "a\n\n", ReadStatus::kDone, ReplyError::kNone},
  };
  for (const Case& c : cases) {
    ReplyReader reader(c.limits);
    Feed(reader, c.reply);
    Names names;
    EXPECT_EQ(reader.TakeListing(names), c.status) << ::testing::PrintToString(c.reply);
    EXPECT_EQ(reader.error(), c.error) << ::testing::PrintToString(c.reply);
  }
}

}  // namespace
}  // namespace qv::test
