#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace qv {

// Reads a whole text as an integer, or gives `def`. Accepts leading blanks (code 32 only), then
// either an optionally signed decimal in the int32 range or a "$", "x", "X", "0x", "0X" prefixed
// hexadecimal whose value fits 32 bits (taken as the bit pattern, so FFFFFFFF is -1).
// Anything after the number, a trailing blank included, gives `def`.
std::int32_t ParseIntDef(std::string_view text, std::int32_t def);
// The same reading; none where ParseIntDef gives its default.
std::optional<std::int32_t> ParseInt(std::string_view text);

}  // namespace qv
