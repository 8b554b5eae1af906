// Stand-in for libFuzzer where it is not available: feeds the target a deterministic series of
// inputs (random lengths and bytes, plus mutations of earlier inputs) so the target still runs
// under the sanitizers in every test run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  const long runs = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
  std::mt19937 rng(12345);
  std::vector<std::uint8_t> previous;
  for (long i = 0; i < runs; ++i) {
    std::vector<std::uint8_t> input;
    if (!previous.empty() && rng() % 2 == 0) {
      input = previous;
      const unsigned edits = 1 + rng() % 8;
      for (unsigned e = 0; e < edits; ++e) input[rng() % input.size()] = static_cast<std::uint8_t>(rng());
      if (rng() % 4 == 0) input.resize(rng() % (input.size() + 1));
    } else {
      // Mostly short inputs, sometimes a few kilobytes.
      const std::size_t size = rng() % 8 == 0 ? rng() % 8192 : rng() % 64;
      input.resize(size);
      for (auto& b : input) b = static_cast<std::uint8_t>(rng() % 4 == 0 ? rng() % 4 : rng());
    }
    LLVMFuzzerTestOneInput(input.data(), input.size());
    previous = std::move(input);
  }
  std::printf("replayed %ld inputs\n", runs);
  return 0;
}
