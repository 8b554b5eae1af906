#include "net/wire.h"

#include "common/coding.h"

namespace qv {

std::array<std::uint8_t, kFrameHeaderSize> EncodeFrameHeader(std::int32_t command,
                                                             std::int32_t payload_length) {
  std::array<std::uint8_t, kFrameHeaderSize> header{};
  PutBE32(header.data(), command);
  PutBE32(header.data() + 4, payload_length);
  return header;
}

LogonBody LogonBody::FromSettings(const SettingsRecord& settings) {
  static_assert(SettingsRecord::kUserCapacity == kUserCapacity);
  static_assert(SettingsRecord::kPasswordCapacity == kPasswordCapacity);
  LogonBody body;
  PutLE32(body.bytes.data() + kFixedWordOffset, kFixedWord);
  CopyShortString(settings.bytes.data() + SettingsRecord::kUserOffset, kUserCapacity,
                  body.bytes.data() + kUserOffset);
  CopyShortString(settings.bytes.data() + SettingsRecord::kPasswordOffset, kPasswordCapacity,
                  body.bytes.data() + kPasswordOffset);
  return body;
}

std::int32_t LogonBody::FixedWord() const { return GetLE32(bytes.data() + kFixedWordOffset); }

std::string LogonBody::User() const {
  return GetShortString(bytes.data() + kUserOffset, kUserCapacity);
}

std::string LogonBody::Password() const {
  return GetShortString(bytes.data() + kPasswordOffset, kPasswordCapacity);
}

void AppendListing(std::string& out, std::span<const std::string> names) {
  std::uint8_t count[4];
  PutBE32(count, static_cast<std::int32_t>(names.size()));
  out.append(reinterpret_cast<const char*>(count), sizeof count);
  for (const std::string& name : names) {
    out += name;
    out += "\r\n";
  }
}

}  // namespace qv
