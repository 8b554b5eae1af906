#include "net/reply_reader.h"

#include <algorithm>
#include <cstring>

#include "common/coding.h"
#include "net/line_scan.h"

namespace qv {
namespace {

constexpr std::size_t kInitialCapacity = 4096;
// A listing's count reserves room for this many names at most; a larger count grows as lines
// really arrive, so a lying count costs no memory.
constexpr std::int64_t kMaxNamesReserved = 65536;

}  // namespace

ReplyReader::ReplyReader(ListingLimits limits) : limits_(limits) {}

std::size_t ReplyReader::buffered() const {
  std::size_t unread = end_ - begin_;
  if (listing_.names != nullptr) unread += listing_.names->ByteSize() - listing_.line_start;
  return unread;
}

char* ReplyReader::PrepareFeed(std::size_t size) {
  if (listing_.names != nullptr) return listing_.names->Grow(size);
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
  if (listing_.names != nullptr) {
    NameList& names = *listing_.names;
    names.Commit(std::min(size, names.capacity_ - names.size_));
    return;
  }
  end_ += std::min(size, capacity_ - end_);
}

void ReplyReader::Feed(const void* data, std::size_t size) {
  if (error_ != ReplyError::kNone || size == 0) return;
  std::memcpy(PrepareFeed(size), data, size);
  CommitFeed(size);
}

ReadStatus ReplyReader::TakeInt32(std::int32_t& value) {
  if (error_ != ReplyError::kNone) return ReadStatus::kFailed;
  if (listing_.names != nullptr) TakeBack();
  if (end_ - begin_ < 4) return ReadStatus::kNeedMore;
  value = GetBE32(reinterpret_cast<const std::uint8_t*>(data_.get() + begin_));
  begin_ += 4;
  scan_ = std::max(scan_, begin_);
  return ReadStatus::kDone;
}

ReadStatus ReplyReader::FindLine(std::size_t& length) {
  if (error_ != ReplyError::kNone) return ReadStatus::kFailed;
  if (listing_.names != nullptr) TakeBack();
  const std::size_t lf = line_scan::FindLf(data_.get(), scan_, end_);
  if (lf == end_) {
    scan_ = end_;
    if (end_ - begin_ > limits_.max_line_length) return Fail(ReplyError::kLineTooLong);
    return ReadStatus::kNeedMore;
  }
  length = lf - begin_;
  if (length > limits_.max_line_length) return Fail(ReplyError::kLineTooLong);
  return ReadStatus::kDone;
}

ReadStatus ReplyReader::TakeLine(std::string& line) {
  std::size_t length = 0;
  const ReadStatus status = FindLine(length);
  if (status != ReadStatus::kDone) return status;
  const char* text = data_.get() + begin_;
  begin_ += length + 1;
  scan_ = begin_;
  if (length != 0 && text[length - 1] == '\r') --length;
  line.assign(text, length);
  return ReadStatus::kDone;
}

void ReplyReader::LendTo(NameList& names) {
  const std::size_t unread = end_ - begin_;
  const std::size_t start = names.ByteSize();
  if (unread != 0) {
    std::memcpy(names.Grow(unread), data_.get() + begin_, unread);
    names.Commit(unread);
  }
  listing_.names = &names;
  listing_.line_start = start;
  listing_.scan = start + (scan_ > begin_ ? scan_ - begin_ : 0);
  begin_ = end_ = scan_ = 0;
}

void ReplyReader::TakeBack() {
  NameList& names = *listing_.names;
  const std::size_t tail = names.ByteSize() - listing_.line_start;
  const std::size_t scanned = listing_.scan - listing_.line_start;
  listing_.names = nullptr;
  if (tail != 0) {
    std::memcpy(PrepareFeed(tail), names.data() + listing_.line_start, tail);
    end_ += tail;
  }
  scan_ = begin_ + scanned;
  names.Truncate(listing_.line_start);
}

ReadStatus ReplyReader::TakeListing(NameList& names) {
  if (error_ != ReplyError::kNone) return ReadStatus::kFailed;
  if (listing_.names != nullptr && listing_.names != &names) TakeBack();
  if (listing_.left < 0) {
    std::int32_t count = 0;
    const ReadStatus status = TakeInt32(count);
    if (status != ReadStatus::kDone) return status;
    if (count > limits_.max_names) return Fail(ReplyError::kTooManyNames);
    if (count <= 0) return ReadStatus::kDone;
    listing_.left = count;
    listing_.bytes = 0;
    names.Reserve(names.size() + static_cast<std::size_t>(std::min(listing_.left, kMaxNamesReserved)),
                  0);
  }
  if (listing_.names == nullptr) LendTo(names);

  // The LFs in the bytes not yet looked at end lines; each is checked against the limits in
  // order. No more are taken than the listing has lines left.
  const std::size_t room = static_cast<std::size_t>(std::min<std::int64_t>(
      listing_.left, static_cast<std::int64_t>(names.ByteSize() - listing_.scan)));
  NameList::Offset* ends = names.LineEndSlots(room);
  std::size_t stop = listing_.scan;
  const std::size_t found =
      line_scan::CollectLfs(names.data(), listing_.scan, names.ByteSize(), ends, room, stop);
  ReplyError error = ReplyError::kNone;
  std::size_t line_start = listing_.line_start;
  std::size_t bytes = listing_.bytes;
  std::size_t taken = 0;
  for (; taken < found; ++taken) {
    const std::size_t length = ends[taken] - line_start;
    bytes += length + 1;
    if (length > limits_.max_line_length) {
      error = ReplyError::kLineTooLong;
      break;
    }
    if (bytes > limits_.max_bytes) {
      error = ReplyError::kListingTooLarge;
      break;
    }
    line_start = ends[taken] + std::size_t{1};
  }
  names.CommitLineEnds(taken);
  listing_.line_start = line_start;
  listing_.bytes = bytes;
  listing_.left -= static_cast<std::int64_t>(taken);
  const bool done = listing_.left == 0;
  if (error != ReplyError::kNone) return Fail(error);
  listing_.scan = stop;
  if (done) {
    // What follows the last line belongs to the next reply.
    TakeBack();
    listing_ = Listing{};
    return ReadStatus::kDone;
  }
  if (names.ByteSize() - listing_.line_start > limits_.max_line_length) {
    return Fail(ReplyError::kLineTooLong);
  }
  return ReadStatus::kNeedMore;
}

void ReplyReader::DropListing() {
  if (listing_.names != nullptr) listing_.names->Truncate(listing_.line_start);
  listing_ = Listing{};
}

void ReplyReader::Reset() {
  DropListing();
  begin_ = end_ = scan_ = 0;
  error_ = ReplyError::kNone;
}

ReadStatus ReplyReader::Fail(ReplyError error) {
  Reset();
  error_ = error;
  return ReadStatus::kFailed;
}

}  // namespace qv
