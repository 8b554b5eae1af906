// Decodes every stored text with the C library's own code page tables, independently of how the
// tables were written.
#include <iconv.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "i18n/expected_texts.h"
#include "i18n/ui_strings.h"

namespace qv {
namespace {

// The text in UTF-8, or a message starting with "!" when it is not valid in the code page.
std::string DecodeToUtf8(const char* text, unsigned code_page) {
  const std::string from = "CP" + std::to_string(code_page);
  iconv_t cd = iconv_open("UTF-8", from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return "!no converter for " + from;
  std::string in(text);
  std::string out(in.size() * 4 + 4, '\0');
  char* in_ptr = in.data();
  std::size_t in_left = in.size();
  char* out_ptr = out.data();
  std::size_t out_left = out.size();
  const std::size_t result = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  const int error = errno;
  iconv_close(cd);
  if (result == static_cast<std::size_t>(-1)) {
    return "!invalid at byte " + std::to_string(in.size() - in_left) + " (errno " +
           std::to_string(error) + ")";
  }
  out.resize(out.size() - out_left);
  return out;
}

constexpr Language kLanguages[] = {Language::kSimplifiedChinese, Language::kTraditionalChinese,
                                   Language::kEnglish};

TEST(UiStringTablesTest, EveryEntryDecodesToItsCharacters) {
  for (Language language : kLanguages) {
    const UiStringTable& table = TableFor(language);
    SCOPED_TRACE("code page " + std::to_string(table.code_page));
    for (int i = 0; i < kUiStringCount; ++i) {
      EXPECT_EQ(DecodeToUtf8(table.texts[i], table.code_page),
                test::ExpectedFor(test::kExpectedTexts[i], language))
          << "entry " << i;
    }
  }
}

TEST(UiStringTablesTest, FontNamesDecodeToTheirCharacters) {
  for (Language language : kLanguages) {
    const UiStringTable& table = TableFor(language);
    EXPECT_EQ(DecodeToUtf8(table.font_name, table.code_page),
              test::ExpectedFor(test::kExpectedFontNames, language))
        << "code page " << table.code_page;
  }
}

}  // namespace
}  // namespace qv
