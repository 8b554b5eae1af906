#pragma once
// qvconf run in-process against real files in a folder of the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/host.h"
#include "config/config_file.h"
#include "config/document.h"

namespace qv::test {

class CaptureConsole final : public cli::Console {
 public:
  explicit CaptureConsole(std::string input = {}) : input_(std::move(input)) {}
  void Out(std::string_view utf8) override { out.append(utf8); }
  void Err(std::string_view utf8) override { err.append(utf8); }
  std::optional<std::string> ReadInput() override { return input_; }

  std::string out, err;

 private:
  std::string input_;
};

struct RunResult {
  int code;
  std::string out, err;
};

inline std::string Utf8Path(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
  if (size < 0) return {};
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> AsBytes(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

// A fresh folder per test, removed afterwards.
class QvconfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    dir_ = std::filesystem::temp_directory_path() /
           ("qvconf-test-" + std::to_string(stamp) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  const std::filesystem::path& dir() const { return dir_; }
  std::filesystem::path config() const { return dir_ / "CONFIGS.DAT"; }
  std::vector<std::uint8_t> ConfigBytes() const { return ReadBytes(config()); }
  void WriteConfig(const std::vector<std::uint8_t>& bytes) const { WriteBytes(config(), bytes); }

  // qvconf --dir <the folder> --code-page 1252 ARGS...
  RunResult Run(const std::vector<std::string>& args, const std::string& input = {}) const {
    return RunIn(dir_, args, input);
  }
  static RunResult RunIn(const std::filesystem::path& folder, const std::vector<std::string>& args,
                         const std::string& input = {}) {
    std::vector<std::string> all{"qvconf", "--dir", Utf8Path(folder), "--code-page", "1252"};
    all.insert(all.end(), args.begin(), args.end());
    CaptureConsole console(input);
    const int code = cli::RunQvconf(all, console);
    return {code, console.out, console.err};
  }

  // What the loader makes of the folder's CONFIGS.DAT.
  ConfigDocument Loaded() const {
    ConfigDocument doc;
    EXPECT_TRUE(ParseConfigImage(ConfigBytes(), doc));
    return doc;
  }

  // The names in the folder, to see that nothing was left behind or touched.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      names.push_back(Utf8Path(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path dir_;
};

}  // namespace qv::test
