#pragma once
// CONFIGS.DAT images written field by field from the file layout itself, with literal offsets,
// independently of the code under test; a test then damages the bytes it is about.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/document.h"

namespace qv::test {

struct TaskFields {
  std::string name, source, target;
};

struct SettingsFields {
  std::string host = "sync.example";
  std::int32_t port = 891;
  std::string user = "operator";
  std::string password = "secret";
  std::int32_t interval = 60;
  std::int32_t speed_limit = 0;
};

class Image {
 public:
  std::vector<std::uint8_t> bytes;

  void Put32(std::size_t offset, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(v >> (8 * i));
  }
  // A length byte and the characters; the bytes after them are left alone.
  void PutShort(std::size_t offset, const std::string& text) {
    bytes.at(offset) = static_cast<std::uint8_t>(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) bytes.at(offset + 1 + i) = static_cast<std::uint8_t>(text[i]);
  }
  Image& Truncate(std::size_t size) {
    bytes.resize(size);
    return *this;
  }
};

// The 140 settings bytes.
inline std::vector<std::uint8_t> SettingsBytes(const SettingsFields& s) {
  Image r;
  r.bytes.assign(140, 0);
  r.PutShort(0, s.host);
  r.Put32(64, s.port);
  r.PutShort(68, s.user);
  r.PutShort(100, s.password);
  r.Put32(132, s.interval);
  r.Put32(136, s.speed_limit);
  return r.bytes;
}

// The 544 bytes of one task record.
inline std::vector<std::uint8_t> TaskBytes(const TaskFields& t) {
  Image r;
  r.bytes.assign(544, 0);
  r.PutShort(0, t.name);
  r.PutShort(32, t.source);
  r.PutShort(288, t.target);
  return r.bytes;
}

// A file with records of `record_size` bytes: a shorter record is cut, a longer one has `filler`
// after its 544 bytes (bytes a reader must skip).
inline Image MakeImage(const SettingsFields& settings, const std::vector<TaskFields>& tasks,
                       std::size_t record_size = 544, std::uint8_t filler = 0xEE) {
  Image image;
  image.bytes.assign(1032 + record_size * tasks.size(), 0);
  const char signature[] = "RSYNCFG";
  for (int i = 0; i < 7; ++i) image.bytes[i] = static_cast<std::uint8_t>(signature[i]);
  const std::vector<std::uint8_t> s = SettingsBytes(settings);
  std::copy(s.begin(), s.end(), image.bytes.begin() + 8);
  image.Put32(1024, static_cast<std::int32_t>(record_size));
  image.Put32(1028, static_cast<std::int32_t>(tasks.size()));
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    const std::vector<std::uint8_t> t = TaskBytes(tasks[i]);
    auto at = image.bytes.begin() + static_cast<std::ptrdiff_t>(1032 + i * record_size);
    for (std::size_t k = 0; k < record_size; ++k) at[k] = k < 544 ? t[k] : filler;
  }
  return image;
}

inline std::vector<TaskFields> SampleTasks() {
  return {{"Alpha", "/srv/photos", "C:\\Backup\\Photos"},
          {"Beta", "/srv/docs/2024", "D:\\Docs"},
          {"Gamma", "/", "E:\\"}};
}

// The document that holds what MakeImage(settings, tasks) writes.
inline ConfigDocument DocumentOf(const SettingsFields& s, const std::vector<TaskFields>& tasks) {
  ConfigDocument doc;
  doc.settings.SetHost(s.host);
  doc.settings.SetPort(s.port);
  doc.settings.SetUser(s.user);
  doc.settings.SetPassword(s.password);
  doc.settings.SetInterval(s.interval);
  doc.settings.SetSpeedLimit(s.speed_limit);
  for (const TaskFields& t : tasks) {
    TaskRecord& r = doc.tasks.emplace_back();
    r.SetName(t.name);
    r.SetSource(t.source);
    r.SetTarget(t.target);
  }
  return doc;
}

}  // namespace qv::test
