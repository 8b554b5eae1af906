// Feeds arbitrary bytes, in arbitrary pieces, to the reply reader and takes values out of it in
// an arbitrary order, under small limits chosen by the input so that over-long lines, too many
// names and too large listings are all reached. Every answer is compared with a plain model of
// the reading rules that keeps every byte and searches with std::string::find.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/coding.h"
#include "net/name_list.h"
#include "net/reply_reader.h"

namespace {

using qv::ReadStatus;

void Check(bool ok) {
  if (!ok) std::abort();
}

class Model {
 public:
  explicit Model(qv::ListingLimits limits) : limits_(limits) {}

  void Feed(const std::uint8_t* data, std::size_t size) {
    if (!failed_) bytes_.append(reinterpret_cast<const char*>(data), size);
  }
  std::size_t buffered() const { return bytes_.size() - pos_; }
  void Reset() {
    bytes_.clear();
    pos_ = 0;
    failed_ = false;
    left_ = -1;
    listing_bytes_ = 0;
  }

  ReadStatus TakeInt32(std::int32_t& value) {
    if (failed_) return ReadStatus::kFailed;
    if (buffered() < 4) return ReadStatus::kNeedMore;
    value = qv::GetBE32(reinterpret_cast<const std::uint8_t*>(bytes_.data() + pos_));
    pos_ += 4;
    return ReadStatus::kDone;
  }

  ReadStatus TakeLine(std::string& line) {
    std::size_t length = 0;
    const ReadStatus status = FindLine(length);
    if (status == ReadStatus::kDone) line = ConsumeLine(length);
    return status;
  }

  ReadStatus TakeListing(std::vector<std::string>& names) {
    if (failed_) return ReadStatus::kFailed;
    if (left_ < 0) {
      std::int32_t count = 0;
      const ReadStatus status = TakeInt32(count);
      if (status != ReadStatus::kDone) return status;
      if (count > limits_.max_names) return Fail();
      left_ = std::max(count, 0);
      listing_bytes_ = 0;
    }
    for (; left_ > 0; --left_) {
      std::size_t length = 0;
      const ReadStatus status = FindLine(length);
      if (status != ReadStatus::kDone) return status;
      listing_bytes_ += length + 1;
      if (listing_bytes_ > limits_.max_bytes) return Fail();
      names.push_back(ConsumeLine(length));
    }
    left_ = -1;
    return ReadStatus::kDone;
  }

 private:
  ReadStatus FindLine(std::size_t& length) {
    if (failed_) return ReadStatus::kFailed;
    const std::size_t lf = bytes_.find('\n', pos_);
    if (lf == std::string::npos) {
      return buffered() > limits_.max_line_length ? Fail() : ReadStatus::kNeedMore;
    }
    length = lf - pos_;
    return length > limits_.max_line_length ? Fail() : ReadStatus::kDone;
  }

  std::string ConsumeLine(std::size_t length) {
    std::string line = bytes_.substr(pos_, length);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos_ += length + 1;
    return line;
  }

  ReadStatus Fail() {
    Reset();
    failed_ = true;
    return ReadStatus::kFailed;
  }

  qv::ListingLimits limits_;
  std::string bytes_;
  std::size_t pos_ = 0;
  bool failed_ = false;
  std::int64_t left_ = -1;
  std::size_t listing_bytes_ = 0;
};

}  // namespace

// Input: two bytes of limits (line length 0..63 and names 0..7; listing bytes 0..255), then
// steps: a control byte (low 2 bits: what to take; the rest: how many bytes to feed first),
// followed by the bytes to feed.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const qv::ListingLimits limits{.max_line_length = std::size_t{data[0]} & 63,
                                 .max_names = data[0] >> 6 | (data[1] & 1) << 2,
                                 .max_bytes = std::size_t{data[1]}};
  qv::ReplyReader reader(limits);
  Model model(limits);
  qv::NameList names;
  std::vector<std::string> model_names;
  std::size_t i = 2;
  while (i < size) {
    const std::uint8_t control = data[i++];
    std::size_t feed = control >> 2;
    if (feed > size - i) feed = size - i;
    reader.Feed(data + i, feed);
    model.Feed(data + i, feed);
    i += feed;

    ReadStatus status = ReadStatus::kFailed;
    switch (control & 3) {
      case 0: {
        std::int32_t value = 0, expected = 0;
        status = reader.TakeInt32(value);
        Check(status == model.TakeInt32(expected));
        if (status == ReadStatus::kDone) Check(value == expected);
        break;
      }
      case 1: {
        std::string line, expected;
        status = reader.TakeLine(line);
        Check(status == model.TakeLine(expected));
        if (status == ReadStatus::kDone) Check(line == expected);
        break;
      }
      case 2: {
        status = reader.TakeListing(names);
        Check(status == model.TakeListing(model_names));
        Check(names.size() == model_names.size());
        for (std::size_t n = 0; n < names.size(); ++n) {
          Check(names[n] == model_names[n]);
          Check(names[n].size() <= limits.max_line_length);
        }
        Check(names.size() <= static_cast<std::size_t>(std::max(limits.max_names, 0)));
        if (status == ReadStatus::kDone) {
          names.clear();
          model_names.clear();
        }
        break;
      }
      case 3:
        reader.Reset();
        model.Reset();
        names.clear();
        model_names.clear();
        continue;
    }
    Check((status == ReadStatus::kFailed) == (reader.error() != qv::ReplyError::kNone));
    Check(reader.buffered() == model.buffered());
  }
  return 0;
}
