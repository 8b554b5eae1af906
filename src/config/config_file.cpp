#include "config/config_file.h"

#include <algorithm>
#include <cstring>
#include <limits>
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
static_assert(ConfigFileSize(1) == kFirstTaskOffset + kTaskRecordSize);
// The empty tasks a damaged count may add must fit the slack on their own.
static_assert(kMaxPromisedTasks * kTaskRecordSize <= kTaskMemorySlack);

constexpr std::size_t kConsumedStep = std::size_t{1} << 20;

// Copies what `bytes` holds of [offset, offset + size) to the start of `out`.
void CopyAvailable(std::span<const std::uint8_t> bytes, std::uint64_t offset, std::uint8_t* out,
                   std::size_t size) {
  if (offset >= bytes.size()) return;
  const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size, bytes.size() - offset));
  std::memcpy(out, bytes.data() + offset, n);
}

class SpanSource : public ImageSource {
 public:
  SpanSource(std::span<const std::uint8_t> image,
             const std::function<void(std::size_t)>* consumed = nullptr)
      : image_(image), consumed_(consumed) {}

  std::uint64_t Size() const override { return image_.size(); }
  bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) override {
    // Reads move forward only: nothing before a read's start is wanted again.
    if (consumed_ != nullptr && *consumed_ && offset >= reported_ + kConsumedStep) {
      reported_ = static_cast<std::size_t>(offset);
      (*consumed_)(reported_);
    }
    std::memcpy(out, image_.data() + offset, size);
    return true;
  }
  void Finish() {
    if (consumed_ != nullptr && *consumed_ && reported_ < image_.size()) {
      (*consumed_)(image_.size());
    }
  }

 private:
  std::span<const std::uint8_t> image_;
  const std::function<void(std::size_t)>* consumed_;
  std::size_t reported_ = 0;
};

struct TaskPlan {
  std::size_t from_data = 0;  // records the data holds, wholly or in part
  std::size_t tasks = 0;      // tasks to make, within the bound
};

TaskPlan PlanTasks(std::uint64_t file_size, std::int64_t record_size, std::int64_t count,
                   const ImageLimits& limits) {
  TaskPlan plan;
  if (count <= 0) return plan;
  // Records start every R bytes; one that begins inside the data is held, even if cut short.
  // A record size of zero or less holds nothing.
  std::uint64_t held = 0;
  if (record_size > 0 && file_size > kFirstTaskOffset) {
    const auto stride = static_cast<std::uint64_t>(record_size);
    held = (file_size - kFirstTaskOffset + stride - 1) / stride;
  }
  const auto declared = static_cast<std::uint64_t>(count);
  const std::uint64_t total = std::min<std::uint64_t>(
      declared, std::max<std::uint64_t>(held, limits.promised_tasks));
  const std::uint64_t bound =
      (2 * file_size + std::uint64_t{limits.task_memory_slack}) / kTaskRecordSize;
  const std::uint64_t addressable = std::numeric_limits<std::size_t>::max() / kTaskRecordSize;
  plan.from_data = static_cast<std::size_t>(std::min({declared, held, addressable}));
  plan.tasks = static_cast<std::size_t>(std::min({total, bound, addressable}));
  return plan;
}

// As many of `wanted` zeroed tasks as memory gives, halving on each refusal: a file is cut
// rather than dropped when memory runs short.
std::vector<TaskRecord> AllocateTasks(std::size_t wanted) {
  std::vector<TaskRecord> tasks;
  for (std::size_t n = std::min(wanted, tasks.max_size()); n > 0; n /= 2) {
    try {
      tasks.resize(n);
      break;
    } catch (const std::bad_alloc&) {
    }
  }
  return tasks;
}

bool InPlace(std::int64_t record_size) {
  return record_size == static_cast<std::int64_t>(kTaskRecordSize);
}

// The buffer that records of another size are read through; taken before the tasks, which may
// then have whatever memory is left.
std::vector<std::uint8_t> ReadWindow(std::uint64_t file_size, std::int64_t record_size,
                                     std::size_t records, std::size_t read_window) {
  if (records == 0 || InPlace(record_size)) return {};
  return std::vector<std::uint8_t>(static_cast<std::size_t>(std::min<std::uint64_t>(
      std::max(read_window, kTaskRecordSize), file_size - kFirstTaskOffset)));
}

// Fills the first `count` tasks from records of `record_size` bytes.
bool FillTasks(ImageSource& source, std::int64_t record_size, std::vector<std::uint8_t>& window,
               std::vector<TaskRecord>& tasks, std::size_t count) {
  if (count == 0) return true;
  const std::uint64_t size = source.Size();
  if (InPlace(record_size)) {
    // The records on disk are the records in memory: one read straight into them.
    const auto bytes = static_cast<std::size_t>(
        std::min<std::uint64_t>(std::uint64_t{count} * kTaskRecordSize, size - kFirstTaskOffset));
    return source.ReadAt(kFirstTaskOffset, reinterpret_cast<std::uint8_t*>(tasks.data()), bytes);
  }
  const auto stride = static_cast<std::uint64_t>(record_size);
  const std::uint64_t take = std::min<std::uint64_t>(stride, kTaskRecordSize);
  std::uint64_t window_start = 0, window_end = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t offset = kFirstTaskOffset + i * stride;
    const std::uint64_t available = std::min(take, size - offset);
    if (offset < window_start || offset + available > window_end) {
      // Short records share a window; a long record needs only its first bytes.
      const std::uint64_t wanted = stride < window.size() ? window.size() : available;
      const std::uint64_t length = std::min<std::uint64_t>(size - offset, wanted);
      if (!source.ReadAt(offset, window.data(), static_cast<std::size_t>(length))) return false;
      window_start = offset;
      window_end = offset + length;
    }
    std::memcpy(tasks[i].bytes.data(), window.data() + (offset - window_start),
                static_cast<std::size_t>(available));
  }
  return true;
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

ImageOutcome ReadConfigImage(ImageSource& source, ConfigDocument& doc, const ImageLimits& limits,
                             ImageReport* report) {
  ImageReport local;
  ImageReport& r = report != nullptr ? *report : local;
  r = ImageReport{};

  const std::uint64_t size = source.Size();
  std::uint8_t head[kFirstTaskOffset] = {};
  const auto head_size = static_cast<std::size_t>(std::min<std::uint64_t>(size, sizeof head));
  if (head_size > 0 && !source.ReadAt(0, head, head_size)) return ImageOutcome::kReadError;
  const std::span<const std::uint8_t> header(head, head_size);

  std::size_t position = 0;
  if (ReadCString(header, position) != std::string_view(kConfigSignature)) {
    return ImageOutcome::kForeign;
  }
  r.signature_ok = true;
  SettingsRecord settings = SettingsRecord::Defaults();
  CopyAvailable(header, position, settings.bytes.data(), kSettingsRecordSize);
  // Bytes the file lacks stay zero; the whole head buffer started zeroed.
  r.record_size = GetLE32(head + kRecordSizeOffset);
  r.declared_count = GetLE32(head + kTaskCountOffset);

  const TaskPlan plan = PlanTasks(size, r.record_size, r.declared_count, limits);
  std::vector<std::uint8_t> window =
      ReadWindow(size, r.record_size, plan.from_data, limits.read_window);
  std::vector<TaskRecord> tasks = AllocateTasks(plan.tasks);
  const std::size_t filled = std::min(tasks.size(), plan.from_data);
  if (!FillTasks(source, r.record_size, window, tasks, filled)) {
    return ImageOutcome::kReadError;
  }

  r.file_size = size;
  if (size > kFirstTaskOffset) {
    const std::uint64_t covered =
        r.declared_count > 0 && r.record_size > 0
            ? std::uint64_t{static_cast<std::uint32_t>(r.declared_count)} *
                  static_cast<std::uint32_t>(r.record_size)
            : 0;
    const std::uint64_t data = size - kFirstTaskOffset;
    r.bytes_after_records = data > covered ? data - covered : 0;
  }
  r.filler_not_zero =
      std::any_of(head + kSettingsOffset + kSettingsRecordSize, head + kRecordSizeOffset,
                  [](std::uint8_t b) { return b != 0; });
  r.records_in_data = plan.from_data;
  r.tasks_loaded = tasks.size();
  r.cut_at_bound = filled < plan.from_data;
  doc.settings = settings;
  doc.tasks = std::move(tasks);
  return ImageOutcome::kLoaded;
}

bool ParseConfigImage(std::span<const std::uint8_t> image, ConfigDocument& doc,
                      ImageReport* report) {
  return ParseConfigImage(image, doc, ImageLimits{}, report);
}

bool ParseConfigImage(std::span<const std::uint8_t> image, ConfigDocument& doc,
                      const ImageLimits& limits, ImageReport* report) {
  SpanSource source(image);
  return ReadConfigImage(source, doc, limits, report) == ImageOutcome::kLoaded;
}

bool ParseConfigImage(std::span<const std::uint8_t> image, ConfigDocument& doc,
                      const std::function<void(std::size_t)>& consumed) {
  SpanSource source(image, &consumed);
  const bool loaded = ReadConfigImage(source, doc, ImageLimits{}, nullptr) == ImageOutcome::kLoaded;
  source.Finish();
  return loaded;
}

}  // namespace qv
