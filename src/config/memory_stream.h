#pragma once
// Byte streams: the abstract base shared with the file streams, and the growable memory stream in
// which CONFIGS.DAT is built and parsed.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qv {

class Stream {
 public:
  virtual ~Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // False when the stream cannot take that size; the base cannot, and does nothing.
  virtual bool SetSize(std::int64_t new_size);
  // Each transfers at most `count` bytes and returns how many: 0 on failure, never negative.
  virtual std::int32_t Read(void* buffer, std::int32_t count) = 0;
  virtual std::int32_t Write(const void* buffer, std::int32_t count) = 0;

 protected:
  Stream() = default;
};

// Where a memory stream keeps its bytes: the heap, unless a test needs an allocation to fail.
struct StreamAllocator {
  void* (*allocate)(std::size_t size);  // nullptr when it cannot
  void (*release)(void* block, std::size_t size);
};
const StreamAllocator& HeapStreamAllocator();

// One contiguous buffer, a size and a position. A write past the end enlarges the stream; a read
// takes at most the bytes between the position and the size. Sizes are signed 32-bit counts.
class MemoryStream : public Stream {
 public:
  explicit MemoryStream(const StreamAllocator& allocator = HeapStreamAllocator());
  ~MemoryStream() override;

  // Sizes the buffer once to exactly this many bytes when it grows; the new bytes are zero. A
  // position past the new end moves to it. False, with nothing changed, when the size is
  // negative, above 2^31 - 1, or cannot be allocated.
  bool SetSize(std::int64_t new_size) override;
  std::int32_t Read(void* buffer, std::int32_t count) override;
  // Zeros fill any gap between the end and a position set beyond it.
  std::int32_t Write(const void* buffer, std::int32_t count) override;

  std::int32_t Size() const { return size_; }
  std::int32_t Position() const { return position_; }
  // Any position from 0 on, also past the end; a negative one is taken as 0.
  void SetPosition(std::int32_t position) { position_ = position < 0 ? 0 : position; }
  std::uint8_t* Memory() { return memory_; }
  const std::uint8_t* Memory() const { return memory_; }
  std::span<const std::uint8_t> Bytes() const {
    return {memory_, static_cast<std::size_t>(size_)};
  }

 private:
  bool Reallocate(std::size_t capacity);

  const StreamAllocator* allocator_;
  std::uint8_t* memory_ = nullptr;
  std::size_t capacity_ = 0;
  std::int32_t size_ = 0;
  std::int32_t position_ = 0;
};

class TStrMemoryStream : public MemoryStream {
 public:
  using MemoryStream::MemoryStream;

  // The text's bytes and one zero byte, at the position; an empty text writes the zero byte alone.
  void WriteCString(std::string_view text);
  // The bytes from the position up to the first zero byte, or up to the end when there is none;
  // the position moves past the zero byte (or to the end). At or past the end: an empty text, and
  // the position stays.
  std::string ReadCString();
};

// The same reading over plain bytes, from `position`, which it moves in the same way.
std::string_view ReadCString(std::span<const std::uint8_t> bytes, std::size_t& position);

}  // namespace qv
