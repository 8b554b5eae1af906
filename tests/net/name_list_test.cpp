#include "net/name_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "net/reply_reader.h"
#include "net/test_util.h"

namespace qv::test {
namespace {

// Names that the block's line ends could swallow or split: each must come back as given.
TEST(NameList, NamesComeBackByteForByte) {
  const std::vector<std::string> names = {
      "a", "", "\r", "\r\r", "a\r", "a\r\r", "\rb", "x\ny", "\n", std::string("n\0l", 3),
      std::string(20000, 'w'), " lead and trail ", "\xD6\xD0\xCE\xC4"};
  NameList list;
  for (const std::string& name : names) list.Append(name);
  ASSERT_EQ(list.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(list[i], names[i]) << i;
  EXPECT_EQ(ToVector(list), names);
}

TEST(NameList, EqualityIgnoresHowLinesEnded) {
  ReplyReader reader;
  const std::string reply = Int32BE(3) + "a\r\nb\n\r\n";
  reader.Feed(reply.data(), reply.size());
  NameList received;
  ASSERT_EQ(reader.TakeListing(received), ReadStatus::kDone);
  EXPECT_EQ(received, (NameList{"a", "b", ""}));
  EXPECT_NE(received, (NameList{"a", "b"}));
  EXPECT_NE(received, (NameList{"a", "b", "\r"}));
}

TEST(NameList, CopiesMovesAndClears) {
  NameList list{"one", "two\r"};
  NameList copy = list;
  list.Append("three");
  EXPECT_EQ(copy, (NameList{"one", "two\r"}));
  NameList moved = std::move(list);
  EXPECT_EQ(moved, (NameList{"one", "two\r", "three"}));
  EXPECT_TRUE(list.empty());  // NOLINT(bugprone-use-after-move): a moved-from list is empty
  EXPECT_EQ(list.ByteSize(), 0u);
  moved.clear();
  EXPECT_TRUE(moved.empty());
  moved.Append("again");
  EXPECT_EQ(moved, NameList{"again"});
  copy = moved;
  EXPECT_EQ(copy, NameList{"again"});
}

}  // namespace
}  // namespace qv::test
