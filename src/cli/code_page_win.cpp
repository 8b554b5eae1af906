#include <windows.h>

#include <string>

#include "cli/code_page.h"

namespace qv::cli {
namespace {

std::optional<std::wstring> ToWide(UINT code_page, std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  const int size = static_cast<int>(bytes.size());
  const int n =
      MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), n);
  return wide;
}

// Without best fit and with the default character noticed, so that a character the code page
// lacks fails instead of turning into "?" or a look-alike.
std::optional<std::string> FromWide(UINT code_page, std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  const bool utf8 = code_page == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* used = utf8 ? nullptr : &used_default;
  const int n = WideCharToMultiByte(code_page, flags, wide.data(), size, nullptr, 0, nullptr, used);
  if (n <= 0 || used_default) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(code_page, flags, wide.data(), size, bytes.data(), n, nullptr, used);
  if (used_default) return std::nullopt;
  return bytes;
}

std::optional<std::string> Convert(UINT from, UINT to, std::string_view text) {
  const std::optional<std::wstring> wide = ToWide(from, text);
  if (!wide) return std::nullopt;
  return FromWide(to, *wide);
}

}  // namespace

struct CodePage::Converters {};

std::optional<CodePage> CodePage::Open(unsigned number) {
  if (number == CP_UTF8 || number == CP_UTF7 || !IsValidCodePage(number)) return std::nullopt;
  CodePage page;
  page.number_ = number;
  return page;
}

std::optional<std::string> CodePage::Decode(std::string_view bytes) const {
  std::optional<std::string> text = Convert(number_, CP_UTF8, bytes);
  if (!text) return std::nullopt;
  const std::optional<std::string> back = Convert(CP_UTF8, number_, *text);
  if (!back || *back != bytes) return std::nullopt;
  return text;
}

std::optional<std::string> CodePage::Encode(std::string_view utf8) const {
  std::optional<std::string> bytes = Convert(CP_UTF8, number_, utf8);
  if (!bytes) return std::nullopt;
  const std::optional<std::string> back = Convert(number_, CP_UTF8, *bytes);
  if (!back || *back != utf8) return std::nullopt;
  return bytes;
}

LeadBytes CodePage::lead_bytes() const { return SystemLeadBytes(number_); }

unsigned DefaultCodePage() { return GetACP(); }

}  // namespace qv::cli
