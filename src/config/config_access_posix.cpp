#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <thread>
#include <new>
#include <span>
#include <vector>

#include "config/config_access.h"
#include "config/config_file.h"

namespace qv {
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
  void Release() { fd_ = -1; }
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

// The Windows edge's scheme: CONFIGS.DAT.~qv<16 hex digits>.tmp, a name no one types, so a save
// may remove what a stopped one left without touching a file an administrator named.
constexpr char kTempMark[] = ".~qv";
constexpr char kTempSuffix[] = ".tmp";
constexpr std::size_t kTempDigits = 16;

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsOurLeftover(int folder, const std::string& name, const std::string& base) {
  const std::string prefix = base + kTempMark;
  const std::size_t suffix_length = sizeof kTempSuffix - 1;
  if (name.size() != prefix.size() + kTempDigits + suffix_length ||
      name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - suffix_length, suffix_length, kTempSuffix) != 0) {
    return false;
  }
  for (std::size_t i = prefix.size(); i < prefix.size() + kTempDigits; ++i) {
    if (!IsHexDigit(name[i])) return false;
  }
  struct stat info {};
  return ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode);
}

// Saves run one at a time (see LockForEdit), so whatever matches is left by a run that stopped.
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

// Creates path + ".~qv<16 hex>.tmp" exclusively; -1 with errno set when no name could be made.
int CreateTempFile(const std::string& path, std::string& temp) {
  static std::mt19937_64 random{std::random_device{}() ^
                                (static_cast<std::uint64_t>(::getpid()) << 32)};
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::uint64_t token = random();
    char digits[kTempDigits + 1];
    for (std::size_t i = 0; i < kTempDigits; ++i) {
      digits[i] = "0123456789abcdef"[(token >> (4 * (kTempDigits - 1 - i))) & 0xF];
    }
    digits[kTempDigits] = '\0';
    temp = path + kTempMark + digits + kTempSuffix;
    const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

constexpr auto kLockWait = std::chrono::seconds(60);

class PosixConfigFile final : public ConfigAccess {
 public:
  explicit PosixConfigFile(std::string path) : path_(std::move(path)) {}
  ~PosixConfigFile() override {
    if (lock_ >= 0) ::close(lock_);
  }
  PosixConfigFile(const PosixConfigFile&) = delete;
  PosixConfigFile& operator=(const PosixConfigFile&) = delete;

  // The folder itself is locked: CONFIGS.DAT is replaced by each save, and a lock file would be
  // a write that a run which ends up changing nothing should not make.
  bool LockForEdit(std::string& error) override {
    if (lock_ >= 0) return true;
    Fd folder(::open(DirectoryOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) {
      // A missing folder holds nothing to protect; the save says why it cannot be written.
      if (errno == ENOENT || errno == ENOTDIR) return true;
      error = "its folder cannot be opened to wait for other runs: " + ErrnoText(errno);
      return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    while (::flock(folder.get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) {
        error = "cannot wait for other runs on it: " + ErrnoText(errno);
        return false;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        error = "another run kept it busy for " +
                std::to_string(std::chrono::seconds(kLockWait).count()) +
                " seconds; nothing was changed";
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    lock_ = folder.get();
    folder.Release();
    return true;
  }

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
        outcome.status = LoadStatus::kForeign;
        return outcome;
      }
    } catch (const std::bad_alloc&) {
      return Unreadable("not enough memory to load it");
    }
    outcome.status = outcome.facts.cut_at_bound ? LoadStatus::kCut : LoadStatus::kLoaded;
    return outcome;
  }

  SaveOutcome Save(const ConfigDocument& doc) override {
    const std::string cannot_create = "Cannot create file " + path_;
    mode_t mode = 0666;
    bool replacing = false;
    struct stat info;
    if (::lstat(path_.c_str(), &info) == 0) {
      if (!S_ISREG(info.st_mode)) return {false, cannot_create + ": not a regular file"};
      mode = info.st_mode & 07777;
      replacing = true;
      // Like Windows' read-only attribute: nobody may write it, so it is not replaced.
      if ((mode & 0222) == 0) return {false, cannot_create + ": the file is read-only"};
    } else if (errno != ENOENT) {
      return {false, cannot_create + ": " + ErrnoText(errno)};
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      mode &= ~mask;
    }

    // A name of our own, made exclusively, so that no file of the user's is ever overwritten.
    std::string temp;
    Fd fd(CreateTempFile(path_, temp));
    if (fd.get() < 0) return {false, cannot_create + ": " + ErrnoText(errno)};
    const std::vector<std::uint8_t> image = BuildConfigImage(doc);
    // The owner stays where this user may give the file to it (root, or a group of ours); the
    // mode always stays, and is set after, as a change of owner clears set-id bits.
    if (replacing && ::fchown(fd.get(), info.st_uid, info.st_gid) != 0) {
      (void)::fchown(fd.get(), static_cast<uid_t>(-1), info.st_gid);
    }
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
    outcome.status = LoadStatus::kUnreadable;
    outcome.error = std::move(error);
    return outcome;
  }

  std::string path_;
  int lock_ = -1;
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

}  // namespace qv
