// ParseConfigImage on arbitrary bytes: it must stay inside the input (the sanitizers watch), keep
// the task count bounded and every text inside its field, and read back exactly what
// BuildConfigImage writes of its result.
//
// An input whose first byte is odd is laid out behind a valid signature and header instead, so
// that random bytes reach the record size and the records: its next four bytes are the record
// size, the one after them the count (a small one, to keep each run cheap), the rest the data.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>
#include <vector>

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

  qv::ConfigDocument doc;
  try {
    if (!qv::ParseConfigImage(image, doc)) return 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (doc.tasks.size() > std::max<std::size_t>(image.size(), qv::kMaxPromisedTasks)) std::abort();
  for (const qv::TaskRecord& task : doc.tasks) {
    if (task.Name().size() > 31 || task.Source().size() > 255 || task.Target().size() > 255) {
      std::abort();
    }
  }

  const std::vector<std::uint8_t> rebuilt = qv::BuildConfigImage(doc);
  if (rebuilt.size() != qv::kFirstTaskOffset + qv::kTaskRecordSize * doc.tasks.size()) std::abort();
  qv::ConfigDocument again;
  if (!qv::ParseConfigImage(rebuilt, again)) std::abort();
  if (again.settings.bytes != doc.settings.bytes || again.tasks.size() != doc.tasks.size()) {
    std::abort();
  }
  for (std::size_t i = 0; i < doc.tasks.size(); ++i) {
    if (again.tasks[i].bytes != doc.tasks[i].bytes) std::abort();
  }
  return 0;
}
