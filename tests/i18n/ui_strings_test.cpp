#include "i18n/ui_strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "i18n/expected_texts.h"

namespace qv {
namespace {

constexpr Language kLanguages[] = {Language::kSimplifiedChinese, Language::kTraditionalChinese,
                                   Language::kEnglish};

TEST(UiStringTablesTest, EveryTableHasAllEntriesAndItsCodePage) {
  const struct {
    Language language;
    unsigned code_page;
  } cases[] = {{Language::kSimplifiedChinese, 936},
               {Language::kTraditionalChinese, 950},
               {Language::kEnglish, 1252}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code_page);
    const UiStringTable& table = TableFor(c.language);
    EXPECT_EQ(table.code_page, c.code_page);
    for (int i = 0; i < kUiStringCount; ++i) {
      ASSERT_NE(table.texts[i], nullptr) << "entry " << i;
      EXPECT_GT(std::strlen(table.texts[i]), 0u) << "entry " << i;
    }
  }
}

TEST(UiStringTablesTest, EnglishTextsAreExact) {
  const UiStringTable& english = TableFor(Language::kEnglish);
  for (int i = 0; i < kUiStringCount; ++i) {
    EXPECT_STREQ(english.texts[i], test::kExpectedTexts[i].english) << "entry " << i;
  }
}

TEST(UiStringTablesTest, FontNamesAreStoredAsGiven) {
  EXPECT_EQ(std::string(TableFor(Language::kSimplifiedChinese).font_name), "\xCB\xCE\xCC\xE5");
  EXPECT_EQ(std::string(TableFor(Language::kTraditionalChinese).font_name),
            "\xB2\xD3\xA9\xFA\xC5\xE9");
  EXPECT_EQ(std::string(TableFor(Language::kEnglish).font_name), "MS Sans Serif");
}

TEST(ChooseLanguageTest, RegistryValueFirstThenOemCodePage) {
  constexpr Language S = Language::kSimplifiedChinese;
  constexpr Language T = Language::kTraditionalChinese;
  constexpr Language E = Language::kEnglish;
  constexpr unsigned kOemCodePages[] = {936, 950, 437};
  // A value that is absent reads as 0.
  const struct {
    std::int32_t lang_index;
    Language expected[3];  // for each of kOemCodePages
  } cases[] = {
      {0, {S, T, E}}, {1, {S, S, S}},  {2, {T, T, T}},
      {3, {E, E, E}}, {99, {E, E, E}}, {-1, {E, E, E}},
  };
  for (const auto& c : cases) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(ChooseLanguage(c.lang_index, kOemCodePages[i]), c.expected[i])
          << "LangIndex " << c.lang_index << ", OEM code page " << kOemCodePages[i];
    }
  }
}

TEST(ChooseLanguageTest, OtherOemCodePagesGiveEnglish) {
  for (unsigned oem : {0u, 1252u, 850u, 932u, 949u, 65001u}) {
    EXPECT_EQ(ChooseLanguage(0, oem), Language::kEnglish) << oem;
  }
}

TEST(UiSelectionTest, TextsAndFontComeFromTheLanguageInUse) {
  for (Language language : kLanguages) {
    UseLanguage(language);
    const UiStringTable& table = TableFor(language);
    EXPECT_EQ(SelectedLanguage(), language);
    EXPECT_EQ(&UiStrings(), &table);
    EXPECT_EQ(UiString(0), table.texts[0]);
    EXPECT_EQ(UiString(28), table.texts[28]);
    EXPECT_EQ(UiFontNameA(), table.font_name);
  }
  UseLanguage(Language::kEnglish);
}

TEST(UiSelectionTest, IndexOutsideTheTableGivesEmptyText) {
  UseLanguage(Language::kTraditionalChinese);
  EXPECT_STREQ(UiString(-1), "");
  EXPECT_STREQ(UiString(kUiStringCount), "");
  UseLanguage(Language::kEnglish);
}

}  // namespace
}  // namespace qv
