#pragma once
// CONFIGS.DAT as bytes: the signature "RSYNCFG\0", the 140-byte settings, zeros up to 1024, the
// task record size (544 when we write), the task count, then the records in list order.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "config/document.h"

namespace qv {

inline constexpr char kConfigFileName[] = "CONFIGS.DAT";
inline constexpr char kConfigSignature[] = "RSYNCFG";
inline constexpr std::size_t kSettingsOffset = 8;
inline constexpr std::size_t kRecordSizeOffset = 1024;
inline constexpr std::size_t kTaskCountOffset = 1028;
inline constexpr std::size_t kFirstTaskOffset = 1032;
// A damaged count is believed only this far for records beyond the data: every record the file
// holds is loaded, and empty ones are added only while the list is shorter than this.
inline constexpr std::size_t kMaxPromisedTasks = 65536;

// The first 1032 bytes of the file: everything but the task records.
std::vector<std::uint8_t> BuildConfigHeader(const ConfigDocument& doc);

// The whole file for the document's settings and tasks: 1032 + 544 * count bytes.
std::vector<std::uint8_t> BuildConfigImage(const ConfigDocument& doc);

// Fills `doc.settings` and `doc.tasks` from a file image. False, with nothing changed, when the
// signature is not "RSYNCFG"; the `modified` flag is left alone.
// Only bytes inside the image are read: what the image lacks stays zero (the settings keep their
// defaults there), a record size R above 544 skips each record's tail, one below fills the
// missing fields with zeros. Throws std::bad_alloc (nothing changed) when the tasks cannot be
// held.
bool ParseConfigImage(std::span<const std::uint8_t> image, ConfigDocument& doc);

// The same single pass, calling `consumed(n)` as it moves on: it will not read the image bytes
// before n again, so the caller may hand their memory back.
bool ParseConfigImage(std::span<const std::uint8_t> image, ConfigDocument& doc,
                      const std::function<void(std::size_t)>& consumed);

}  // namespace qv
