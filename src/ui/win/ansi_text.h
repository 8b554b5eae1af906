#pragma once
// The document keeps texts in the system's ANSI code page; the windows show UTF-16. These convert
// at that boundary and measure texts in ANSI bytes, the unit of the input limits.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv::win {

std::wstring AnsiToWide(std::string_view text, unsigned code_page = 0 /* CP_ACP */);
// The same into `out`, whose storage is reused: for converting many texts one after another.
void AnsiToWideInto(std::string_view text, std::wstring& out, unsigned code_page = 0);
std::string WideToAnsi(std::wstring_view text);
// The characters of ANSI `text` as code points; nothing when a byte sequence is no character of
// the code page.
std::optional<std::u32string> AnsiToCodePoints(std::string_view text, unsigned code_page = 0);
std::size_t AnsiByteCount(std::wstring_view text, unsigned code_page = 0 /* CP_ACP */);
// The characters of `text` that the ANSI code page cannot hold, each once, in their order (a
// surrogate pair counts as one character): the file would get "?" or a look-alike for them.
std::wstring CharactersOutsideAnsi(std::wstring_view text, unsigned code_page = 0 /* CP_ACP */);
inline bool FitsAnsiCodePage(std::wstring_view text, unsigned code_page = 0 /* CP_ACP */) {
  return CharactersOutsideAnsi(text, code_page).empty();
}
// The longest leading part of `text` whose ANSI form fits in `max_bytes`, never splitting a
// character or a surrogate pair.
std::wstring_view FitAnsiBytes(std::wstring_view text, std::size_t max_bytes,
                               unsigned code_page = 0 /* CP_ACP */);

}  // namespace qv::win
