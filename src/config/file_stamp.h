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
  std::uint64_t digest = 0;  // FNV-1a over every byte

  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The digest of bytes given piece by piece.
class StampDigest {
 public:
  void Add(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) value_ = (value_ ^ byte) * 1099511628211ull;
    size_ += bytes.size();
  }
  FileStamp Stamp() const { return {true, true, size_, value_}; }

 private:
  std::uint64_t value_ = 14695981039346656037ull;
  std::uint64_t size_ = 0;
};

inline FileStamp MissingFileStamp() { return {true, false, 0, 0}; }

// Whether `now` shows a change since `then`. A stamp that could not be taken shows none: the
// save that follows meets the same obstacle and says so.
inline bool ChangedSince(const FileStamp& then, const FileStamp& now) {
  return then.known && now.known && then != now;
}

}  // namespace qv
