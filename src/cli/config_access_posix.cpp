#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <span>
#include <vector>

#include "cli/config_access.h"
#include "config/config_file.h"

namespace qv::cli {
namespace {

std::string ErrnoText(int error) { return std::strerror(error); }

// Closes on every path out.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Close and report its error: a write may fail only at close on some file systems.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool ReadAll(int fd, std::vector<std::uint8_t>& out, std::string& error) {
  std::uint8_t buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      error = ErrnoText(errno);
      return false;
    }
    out.insert(out.end(), buffer, buffer + n);
  }
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

constexpr char kTempMark[] = ".qvconf-";
constexpr std::size_t kTempRandomLength = 6;  // the XXXXXX of mkstemp

bool IsAlphanumeric(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A temporary file that a save of ours left when it was killed: our name pattern, and empty or
// beginning with the signature our saves write first.
bool IsOurLeftover(int folder, const std::string& name, const std::string& base) {
  const std::string prefix = base + kTempMark;
  if (name.size() != prefix.size() + kTempRandomLength ||
      name.compare(0, prefix.size(), prefix) != 0) {
    return false;
  }
  for (std::size_t i = prefix.size(); i < name.size(); ++i) {
    if (!IsAlphanumeric(name[i])) return false;
  }
  Fd fd(::openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  struct stat info {};
  if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (info.st_size == 0) return true;
  char signature[sizeof kConfigSignature] = {};
  return ::read(fd.get(), signature, sizeof signature) == static_cast<ssize_t>(sizeof signature) &&
         std::memcmp(signature, kConfigSignature, sizeof signature) == 0;
}

void RemoveLeftovers(int folder, const std::string& base) {
  const int listing = ::dup(folder);
  if (listing < 0) return;
  DIR* entries = ::fdopendir(listing);
  if (entries == nullptr) {
    ::close(listing);
    return;
  }
  std::vector<std::string> leftovers;
  while (const dirent* entry = ::readdir(entries)) {
    if (IsOurLeftover(folder, entry->d_name, base)) leftovers.push_back(entry->d_name);
  }
  ::closedir(entries);
  for (const std::string& name : leftovers) ::unlinkat(folder, name.c_str(), 0);
}

class PosixConfigFile final : public ConfigAccess {
 public:
  explicit PosixConfigFile(std::string path) : path_(std::move(path)) {}

  std::string DisplayPath() const override { return path_; }

  LoadOutcome Load(ConfigDocument& doc) override {
    LoadOutcome outcome;
    struct stat info;
    if (::lstat(path_.c_str(), &info) != 0) {
      if (errno == ENOENT) return outcome;
      return Unreadable(ErrnoText(errno));
    }
    if (!S_ISREG(info.st_mode)) return Unreadable("not a regular file");
    Fd fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (fd.get() < 0) return Unreadable(ErrnoText(errno));
    std::vector<std::uint8_t> image;
    std::string error;
    try {
      if (!ReadAll(fd.get(), image, error)) return Unreadable(error);
      if (!ParseConfigImage(image, doc, &outcome.facts)) {
        outcome.status = FileStatus::kForeign;
        return outcome;
      }
    } catch (const std::bad_alloc&) {
      return Unreadable("not enough memory to load it");
    }
    outcome.status = outcome.facts.cut_at_bound ? FileStatus::kCut : FileStatus::kLoaded;
    return outcome;
  }

  SaveOutcome Save(const ConfigDocument& doc) override {
    const std::string cannot_create = "Cannot create file " + path_;
    mode_t mode = 0666;
    struct stat info;
    if (::lstat(path_.c_str(), &info) == 0) {
      if (!S_ISREG(info.st_mode)) return {false, cannot_create + ": not a regular file"};
      mode = info.st_mode & 07777;
    } else if (errno != ENOENT) {
      return {false, cannot_create + ": " + ErrnoText(errno)};
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      mode &= ~mask;
    }

    // A name of our own, made exclusively, so that no file of the user's is ever overwritten.
    std::string temp = path_ + ".qvconf-XXXXXX";
    Fd fd(::mkstemp(temp.data()));
    if (fd.get() < 0) return {false, cannot_create + ": " + ErrnoText(errno)};
    const std::vector<std::uint8_t> image = BuildConfigImage(doc);
    const bool written = ::fchmod(fd.get(), mode) == 0 &&
                         WriteAll(fd.get(), image.data(), image.size()) && ::fsync(fd.get()) == 0;
    const int write_error = errno;
    if (!fd.Close() || !written) {
      ::unlink(temp.c_str());
      return {false, "Stream write error: " + ErrnoText(written ? errno : write_error)};
    }
    if (::rename(temp.c_str(), path_.c_str()) != 0) {
      const int error = errno;
      ::unlink(temp.c_str());
      return {false, cannot_create + ": " + ErrnoText(error)};
    }
    // The rename itself reaches the disk only with the folder.
    Fd folder(::open(DirectoryOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) {
      ::fsync(folder.get());
      RemoveLeftovers(folder.get(), path_.substr(path_.rfind('/') + 1));
    }
    return {true, {}};
  }

 private:
  static LoadOutcome Unreadable(std::string error) {
    LoadOutcome outcome;
    outcome.status = FileStatus::kUnreadable;
    outcome.error = std::move(error);
    return outcome;
  }

  std::string path_;
};

}  // namespace

std::unique_ptr<ConfigAccess> OpenConfigAccess(const std::string& location, bool is_directory,
                                               std::string& error) {
  if (location.empty()) {
    error = "an empty path names no file";
    return nullptr;
  }
  std::string path = location;
  if (is_directory) {
    if (path.back() != '/') path += '/';
    path += kConfigFileName;
  } else if (path.back() == '/') {
    error = location + " names a folder; use --dir for a folder";
    return nullptr;
  }
  return std::make_unique<PosixConfigFile>(std::move(path));
}

std::string DefaultConfigDirectory() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return ".";
  path.resize(static_cast<std::size_t>(n));
  return DirectoryOf(path);
}

}  // namespace qv::cli
