#include "config/config_file.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include "common/coding.h"
#include "config/memory_stream.h"

namespace qv {
namespace {

static_assert(kSettingsOffset == sizeof(kConfigSignature));
static_assert(kSettingsOffset + kSettingsRecordSize <= kRecordSizeOffset);
static_assert(kRecordSizeOffset + 4 == kTaskCountOffset);
static_assert(kTaskCountOffset + 4 == kFirstTaskOffset);

constexpr std::size_t kConsumedStep = std::size_t{1} << 20;

// Copies what the image holds of [offset, offset + size) to the start of `out`.
void CopyAvailable(std::span<const std::uint8_t> image, std::uint64_t offset, std::uint8_t* out,
                   std::size_t size) {
  if (offset >= image.size()) return;
  const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size, image.size() - offset));
  std::memcpy(out, image.data() + offset, n);
}

}  // namespace

std::vector<std::uint8_t> BuildConfigHeader(const ConfigDocument& doc) {
  TStrMemoryStream stream;
  stream.WriteCString(kConfigSignature);
  stream.Write(doc.settings.bytes.data(), kSettingsRecordSize);
  const std::uint8_t zeros[kRecordSizeOffset] = {};
  stream.Write(zeros, static_cast<std::int32_t>(kRecordSizeOffset) - stream.Size());
  std::uint8_t counts[8];
  PutLE32(counts, static_cast<std::int32_t>(kTaskRecordSize));
  PutLE32(counts + 4, static_cast<std::int32_t>(doc.tasks.size()));
  stream.Write(counts, sizeof counts);
  const std::span<const std::uint8_t> bytes = stream.Bytes();
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> BuildConfigImage(const ConfigDocument& doc) {
  std::vector<std::uint8_t> image = BuildConfigHeader(doc);
  image.reserve(kFirstTaskOffset + kTaskRecordSize * doc.tasks.size());
  for (const TaskRecord& task : doc.tasks) {
    image.insert(image.end(), task.bytes.begin(), task.bytes.end());
  }
  return image;
}

bool ParseConfigImage(std::span<const std::uint8_t> image, ConfigDocument& doc) {
  return ParseConfigImage(image, doc, {});
}

bool ParseConfigImage(std::span<const std::uint8_t> image, ConfigDocument& doc,
                      const std::function<void(std::size_t)>& consumed) {
  std::size_t position = 0;
  if (ReadCString(image, position) != std::string_view(kConfigSignature)) return false;

  SettingsRecord settings = SettingsRecord::Defaults();
  CopyAvailable(image, position, settings.bytes.data(), kSettingsRecordSize);

  std::uint8_t counts[8] = {};
  CopyAvailable(image, kRecordSizeOffset, counts, sizeof counts);
  const std::int64_t record_size = GetLE32(counts);
  const std::int64_t count = GetLE32(counts + 4);

  // Records start every R bytes; one that begins inside the image is held, even if cut short.
  // A record size of zero or less holds nothing.
  std::uint64_t held = 0;
  if (record_size > 0 && image.size() > kFirstTaskOffset) {
    const auto stride = static_cast<std::uint64_t>(record_size);
    held = (image.size() - kFirstTaskOffset + stride - 1) / stride;
  }
  std::uint64_t total = 0;
  if (count > 0) {
    total = std::min<std::uint64_t>(static_cast<std::uint64_t>(count),
                                    std::max<std::uint64_t>(held, kMaxPromisedTasks));
  }
  const std::uint64_t from_image = std::min(total, held);
  const std::size_t take =
      record_size > 0 ? static_cast<std::size_t>(std::min<std::int64_t>(record_size, kTaskRecordSize))
                      : 0;

  std::vector<TaskRecord> tasks;
  if (total > tasks.max_size()) throw std::bad_alloc();
  tasks.reserve(static_cast<std::size_t>(total));
  std::uint64_t offset = kFirstTaskOffset;
  std::uint64_t reported = 0;
  for (std::uint64_t i = 0; i < from_image; ++i) {
    CopyAvailable(image, offset, tasks.emplace_back().bytes.data(), take);
    offset += static_cast<std::uint64_t>(record_size);
    if (consumed && offset - reported >= kConsumedStep) {
      reported = std::min<std::uint64_t>(offset, image.size());
      consumed(static_cast<std::size_t>(reported));
    }
  }
  tasks.resize(static_cast<std::size_t>(total));

  doc.settings = settings;
  doc.tasks = std::move(tasks);
  return true;
}

}  // namespace qv
