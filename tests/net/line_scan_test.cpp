#include "net/line_scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace qv::test {
namespace {

// Every LF offset in text[from, to), the plain way.
std::vector<std::uint32_t> LfsIn(const std::string& text, std::size_t from, std::size_t to) {
  std::vector<std::uint32_t> lfs;
  for (std::size_t i = from; i < to; ++i) {
    if (text[i] == '\n') lfs.push_back(static_cast<std::uint32_t>(i));
  }
  return lfs;
}

// Bytes that look like LF to a careless word trick (0x0A with neighbours 0x8A, 0x0B, 0x09,
// 0x00, 0xFF) at every alignment of every block width, and every range within them.
TEST(LineScan, FindsEveryLfInEveryRange) {
  std::mt19937 rng(7);
  const char kBytes[] = {'\n', '\n', 'a', '\x8A', '\x0B', '\x09', '\0', '\xFF', '\r'};
  std::string text(200, 'x');
  for (char& c : text) c = kBytes[rng() % sizeof kBytes];
  for (std::size_t from = 0; from < 80; ++from) {
    for (std::size_t to = from; to <= text.size(); ++to) {
      const std::vector<std::uint32_t> expected = LfsIn(text, from, to);
      for (std::size_t max : {std::size_t{1}, std::size_t{3}, expected.size(), text.size()}) {
        std::vector<std::uint32_t> out(text.size() + 1, 0);
        std::size_t stop = 12345;
        const std::size_t found = line_scan::CollectLfs(text.data(), from, to, out.data(), max, stop);
        const std::size_t want = std::min(max, expected.size());
        ASSERT_EQ(found, want) << from << ".." << to << " max " << max;
        out.resize(found);
        ASSERT_EQ(out, std::vector<std::uint32_t>(expected.begin(), expected.begin() + want));
        const std::size_t want_stop = max != 0 && want == max && want != 0 ? expected[want - 1] + 1
                                      : max == 0                      ? from
                                                                      : to;
        ASSERT_EQ(stop, want_stop) << from << ".." << to << " max " << max;
      }
      ASSERT_EQ(line_scan::FindLf(text.data(), from, to), expected.empty() ? to : expected[0]);
    }
  }
}

}  // namespace
}  // namespace qv::test
