#include "config/config_store.h"

#include <algorithm>
#include <cwctype>
#include <new>
#include <vector>

#include "common/coding.h"
#include "config/config_file.h"
#include "config/config_store_steps.h"

namespace qv {
namespace {

constexpr std::size_t kSaveFileTokenDigits = 16;
// Not a file at all: nothing to load, and a save must not move it aside.
constexpr DWORD kNotAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE;
// A link loads through to its file, but a rename would replace the link itself and leave that
// file behind with the old bytes, so a save refuses it like anything else that is not a regular
// file. Windows refuses to rename over a read-only file; Wine does not, so a save asks first.
constexpr DWORD kNotReplaceable =
    kNotAFile | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY;

std::wstring ConfigPath(const std::wstring& directory) {
  std::wstring path = directory;
  for (const char* c = kConfigFileName; *c != '\0'; ++c) path += static_cast<wchar_t>(*c);
  return path;
}

// Reads an open file in place, so that records of 544 bytes go straight into the tasks.
class FileSource : public ImageSource {
 public:
  FileSource(TNTHandleStream& file, std::uint64_t size) : file_(file), size_(size) {}

  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) override {
    if (file_.Seek64(static_cast<std::int64_t>(offset), kSeekBegin) !=
        static_cast<std::int64_t>(offset)) {
      return false;
    }
    constexpr std::size_t kMaxRead = std::size_t{1} << 30;
    while (size > 0) {
      const auto n = file_.Read(out, static_cast<std::int32_t>(std::min(size, kMaxRead)));
      if (n <= 0) return false;
      out += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  TNTHandleStream& file_;
  std::uint64_t size_;
};

// Our own files beside CONFIGS.DAT, with their sizes and times.
std::vector<WIN32_FIND_DATAW> SaveFilesIn(const std::wstring& directory) {
  std::vector<WIN32_FIND_DATAW> found;
  WIN32_FIND_DATAW data;
  const std::wstring pattern = directory + kSaveFilePrefix + L"*" + kSaveFileSuffix;
  const HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return found;
  do {
    if ((data.dwFileAttributes & kNotAFile) == 0 && IsSaveFileName(data.cFileName)) {
      found.push_back(data);
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return found;
}

// The file a save writes, closed and removed unless it was put in CONFIGS.DAT's place, also when
// an exception passes.
class SaveFile {
 public:
  SaveFile(const SaveSteps& steps, const std::wstring& directory) : steps_(steps) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 16 && handle_ == INVALID_HANDLE_VALUE; ++attempt) {
      const std::uint64_t token = std::uint64_t{GetCurrentProcessId()} << 32 |
                                  ((GetTickCount() << 8) ^ ++counter);
      wchar_t digits[kSaveFileTokenDigits + 1];
      for (std::size_t i = 0; i < kSaveFileTokenDigits; ++i) {
        digits[i] = L"0123456789abcdef"[(token >> (4 * (kSaveFileTokenDigits - 1 - i))) & 0xF];
      }
      digits[kSaveFileTokenDigits] = L'\0';
      path_ = directory + kSaveFilePrefix + digits + kSaveFileSuffix;
      handle_ = steps_.create(path_);
      // Only a name that is taken is worth another try.
      if (handle_ == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
          GetLastError() != ERROR_ALREADY_EXISTS) {
        break;
      }
    }
  }
  ~SaveFile() {
    Close();
    if (!placed_ && created()) {
      try {
        steps_.remove(path_);
      } catch (...) {
        // A leftover is ours by its name; the next save removes it.
      }
    }
  }
  SaveFile(const SaveFile&) = delete;
  SaveFile& operator=(const SaveFile&) = delete;

  bool created() const { return !path_.empty() && (handle_ != INVALID_HANDLE_VALUE || closed_); }
  HANDLE handle() const { return handle_; }
  const std::wstring& path() const { return path_; }
  void Close() {
    if (handle_ != INVALID_HANDLE_VALUE) {
      CloseHandle(handle_);
      handle_ = INVALID_HANDLE_VALUE;
      closed_ = true;
    }
  }
  void Placed() { placed_ = true; }

 private:
  const SaveSteps& steps_;
  std::wstring path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool closed_ = false;
  bool placed_ = false;
};

// What a save carries from the file it replaces to the new one: the attributes a user or an
// installer sets, and who may read the file (it holds the server password).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr SECURITY_INFORMATION kKeptSecurity =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

struct Protection {
  bool replacing = false;
  DWORD attributes = 0;
  std::vector<std::uint8_t> descriptor;  // empty: the file system keeps none
};

// False when the old file's descriptor exists but cannot be read: the new file would then get
// the folder's, which may let others read what the old one kept from them.
bool ReadProtection(const std::wstring& target, DWORD attributes, Protection& out) {
  out.replacing = true;
  out.attributes = attributes & kKeptAttributes;
  DWORD needed = 0;
  GetFileSecurityW(target.c_str(), kKeptSecurity, nullptr, 0, &needed);
  DWORD error = GetLastError();
  if (needed > 0) {
    out.descriptor.resize(needed);
    if (GetFileSecurityW(target.c_str(), kKeptSecurity, out.descriptor.data(), needed,
                         &needed)) {
      return true;
    }
    error = GetLastError();
    out.descriptor.clear();
  }
  return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION;
}

// The owner goes along where this account may give the file to it; the DACL must, or the save
// stops before the new file takes the old one's place.
bool ApplyProtection(const std::wstring& path, const Protection& protection) {
  if (!protection.replacing) return true;
  if (!SetFileAttributesW(path.c_str(), protection.attributes == 0 ? FILE_ATTRIBUTE_NORMAL
                                                                   : protection.attributes)) {
    return false;
  }
  if (protection.descriptor.empty()) return true;
  auto* descriptor = const_cast<std::uint8_t*>(protection.descriptor.data());
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  SECURITY_INFORMATION protect = 0;
  if (GetSecurityDescriptorControl(descriptor, &control, &revision) &&
      (control & SE_DACL_PROTECTED) != 0) {
    protect = PROTECTED_DACL_SECURITY_INFORMATION;
  }
  return SetFileSecurityW(path.c_str(), kKeptSecurity | protect, descriptor) ||
         SetFileSecurityW(path.c_str(), GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | protect,
                          descriptor) ||
         SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION | protect, descriptor);
}

bool WriteAll(const SaveSteps& steps, HANDLE file, const std::uint8_t* data, std::size_t size,
              StampDigest& digest) {
  digest.Add({data, size});
  const std::size_t chunk = std::max<std::size_t>(steps.chunk_size, 1);
  while (size > 0) {
    const auto piece = static_cast<DWORD>(std::min(size, chunk));
    DWORD written = 0;
    if (!steps.write(file, data, piece, written) || written != piece) return false;
    data += piece;
    size -= piece;
  }
  return true;
}

// The same bytes as BuildConfigImage, the records straight from the document's storage.
bool WriteDocument(const SaveSteps& steps, HANDLE file, const ConfigDocument& doc,
                   StampDigest& digest) {
  const std::vector<std::uint8_t> header = BuildConfigHeader(doc);
  return WriteAll(steps, file, header.data(), header.size(), digest) &&
         WriteAll(steps, file, reinterpret_cast<const std::uint8_t*>(doc.tasks.data()),
                  doc.tasks.size() * kTaskRecordSize, digest);
}

// Every byte of an open file, from its start.
FileStamp StampOpenFile(TNTHandleStream& file, std::uint64_t size) {
  if (file.Seek64(0, kSeekBegin) != 0) return {};
  std::vector<std::uint8_t> buffer(std::min<std::uint64_t>(size, std::uint64_t{1} << 20));
  StampDigest digest;
  for (std::uint64_t left = size; left > 0;) {
    const auto n = file.Read(buffer.data(), static_cast<std::int32_t>(
                                                std::min<std::uint64_t>(left, buffer.size())));
    if (n <= 0) return {};
    digest.Add({buffer.data(), static_cast<std::size_t>(n)});
    left -= static_cast<std::uint64_t>(n);
  }
  return digest.Stamp();
}

// One name for every spelling of the folder: its full path, upper-cased, hashed (a mutex name
// holds no backslash and is bounded in length).
std::wstring TurnName(const std::wstring& directory) {
  std::wstring full(32768, L'\0');
  const DWORD n = GetFullPathNameW(directory.c_str(), static_cast<DWORD>(full.size()),
                                   full.data(), nullptr);
  full.resize(n > 0 && n < full.size() ? n : 0);
  if (full.empty()) full = directory;
  CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
  std::uint64_t hash = 14695981039346656037ull;
  for (const wchar_t c : full) hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
  wchar_t digits[17];
  for (int i = 0; i < 16; ++i) digits[i] = L"0123456789abcdef"[(hash >> (60 - 4 * i)) & 0xF];
  digits[16] = L'\0';
  return std::wstring(L"Local\\quorvel-configs-dat-") + digits;
}

}  // namespace

bool IsSaveFileName(std::wstring_view name) {
  const std::wstring_view prefix = kSaveFilePrefix, suffix = kSaveFileSuffix;
  if (name.size() != prefix.size() + kSaveFileTokenDigits + suffix.size()) return false;
  const auto same = [](std::wstring_view a, std::wstring_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
      return std::towlower(x) == std::towlower(y);
    });
  };
  const std::wstring_view digits = name.substr(prefix.size(), kSaveFileTokenDigits);
  return same(name.substr(0, prefix.size()), prefix) &&
         same(name.substr(name.size() - suffix.size()), suffix) &&
         std::all_of(digits.begin(), digits.end(), [](wchar_t c) {
           return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
         });
}

SaveSteps SaveSteps::Platform() {
  SaveSteps steps;
  steps.create = [](const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  steps.write = [](HANDLE file, const std::uint8_t* data, DWORD size, DWORD& written) {
    return WriteFile(file, data, size, &written, nullptr) != FALSE;
  };
  steps.flush = [](HANDLE file) { return FlushFileBuffers(file) != FALSE; };
  steps.move = [](const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  };
  steps.remove = [](const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; };
  return steps;
}

LoadResult LoadConfig(const std::wstring& directory, ConfigDocument& doc) {
  return LoadConfigWith(directory, doc, [](std::uint32_t milliseconds) { Sleep(milliseconds); });
}

LoadResult LoadConfigWith(const std::wstring& directory, ConfigDocument& doc,
                          const PauseFunction& pause) {
  LoadResult result;
  const std::wstring path = ConfigPath(directory);
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
      result.status = LoadStatus::kUnreadable;
      return result;
    }
    // A file an interrupted save left beside it is not put in its place: reading writes nothing,
    // and the operator, not the loader, decides whether old bytes become live again.
    result.stamp = MissingFileStamp();
    return result;
  }
  result.status = LoadStatus::kUnreadable;
  if ((attributes & kNotAFile) != 0) return result;

  const std::unique_ptr<TNewFileStream> file = OpenFileWithRetry(path, pause);
  if (file == nullptr) return result;
  const std::int64_t size = file->GetSize64();
  if (size < 0) return result;
  FileSource source(*file, static_cast<std::uint64_t>(size));
  ImageOutcome outcome = ImageOutcome::kReadError;
  try {
    outcome = ReadConfigImage(source, doc, ImageLimits{}, &result.report);
  } catch (const std::bad_alloc&) {
    // Not even the smallest list fits: nothing is loaded, and the file must not be replaced.
  }
  switch (outcome) {
    case ImageOutcome::kLoaded:
      result.status = result.report.cut_at_bound ? LoadStatus::kCut : LoadStatus::kLoaded;
      break;
    case ImageOutcome::kForeign:
      result.status = LoadStatus::kForeign;
      break;
    case ImageOutcome::kReadError:
      break;
  }
  // The same open file, which no one could write meanwhile.
  if (result.status != LoadStatus::kUnreadable) {
    result.stamp = StampOpenFile(*file, static_cast<std::uint64_t>(size));
  }
  return result;
}

FileStamp ReadFileStamp(const std::wstring& directory) {
  const std::wstring path = ConfigPath(directory);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? MissingFileStamp()
                                                                          : FileStamp{};
  }
  if ((attributes & kNotAFile) != 0) return {};
  const std::unique_ptr<TNewFileStream> file =
      OpenFileWithRetry(path, [](std::uint32_t milliseconds) { Sleep(milliseconds); });
  if (file == nullptr) return {};
  const std::int64_t size = file->GetSize64();
  if (size < 0) return {};
  return StampOpenFile(*file, static_cast<std::uint64_t>(size));
}

bool ConfigEditTurn::Take(const std::wstring& directory, std::uint32_t wait_ms,
                          std::uint32_t* error) {
  if (handle_ != nullptr) return true;
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, TurnName(directory).c_str());
  if (mutex == nullptr) {
    if (error) *error = GetLastError();
    return false;
  }
  const DWORD waited = WaitForSingleObject(mutex, wait_ms);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    CloseHandle(mutex);
    if (error) *error = 0;
    return false;
  }
  handle_ = mutex;
  return true;
}

void ConfigEditTurn::Release() {
  if (handle_ == nullptr) return;
  ReleaseMutex(handle_);
  CloseHandle(handle_);
  handle_ = nullptr;
}

SaveResult SaveConfig(const std::wstring& directory, const ConfigDocument& doc) {
  return SaveConfigWith(SaveSteps::Platform(), directory, doc);
}

SaveResult SaveConfigWith(const SaveSteps& steps, const std::wstring& directory,
                          const ConfigDocument& doc) {
  const std::wstring target = ConfigPath(directory);
  const std::wstring cannot_create = L"Cannot create file " + target;
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotReplaceable) != 0) {
    return {false, cannot_create, ERROR_ACCESS_DENIED, {}};
  }
  Protection protection;
  if (attributes != INVALID_FILE_ATTRIBUTES && !ReadProtection(target, attributes, protection)) {
    return {false, cannot_create, GetLastError(), {}};
  }

  SaveFile file(steps, directory);
  if (!file.created()) return {false, cannot_create, GetLastError(), {}};
  StampDigest digest;
  if (!WriteDocument(steps, file.handle(), doc, digest) || !steps.flush(file.handle())) {
    return {false, L"Stream write error", GetLastError(), {}};
  }
  file.Close();
  if (!ApplyProtection(file.path(), protection) || !steps.move(file.path(), target)) {
    return {false, cannot_create, GetLastError(), {}};
  }
  file.Placed();

  // What earlier saves left when they were stopped is no longer needed.
  for (const WIN32_FIND_DATAW& data : SaveFilesIn(directory)) {
    steps.remove(directory + data.cFileName);
  }
  return {true, {}, 0, digest.Stamp()};
}

}  // namespace qv
