#pragma once
// A list of names kept end to end in one byte block, with the offset of each name's end: a
// listing of a million folders costs two growing allocations instead of a million small ones,
// and the names are read as views into the block.
//
// The block holds the names as listing lines, each ended by an LF, with a CR before the LF
// where the line had one (a name that itself ends in CR is stored with one more CR). That lets
// the reply reader receive a listing straight into the block, line ends and all, and only
// record where each line ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string_view>
#include <utility>

namespace qv {

class NameList {
 public:
  // Offsets are 32-bit: a listing is held far below 4 GiB by the reader's limits.
  using Offset = std::uint32_t;

  NameList() = default;
  NameList(std::initializer_list<std::string_view> names);
  NameList(NameList&& other) noexcept { *this = std::move(other); }
  NameList& operator=(NameList&& other) noexcept;
  NameList(const NameList& other);
  NameList& operator=(const NameList& other);

  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  // Bytes of the block, line ends included.
  std::size_t ByteSize() const { return size_; }

  // The view stays valid until the list is next changed.
  std::string_view operator[](std::size_t i) const {
    const Offset begin = i == 0 ? 0 : ends_.get()[i - 1] + 1;
    Offset end = ends_.get()[i];
    if (end != begin && bytes_[end - 1] == '\r') --end;
    return std::string_view(bytes_ + begin, end - begin);
  }

  // Throws std::length_error when the block would pass 4 GiB, std::bad_alloc without memory.
  void Append(std::string_view name);
  void Reserve(std::size_t names, std::size_t bytes);
  void clear() {
    size_ = 0;
    count_ = 0;
  }

  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;

    Iterator() = default;
    std::string_view operator*() const { return (*list_)[index_]; }
    Iterator& operator++() {
      ++index_;
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++index_;
      return before;
    }
    bool operator==(const Iterator& other) const { return index_ == other.index_; }

   private:
    friend class NameList;
    Iterator(const NameList* list, std::size_t index) : list_(list), index_(index) {}
    const NameList* list_ = nullptr;
    std::size_t index_ = 0;
  };
  using value_type = std::string_view;
  using iterator = Iterator;
  using const_iterator = Iterator;
  Iterator begin() const { return Iterator(this, 0); }
  Iterator end() const { return Iterator(this, size()); }

  // Equal names in the same order; how their lines ended does not count.
  friend bool operator==(const NameList& a, const NameList& b);

 private:
  friend class ReplyReader;

  struct Free {
    void operator()(void* p) const { std::free(p); }
  };
  template <typename T>
  static void Regrow(std::unique_ptr<T, Free>& block, std::size_t& capacity, std::size_t wanted);

  // Room for `more` bytes after the block's end, for the caller to fill and then count in
  // with Commit; the block may move.
  char* Grow(std::size_t more);
  void Commit(std::size_t bytes) { size_ += bytes; }
  // Drops the bytes from `size` on.
  void Truncate(std::size_t size) { size_ = size; }
  char* data() { return bytes_; }
  // Room for `lines` more line ends, to be filled in place and counted in with CommitLineEnds.
  Offset* LineEndSlots(std::size_t lines);
  void CommitLineEnds(std::size_t lines) { count_ += lines; }

  // The names' bytes start half a page into a page of `block_`: the system copies a received
  // block into place much slower when the destination stands just past the source's offset in
  // its page (4 KiB aliasing), and received data mostly sits at the start of its pages.
  std::unique_ptr<char, Free> block_;
  char* bytes_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  // The offset of each name's LF in the block; grown with realloc, which can move a large block
  // by remapping its pages instead of copying.
  std::unique_ptr<Offset, Free> ends_;
  std::size_t count_ = 0;
  std::size_t ends_capacity_ = 0;
};

}  // namespace qv
