#include "common/win_text.h"

#include <windows.h>

namespace qv::win {
namespace {

// One call to size the result and one to fill it, for either direction.
std::wstring ToWide(UINT code_page, DWORD flags, std::string_view text, bool& ok) {
  ok = true;
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(code_page, flags, text.data(), size, nullptr, 0);
  ok = units > 0;
  if (!ok) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(code_page, flags, text.data(), size, wide.data(), units);
  return wide;
}

std::string FromWide(UINT code_page, DWORD flags, std::wstring_view text, bool& ok) {
  ok = true;
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int bytes =
      WideCharToMultiByte(code_page, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
  ok = bytes > 0;
  if (!ok) return {};
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(code_page, flags, text.data(), size, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::size_t CharacterUnits(std::wstring_view text, std::size_t i) {
  return IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1]) ? 2 : 1;
}

bool SurvivesRoundTrip(std::wstring_view text, unsigned code_page) {
  bool ok = false;
  const std::string bytes = FromWide(code_page, 0, text, ok);
  if (!ok) return false;
  const std::wstring back = ToWide(code_page, 0, bytes, ok);
  return ok && back == text;
}

}  // namespace

std::wstring AnsiToWide(std::string_view text, unsigned code_page) {
  bool ok = false;
  return ToWide(code_page, 0, text, ok);
}

void AnsiToWideInto(std::string_view text, std::wstring& out, unsigned code_page) {
  // A byte never makes more than one UTF-16 unit. Every ANSI code page is a superset of ASCII,
  // so a text of ASCII bytes alone, the common case, is widened without the system's conversion.
  out.resize(text.size());
  bool ascii = true;
  for (const char c : text) ascii &= static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<wchar_t>(text[i]);
    return;
  }
  const int size = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(code_page, 0, text.data(), size, out.data(), size);
  out.resize(static_cast<std::size_t>(units > 0 ? units : 0));
}

std::string WideToAnsi(std::wstring_view text, unsigned code_page) {
  bool ok = false;
  return FromWide(code_page, 0, text, ok);
}

std::optional<std::wstring> AnsiToWideExact(std::string_view text, unsigned code_page) {
  bool ok = false;
  std::wstring wide = ToWide(code_page, MB_ERR_INVALID_CHARS, text, ok);
  if (!ok) return std::nullopt;
  return wide;
}

std::optional<std::u32string> AnsiToCodePoints(std::string_view text, unsigned code_page) {
  const std::optional<std::wstring> wide = AnsiToWideExact(text, code_page);
  if (!wide) return std::nullopt;
  std::u32string points;
  for (std::size_t i = 0; i < wide->size();) {
    const std::size_t units = CharacterUnits(*wide, i);
    const wchar_t unit = (*wide)[i];
    points +=
        units == 1
            ? static_cast<char32_t>(unit)
            : static_cast<char32_t>(0x10000 + ((unit - 0xD800) << 10) + ((*wide)[i + 1] - 0xDC00));
    i += units;
  }
  return points;
}

std::size_t AnsiByteCount(std::wstring_view text, unsigned code_page) {
  if (text.empty()) return 0;
  return static_cast<std::size_t>(WideCharToMultiByte(
      code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr));
}

std::wstring CharactersOutsideAnsi(std::wstring_view text, unsigned code_page) {
  // The whole text in one round trip first: a long text that fits, the common case, then costs
  // two calls rather than two per character.
  if (SurvivesRoundTrip(text, code_page)) return {};
  std::wstring outside;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t units = CharacterUnits(text, i);
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
    const std::size_t units = CharacterUnits(text, i);
    const std::size_t bytes = AnsiByteCount(text.substr(i, units), code_page);
    if (used + bytes > max_bytes) break;
    used += bytes;
    i += units;
  }
  return text.substr(0, i);
}

std::wstring Utf8ToWide(std::string_view utf8) {
  bool ok = false;
  return ToWide(CP_UTF8, 0, utf8, ok);
}

std::string WideToUtf8(std::wstring_view wide) {
  bool ok = false;
  return FromWide(CP_UTF8, 0, wide, ok);
}

std::optional<std::wstring> Utf8ToWideExact(std::string_view utf8) {
  bool ok = false;
  std::wstring wide = ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, ok);
  if (!ok) return std::nullopt;
  return wide;
}

std::optional<std::string> WideToUtf8Exact(std::wstring_view wide) {
  bool ok = false;
  std::string utf8 = FromWide(CP_UTF8, WC_ERR_INVALID_CHARS, wide, ok);
  if (!ok) return std::nullopt;
  return utf8;
}

std::wstring SystemErrorText(std::uint32_t code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n != 0 ? std::wstring(text, n) : L"error " + std::to_wstring(code);
  if (text != nullptr) LocalFree(text);
  while (!message.empty() &&
         (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.')) {
    message.pop_back();
  }
  return message;
}

}  // namespace qv::win
