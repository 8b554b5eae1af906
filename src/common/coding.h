#pragma once
// The one place that encodes fixed-width integers and short strings. Fields are put and got byte
// by byte, so that neither struct packing nor the host's byte order reaches a file, a frame or a
// registry value.
//
// A short string of capacity N is N+1 bytes: a length byte, then the characters (ANSI code page,
// never converted). Only another writer stores a length above the capacity; reading it as the
// capacity keeps every read inside the field.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace qv {

inline void PutLE32(std::uint8_t* p, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

inline std::int32_t GetLE32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                   std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
}

inline void PutBE32(std::uint8_t* p, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

inline std::int32_t GetBE32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                                   std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]});
}

inline std::string_view ViewShortString(const std::uint8_t* field, std::size_t capacity) {
  const std::size_t length = std::min<std::size_t>(field[0], capacity);
  return std::string_view(reinterpret_cast<const char*>(field + 1), length);
}

inline std::string GetShortString(const std::uint8_t* field, std::size_t capacity) {
  return std::string(ViewShortString(field, capacity));
}

// Writes the length byte and the characters, cut to the capacity; the bytes after them keep what
// they held, since a record goes back to its file whole.
inline void PutShortString(std::uint8_t* field, std::size_t capacity, std::string_view text) {
  const std::size_t length = std::min(text.size(), capacity);
  field[0] = static_cast<std::uint8_t>(length);
  if (length != 0) std::memcpy(field + 1, text.data(), length);
}

// Copies a short string field into one of capacity `capacity` (the length cut to it).
inline void CopyShortString(const std::uint8_t* from, std::size_t capacity, std::uint8_t* to) {
  PutShortString(to, capacity, ViewShortString(from, capacity));
}

}  // namespace qv
