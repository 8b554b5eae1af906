#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "i18n/expected_texts.h"
#include "i18n/ui_strings.h"

namespace qv {
namespace {

constexpr Language kLanguages[] = {Language::kSimplifiedChinese, Language::kTraditionalChinese,
                                   Language::kEnglish};

// A language to start from that the selection must move away from.
Language OtherThan(Language language) {
  return language == Language::kEnglish ? Language::kTraditionalChinese : Language::kEnglish;
}

std::wstring FromUtf8(const char* text) {
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide.data(), length);
  wide.resize(static_cast<std::size_t>(length - 1));
  return wide;
}

// The Chinese code pages must convert on a system of any locale, the test's own included.
TEST(UiTextTest, EveryEntryConvertsToItsCharacters) {
  for (Language language : kLanguages) {
    UseLanguage(language);
    SCOPED_TRACE("code page " + std::to_string(UiStrings().code_page) + ", system ANSI code page " +
                 std::to_string(GetACP()));
    for (int i = 0; i < kUiStringCount; ++i) {
      EXPECT_EQ(UiText(i), FromUtf8(test::ExpectedFor(test::kExpectedTexts[i], language)))
          << "entry " << i;
    }
    EXPECT_EQ(UiFontName(), FromUtf8(test::ExpectedFor(test::kExpectedFontNames, language)));
  }
  UseLanguage(Language::kEnglish);
}

TEST(UiTextTest, ChineseQuestionIsUtf16) {
  UseLanguage(Language::kSimplifiedChinese);
  EXPECT_EQ(UiText(17), L"\u914D\u7F6E\u5DF2\u4FEE\u6539, \u9700\u8981\u4FDD\u5B58\u5417\uFF1F");
  EXPECT_EQ(UiFontName(), L"\u5B8B\u4F53");
  UseLanguage(Language::kTraditionalChinese);
  EXPECT_EQ(UiText(17), L"\u914D\u7F6E\u5DF2\u4FEE\u6539, \u9700\u8981\u5132\u5B58\u55CE\uFF1F");
  EXPECT_EQ(UiFontName(), L"\u7D30\u660E\u9AD4");
  EXPECT_EQ(UiText(kUiStringCount), L"");
  UseLanguage(Language::kEnglish);
}

// Runs SelectLanguage against the real HKEY_LOCAL_MACHINE\Software\Pelmorix of the Wine prefix
// and puts back whatever LangIndex held before.
class SelectLanguageTest : public ::testing::Test {
 protected:
  static constexpr const char* kKey = "Software\\Pelmorix";
  static constexpr const char* kValue = "LangIndex";

  void SetUp() override {
    HKEY key = nullptr;
    key_existed_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (key_existed_) {
      DWORD size = 0;
      if (RegQueryValueExA(key, kValue, nullptr, &saved_type_, nullptr, &size) == ERROR_SUCCESS) {
        saved_.resize(size);
        value_existed_ =
            RegQueryValueExA(key, kValue, nullptr, &saved_type_,
                             reinterpret_cast<BYTE*>(saved_.data()), &size) == ERROR_SUCCESS;
        saved_.resize(size);
      }
      RegCloseKey(key);
    }
  }

  void TearDown() override {
    if (!key_existed_) {
      EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey), ERROR_SUCCESS);
    } else if (value_existed_) {
      Write(saved_type_, saved_);
    } else {
      DeleteValue();
    }
    UseLanguage(Language::kEnglish);
  }

  void Write(DWORD type, const std::string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, kValue, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  void WriteDword(DWORD value) {
    Write(REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value));
  }

  void DeleteValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    const LONG result = RegDeleteValueA(key, kValue);
    EXPECT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << result;
    RegCloseKey(key);
  }

  // Some test runs set the locale and say which OEM code page it must give.
  static Language ExpectedForOemCodePage() {
    const unsigned oem = GetOEMCP();
    if (const char* expected = std::getenv("QV_EXPECT_OEMCP")) {
      EXPECT_EQ(std::to_string(oem), expected);
    }
    if (oem == 936) return Language::kSimplifiedChinese;
    if (oem == 950) return Language::kTraditionalChinese;
    return Language::kEnglish;
  }

  bool key_existed_ = false;
  bool value_existed_ = false;
  DWORD saved_type_ = REG_NONE;
  std::string saved_;
};

TEST_F(SelectLanguageTest, LangIndexPicksTheTable) {
  const struct {
    DWORD value;
    Language expected;
  } cases[] = {{1, Language::kSimplifiedChinese},
               {2, Language::kTraditionalChinese},
               {3, Language::kEnglish},
               {99, Language::kEnglish},
               {0xFFFFFFFF, Language::kEnglish}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<long>(c.value));
    UseLanguage(OtherThan(c.expected));
    WriteDword(c.value);
    SelectLanguage();
    EXPECT_EQ(SelectedLanguage(), c.expected);
  }
}

TEST_F(SelectLanguageTest, TextValueIsReadAsANumber) {
  Write(REG_SZ, std::string("2", 2));
  UseLanguage(Language::kEnglish);
  SelectLanguage();
  EXPECT_EQ(SelectedLanguage(), Language::kTraditionalChinese);
  EXPECT_EQ(UiFontName(), L"\u7D30\u660E\u9AD4");
}

TEST_F(SelectLanguageTest, ZeroOrAbsentFollowsTheOemCodePage) {
  const Language expected = ExpectedForOemCodePage();
  WriteDword(0);
  UseLanguage(OtherThan(expected));
  SelectLanguage();
  EXPECT_EQ(SelectedLanguage(), expected);

  DeleteValue();
  UseLanguage(OtherThan(expected));
  SelectLanguage();
  EXPECT_EQ(SelectedLanguage(), expected);
}

}  // namespace
}  // namespace qv
