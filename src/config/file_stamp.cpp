#include "config/file_stamp.h"

#include <new>

// The whole of xxHash is compiled in here, so that nothing links against a library.
#define XXH_INLINE_ALL
#include <xxhash.h>

namespace qv {

StampDigest::StampDigest() : state_(XXH3_createState()) {
  if (state_ == nullptr) throw std::bad_alloc();
  XXH3_64bits_reset(static_cast<XXH3_state_t*>(state_));
}

StampDigest::~StampDigest() { XXH3_freeState(static_cast<XXH3_state_t*>(state_)); }

void StampDigest::Add(std::span<const std::uint8_t> bytes) {
  XXH3_64bits_update(static_cast<XXH3_state_t*>(state_), bytes.data(), bytes.size());
  size_ += bytes.size();
}

FileStamp StampDigest::Stamp() const {
  return {true, true, size_, XXH3_64bits_digest(static_cast<const XXH3_state_t*>(state_))};
}

}  // namespace qv
