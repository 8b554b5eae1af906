#include <windows.h>

#include "common/win_text.h"
#include "i18n/ui_strings.h"
#include "platform/registry.h"

namespace qv {

void SelectLanguage() {
  const std::int32_t lang_index =
      ReadRegistryInt("HKEY_LOCAL_MACHINE\\Software\\Pelmorix", "LangIndex");
  UseLanguage(ChooseLanguage(lang_index, GetOEMCP()));
}

std::wstring UiText(int index) { return win::AnsiToWide(UiString(index), UiStrings().code_page); }

std::wstring UiFontName() { return win::AnsiToWide(UiFontNameA(), UiStrings().code_page); }

}  // namespace qv
