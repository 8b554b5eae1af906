#pragma once
// CONFIGS.DAT as bytes: the signature "RSYNCFG\0", the 140-byte settings, zeros up to 1024, the
// task record size (544 when we write), the task count, then the records in list order.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "config/document.h"

namespace qv {

inline constexpr char kConfigFileName[] = "CONFIGS.DAT";
inline constexpr std::size_t kSettingsOffset = 8;
inline constexpr std::size_t kRecordSizeOffset = 1024;
inline constexpr std::size_t kTaskCountOffset = 1028;
inline constexpr std::size_t kFirstTaskOffset = 1032;

// The whole file for the document's settings and tasks: 1032 + 544 * count bytes.
std::vector<std::uint8_t> BuildConfigImage(const ConfigDocument& doc);

// Fills `doc.settings` and `doc.tasks` from a file image. False, with nothing changed, when the
// signature is not "RSYNCFG"; the `modified` flag is left alone.
bool ParseConfigImage(std::span<const std::uint8_t> image, ConfigDocument& doc);

}  // namespace qv
