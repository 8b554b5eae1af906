#include <windows.h>

#include "i18n/ui_strings.h"
#include "platform/registry.h"

namespace qv {
namespace {

std::wstring ToWide(const char* text, unsigned code_page) {
  const int length = MultiByteToWideChar(code_page, 0, text, -1, nullptr, 0);
  if (length <= 1) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(code_page, 0, text, -1, wide.data(), length);
  wide.resize(static_cast<std::size_t>(length - 1));
  return wide;
}

}  // namespace

void SelectLanguage() {
  const std::int32_t lang_index =
      ReadRegistryInt("HKEY_LOCAL_MACHINE\\Software\\Pelmorix", "LangIndex");
  UseLanguage(ChooseLanguage(lang_index, GetOEMCP()));
}

std::wstring UiText(int index) { return ToWide(UiString(index), UiStrings().code_page); }

std::wstring UiFontName() { return ToWide(UiFontNameA(), UiStrings().code_page); }

}  // namespace qv
