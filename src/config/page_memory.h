#pragma once
// Whole pages for a memory stream, so that the loader can hand back what it has parsed of a large
// file while the tasks are still being copied out of it (Windows only).
#include <cstddef>
#include <cstdint>

#include "config/memory_stream.h"

namespace qv {

const StreamAllocator& PageStreamAllocator();

// Hands back the front of a block from PageStreamAllocator, page by page, as a reader moves on.
class PageDiscarder {
 public:
  explicit PageDiscarder(void* block) : block_(static_cast<std::uint8_t*>(block)) {}

  // No byte before `end` is needed any more: the whole pages before it are decommitted, and
  // touching them afterwards faults.
  void DiscardBefore(std::size_t end);

 private:
  std::uint8_t* block_;
  std::size_t discarded_ = 0;  // a multiple of the page size
};

}  // namespace qv
