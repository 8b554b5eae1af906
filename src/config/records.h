#pragma once
// The two fixed-size records of CONFIGS.DAT, kept as their on-disk bytes so that a record is
// written back exactly as it was read, including the bytes after a short string's characters.
//
// Integers are int32 little-endian. A short string of capacity N is N+1 bytes: a length byte,
// then the characters in the ANSI code page.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

inline constexpr std::size_t kSettingsRecordSize = 140;
inline constexpr std::size_t kTaskRecordSize = 544;

inline constexpr std::int32_t kDefaultPort = 891;
inline constexpr std::int32_t kDefaultInterval = 60;

struct SettingsRecord {
  // Offsets and capacities within the 140 bytes.
  static constexpr std::size_t kHostOffset = 0, kHostCapacity = 63;
  static constexpr std::size_t kPortOffset = 64;
  static constexpr std::size_t kUserOffset = 68, kUserCapacity = 31;
  static constexpr std::size_t kPasswordOffset = 100, kPasswordCapacity = 31;
  static constexpr std::size_t kIntervalOffset = 132;
  static constexpr std::size_t kSpeedLimitOffset = 136;

  std::array<std::uint8_t, kSettingsRecordSize> bytes{};

  // Empty strings, port 891, interval 60, speed limit 0.
  static SettingsRecord Defaults();

  std::string Host() const;
  std::string User() const;
  std::string Password() const;
  std::int32_t Port() const;
  std::int32_t Interval() const;
  std::int32_t SpeedLimit() const;

  // Texts are cut to the field's capacity in bytes.
  void SetHost(std::string_view text);
  void SetUser(std::string_view text);
  void SetPassword(std::string_view text);
  void SetPort(std::int32_t value);
  void SetInterval(std::int32_t value);
  void SetSpeedLimit(std::int32_t value);
};

struct TaskRecord {
  static constexpr std::size_t kNameOffset = 0, kNameCapacity = 31;
  static constexpr std::size_t kSourceOffset = 32, kSourceCapacity = 255;
  static constexpr std::size_t kTargetOffset = 288, kTargetCapacity = 255;

  std::array<std::uint8_t, kTaskRecordSize> bytes{};  // a new task is all zero bytes

  std::string Name() const;
  // The stored name without a copy, for comparisons that walk every task.
  std::string_view NameView() const;
  std::string Source() const;
  std::string Target() const;
  void SetName(std::string_view text);
  void SetSource(std::string_view text);
  void SetTarget(std::string_view text);
};

}  // namespace qv
