// Converting, measuring and cutting texts in bytes of an ANSI code page.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/win_text.h"

namespace qv::test {
namespace {

using win::AnsiByteCount;
using win::AnsiToWide;
using win::AnsiToCodePoints;
using win::AnsiToWideExact;
using win::AnsiToWideInto;
using win::CharactersOutsideAnsi;
using win::FitsAnsiCodePage;
using win::FitAnsiBytes;
using win::SystemErrorText;
using win::Utf8ToWide;
using win::Utf8ToWideExact;
using win::WideToAnsi;
using win::WideToUtf8;
using win::WideToUtf8Exact;

TEST(FitAnsiBytes, KeepsWholeCharactersOfADoubleByteCodePage) {
  constexpr unsigned kGbk = 936;
  struct Case {
    const wchar_t* text;
    std::size_t max_bytes;
    const wchar_t* fitted;
  };
  for (const Case& c :
       {Case{L"\u4e2d\u6587ab", 6, L"\u4e2d\u6587ab"}, Case{L"\u4e2d\u6587ab", 5, L"\u4e2d\u6587a"},
        Case{L"\u4e2d\u6587ab", 3, L"\u4e2d"}, Case{L"a\u4e2d", 2, L"a"}, Case{L"\u4e2d", 1, L""},
        Case{L"", 4, L""}}) {
    EXPECT_EQ(std::wstring(FitAnsiBytes(c.text, c.max_bytes, kGbk)), c.fitted) << c.max_bytes;
  }
  EXPECT_EQ(AnsiByteCount(L"\u4e2d\u6587ab", kGbk), 6u);
}

TEST(FitAnsiBytes, NeverSplitsASurrogatePair) {
  // U+1F600 has no ANSI form: it becomes "?" (one or two of them), and stays whole or goes.
  const std::wstring text = L"a\U0001F600b";
  for (std::size_t limit = 0; limit <= 5; ++limit) {
    const std::wstring fitted(FitAnsiBytes(text, limit, 1252));
    EXPECT_LE(AnsiByteCount(fitted, 1252), limit);
    EXPECT_TRUE(fitted.empty() || !IS_HIGH_SURROGATE(fitted.back())) << limit;
    EXPECT_EQ(text.compare(0, fitted.size(), fitted), 0) << limit;
  }
  EXPECT_EQ(std::wstring(FitAnsiBytes(text, 5, 1252)), text);
}

TEST(AnsiText, ConvertsIntoAReusedBufferAsIntoANewOne) {
  std::wstring out = L"left over from before";
  struct Case {
    const char* text;
    unsigned code_page;
  };
  for (const Case& c : {Case{"\xD0\xC2\xC8\xCE\xCE\xF1" "1", 936}, Case{"C:\\x y", 1252},
                        Case{"", 1252}, Case{"\xB7\x73\xA4\x75", 950}}) {
    AnsiToWideInto(c.text, out, c.code_page);
    EXPECT_EQ(out, AnsiToWide(c.text, c.code_page)) << c.text;
  }
  AnsiToWideInto("\xD0\xC2", out, 936);
  EXPECT_EQ(out, L"\u65B0");
  AnsiToWideInto("C:\\Sync", out, 936);  // ASCII, widened without the system
  EXPECT_EQ(out, L"C:\\Sync");
}

// The exact forms refuse what the lenient ones would replace, and only that.
TEST(AnsiText, ExactConversionsRefuseWhatIsNoCharacter) {
  EXPECT_EQ(AnsiToWideExact("\xD6\xD0", 936), L"\u4e2d");
  EXPECT_FALSE(AnsiToWideExact("ab\xD6", 936));  // a lead byte without its trail
  EXPECT_EQ(AnsiToWideExact("", 936), L"");
  EXPECT_EQ(AnsiToCodePoints("\xD6\xD0x", 936), U"\u4e2dx");
  EXPECT_FALSE(AnsiToCodePoints("\xD6", 936));
  EXPECT_EQ(Utf8ToWideExact("\xF0\x9F\x98\x80"), L"\U0001F600");
  EXPECT_FALSE(Utf8ToWideExact("\xC3"));
  EXPECT_FALSE(Utf8ToWideExact("\xED\xA0\x80"));  // a surrogate spelt in UTF-8
  EXPECT_EQ(Utf8ToWide("a\xC3"), L"a\ufffd");
  EXPECT_EQ(WideToUtf8Exact(L"\u4e2d"), "\xE4\xB8\xAD");
  EXPECT_FALSE(WideToUtf8Exact(std::wstring(1, wchar_t{0xD800})));
  EXPECT_EQ(WideToUtf8(std::wstring(1, wchar_t{0xD800})), "\xEF\xBF\xBD");
}

TEST(SystemErrorText, IsTheSystemsTextWithoutItsEnding) {
  const std::wstring text = SystemErrorText(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), L'.');
  EXPECT_NE(text.back(), L'\n');
  EXPECT_EQ(text.find(L'\r'), std::wstring::npos);
  EXPECT_EQ(SystemErrorText(0xE0001234), L"error 3758101044");
}

// What the file cannot hold is named character by character: the default character and the
// system's best-fit look-alikes ("a" for "\u0101" in 1252) both count as lost.
TEST(CharactersOutsideAnsi, NamesEachLostCharacterOnceInOrder) {
  struct Case {
    const wchar_t* text;
    unsigned code_page;
    const wchar_t* outside;
  };
  for (const Case& c : {
           Case{L"C:\\Data?", 1252, L""},
           Case{L"Caf\u00e9", 1252, L""},
           Case{L"C:\\\u6771\u4eac\\\u6771", 1252, L"\u6771\u4eac"},
           Case{L"\u0101b\u0101", 1252, L"\u0101"},
           Case{L"\uff11\uff15", 1252, L"\uff11\uff15"},
           Case{L"\u6771\u4eac", 936, L""},
           Case{L"\u6771\u4eac", 950, L""},
           Case{L"\u5927\u00e9", 950, L"\u00e9"},
           Case{L"Caf\u00e9\u00c5", 936, L"\u00c5"},
           Case{L"a\U0001F600b\U0001F600", 936, L"\U0001F600"},
           Case{L"", 1252, L""},
       }) {
    EXPECT_EQ(CharactersOutsideAnsi(c.text, c.code_page), c.outside)
        << WideToAnsi(c.text) << " in " << c.code_page;
    EXPECT_EQ(FitsAnsiCodePage(c.text, c.code_page), *c.outside == L'\0');
  }
}

TEST(AnsiText, RoundTripsThroughTheSystemCodePage) {
  EXPECT_EQ(WideToAnsi(AnsiToWide("C:\\Data\\x y")), "C:\\Data\\x y");
  EXPECT_EQ(AnsiToWide(""), L"");
  EXPECT_EQ(WideToAnsi(L""), "");
}

}  // namespace
}  // namespace qv::test
