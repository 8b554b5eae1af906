#include "net/wire.h"

#include <algorithm>
#include <cstring>

namespace qv {
namespace {

void PutInt32LE(std::uint8_t* out, std::int32_t value) {
  auto v = static_cast<std::uint32_t>(value);
  out[0] = static_cast<std::uint8_t>(v);
  out[1] = static_cast<std::uint8_t>(v >> 8);
  out[2] = static_cast<std::uint8_t>(v >> 16);
  out[3] = static_cast<std::uint8_t>(v >> 24);
}

// Copies a short string field, with its length byte, cutting a length above `capacity`.
void CopyShortString(const std::uint8_t* from, std::size_t capacity, std::uint8_t* to) {
  std::size_t length = std::min<std::size_t>(from[0], capacity);
  to[0] = static_cast<std::uint8_t>(length);
  std::memcpy(to + 1, from + 1, length);
}

std::string ReadShortString(const std::uint8_t* field, std::size_t capacity) {
  std::size_t length = std::min<std::size_t>(field[0], capacity);
  return std::string(reinterpret_cast<const char*>(field + 1), length);
}

}  // namespace

void PutInt32BE(std::uint8_t* out, std::int32_t value) {
  auto v = static_cast<std::uint32_t>(value);
  out[0] = static_cast<std::uint8_t>(v >> 24);
  out[1] = static_cast<std::uint8_t>(v >> 16);
  out[2] = static_cast<std::uint8_t>(v >> 8);
  out[3] = static_cast<std::uint8_t>(v);
}

std::int32_t GetInt32BE(const std::uint8_t* in) {
  return static_cast<std::int32_t>(std::uint32_t{in[0]} << 24 | std::uint32_t{in[1]} << 16 |
                                   std::uint32_t{in[2]} << 8 | std::uint32_t{in[3]});
}

std::array<std::uint8_t, kFrameHeaderSize> EncodeFrameHeader(std::int32_t command,
                                                             std::int32_t payload_length) {
  std::array<std::uint8_t, kFrameHeaderSize> header{};
  PutInt32BE(header.data(), command);
  PutInt32BE(header.data() + 4, payload_length);
  return header;
}

LogonBody LogonBody::FromSettings(const SettingsRecord& settings) {
  static_assert(SettingsRecord::kUserCapacity == kUserCapacity);
  static_assert(SettingsRecord::kPasswordCapacity == kPasswordCapacity);
  LogonBody body;
  PutInt32LE(body.bytes.data() + kFixedWordOffset, kFixedWord);
  CopyShortString(settings.bytes.data() + SettingsRecord::kUserOffset, kUserCapacity,
                  body.bytes.data() + kUserOffset);
  CopyShortString(settings.bytes.data() + SettingsRecord::kPasswordOffset, kPasswordCapacity,
                  body.bytes.data() + kPasswordOffset);
  return body;
}

std::int32_t LogonBody::FixedWord() const {
  const std::uint8_t* p = bytes.data() + kFixedWordOffset;
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                   std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
}

std::string LogonBody::User() const {
  return ReadShortString(bytes.data() + kUserOffset, kUserCapacity);
}

std::string LogonBody::Password() const {
  return ReadShortString(bytes.data() + kPasswordOffset, kPasswordCapacity);
}

void AppendListing(std::string& out, std::span<const std::string> names) {
  std::uint8_t count[4];
  PutInt32BE(count, static_cast<std::int32_t>(names.size()));
  out.append(reinterpret_cast<const char*>(count), sizeof count);
  for (const std::string& name : names) {
    out += name;
    out += "\r\n";
  }
}

}  // namespace qv
