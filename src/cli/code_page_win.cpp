#include <windows.h>

#include <string>

#include "cli/code_page.h"
#include "common/win_text.h"

namespace qv::cli {

struct CodePage::Converters {};

std::optional<CodePage> CodePage::Open(unsigned number) {
  if (number == CP_UTF8 || number == CP_UTF7 || !IsValidCodePage(number)) return std::nullopt;
  CodePage page;
  page.number_ = number;
  return page;
}

std::optional<std::string> CodePage::Decode(std::string_view bytes) const {
  const std::optional<std::wstring> wide = win::AnsiToWideExact(bytes, number_);
  if (!wide || win::WideToAnsi(*wide, number_) != bytes) return std::nullopt;
  return win::WideToUtf8Exact(*wide);
}

// The window's answer to whether the file can hold a text is the answer here too, so that a
// character the editor refuses, a best-fit look-alike included, is refused by qvconf as well.
std::optional<std::string> CodePage::Encode(std::string_view utf8) const {
  const std::optional<std::wstring> wide = win::Utf8ToWideExact(utf8);
  if (!wide || !win::FitsAnsiCodePage(*wide, number_)) return std::nullopt;
  return win::WideToAnsi(*wide, number_);
}

LeadBytes CodePage::lead_bytes() const { return SystemLeadBytes(number_); }

unsigned DefaultCodePage() { return GetACP(); }

}  // namespace qv::cli
