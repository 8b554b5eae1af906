#include "net/name_list.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace qv {
namespace {

constexpr std::size_t kMinCapacity = 4096;
constexpr std::size_t kMaxBytes = std::numeric_limits<NameList::Offset>::max();

// Doubling from a small start, stopping at `limit`; never less than `wanted`.
std::size_t GrownCapacity(std::size_t capacity, std::size_t wanted, std::size_t limit) {
  std::size_t grown = std::max(kMinCapacity, capacity);
  while (grown < wanted) grown = grown > limit / 2 ? limit : grown * 2;
  return grown;
}

}  // namespace

NameList::NameList(std::initializer_list<std::string_view> names) {
  for (std::string_view name : names) Append(name);
}

NameList::NameList(const NameList& other) {
  if (other.size_ != 0) {
    std::memcpy(Grow(other.size_), other.bytes_, other.size_);
    Commit(other.size_);
  }
  if (other.count_ != 0) {
    std::memcpy(LineEndSlots(other.count_), other.ends_.get(), other.count_ * sizeof(Offset));
    CommitLineEnds(other.count_);
  }
}

NameList& NameList::operator=(NameList&& other) noexcept {
  if (this != &other) {
    block_ = std::move(other.block_);
    bytes_ = std::exchange(other.bytes_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    ends_ = std::move(other.ends_);
    count_ = std::exchange(other.count_, 0);
    ends_capacity_ = std::exchange(other.ends_capacity_, 0);
  }
  return *this;
}

NameList& NameList::operator=(const NameList& other) {
  if (this != &other) *this = NameList(other);
  return *this;
}

bool operator==(const NameList& a, const NameList& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

template <typename T>
void NameList::Regrow(std::unique_ptr<T, Free>& block, std::size_t& capacity, std::size_t wanted) {
  constexpr std::size_t limit =
      std::min(kMaxBytes, std::numeric_limits<std::size_t>::max() / sizeof(T));
  if (wanted > limit) throw std::length_error("NameList: too large");
  const std::size_t grown = GrownCapacity(capacity, wanted, limit);
  void* moved = std::realloc(block.get(), grown * sizeof(T));
  if (moved == nullptr) throw std::bad_alloc();
  (void)block.release();
  block.reset(static_cast<T*>(moved));
  capacity = grown;
}

char* NameList::Grow(std::size_t more) {
  if (more > kMaxBytes - size_) throw std::length_error("NameList: more than 4 GiB");
  if (capacity_ - size_ < more) {
    constexpr std::size_t kPage = 4096;
    constexpr std::size_t kPlacement = kPage / 2;
    const std::size_t grown = GrownCapacity(capacity_, size_ + more, kMaxBytes);
    auto* raw = static_cast<char*>(std::malloc(grown + kPage));
    if (raw == nullptr) throw std::bad_alloc();
    char* bytes = raw + ((kPlacement - reinterpret_cast<std::uintptr_t>(raw)) & (kPage - 1));
    if (size_ != 0) std::memcpy(bytes, bytes_, size_);
    block_.reset(raw);
    bytes_ = bytes;
    capacity_ = grown;
  }
  return bytes_ + size_;
}

NameList::Offset* NameList::LineEndSlots(std::size_t lines) {
  // A line takes at least its LF, so there are never more line ends than bytes.
  if (lines > kMaxBytes - count_) throw std::length_error("NameList: more than 4 Gi names");
  if (ends_capacity_ - count_ < lines) Regrow(ends_, ends_capacity_, count_ + lines);
  return ends_.get() + count_;
}

void NameList::Append(std::string_view name) {
  const bool ends_in_cr = !name.empty() && name.back() == '\r';
  char* at = Grow(name.size() + (ends_in_cr ? 2 : 1));
  if (!name.empty()) std::memcpy(at, name.data(), name.size());
  at += name.size();
  if (ends_in_cr) *at++ = '\r';
  *at = '\n';
  size_ = static_cast<std::size_t>(at - bytes_) + 1;
  *LineEndSlots(1) = static_cast<Offset>(size_ - 1);
  CommitLineEnds(1);
}

void NameList::Reserve(std::size_t names, std::size_t bytes) {
  if (names > count_) LineEndSlots(names - count_);
  if (bytes > size_) Grow(bytes - size_);
}

}  // namespace qv
