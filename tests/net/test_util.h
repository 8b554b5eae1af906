#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/coding.h"
#include "config/records.h"
#include "net/name_list.h"

namespace qv::test {

// Bytes in the order they travel.
inline std::string Int32BE(std::int32_t value) {
  std::uint8_t bytes[4];
  PutBE32(bytes, value);
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

inline std::vector<std::string> ToVector(const NameList& names) {
  return std::vector<std::string>(names.begin(), names.end());
}

// Settings whose user and password short strings hold these texts, written byte by byte so that
// a length byte can also be one that only a damaged file would hold.
inline SettingsRecord SettingsWith(std::string_view user, std::string_view password,
                                   int user_length = -1) {
  SettingsRecord settings;
  auto put = [&](std::size_t offset, std::string_view text, int length) {
    settings.bytes[offset] = static_cast<std::uint8_t>(length < 0 ? text.size() : length);
    std::memcpy(settings.bytes.data() + offset + 1, text.data(), text.size());
  };
  put(SettingsRecord::kUserOffset, user, user_length);
  put(SettingsRecord::kPasswordOffset, password, -1);
  return settings;
}

}  // namespace qv::test
