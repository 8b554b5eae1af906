#pragma once
// The Windows edge of every text: the file and the windows' ANSI code page, qvconf's UTF-8 and
// the system's UTF-16 meet here, and here alone it is decided whether the file can hold a text.
// Windows only; the lowest layer, so that the store, the platform services, the string tables,
// the windows and qvconf all convert alike.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv::win {

// ANSI, in the system's code page (0, CP_ACP) unless another is named. A byte sequence that is no
// character of the code page becomes the system's replacement; the exact forms below refuse it.
std::wstring AnsiToWide(std::string_view text, unsigned code_page = 0);
// The same into `out`, whose storage is reused: for converting many texts one after another.
void AnsiToWideInto(std::string_view text, std::wstring& out, unsigned code_page = 0);
// The ANSI bytes of `text`: "?" or a look-alike for what the code page lacks (see
// CharactersOutsideAnsi).
std::string WideToAnsi(std::wstring_view text, unsigned code_page = 0);
// The characters of ANSI `text`, or nothing when a byte sequence is no character of the code
// page.
std::optional<std::wstring> AnsiToWideExact(std::string_view text, unsigned code_page = 0);
// The same as code points, a surrogate pair as one.
std::optional<std::u32string> AnsiToCodePoints(std::string_view text, unsigned code_page = 0);
std::size_t AnsiByteCount(std::wstring_view text, unsigned code_page = 0);

// The characters of `text` that the code page cannot hold, each once, in their order (a surrogate
// pair counts as one character): the file would get "?" or a look-alike for them. A character is
// held when it comes back unchanged from the code page, which catches both the default character
// and the system's best-fit look-alikes, for every code page.
std::wstring CharactersOutsideAnsi(std::wstring_view text, unsigned code_page = 0);
inline bool FitsAnsiCodePage(std::wstring_view text, unsigned code_page = 0) {
  return CharactersOutsideAnsi(text, code_page).empty();
}
// The longest leading part of `text` whose ANSI form fits in `max_bytes`, never splitting a
// character or a surrogate pair.
std::wstring_view FitAnsiBytes(std::wstring_view text, std::size_t max_bytes,
                               unsigned code_page = 0);

// UTF-8, which qvconf speaks, for paths and messages: what is not well formed becomes U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
// The same for texts that go into the file: nothing unless well formed throughout.
std::optional<std::wstring> Utf8ToWideExact(std::string_view utf8);
std::optional<std::string> WideToUtf8Exact(std::wstring_view wide);

// The system's text for an error code, without the line break and full stop it ends with.
std::wstring SystemErrorText(std::uint32_t code);

}  // namespace qv::win
