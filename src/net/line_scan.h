#pragma once
// Finding line ends fast: listings are mostly short lines, for which a memchr call per line
// costs more in its setup than in its search (and some C libraries search byte by byte). These
// look at 64 bytes a step with SSE2 where the processor has it, else at 8, and look at no byte
// twice.
#include <cstddef>
#include <cstdint>

namespace qv::line_scan {

// The offset of the first LF in data[from, to), or `to` when there is none.
std::size_t FindLf(const char* data, std::size_t from, std::size_t to);

// Writes the offsets of the first LFs in data[from, to), at most `max` of them, to `out` and
// gives how many. `stop` is one past the last of them when `max` were found, else `to`.
std::size_t CollectLfs(const char* data, std::size_t from, std::size_t to, std::uint32_t* out,
                       std::size_t max, std::size_t& stop);

}  // namespace qv::line_scan
