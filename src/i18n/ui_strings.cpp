#include "i18n/ui_strings.h"

namespace qv {
namespace {

// Written once at start-up, before any window exists, and only read afterwards.
Language g_selected = Language::kEnglish;

}  // namespace

Language ChooseLanguage(std::int32_t lang_index, unsigned oem_code_page) {
  switch (lang_index) {
    case 0:
      break;
    case 1:
      return Language::kSimplifiedChinese;
    case 2:
      return Language::kTraditionalChinese;
    default:
      return Language::kEnglish;
  }
  switch (oem_code_page) {
    case 936:
      return Language::kSimplifiedChinese;
    case 950:
      return Language::kTraditionalChinese;
    default:
      return Language::kEnglish;
  }
}

void UseLanguage(Language language) { g_selected = language; }

Language SelectedLanguage() { return g_selected; }

const UiStringTable& UiStrings() { return TableFor(g_selected); }

const char* UiString(int index) {
  if (index < 0 || index >= kUiStringCount) return "";
  return UiStrings().texts[index];
}

const char* UiFontNameA() { return UiStrings().font_name; }

}  // namespace qv
