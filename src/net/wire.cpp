#include "net/wire.h"

#include <cstdint>

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

namespace {

void AppendHeader(std::string& out, std::int32_t command, std::int32_t payload_length) {
  const auto header = EncodeFrameHeader(command, payload_length);
  out.append(reinterpret_cast<const char*>(header.data()), header.size());
}

}  // namespace

std::string EncodeLogonRequest(const SettingsRecord& settings) {
  const LogonBody body = LogonBody::FromSettings(settings);
  std::string out;
  out.reserve(kFrameHeaderSize + LogonBody::kSize);
  AppendHeader(out, kCmdLogon, static_cast<std::int32_t>(LogonBody::kSize));
  out.append(reinterpret_cast<const char*>(body.bytes.data()), body.bytes.size());
  return out;
}

bool EncodeListFolderRequest(std::string_view path, std::string& out) {
  out.clear();
  if (path.empty()) {
    AppendHeader(out, kCmdListFolder, 0);
    return true;
  }
  if (path.size() >= static_cast<std::size_t>(INT32_MAX)) return false;
  out.reserve(kFrameHeaderSize + path.size() + 1);
  AppendHeader(out, kCmdListFolder, static_cast<std::int32_t>(path.size() + 1));
  out.append(path);
  out.push_back('\0');
  return true;
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
