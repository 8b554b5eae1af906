// Stand-in for libFuzzer where it is not available: feeds the target the seed files named on the
// command line, then a deterministic series of inputs (random lengths and bytes, and mutations of
// seeds and earlier inputs), so the target still runs under the sanitizers in every test run.
// Usage: target RUNS [SEED_FILE_OR_FOLDER...]
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Input = std::vector<std::uint8_t>;

void AddSeed(const std::filesystem::path& path, std::vector<Input>& seeds) {
  if (!std::filesystem::exists(path)) return;
  if (std::filesystem::is_directory(path)) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(path)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());  // the same order on every machine
    for (const auto& file : files) AddSeed(file, seeds);
    return;
  }
  std::ifstream in(path, std::ios::binary);
  seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  const long runs = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
  std::vector<Input> seeds;
  for (int i = 2; i < argc; ++i) AddSeed(argv[i], seeds);
  for (const Input& seed : seeds) LLVMFuzzerTestOneInput(seed.data(), seed.size());

  std::mt19937 rng(12345);
  Input previous;
  for (long i = 0; i < runs; ++i) {
    Input input;
    const Input& base = !seeds.empty() && rng() % 2 == 0 ? seeds[rng() % seeds.size()] : previous;
    if (!base.empty() && rng() % 3 != 0) {
      input = base;
      const unsigned edits = 1 + rng() % 8;
      for (unsigned e = 0; e < edits; ++e) {
        const auto at = rng() % input.size();
        switch (rng() % 3) {
          case 0: input[at] = static_cast<std::uint8_t>(rng()); break;
          case 1: input.insert(input.begin() + static_cast<std::ptrdiff_t>(at), input[at]); break;
          default: input.erase(input.begin() + static_cast<std::ptrdiff_t>(at)); break;
        }
        if (input.empty()) break;
      }
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
  std::printf("replayed %zu seeds and %ld inputs\n", seeds.size(), runs);
  return 0;
}
