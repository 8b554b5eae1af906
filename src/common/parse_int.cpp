#include "common/parse_int.h"

#include "common/hex.h"

namespace qv {

std::optional<std::int32_t> ParseInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::string_view s = text.substr(i);
  if (s.empty()) return std::nullopt;

  std::size_t prefix = 0;
  if (s[0] == '$' || s[0] == 'x' || s[0] == 'X') {
    prefix = 1;
  } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    prefix = 2;
  }
  if (prefix != 0) {
    std::string_view digits = s.substr(prefix);
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
      int d = HexDigitValue(c);
      if (d < 0) return std::nullopt;
      value = value * 16 + static_cast<unsigned>(d);
      if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }

  bool negative = false;
  if (s[0] == '+' || s[0] == '-') {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  const std::uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
  std::uint64_t value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > limit) return std::nullopt;
  }
  return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value))
                  : static_cast<std::int32_t>(value);
}

std::int32_t ParseIntDef(std::string_view text, std::int32_t def) {
  return ParseInt(text).value_or(def);
}

}  // namespace qv
