#include "cli/code_page.h"

#include <gtest/gtest.h>

#include "cli/texts.h"

namespace qv::test {
namespace {

using cli::CodePage;

TEST(CodePage, TextsOfEachPageRoundTrip) {
  struct Case {
    unsigned page;
    std::string bytes, utf8;
  };
  const std::vector<Case> cases = {
      {1252, "Caf\xE9 \x80", "Caf\xC3\xA9 \xE2\x82\xAC"},
      {936, "\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},  // 中文
      {950, "\xA4\xA4\xA4\xE5", "\xE4\xB8\xAD\xE6\x96\x87"},  // 中文
      {950, "\xAA\x5C", "\xE6\xAD\xBF"},  // a trail byte that is a backslash in ASCII
      {936, "C:\\Sync", "C:\\Sync"},
      {1252, std::string("a\0b", 3), std::string("a\0b", 3)},
      // The five bytes 1252 leaves to the control characters of the same number, as Windows does.
      {1252, "\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
      {1252, "\x80\x9F\xA0\xFF", "\xE2\x82\xAC\xC5\xB8\xC2\xA0\xC3\xBF"},
      // The same in other single-byte pages, each with its own free bytes.
      {1250, "\x81\x83\x88\x90\x98", "\xC2\x81\xC2\x83\xC2\x88\xC2\x90\xC2\x98"},
      {1251, "\x98", "\xC2\x98"},
      {1253, "\x81\x9F", "\xC2\x81\xC2\x9F"},
      {874, "\x81\x90", "\xC2\x81\xC2\x90"},
      // Letters that the folder comparison must know: \u0491 \u0490 in 1251, \u03ca \u03aa in 1253.
      {1251, "\xB4\xA5", "\xD2\x91\xD2\x90"},
      {1253, "\xFA\xDA\xFB\xDB", "\xCF\x8A\xCE\xAA\xCF\x8B\xCE\xAB"},
      // Big5 spells \u2550 \u255e \u2561 \u256a twice; Windows writes the second spelling.
      {950, "\xF9\xF9\xF9\xE9\xF9\xEB\xF9\xEA",
       "\xE2\x95\x90\xE2\x95\x9E\xE2\x95\xA1\xE2\x95\xAA"},
      {950, "\xA4\xA4\xF9\xF9\xA4\xE5", "\xE4\xB8\xAD\xE2\x95\x90\xE6\x96\x87"},
      // The user-defined areas hold private use characters, U+E000 on, in Windows' order.
      {936, "\xAA\xA1\xFE\xFE\xA1\x40", "\xEE\x80\x80\xEE\x93\x85\xEE\x93\x86"},
      {936, "a\xA2\xAB\xD6\xD0\xFE\xA0", "a\xEE\x9D\xA6\xE4\xB8\xAD\xEE\xA1\xA4"},
      {950, "\xFA\x40\x8E\x40\x81\x40\xC8\xFE",
       "\xEE\x80\x80\xEE\x8C\x91\xEE\xBA\xB8\xEF\xA1\x88"},
      {950, "C:\\\xA4\xA4\xFA\x40", "C:\\\xE4\xB8\xAD\xEE\x80\x80"},
      // A letter and the accent byte after it stay two characters, as Windows reads them.
      {1258, "A\xDE", "A\xCC\x83"},
      {1255, "\xF9\xD1", "\xD7\xA9\xD7\x81"},
      {1255, "\xCA", "\xD6\xBA"},  // \u05ba, which Windows' 1255 has
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    const std::optional<CodePage> page = CodePage::Open(c.page);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Decode(c.bytes), c.utf8);
    EXPECT_EQ(page->Encode(c.utf8), c.bytes);
  }
}

TEST(CodePage, WhatDoesNotConvertExactlyIsRefused) {
  const std::optional<CodePage> gbk = CodePage::Open(936);
  const std::optional<CodePage> latin = CodePage::Open(1252);
  ASSERT_TRUE(gbk && latin);
  EXPECT_FALSE(gbk->Decode("abc\xD6"));         // a lead byte cut off its trail
  EXPECT_FALSE(latin->Encode("\xE4\xB8\xAD"));  // 中 has no place in 1252
  EXPECT_FALSE(latin->Encode("\xC3\xA9\xFF"));  // not UTF-8
  EXPECT_FALSE(latin->Encode("\xE2\x88\x9A"));  // √: no best-fit look-alike either
  EXPECT_FALSE(latin->Encode("\xC2\x80"));      // U+0080: 0x80 is the euro sign
  EXPECT_FALSE(latin->Encode("\xC4\x80"));      // U+0100
  EXPECT_FALSE(latin->Encode("\xED\xA0\x80"));  // a surrogate spelt in UTF-8
  EXPECT_FALSE(latin->Encode("\xC0\xAF"));      // an overlong "/"
  EXPECT_FALSE(CodePage::Open(99999));
}

// What Windows refuses the native build refuses too, so that a script gets one answer anywhere.
TEST(CodePage, WhatWindowsRefusesIsRefused) {
  struct Case {
    unsigned page;
    std::string text;
  };
  const std::vector<Case> bytes_that_do_not_decode = {
      // The first spelling of a Big5 box drawing character does not come back from its text.
      {950, "\xA2\xA4"},
      {1253, "\xAA"},
      {1253, "\xD2"},
      {1257, "\xA1"},
      {874, "\xDB"},
      {1255, "\xD9"},
  };
  const std::vector<Case> texts_that_do_not_encode = {
      {950, "\xC3\x80"},
      {1253, "\xC3\xA9"},
      {1257, "\xD0\x90"},
      // Accented letters that iconv would spell as a letter and an accent: Windows has no byte.
      {1258, "\xC3\x83"},
      {1255, "\xEF\xAC\xAA"},
  };
  for (const Case& c : bytes_that_do_not_decode) {
    SCOPED_TRACE(c.page);
    const std::optional<CodePage> page = CodePage::Open(c.page);
    ASSERT_TRUE(page);
    EXPECT_FALSE(page->Decode(c.text));
  }
  for (const Case& c : texts_that_do_not_encode) {
    SCOPED_TRACE(c.page);
    const std::optional<CodePage> page = CodePage::Open(c.page);
    ASSERT_TRUE(page);
    EXPECT_FALSE(page->Encode(c.text));
  }
}

TEST(Texts, HexAndShownForms) {
  EXPECT_EQ(cli::ToHex(std::string("\x00\x81z", 3)), "00817a");
  EXPECT_EQ(cli::FromHex("00817A"), std::string("\x00\x81z", 3));
  for (const char* bad : {"0", "0g", "x1", " 00"}) EXPECT_FALSE(cli::FromHex(bad)) << bad;
  const std::optional<CodePage> gbk = CodePage::Open(936);
  ASSERT_TRUE(gbk);
  EXPECT_EQ(cli::Shown("\xD6\xD0\tC:\\", *gbk), "\xE4\xB8\xAD\\x09C:\\");
  EXPECT_EQ(cli::Shown("ab\xD6", *gbk), "ab\\xd6");
}

}  // namespace
}  // namespace qv::test
