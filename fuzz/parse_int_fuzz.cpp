// ParseIntDef against a reference written another way: the two grammars as regular expressions,
// the value through the C library. Every input must give the same answer, a default included.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

#include "common/parse_int.h"

namespace {

std::optional<std::int32_t> Reference(const std::string& text) {
  static const std::regex decimal(" *([+-]?)([0-9]+)");
  static const std::regex hexadecimal(" *(\\$|x|X|0x|0X)([0-9a-fA-F]+)");
  std::smatch m;
  if (std::regex_match(text, m, hexadecimal)) {
    std::string digits = m[2].str();
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    if (digits.size() > 8) return std::nullopt;
    const unsigned long value = std::strtoul(digits.c_str(), nullptr, 16);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  if (std::regex_match(text, m, decimal)) {
    std::string digits = m[2].str();
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    if (digits.size() > 10) return std::nullopt;
    errno = 0;
    long long value = std::strtoll(digits.c_str(), nullptr, 10);
    if (m[1].str() == "-") value = -value;
    if (errno != 0 || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 256) return 0;  // longer texts add nothing but regex time
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::int32_t a = qv::ParseIntDef(text, 1);
  const std::int32_t b = qv::ParseIntDef(text, 2);
  const std::optional<std::int32_t> got = a == b ? std::optional<std::int32_t>(a) : std::nullopt;
  if (got != Reference(text)) std::abort();
  return 0;
}
