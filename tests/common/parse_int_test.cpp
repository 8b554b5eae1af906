#include "common/parse_int.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

struct Case {
  const char* text;
  std::int32_t expected;  // with default 0
};

TEST(ParseIntDef, TableOfTexts) {
  const Case cases[] = {
      {"15", 15},          {" 15", 15},          {"   -5", -5},        {"15 ", 0},
      {"\t15", 0},         {"", 0},              {"   ", 0},           {"+", 0},
      {"-", 0},            {"+7", 7},            {"007", 7},           {"abc", 0},
      {"1a", 0},           {"2147483647", 2147483647},                 {"2147483648", 0},
      {"-2147483648", INT32_MIN},                {"-2147483649", 0},   {"99999999999999999999", 0},
      {"0000000000000000000042", 42},            {"$3C", 60},          {"$3c", 60},
      {"x10", 16},         {"X10", 16},          {"0x10", 16},         {"0X1f", 31},
      {"$FFFFFFFF", -1},   {"$80000000", INT32_MIN},                   {"$100000000", 0},
      {"$000000000FF", 255},                     {"$", 0},             {"0x", 0},
      {"x", 0},            {"-$10", 0},          {"+0x10", 0},         {"$1G", 0},
      {"$ 1", 0},          {"0", 0},             {"-0", 0},            {"0x0", 0},
      {"1 2", 0},          {"١", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseIntDef(c.text, 0), c.expected) << "text: \"" << c.text << "\"";
  }
}

TEST(ParseIntDef, DefaultIsReturnedOnlyForUnreadableTexts) {
  EXPECT_EQ(ParseIntDef("abc", 77), 77);
  EXPECT_EQ(ParseIntDef("", -3), -3);
  EXPECT_EQ(ParseIntDef("0", 77), 0);
  EXPECT_EQ(ParseIntDef("$0", 77), 0);
}

TEST(ParseIntDef, EmbeddedZeroByteIsATrailingCharacter) {
  EXPECT_EQ(ParseIntDef(std::string_view("12\0", 3), 5), 5);
}

}  // namespace
}  // namespace qv
