// The store's POSIX edge, for qvconf on Linux: the system calls behind LoadConfig, SaveConfig and
// the edit turn, with the promises the Windows edge keeps.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "config/config_store.h"
#include "config/config_store_steps.h"

namespace qv {
namespace {

using store_detail::TurnBusyText;

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Reads an open file in place with pread, so that records go straight into the tasks.
class FdSource : public ImageSource {
 public:
  FdSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) override {
    while (size > 0) {
      const ssize_t n = ::pread(fd_, out, std::min<std::size_t>(size, std::size_t{1} << 30),
                                static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n == 0) errno = EIO;  // the file shrank under us
        return false;
      }
      out += n;
      offset += static_cast<std::uint64_t>(n);
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
  std::uint64_t size_;
};

// Opened as the loader opens it: the file itself, never through a link, and only a regular one.
int OpenForReading(const std::string& path, struct stat& info) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return -1;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int error = S_ISREG(info.st_mode) ? errno : EINVAL;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

bool Inspect(const std::string& target, FileProtection& out) {
  struct stat info {};
  if (::lstat(target.c_str(), &info) != 0) return errno == ENOENT;
  if (!S_ISREG(info.st_mode)) {
    errno = EINVAL;
    return false;
  }
  // Like Windows' read-only attribute: nobody may write it, so it is not replaced; nor is a file
  // this account may not write, though its folder would let a rename replace it.
  if ((info.st_mode & 0222) == 0) {
    out.read_only = true;
    errno = EACCES;
    return false;
  }
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return false;
  out.replacing = true;
  out.mode = info.st_mode & 07777;
  out.uid = info.st_uid;
  out.gid = info.st_gid;
  return true;
}

// Made owner-only (0600 within the umask) and given the old file's owner and mode before any
// byte is written, so the bytes are never readable by more accounts than the old file allowed.
int CreateProtected(const std::string& path, const FileProtection& protection) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return -1;
  bool ok = true;
  if (protection.replacing) {
    if (::fchown(fd, protection.uid, protection.gid) != 0) {
      // The owner stays where this account may give the file to it (root, or a group of ours).
      if (protection.keep_owner) {
        ok = false;
      } else {
        (void)::fchown(fd, static_cast<uid_t>(-1), protection.gid);
      }
    }
    // After the owner: a change of owner clears set-id bits.
    ok = ok && ::fchmod(fd, protection.mode) == 0;
  } else if (!protection.owner_only) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ok = ::fchmod(fd, 0666 & ~mask) == 0;
  }
  if (!ok) {
    const int error = errno;
    ::close(fd);
    ::unlink(path.c_str());
    errno = error;
    return -1;
  }
  return fd;
}

std::vector<std::string> Leftovers(const ConfigLocation& location) {
  const std::string& folder = location.folder;
  std::vector<std::string> found;
  DIR* entries = ::opendir(folder.empty() ? "." : folder.c_str());
  if (entries == nullptr) return found;
  while (const dirent* entry = ::readdir(entries)) {
    if (!IsSaveFileName(entry->d_name, location.name)) continue;
    struct stat info {};
    const std::string path = folder + entry->d_name;
    if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) found.push_back(entry->d_name);
  }
  ::closedir(entries);
  return found;
}

}  // namespace

std::uint32_t LastSystemError() { return static_cast<std::uint32_t>(errno); }
void SetLastSystemError(std::uint32_t code) { errno = static_cast<int>(code); }
std::string SystemErrorText(std::uint32_t code) { return std::strerror(static_cast<int>(code)); }
std::string PathText(const std::string& path) { return path; }

SaveSteps SaveSteps::Platform() {
  SaveSteps steps;
  steps.inspect = Inspect;
  steps.create = [](const std::string& path, const FileProtection& protection) {
    return static_cast<FileHandle>(CreateProtected(path, protection));
  };
  steps.write = [](FileHandle file, const std::uint8_t* data, std::size_t size,
                   std::size_t& written) {
    for (;;) {
      const ssize_t n = ::write(static_cast<int>(file), data, size);
      if (n < 0 && errno == EINTR) continue;
      written = n > 0 ? static_cast<std::size_t>(n) : 0;
      return n >= 0;
    }
  };
  steps.flush = [](FileHandle file) { return ::fsync(static_cast<int>(file)) == 0; };
  // A write may fail only at close on some file systems.
  steps.close = [](FileHandle file) { return ::close(static_cast<int>(file)) == 0; };
  steps.move = [](const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) return false;
    // The rename itself reaches the disk only with the folder.
    const int folder = ::open(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
      ::fsync(folder);
      ::close(folder);
    }
    return true;
  };
  steps.remove = [](const std::string& path) { return ::unlink(path.c_str()) == 0; };
  steps.leftovers = Leftovers;
  return steps;
}

LoadResult LoadConfig(const ConfigLocation& location, ConfigDocument& doc) {
  return LoadConfigWith(location, doc, [](std::uint32_t) {});
}

// No share modes here to wait out, so the loader never pauses.
LoadResult LoadConfigWith(const ConfigLocation& location, ConfigDocument& doc,
                          const PauseFunction&) {
  LoadResult result;
  const std::string path = location.path();
  struct stat info {};
  const int fd = OpenForReading(path, info);
  if (fd < 0) {
    if (errno == ENOENT) {
      result.stamp = MissingFileStamp();
      return result;
    }
    result.status = LoadStatus::kUnreadable;
    result.system_error = static_cast<std::uint32_t>(errno);
    result.reason = errno == ELOOP || errno == EINVAL ? "not a regular file"
                                                      : SystemErrorText(result.system_error);
  } else {
    FdSource source(fd, static_cast<std::uint64_t>(info.st_size));
    store_detail::LoadFromSource(source, doc, result);
    ::close(fd);
  }
  result.loss = JudgeLoad(result.status, result.report);
  return result;
}

FileStamp ReadFileStamp(const ConfigLocation& location) {
  struct stat info {};
  const int fd = OpenForReading(location.path(), info);
  if (fd < 0) return errno == ENOENT ? MissingFileStamp() : FileStamp{};
  FdSource source(fd, static_cast<std::uint64_t>(info.st_size));
  store_detail::StampingSource stamping(source);
  const FileStamp stamp = stamping.Finish();
  ::close(fd);
  return stamp;
}

// The folder itself is locked, which every spelling of it shares: CONFIGS.DAT is replaced by
// each save, and a lock file would be a write that a run which changes nothing should not make.
bool ConfigEditTurn::Take(const ConfigLocation& location, std::uint32_t wait_ms,
                          std::string* error) {
  if (held_) return true;
  location_ = location;
  const std::string& folder = location.folder;
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    // A missing folder holds nothing to protect; the save says why it cannot be written.
    if (errno == ENOENT || errno == ENOTDIR) {
      held_ = true;
      return true;
    }
    if (error) *error = "its folder cannot be opened to wait for other runs: " + SystemErrorText(errno);
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      if (error) *error = "cannot wait for other runs on it: " + SystemErrorText(errno);
      ::close(fd);
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      if (error) *error = TurnBusyText(wait_ms);
      ::close(fd);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  handle_ = fd;
  held_ = true;
  return true;
}

void ConfigEditTurn::Release() {
  if (!held_) return;
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
  held_ = false;
}

bool ConfigLocationOf(const std::string& text, bool is_directory, ConfigLocation& location,
                      std::string& error) {
  if (text.empty()) {
    error = "an empty path names no file";
    return false;
  }
  if (is_directory) {
    location = ConfigLocation(text.back() == '/' ? text : text + '/');
    return true;
  }
  if (text.back() == '/') {
    error = text + " names a folder; use --dir for a folder";
    return false;
  }
  // Natively any name works, so that files for many sites can be prepared side by side.
  const std::size_t slash = text.rfind('/');
  const std::size_t cut = slash == std::string::npos ? 0 : slash + 1;
  location = ConfigLocation(text.substr(0, cut), text.substr(cut));
  return true;
}

std::string ProgramFolder() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return "./";
  path.resize(static_cast<std::size_t>(n));
  return FolderOf(path) + "/";
}

SaveResult WriteProtectedFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::size_t slash = path.rfind('/');
  const std::size_t cut = slash == std::string::npos ? 0 : slash + 1;
  return store_detail::ReplaceWithNewFile(
      SaveSteps::Platform(), path.substr(0, cut), path.substr(cut), true, true,
      [bytes](store_detail::ContentWriter& out) { return out.Write(bytes); });
}

}  // namespace qv
