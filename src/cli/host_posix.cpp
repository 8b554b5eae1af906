#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cli/host.h"
#include "config/config_store.h"
#include "i18n/ui_strings.h"

namespace qv::cli {
namespace {

void WriteFd(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

bool ReadFd(int fd, std::string& content) {
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

void SystemConsole::Out(std::string_view utf8) { WriteFd(STDOUT_FILENO, utf8); }
void SystemConsole::Err(std::string_view utf8) { WriteFd(STDERR_FILENO, utf8); }

std::optional<std::string> SystemConsole::ReadInput() {
  std::string content;
  if (!ReadFd(STDIN_FILENO, content)) return std::nullopt;
  return content;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

bool ReadWholeFile(const std::string& path, std::string& content, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  const bool ok = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode) && ReadFd(fd, content);
  if (!ok) error = path + ": " + (S_ISDIR(info.st_mode) ? "is a folder" : std::strerror(errno));
  ::close(fd);
  return ok;
}

bool WriteWholeFile(const std::string& path, std::string_view content, std::string& error) {
  const SaveResult result = WriteProtectedFile(
      path, {reinterpret_cast<const std::uint8_t*>(content.data()), content.size()});
  if (!result.ok) error = path + ": " + (result.reason.empty() ? result.error : result.reason);
  return result.ok;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat one {}, two {};
  if (::stat(a.c_str(), &one) == 0 && ::stat(b.c_str(), &two) == 0) {
    return one.st_dev == two.st_dev && one.st_ino == two.st_ino;
  }
  std::error_code error;
  const std::filesystem::path x = std::filesystem::weakly_canonical(a, error);
  if (error) return false;
  const std::filesystem::path y = std::filesystem::weakly_canonical(b, error);
  return !error && x == y;
}

bool IsReadOnlyFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0;
}


std::string NewTaskStem(unsigned code_page) {
  return TableFor(ChooseLanguage(0, code_page)).texts[kUiNewTaskStem];
}

}  // namespace qv::cli
