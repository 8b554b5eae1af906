#include "net/line_scan.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(__i386__)
#include <emmintrin.h>
#define QV_LINE_SCAN_SSE2 1
#endif

namespace qv::line_scan {
namespace {

// The top bit of every byte of `word` that is LF, and of no other byte.
inline std::uint64_t LfBits(std::uint64_t word) {
  constexpr std::uint64_t kOnes = ~std::uint64_t{0} / 0xFF;
  constexpr std::uint64_t kLow7 = kOnes * 0x7F;
  const std::uint64_t x = word ^ (kOnes * '\n');
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

inline std::uint64_t LoadWord(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

std::size_t CollectWords(const char* data, std::size_t from, std::size_t to, std::uint32_t* out,
                         std::size_t max, std::size_t& stop) {
  std::size_t found = 0;
  std::size_t pos = from;
  for (; found < max && to - pos >= 8; pos += 8) {
    for (std::uint64_t bits = LfBits(LoadWord(data + pos)); bits != 0; bits &= bits - 1) {
      const std::size_t lf = pos + static_cast<std::size_t>(std::countr_zero(bits)) / 8;
      out[found] = static_cast<std::uint32_t>(lf);
      if (++found == max) {
        stop = lf + 1;
        return found;
      }
    }
  }
  for (; found < max && pos < to; ++pos) {
    if (data[pos] == '\n') {
      out[found++] = static_cast<std::uint32_t>(pos);
      if (found == max) {
        stop = pos + 1;
        return found;
      }
    }
  }
  stop = to;
  return found;
}

#ifdef QV_LINE_SCAN_SSE2
// A bit for each LF among the 16 bytes at `p`.
__attribute__((target("sse2"), always_inline)) inline std::uint64_t LfBits16(const char* p) {
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n'))));
}

// 64 bytes per step: four compares folded into one mask keep the branches few.
__attribute__((target("sse2"))) std::size_t CollectSse2(const char* data, std::size_t from,
                                                        std::size_t to, std::uint32_t* out,
                                                        std::size_t max, std::size_t& stop) {
  std::size_t found = 0;
  std::size_t pos = from;
  for (; found < max && to - pos >= 64; pos += 64) {
    std::uint64_t bits = LfBits16(data + pos) | LfBits16(data + pos + 16) << 16 |
                         LfBits16(data + pos + 32) << 32 | LfBits16(data + pos + 48) << 48;
    for (; bits != 0; bits &= bits - 1) {
      const std::size_t lf = pos + static_cast<std::size_t>(std::countr_zero(bits));
      out[found] = static_cast<std::uint32_t>(lf);
      if (++found == max) {
        stop = lf + 1;
        return found;
      }
    }
  }
  return found + CollectWords(data, pos, to, out + found, max - found, stop);
}

bool HaveSse2() {
#ifdef __SSE2__
  return true;
#else
  static const bool have = __builtin_cpu_supports("sse2");
  return have;
#endif
}
#endif

}  // namespace

std::size_t CollectLfs(const char* data, std::size_t from, std::size_t to, std::uint32_t* out,
                       std::size_t max, std::size_t& stop) {
  if (max == 0 || from >= to) {
    stop = from;
    return 0;
  }
#ifdef QV_LINE_SCAN_SSE2
  if (HaveSse2()) return CollectSse2(data, from, to, out, max, stop);
#endif
  return CollectWords(data, from, to, out, max, stop);
}

std::size_t FindLf(const char* data, std::size_t from, std::size_t to) {
  // Offsets are 32-bit, so a longer stretch is searched in parts.
  constexpr std::size_t kPart = std::size_t{1} << 30;
  for (std::size_t start = from; start < to; start += kPart) {
    const std::size_t length = to - start < kPart ? to - start : kPart;
    std::uint32_t lf = 0;
    std::size_t stop = 0;
    if (CollectLfs(data + start, 0, length, &lf, 1, stop) == 1) return start + lf;
  }
  return to;
}

}  // namespace qv::line_scan
