#pragma once
// Hexadecimal digits, read and written in one place: the bytes in qvconf's texts and the numbers
// in the names of the store's files and turns. Written in lower case, read in either.
#include <cstddef>
#include <cstdint>
#include <string>

namespace qv {

// The value of a hexadecimal digit, or -1 for any other character.
constexpr int HexDigitValue(char32_t c) {
  if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
  if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a') + 10;
  if (c >= U'A' && c <= U'F') return static_cast<int>(c - U'A') + 10;
  return -1;
}

// The last `count` digits of `value`, the most significant first, zeros included.
template <typename String = std::string>
String HexDigits(std::uint64_t value, std::size_t count) {
  String digits(count, '0');
  for (std::size_t i = 0; i < count; ++i, value >>= 4) {
    using Unit = typename String::value_type;
    digits[count - 1 - i] = static_cast<Unit>("0123456789abcdef"[value & 0xF]);
  }
  return digits;
}

inline void AppendHexByte(std::string& out, unsigned char byte) { out += HexDigits(byte, 2); }

}  // namespace qv
