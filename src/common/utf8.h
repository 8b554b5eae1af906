#pragma once
// UTF-8 written and read strictly: no overlong forms, no surrogates, nothing past U+10FFFF.
#include <optional>
#include <string>
#include <string_view>

namespace qv {

void AppendUtf8(std::string& out, char32_t c);

// The code points of `utf8`, or none when it is not well-formed UTF-8.
std::optional<std::u32string> DecodeUtf8(std::string_view utf8);

}  // namespace qv
