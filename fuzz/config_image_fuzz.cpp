// ParseConfigImage on arbitrary bytes: it must stay inside the input (the sanitizers watch), keep
// the tasks within the memory bound, fill each task from its record exactly as the file rules say
// (checked byte by byte against the input), report what it did, and read back exactly what
// BuildConfigImage writes of its result.
//
// The first byte chooses the layout and the limits: an odd one lays the rest out behind a valid
// signature and header (its next four bytes are the record size, the one after them the count's
// low byte, the rest the data), so that random bytes reach the records; its upper bits choose
// how many empty tasks a count may promise and the window records are read through, both small
// so that each input stays cheap and the bound and the window's refills are reached; its top bit
// makes one of the first reads fail.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>
#include <vector>

#include "common/coding.h"
#include "config/config_file.h"

namespace {

std::vector<std::uint8_t> BehindAHeader(std::span<const std::uint8_t> input) {
  std::vector<std::uint8_t> image(qv::kFirstTaskOffset, 0);
  std::memcpy(image.data(), "RSYNCFG", 8);
  const std::size_t head = std::min<std::size_t>(input.size(), 5);
  std::memcpy(image.data() + qv::kRecordSizeOffset, input.data(), std::min<std::size_t>(head, 4));
  if (head == 5) image[qv::kTaskCountOffset] = input[4];
  image.insert(image.end(), input.begin() + static_cast<std::ptrdiff_t>(head), input.end());
  return image;
}

// Memory whose n-th read fails, as a file's can.
class FailingSource : public qv::ImageSource {
 public:
  FailingSource(std::span<const std::uint8_t> image, int failing) : image_(image), left_(failing) {}
  std::uint64_t Size() const override { return image_.size(); }
  bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) override {
    if (left_-- == 0) return false;
    std::memcpy(out, image_.data() + offset, size);
    return true;
  }

 private:
  std::span<const std::uint8_t> image_;
  int left_;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

// The bytes a task must hold: record t's first min(R, 544) bytes as far as the image has them,
// zeros after; an empty task past the data.
void CheckTask(const qv::TaskRecord& task, std::span<const std::uint8_t> image, std::int64_t r,
               std::size_t t, bool from_data) {
  for (std::size_t k = 0; k < qv::kTaskRecordSize; ++k) {
    std::uint8_t expected = 0;
    if (from_data && static_cast<std::int64_t>(k) < r) {
      const std::uint64_t at = qv::kFirstTaskOffset + t * static_cast<std::uint64_t>(r) + k;
      if (at < image.size()) expected = image[static_cast<std::size_t>(at)];
    }
    Check(task.bytes[k] == expected);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> rest(data + 1, size - 1);
  std::vector<std::uint8_t> image;
  if (data[0] % 2 == 1) {
    image = BehindAHeader(rest);
  } else {
    image.assign(rest.begin(), rest.end());
  }
  qv::ImageLimits limits;
  limits.promised_tasks = (data[0] >> 1) & 0x1F;
  limits.task_memory_slack = 16 * qv::kTaskRecordSize;
  limits.read_window = data[0] & 0x40 ? 600 : 5000;

  qv::ConfigDocument doc;
  qv::ImageReport report;
  bool loaded = false;
  try {
    if (data[0] & 0x80) {
      // A read fails part-way: nothing may change.
      doc.settings.SetHost("stale");
      doc.tasks.resize(1);
      FailingSource source(image, static_cast<int>(size % 3));
      const qv::ImageOutcome outcome = qv::ReadConfigImage(source, doc, limits, &report);
      if (outcome != qv::ImageOutcome::kLoaded) {
        Check(doc.settings.Host() == "stale" && doc.tasks.size() == 1);
        return 0;
      }
      loaded = true;
    } else {
      loaded = qv::ParseConfigImage(image, doc, limits, &report);
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  Check(loaded == report.signature_ok);
  if (!loaded) {
    Check(doc.tasks.empty() && report.tasks_loaded == 0);
    return 0;
  }

  const std::size_t bound = (2 * image.size() + limits.task_memory_slack) / qv::kTaskRecordSize;
  Check(doc.tasks.size() == report.tasks_loaded);
  Check(doc.tasks.size() <= bound);
  Check(report.cut_at_bound == (doc.tasks.size() < report.records_in_data));
  Check(doc.tasks.size() <= std::max<std::size_t>(report.records_in_data, limits.promised_tasks));
  if (image.size() >= qv::kTaskCountOffset + 4) {
    Check(report.record_size == qv::GetLE32(image.data() + qv::kRecordSizeOffset));
    Check(report.declared_count == qv::GetLE32(image.data() + qv::kTaskCountOffset));
  }
  for (std::size_t t = 0; t < doc.tasks.size(); ++t) {
    CheckTask(doc.tasks[t], image, report.record_size, t, t < report.records_in_data);
  }

  const std::vector<std::uint8_t> rebuilt = qv::BuildConfigImage(doc);
  Check(rebuilt.size() == qv::kFirstTaskOffset + qv::kTaskRecordSize * doc.tasks.size());
  qv::ConfigDocument again;
  Check(qv::ParseConfigImage(rebuilt, again));
  Check(again.settings.bytes == doc.settings.bytes && again.tasks.size() == doc.tasks.size());
  for (std::size_t i = 0; i < doc.tasks.size(); ++i) Check(again.tasks[i].bytes == doc.tasks[i].bytes);
  return 0;
}
