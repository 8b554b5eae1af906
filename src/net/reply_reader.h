#pragma once
// Takes server replies apart as their bytes arrive. Bytes are fed in; values are taken out.
// kNeedMore means the bytes so far do not hold the whole value: feed more and ask again; it is
// not an error, and the work done so far is kept (a line search does not look at the same bytes
// twice, a listing keeps its count and the names already taken).
//
// Errors are sticky: after one, every call fails until Reset, and the buffered bytes are gone.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "net/name_list.h"

namespace qv {

enum class ReadStatus { kDone, kNeedMore, kFailed };

enum class ReplyError {
  kNone,
  kLineTooLong,      // more than the line limit's bytes before an LF
  kTooManyNames,     // a listing count above the limit
  kListingTooLarge,  // a listing's lines, with their CR and LF, above the byte limit
};

inline constexpr std::size_t kMaxLineLength = 16384;  // bytes before the LF, a CR included

// The editor keeps the defaults; the fuzz target makes them small so that they are reached.
struct ListingLimits {
  std::size_t max_line_length = kMaxLineLength;
  std::int32_t max_names = 1'000'000;
  std::size_t max_bytes = std::size_t{64} << 20;  // a listing's lines with their CR and LF
};

class ReplyReader {
 public:
  explicit ReplyReader(ListingLimits limits = {});
  void SetLimits(ListingLimits limits) { limits_ = limits; }

  void Feed(const void* data, std::size_t size);
  // Room for at least `size` more bytes, to be filled in place and then committed; lets a
  // socket read land in the buffer without a copy. While a listing is under way the room is at
  // the end of its name list, so that its lines are received where they are kept.
  char* PrepareFeed(std::size_t size);
  void CommitFeed(std::size_t size);

  // A big-endian int32.
  ReadStatus TakeInt32(std::int32_t& value);
  // One line without its LF and without one CR directly before the LF.
  ReadStatus TakeLine(std::string& line);
  // A count, then that many lines appended to `names` as they become whole. A count of zero
  // or less is an empty listing. Until it is done, fails or the reader is reset, the listing
  // keeps its unread bytes in `names`: keep the list alive meanwhile.
  ReadStatus TakeListing(NameList& names);

  // Empties the buffer and forgets the error and any listing under way.
  void Reset();

  ReplyError error() const { return error_; }
  std::size_t buffered() const;

 private:
  // The next line's extent: `length` bytes before the LF at begin_ + length.
  ReadStatus FindLine(std::size_t& length);
  // Moves the unread bytes into `names` / back out of it; see listing_.
  void LendTo(NameList& names);
  void TakeBack();
  // Drops whatever a listing under way had received beyond its last whole line.
  void DropListing();
  ReadStatus Fail(ReplyError error);

  ListingLimits limits_;
  std::unique_ptr<char[]> data_;
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0;  // first unread byte
  std::size_t end_ = 0;    // one past the last byte fed
  std::size_t scan_ = 0;   // bytes before this were searched for an LF without finding one
  ReplyError error_ = ReplyError::kNone;

  // A listing under way. Once its count is read, its unread bytes live at the end of the
  // name list's block (listing_.names set) rather than in data_, so that its lines are
  // received in place; taking an int or a line meanwhile brings them back.
  struct Listing {
    std::int64_t left = -1;  // lines still to come; -1 while no count is read
    std::size_t bytes = 0;   // the lines' bytes so far, CR and LF included
    NameList* names = nullptr;
    std::size_t line_start = 0;  // in the block: the first byte of the line to come
    std::size_t scan = 0;        // in the block: bytes before this hold no LF of that line
  } listing_;
};

}  // namespace qv
