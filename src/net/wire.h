#pragma once
// Byte layouts of the sync server protocol.
//
// Request: command int32 big-endian, payload length n int32 big-endian, n payload bytes.
//   70 logon:       the 86-byte logon body below; reply: a 4-byte big-endian verdict whose low
//                   byte (the fourth byte) is non-zero when the logon is accepted.
//   89 list folder: the path's bytes and one zero byte, or nothing (n = 0) for the top level;
//                   reply: a count N big-endian, then N lines, each a name ended by LF with an
//                   optional CR before it. A count of zero or less means no lines.
//
// A request travels in one write: sent in pieces it would meet Nagle's algorithm on our side and
// the delayed acknowledgement on the server's, and each small listing would wait for both.
//
// Logon body, integers little-endian, short strings as a length byte and the characters:
//   0  int32 403 | 4 user, capacity 31 | 36 password, capacity 31 | 68 reserved string,
//   capacity 13, empty | 82 int32 0. Bytes after a string's characters are zero.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/coding.h"
#include "config/records.h"

namespace qv {

inline constexpr std::int32_t kCmdLogon = 70;
inline constexpr std::int32_t kCmdListFolder = 89;

inline constexpr std::size_t kFrameHeaderSize = 8;

struct LogonBody {
  static constexpr std::size_t kSize = 86;
  static constexpr std::int32_t kFixedWord = 403;
  static constexpr std::size_t kFixedWordOffset = 0;
  static constexpr std::size_t kUserOffset = 4, kUserCapacity = 31;
  static constexpr std::size_t kPasswordOffset = 36, kPasswordCapacity = 31;
  static constexpr std::size_t kReservedStringOffset = 68, kReservedStringCapacity = 13;
  static constexpr std::size_t kReservedWordOffset = 82;

  std::array<std::uint8_t, kSize> bytes{};

  // User and password come from the settings' own short strings; a stored length above 31,
  // which only a damaged file holds, is sent as 31.
  static LogonBody FromSettings(const SettingsRecord& settings);

  // The fields as the server reads them; a length byte above the capacity is cut to it.
  std::int32_t FixedWord() const;
  std::string User() const;
  std::string Password() const;
};
static_assert(LogonBody::kReservedWordOffset + 4 == LogonBody::kSize);
static_assert(LogonBody::kPasswordOffset == LogonBody::kUserOffset + LogonBody::kUserCapacity + 1);
static_assert(LogonBody::kReservedStringOffset ==
              LogonBody::kPasswordOffset + LogonBody::kPasswordCapacity + 1);
static_assert(LogonBody::kReservedWordOffset ==
              LogonBody::kReservedStringOffset + LogonBody::kReservedStringCapacity + 1);

std::array<std::uint8_t, kFrameHeaderSize> EncodeFrameHeader(std::int32_t command,
                                                             std::int32_t payload_length);

// Whole requests, frame header and payload. A path of INT32_MAX bytes or more cannot be framed:
// false, and `out` is left empty.
std::string EncodeLogonRequest(const SettingsRecord& settings);
bool EncodeListFolderRequest(std::string_view path, std::string& out);

// The logon verdict looks at the low byte only.
inline bool LogonAccepted(std::int32_t verdict) { return (verdict & 0xFF) != 0; }

// A listing reply as the server sends it, each name ended by CR LF.
void AppendListing(std::string& out, std::span<const std::string> names);

}  // namespace qv
