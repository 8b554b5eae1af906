#include "config/memory_stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace qv {
namespace {

constexpr std::int64_t kMaxStreamSize = std::numeric_limits<std::int32_t>::max();

void* HeapAllocate(std::size_t size) { return std::malloc(size); }
void HeapRelease(void* block, std::size_t) { std::free(block); }

}  // namespace

bool Stream::SetSize(std::int64_t) { return false; }

const StreamAllocator& HeapStreamAllocator() {
  static constexpr StreamAllocator kHeap{HeapAllocate, HeapRelease};
  return kHeap;
}

MemoryStream::MemoryStream(const StreamAllocator& allocator) : allocator_(&allocator) {}

MemoryStream::~MemoryStream() {
  if (memory_ != nullptr) allocator_->release(memory_, capacity_);
}

bool MemoryStream::Reallocate(std::size_t capacity) {
  auto* fresh = static_cast<std::uint8_t*>(allocator_->allocate(capacity));
  if (fresh == nullptr) return false;
  if (memory_ != nullptr) {
    if (size_ > 0) std::memcpy(fresh, memory_, static_cast<std::size_t>(size_));
    allocator_->release(memory_, capacity_);
  }
  memory_ = fresh;
  capacity_ = capacity;
  return true;
}

bool MemoryStream::SetSize(std::int64_t new_size) {
  if (new_size < 0 || new_size > kMaxStreamSize) return false;
  const auto wanted = static_cast<std::size_t>(new_size);
  if (wanted > capacity_ && !Reallocate(wanted)) return false;
  if (new_size > size_) {
    std::memset(memory_ + size_, 0, static_cast<std::size_t>(new_size - size_));
  }
  size_ = static_cast<std::int32_t>(new_size);
  position_ = std::min(position_, size_);
  return true;
}

std::int32_t MemoryStream::Read(void* buffer, std::int32_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  const std::int32_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, memory_ + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int32_t MemoryStream::Write(const void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  const std::int64_t end = std::int64_t{position_} + count;
  if (end > kMaxStreamSize) return 0;
  const auto needed = static_cast<std::size_t>(end);
  if (needed > capacity_) {
    // Grow by half again, so that writing a file piece by piece copies it a few times at most.
    const std::size_t grown = std::max<std::size_t>(capacity_ + capacity_ / 2, 256);
    const auto limit = static_cast<std::size_t>(kMaxStreamSize);
    if (!Reallocate(std::min(std::max(needed, grown), limit))) return 0;
  }
  if (position_ > size_) {
    std::memset(memory_ + size_, 0, static_cast<std::size_t>(position_ - size_));
  }
  std::memcpy(memory_ + position_, buffer, static_cast<std::size_t>(count));
  position_ = static_cast<std::int32_t>(end);
  size_ = std::max(size_, position_);
  return count;
}

void TStrMemoryStream::WriteCString(std::string_view text) {
  if (!text.empty()) {
    Write(text.data(), static_cast<std::int32_t>(std::min<std::size_t>(text.size(), kMaxStreamSize)));
  }
  const std::uint8_t zero = 0;
  Write(&zero, 1);
}

std::string TStrMemoryStream::ReadCString() {
  std::size_t position = static_cast<std::size_t>(Position());
  const std::string_view text = qv::ReadCString(Bytes(), position);
  SetPosition(static_cast<std::int32_t>(position));
  return std::string(text);
}

std::string_view ReadCString(std::span<const std::uint8_t> bytes, std::size_t& position) {
  if (position >= bytes.size()) return {};
  const std::uint8_t* begin = bytes.data() + position;
  const std::size_t left = bytes.size() - position;
  const void* zero = std::memchr(begin, 0, left);
  const std::size_t n =
      zero != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - begin) : left;
  position += zero != nullptr ? n + 1 : n;
  return std::string_view(reinterpret_cast<const char*>(begin), n);
}

}  // namespace qv
