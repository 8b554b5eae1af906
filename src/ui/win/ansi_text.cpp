#include "ui/win/ansi_text.h"

#include <windows.h>

namespace qv::win {

std::wstring AnsiToWide(std::string_view text, unsigned code_page) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), units);
  return wide;
}

void AnsiToWideInto(std::string_view text, std::wstring& out, unsigned code_page) {
  out.clear();
  if (text.empty()) return;
  const int size = static_cast<int>(text.size());
  // A byte never makes more than one UTF-16 unit.
  out.resize(text.size());
  const int units = MultiByteToWideChar(code_page, 0, text.data(), size, out.data(), size);
  out.resize(static_cast<std::size_t>(units > 0 ? units : 0));
}

std::string WideToAnsi(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), size, ansi.data(), bytes, nullptr, nullptr);
  return ansi;
}

std::optional<std::u32string> AnsiToCodePoints(std::string_view text, unsigned code_page) {
  if (text.empty()) return std::u32string();
  const int size = static_cast<int>(text.size());
  std::wstring wide(text.size(), L'\0');
  const int units =
      MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), size);
  if (units <= 0) return std::nullopt;
  std::u32string points;
  for (int i = 0; i < units; ++i) {
    const wchar_t unit = wide[static_cast<std::size_t>(i)];
    if (IS_HIGH_SURROGATE(unit) && i + 1 < units &&
        IS_LOW_SURROGATE(wide[static_cast<std::size_t>(i + 1)])) {
      const wchar_t low = wide[static_cast<std::size_t>(++i)];
      points += static_cast<char32_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else {
      points += static_cast<char32_t>(unit);
    }
  }
  return points;
}

std::size_t AnsiByteCount(std::wstring_view text, unsigned code_page) {
  if (text.empty()) return 0;
  return static_cast<std::size_t>(WideCharToMultiByte(
      code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr));
}

namespace {

// Whether `character` comes back unchanged from the code page: a round trip catches both the
// default character and the system's best-fit look-alikes, and works for every code page,
// UTF-8 included, for which the conversion flags that report them are refused.
bool SurvivesRoundTrip(std::wstring_view character, unsigned code_page) {
  char bytes[16];
  const int size = WideCharToMultiByte(code_page, 0, character.data(),
                                       static_cast<int>(character.size()), bytes, sizeof(bytes),
                                       nullptr, nullptr);
  if (size <= 0) return false;
  wchar_t back[4];
  const int units = MultiByteToWideChar(code_page, 0, bytes, size, back, 4);
  return std::wstring_view(back, static_cast<std::size_t>(units > 0 ? units : 0)) == character;
}

}  // namespace

std::wstring CharactersOutsideAnsi(std::wstring_view text, unsigned code_page) {
  std::wstring outside;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t units = 1;
    if (IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1])) {
      units = 2;
    }
    const std::wstring_view character = text.substr(i, units);
    // ASCII is in every ANSI code page.
    if (!(units == 1 && character[0] < 0x80) && !SurvivesRoundTrip(character, code_page) &&
        outside.find(character) == std::wstring::npos) {
      outside += character;
    }
    i += units;
  }
  return outside;
}

std::wstring_view FitAnsiBytes(std::wstring_view text, std::size_t max_bytes, unsigned code_page) {
  std::size_t used = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t units = 1;
    if (IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1])) {
      units = 2;
    }
    const std::size_t bytes = AnsiByteCount(text.substr(i, units), code_page);
    if (used + bytes > max_bytes) break;
    used += bytes;
    i += units;
  }
  return text.substr(0, i);
}

}  // namespace qv::win
