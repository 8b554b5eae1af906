#include "net/reply_reader.h"

#include <algorithm>
#include <cstring>

#include "net/wire.h"

namespace qv {
namespace {

constexpr std::size_t kInitialCapacity = 4096;
// A listing's count reserves room for this many names at most; a larger count grows as lines
// really arrive, so a lying count costs no memory.
constexpr std::int64_t kMaxNamesReserved = 65536;

}  // namespace

ReplyReader::ReplyReader(ListingLimits limits) : limits_(limits) {}

char* ReplyReader::PrepareFeed(std::size_t size) {
  if (begin_ == end_) begin_ = end_ = scan_ = 0;
  if (capacity_ - end_ >= size) return data_.get() + end_;

  const std::size_t unread = end_ - begin_;
  // Moving the unread bytes down only when that frees at least half the buffer keeps the
  // copying in proportion to the bytes consumed.
  if (unread <= capacity_ / 2 && capacity_ - unread >= size) {
    std::memmove(data_.get(), data_.get() + begin_, unread);
  } else {
    std::size_t capacity = std::max({capacity_ * 2, unread + size, kInitialCapacity});
    auto data = std::make_unique_for_overwrite<char[]>(capacity);
    if (unread != 0) std::memcpy(data.get(), data_.get() + begin_, unread);
    data_ = std::move(data);
    capacity_ = capacity;
  }
  scan_ -= begin_;
  end_ = unread;
  begin_ = 0;
  return data_.get() + end_;
}

void ReplyReader::CommitFeed(std::size_t size) {
  if (error_ != ReplyError::kNone) return;
  end_ += std::min(size, capacity_ - end_);
}

void ReplyReader::Feed(const void* data, std::size_t size) {
  if (error_ != ReplyError::kNone || size == 0) return;
  std::memcpy(PrepareFeed(size), data, size);
  CommitFeed(size);
}

ReadStatus ReplyReader::TakeInt32(std::int32_t& value) {
  if (error_ != ReplyError::kNone) return ReadStatus::kFailed;
  if (end_ - begin_ < 4) return ReadStatus::kNeedMore;
  value = GetBE32(reinterpret_cast<const std::uint8_t*>(data_.get() + begin_));
  begin_ += 4;
  scan_ = std::max(scan_, begin_);
  return ReadStatus::kDone;
}

ReadStatus ReplyReader::FindLine(std::size_t& length) {
  if (error_ != ReplyError::kNone) return ReadStatus::kFailed;
  const char* base = data_.get();
  const void* lf = scan_ < end_ ? std::memchr(base + scan_, '\n', end_ - scan_) : nullptr;
  if (lf == nullptr) {
    scan_ = end_;
    if (end_ - begin_ > kMaxLineLength) return Fail(ReplyError::kLineTooLong);
    return ReadStatus::kNeedMore;
  }
  length = static_cast<std::size_t>(static_cast<const char*>(lf) - (base + begin_));
  if (length > kMaxLineLength) return Fail(ReplyError::kLineTooLong);
  return ReadStatus::kDone;
}

const char* ReplyReader::ConsumeLine(std::size_t& length) {
  const char* text = data_.get() + begin_;
  begin_ += length + 1;
  scan_ = begin_;
  if (length != 0 && text[length - 1] == '\r') --length;
  return text;
}

ReadStatus ReplyReader::TakeLine(std::string& line) {
  std::size_t length = 0;
  ReadStatus status = FindLine(length);
  if (status != ReadStatus::kDone) return status;
  const char* text = ConsumeLine(length);
  line.assign(text, length);
  return ReadStatus::kDone;
}

ReadStatus ReplyReader::TakeListing(std::vector<std::string>& names) {
  if (error_ != ReplyError::kNone) return ReadStatus::kFailed;
  if (listing_left_ < 0) {
    std::int32_t count = 0;
    ReadStatus status = TakeInt32(count);
    if (status != ReadStatus::kDone) return status;
    if (count > limits_.max_names) return Fail(ReplyError::kTooManyNames);
    listing_left_ = std::max<std::int32_t>(count, 0);
    listing_bytes_ = 0;
    names.reserve(names.size() + static_cast<std::size_t>(std::min(listing_left_, kMaxNamesReserved)));
  }
  while (listing_left_ > 0) {
    std::size_t length = 0;
    ReadStatus status = FindLine(length);
    if (status != ReadStatus::kDone) return status;
    listing_bytes_ += length + 1;
    if (listing_bytes_ > limits_.max_bytes) return Fail(ReplyError::kListingTooLarge);
    const char* text = ConsumeLine(length);
    names.emplace_back(text, length);
    --listing_left_;
  }
  listing_left_ = -1;
  return ReadStatus::kDone;
}

void ReplyReader::Reset() {
  begin_ = end_ = scan_ = 0;
  error_ = ReplyError::kNone;
  listing_left_ = -1;
  listing_bytes_ = 0;
}

ReadStatus ReplyReader::Fail(ReplyError error) {
  Reset();
  error_ = error;
  return ReadStatus::kFailed;
}

}  // namespace qv
