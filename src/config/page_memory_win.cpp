#include "config/page_memory.h"

#include <windows.h>

namespace qv {
namespace {

void* PageAllocate(std::size_t size) {
  return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void PageRelease(void* block, std::size_t) { VirtualFree(block, 0, MEM_RELEASE); }

std::size_t PageSize() {
  static const std::size_t size = [] {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return static_cast<std::size_t>(info.dwPageSize);
  }();
  return size;
}

}  // namespace

const StreamAllocator& PageStreamAllocator() {
  static constexpr StreamAllocator kPages{PageAllocate, PageRelease};
  return kPages;
}

void PageDiscarder::DiscardBefore(std::size_t end) {
  const std::size_t page = PageSize();
  const std::size_t last = end / page * page;
  if (block_ == nullptr || last <= discarded_) return;
  VirtualFree(block_ + discarded_, last - discarded_, MEM_DECOMMIT);
  discarded_ = last;
}

}  // namespace qv
