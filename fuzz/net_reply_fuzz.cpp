// Feeds arbitrary bytes, in arbitrary pieces, to the reply reader and takes values out of it in
// an arbitrary order, checking what every taken value must satisfy.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/reply_reader.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

// Input: a control byte per step (low 2 bits: what to take; the rest: how many bytes to feed
// first), the bytes to feed following their control byte.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qv::ReplyReader reader(qv::ListingLimits{.max_names = 64, .max_bytes = 4096});
  std::vector<std::string> names;
  std::size_t i = 0;
  bool failed = false;
  while (i < size) {
    const std::uint8_t control = data[i++];
    std::size_t feed = control >> 2;
    if (feed > size - i) feed = size - i;
    reader.Feed(data + i, feed);
    i += feed;

    qv::ReadStatus status = qv::ReadStatus::kFailed;
    switch (control & 3) {
      case 0: {
        std::int32_t value = 0;
        status = reader.TakeInt32(value);
        break;
      }
      case 1: {
        std::string line;
        status = reader.TakeLine(line);
        if (status == qv::ReadStatus::kDone) {
          Check(line.size() <= qv::kMaxLineLength && line.find('\n') == std::string::npos);
        }
        break;
      }
      case 2: {
        const std::size_t before = names.size();
        status = reader.TakeListing(names);
        for (std::size_t n = before; n < names.size(); ++n) {
          Check(names[n].size() <= qv::kMaxLineLength);
          Check(names[n].find('\n') == std::string::npos);
        }
        Check(names.size() - before <= 64);
        if (status == qv::ReadStatus::kDone) names.clear();
        break;
      }
      case 3:
        reader.Reset();
        names.clear();
        failed = false;
        continue;
    }
    if (failed) Check(status == qv::ReadStatus::kFailed && reader.buffered() == 0);
    if (status == qv::ReadStatus::kFailed) {
      Check(reader.error() != qv::ReplyError::kNone);
      failed = true;
    }
  }
  return 0;
}
