#pragma once
// What qvconf needs from the system besides CONFIGS.DAT: the console, its arguments in UTF-8,
// JSON files by UTF-8 path, and the stem of new task names as the editor picks it.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::cli {

class Console {
 public:
  virtual ~Console() = default;
  virtual void Out(std::string_view utf8) = 0;
  virtual void Err(std::string_view utf8) = 0;
  // All of standard input, or none when it cannot be read.
  virtual std::optional<std::string> ReadInput() = 0;
};

// Standard output and error: UTF-16 to a Windows console, UTF-8 bytes otherwise.
class SystemConsole final : public Console {
 public:
  void Out(std::string_view utf8) override;
  void Err(std::string_view utf8) override;
  std::optional<std::string> ReadInput() override;
};

// The program's arguments in UTF-8, the program's name first (on Windows from the UTF-16
// command line, since argv holds only what the ANSI code page can spell).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

bool ReadWholeFile(const std::string& path, std::string& content, std::string& error);
// Replaces the file with `content` by way of a temporary file beside it.
bool WriteWholeFile(const std::string& path, std::string_view content, std::string& error);

// Whether two paths name one file: the same file where both exist, otherwise the same name in the
// same folder, spelt as the system spells names (letter case aside on Windows).
bool SameFile(const std::string& a, const std::string& b);
// An existing file nobody may write (Windows' read-only attribute, or no write permission bits).
bool IsReadOnlyFile(const std::string& path);

// The stem AddTask gets, in the editor's language: chosen on Windows as the editor chooses it,
// elsewhere by the code page (936 Simplified Chinese, 950 Traditional, others English).
std::string NewTaskStem(unsigned code_page);

}  // namespace qv::cli
