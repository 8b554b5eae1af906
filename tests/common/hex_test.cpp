// Hexadecimal digits and the FNV-1a name hash, each written once for every caller.
#include "common/hex.h"

#include <gtest/gtest.h>

#include <string>

#include "common/fnv.h"

namespace qv::test {
namespace {

TEST(Hex, DigitsAreLowerCaseAndFixedWidth) {
  EXPECT_EQ(HexDigits(0, 4), "0000");
  EXPECT_EQ(HexDigits(0xABCDEF, 6), "abcdef");
  EXPECT_EQ(HexDigits(0x123456789ABCDEF0ull, 16), "123456789abcdef0");
  EXPECT_EQ(HexDigits(0x1234, 2), "34");  // the last digits only
  EXPECT_EQ(HexDigits<std::wstring>(0xFFFFFFFFFFFFFFFFull, 16), L"ffffffffffffffff");
  std::string out = "\\x";
  AppendHexByte(out, 0x0A);
  AppendHexByte(out, 0xFF);
  EXPECT_EQ(out, "\\x0aff");
}

TEST(Hex, DigitValuesInEitherCase) {
  const std::string digits = "0123456789abcdefABCDEF";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    EXPECT_EQ(HexDigitValue(digits[i]), i < 16 ? static_cast<int>(i) : static_cast<int>(i) - 6);
  }
  for (const char c : {'g', 'G', '/', ':', '@', '`', ' ', '\0', '\xff'}) {
    EXPECT_EQ(HexDigitValue(c), -1) << static_cast<int>(c);
  }
  EXPECT_EQ(HexDigitValue(L'\uff21'), -1);  // a full-width "A" is no digit
}

// The published FNV-1a test values; a wide text mixes in whole units, so ASCII hashes alike.
TEST(Fnv, MatchesThePublishedValues) {
  EXPECT_EQ(Fnv1a64(std::string_view("")), 0xcbf29ce484222325ull);
  EXPECT_EQ(Fnv1a64(std::string_view("a")), 0xaf63dc4c8601ec8cull);
  EXPECT_EQ(Fnv1a64(std::string_view("foobar")), 0x85944171f73967e8ull);
  EXPECT_EQ(Fnv1a64(std::u16string_view(u"foobar")), 0x85944171f73967e8ull);
  EXPECT_NE(Fnv1a64(std::u16string_view(u"\u0100")), Fnv1a64(std::string_view("\x01\x00", 2)));
}

}  // namespace
}  // namespace qv::test
