#pragma once
// Little-endian int32 fields, put and got byte by byte so that neither struct packing nor the
// host's byte order ever reaches a file.
#include <cstddef>
#include <cstdint>

namespace qv {

inline void PutLE32(std::uint8_t* p, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

inline std::int32_t GetLE32(const std::uint8_t* p) {
  const std::uint32_t v = std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                          (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
  return static_cast<std::int32_t>(v);
}

}  // namespace qv
