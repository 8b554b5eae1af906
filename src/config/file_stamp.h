#pragma once
// What a program knows of CONFIGS.DAT as it last read or wrote it, so that a later save can tell
// whether another program changed the file in between. Equal bytes count as unchanged: a file
// written again with the same contents loses nobody's work, so its time is not compared.
#include <cstddef>
#include <cstdint>
#include <span>

namespace qv {

struct FileStamp {
  bool known = false;   // false: the file could not be read, so there is nothing to compare
  bool exists = false;
  std::uint64_t size = 0;
  std::uint64_t digest = 0;  // XXH3 (64 bits) over every byte

  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The digest of bytes given piece by piece, in the same pass that reads or writes them: how the
// bytes are split does not change it.
class StampDigest {
 public:
  StampDigest();
  ~StampDigest();
  StampDigest(const StampDigest&) = delete;
  StampDigest& operator=(const StampDigest&) = delete;

  void Add(std::span<const std::uint8_t> bytes);
  FileStamp Stamp() const;

 private:
  void* state_;  // XXH3_state_t, kept out of this header
  std::uint64_t size_ = 0;
};

inline FileStamp MissingFileStamp() { return {true, false, 0, 0}; }

// Whether `now` shows a change since `then`. A stamp that could not be taken shows none: the
// save that follows meets the same obstacle and says so.
inline bool ChangedSince(const FileStamp& then, const FileStamp& now) {
  return then.known && now.known && then != now;
}

}  // namespace qv
