#include "config/records.h"

#include <type_traits>

#include "common/coding.h"

namespace qv {
namespace {

static_assert(sizeof(SettingsRecord) == kSettingsRecordSize);
static_assert(sizeof(TaskRecord) == kTaskRecordSize);
static_assert(std::is_trivially_copyable_v<TaskRecord>);

static_assert(SettingsRecord::kHostOffset + 1 + SettingsRecord::kHostCapacity ==
              SettingsRecord::kPortOffset);
static_assert(SettingsRecord::kPortOffset + 4 == SettingsRecord::kUserOffset);
static_assert(SettingsRecord::kUserOffset + 1 + SettingsRecord::kUserCapacity ==
              SettingsRecord::kPasswordOffset);
static_assert(SettingsRecord::kPasswordOffset + 1 + SettingsRecord::kPasswordCapacity ==
              SettingsRecord::kIntervalOffset);
static_assert(SettingsRecord::kIntervalOffset + 4 == SettingsRecord::kSpeedLimitOffset);
static_assert(SettingsRecord::kSpeedLimitOffset + 4 == kSettingsRecordSize);
static_assert(TaskRecord::kNameOffset + 1 + TaskRecord::kNameCapacity == TaskRecord::kSourceOffset);
static_assert(TaskRecord::kSourceOffset + 1 + TaskRecord::kSourceCapacity ==
              TaskRecord::kTargetOffset);
static_assert(TaskRecord::kTargetOffset + 1 + TaskRecord::kTargetCapacity == kTaskRecordSize);

}  // namespace

SettingsRecord SettingsRecord::Defaults() {
  SettingsRecord s;
  s.SetPort(kDefaultPort);
  s.SetInterval(kDefaultInterval);
  return s;
}

std::string SettingsRecord::Host() const { return GetShortString(&bytes[kHostOffset], kHostCapacity); }
std::string SettingsRecord::User() const { return GetShortString(&bytes[kUserOffset], kUserCapacity); }
std::string SettingsRecord::Password() const {
  return GetShortString(&bytes[kPasswordOffset], kPasswordCapacity);
}
std::int32_t SettingsRecord::Port() const { return GetLE32(&bytes[kPortOffset]); }
std::int32_t SettingsRecord::Interval() const { return GetLE32(&bytes[kIntervalOffset]); }
std::int32_t SettingsRecord::SpeedLimit() const { return GetLE32(&bytes[kSpeedLimitOffset]); }

void SettingsRecord::SetHost(std::string_view text) {
  PutShortString(&bytes[kHostOffset], kHostCapacity, text);
}
void SettingsRecord::SetUser(std::string_view text) {
  PutShortString(&bytes[kUserOffset], kUserCapacity, text);
}
void SettingsRecord::SetPassword(std::string_view text) {
  PutShortString(&bytes[kPasswordOffset], kPasswordCapacity, text);
}
void SettingsRecord::SetPort(std::int32_t value) { PutLE32(&bytes[kPortOffset], value); }
void SettingsRecord::SetInterval(std::int32_t value) { PutLE32(&bytes[kIntervalOffset], value); }
void SettingsRecord::SetSpeedLimit(std::int32_t value) { PutLE32(&bytes[kSpeedLimitOffset], value); }

std::string TaskRecord::Name() const { return GetShortString(&bytes[kNameOffset], kNameCapacity); }
std::string_view TaskRecord::NameView() const {
  return ViewShortString(&bytes[kNameOffset], kNameCapacity);
}
std::string TaskRecord::Source() const {
  return GetShortString(&bytes[kSourceOffset], kSourceCapacity);
}
std::string TaskRecord::Target() const {
  return GetShortString(&bytes[kTargetOffset], kTargetCapacity);
}
void TaskRecord::SetName(std::string_view text) {
  PutShortString(&bytes[kNameOffset], kNameCapacity, text);
}
void TaskRecord::SetSource(std::string_view text) {
  PutShortString(&bytes[kSourceOffset], kSourceCapacity, text);
}
void TaskRecord::SetTarget(std::string_view text) {
  PutShortString(&bytes[kTargetOffset], kTargetCapacity, text);
}

}  // namespace qv
