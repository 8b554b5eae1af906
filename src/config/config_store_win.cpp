// The store's Windows edge: the system calls behind LoadConfig, SaveConfig and the edit turn.
#include <windows.h>
// After windows.h, which they need.
#include <sddl.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "common/fnv.h"
#include "common/hex.h"
#include "common/win_text.h"
#include "config/config_store.h"
#include "config/config_store_steps.h"
#include "config/exe_directory.h"
#include "config/file_stream.h"

namespace qv {
namespace {

using store_detail::TurnBusyText;

// Not a file at all: nothing to load, and a save must not move it aside.
constexpr DWORD kNotAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE;
// A link loads through to its file, but a rename would replace the link itself and leave that
// file behind with the old bytes, so a save refuses it like anything else that is not a regular
// file. Windows refuses to rename over a read-only file; Wine does not, so a save asks first.
constexpr DWORD kNotReplaceable = kNotAFile | FILE_ATTRIBUTE_REPARSE_POINT;
// What a save carries from the file it replaces to the new one: the attributes a user or an
// installer sets, and who may read the file (it holds the server password).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr SECURITY_INFORMATION kKeptSecurity =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

HANDLE AsHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
FileHandle AsFile(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

bool Missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

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

// A descriptor made by the system, freed with LocalFree.
struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};
using Descriptor = std::unique_ptr<void, LocalFreer>;

// The parts of a descriptor that `parts` names, rebuilt through its text form.
Descriptor PartOf(const std::vector<std::uint8_t>& descriptor, SECURITY_INFORMATION parts) {
  wchar_t* text = nullptr;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
          const_cast<std::uint8_t*>(descriptor.data()), SDDL_REVISION_1, parts, &text, nullptr)) {
    return nullptr;
  }
  PSECURITY_DESCRIPTOR made = nullptr;
  const BOOL ok =
      ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &made, nullptr);
  LocalFree(text);
  return Descriptor(ok ? made : nullptr);
}

Descriptor FromText(const std::wstring& text) {
  PSECURITY_DESCRIPTOR made = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &made,
                                                            nullptr)) {
    return nullptr;
  }
  return Descriptor(made);
}

// Full access for this account alone, not inherited from the folder.
Descriptor OwnerOnly() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
  DWORD needed = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
  std::vector<std::uint8_t> buffer(needed);
  wchar_t* sid = nullptr;
  const bool known =
      needed > 0 && GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed) &&
      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid);
  CloseHandle(token);
  if (!known) return nullptr;
  Descriptor made = FromText(std::wstring(L"D:P(A;;FA;;;") + sid + L")");
  LocalFree(sid);
  return made;
}

// The DACL is also set through the handle before anything is written: Wine keeps the one given
// at creation only in some cases, and the file, opened without sharing, is empty until then.
HANDLE CreateNew(const std::wstring& path, DWORD attributes, void* descriptor) {
  SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | WRITE_DAC, 0,
                                  descriptor != nullptr ? &security : nullptr, CREATE_NEW,
                                  attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes, nullptr);
  if (file == INVALID_HANDLE_VALUE || descriptor == nullptr) return file;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  SECURITY_INFORMATION parts = DACL_SECURITY_INFORMATION;
  if (GetSecurityDescriptorControl(descriptor, &control, &revision) &&
      (control & SE_DACL_PROTECTED) != 0) {
    parts |= PROTECTED_DACL_SECURITY_INFORMATION;
  }
  if (SetKernelObjectSecurity(file, parts, descriptor)) return file;
  const DWORD error = GetLastError();
  CloseHandle(file);
  DeleteFileW(path.c_str());
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

bool RefusedOwner(DWORD error) {
  return error == ERROR_INVALID_OWNER || error == ERROR_INVALID_PRIMARY_GROUP ||
         error == ERROR_PRIVILEGE_NOT_HELD || error == ERROR_ACCESS_DENIED;
}

// The new file gets the old one's DACL when it is created, so no byte of it is ever readable by
// more accounts than the old file was. Its owner and group go along where this account may
// give the file to them.
HANDLE CreateProtected(const std::wstring& path, const FileProtection& protection) {
  if (!protection.replacing) {
    if (!protection.owner_only) return CreateNew(path, 0, nullptr);
    const Descriptor descriptor = OwnerOnly();
    if (descriptor == nullptr) return INVALID_HANDLE_VALUE;
    return CreateNew(path, 0, descriptor.get());
  }
  if (protection.descriptor.empty()) return CreateNew(path, protection.attributes, nullptr);
  const SECURITY_INFORMATION tries[] = {kKeptSecurity,
                                        GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        DACL_SECURITY_INFORMATION};
  for (const SECURITY_INFORMATION parts : tries) {
    const Descriptor descriptor = PartOf(protection.descriptor, parts);
    if (descriptor == nullptr) return INVALID_HANDLE_VALUE;
    const HANDLE file = CreateNew(path, protection.attributes, descriptor.get());
    if (file != INVALID_HANDLE_VALUE) return file;
    const DWORD error = GetLastError();
    if (!RefusedOwner(error) || protection.keep_owner) {
      SetLastError(error);
      return INVALID_HANDLE_VALUE;
    }
  }
  return INVALID_HANDLE_VALUE;
}

bool Inspect(const std::wstring& target, FileProtection& out) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Missing(GetLastError());
  if ((attributes & kNotReplaceable) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    out.read_only = true;
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  out.replacing = true;
  out.attributes = attributes & kKeptAttributes;
  DWORD needed = 0;
  GetFileSecurityW(target.c_str(), kKeptSecurity, nullptr, 0, &needed);
  DWORD error = GetLastError();
  if (needed > 0) {
    out.descriptor.resize(needed);
    if (GetFileSecurityW(target.c_str(), kKeptSecurity, out.descriptor.data(), needed, &needed)) {
      return true;
    }
    error = GetLastError();
    out.descriptor.clear();
  }
  // Without it the new file would get the folder's, which may let others read what the old one
  // kept from them; only a file system that keeps none lets the save go on.
  SetLastError(error);
  return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION;
}

std::vector<std::wstring> Leftovers(const ConfigLocation& location) {
  std::vector<std::wstring> found;
  WIN32_FIND_DATAW data;
  const std::wstring pattern = location.path() + L".~qv*.tmp";
  const HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return found;
  do {
    if ((data.dwFileAttributes & kNotAFile) == 0 &&
        IsSaveFileName(data.cFileName, location.name)) {
      found.push_back(data.cFileName);
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return found;
}

// The folder by its identity (volume and file index), so that every spelling of it (another
// drive letter, a link, a share) names one turn; by its full path when it cannot be opened.
std::wstring TurnKey(const std::wstring& given) {
  const std::wstring folder = given.empty() ? L"." : given;
  const auto hex = [](std::uint64_t value) { return HexDigits<std::wstring>(value, 16); };
  const HANDLE handle =
      CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL known = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (known) {
      return hex(info.dwVolumeSerialNumber) + L"-" +
             hex(std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow);
    }
  }
  std::wstring full(32768, L'\0');
  const DWORD n = GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(),
                                   nullptr);
  full.resize(n > 0 && n < full.size() ? n : 0);
  if (full.empty()) full = folder;
  CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
  return L"path-" + hex(Fnv1a64(std::wstring_view(full)));
}

// In the Global namespace, which every session shares (a script run by a service and the
// operator's editor alike), open to every account that may edit the file.
HANDLE OpenTurnMutex(const std::wstring& key) {
  const std::wstring name = L"Global\\quorvel-configs-dat-" + key;
  const Descriptor anyone = FromText(L"D:(A;;0x001F0001;;;WD)");
  SECURITY_ATTRIBUTES security{sizeof security, anyone.get(), FALSE};
  HANDLE mutex = CreateMutexW(anyone != nullptr ? &security : nullptr, FALSE, name.c_str());
  if (mutex == nullptr && GetLastError() == ERROR_ACCESS_DENIED) {
    mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
  }
  return mutex;
}

}  // namespace

std::uint32_t LastSystemError() { return GetLastError(); }
void SetLastSystemError(std::uint32_t code) { SetLastError(code); }

std::string SystemErrorText(std::uint32_t code) {
  return win::WideToUtf8(win::SystemErrorText(code));
}
std::string PathText(const std::wstring& path) { return win::WideToUtf8(path); }

SaveSteps SaveSteps::Platform() {
  SaveSteps steps;
  steps.inspect = Inspect;
  steps.create = [](const std::wstring& path, const FileProtection& protection) {
    return AsFile(CreateProtected(path, protection));
  };
  steps.write = [](FileHandle file, const std::uint8_t* data, std::size_t size,
                   std::size_t& written) {
    DWORD done = 0;
    const BOOL ok = WriteFile(AsHandle(file), data, static_cast<DWORD>(size), &done, nullptr);
    written = done;
    return ok != FALSE;
  };
  steps.flush = [](FileHandle file) { return FlushFileBuffers(AsHandle(file)) != FALSE; };
  steps.close = [](FileHandle file) { return CloseHandle(AsHandle(file)) != FALSE; };
  steps.move = [](const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  };
  steps.remove = [](const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; };
  steps.leftovers = Leftovers;
  return steps;
}

LoadResult LoadConfig(const ConfigLocation& location, ConfigDocument& doc) {
  return LoadConfigWith(location, doc, [](std::uint32_t milliseconds) { Sleep(milliseconds); });
}

LoadResult LoadConfigWith(const ConfigLocation& location, ConfigDocument& doc,
                          const PauseFunction& pause) {
  LoadResult result;
  const std::wstring path = location.path();
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES && Missing(GetLastError())) {
    // A file an interrupted save left beside it is not put in its place: reading writes nothing,
    // and the operator, not the loader, decides whether old bytes become live again.
    result.stamp = MissingFileStamp();
    return result;
  }
  result.status = LoadStatus::kUnreadable;
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    result.system_error = GetLastError();
    result.reason = SystemErrorText(result.system_error);
  } else if ((attributes & kNotAFile) != 0) {
    result.reason = "not a file";
  } else if (const std::unique_ptr<TNewFileStream> file = OpenFileWithRetry(path, pause)) {
    const std::int64_t size = file->GetSize64();
    if (size >= 0) {
      FileSource source(*file, static_cast<std::uint64_t>(size));
      store_detail::LoadFromSource(source, doc, result);
    } else {
      result.reason = "its size cannot be read";
    }
  } else {
    result.system_error = GetLastError();
    result.reason = "held by another program past the retries (" +
                    SystemErrorText(result.system_error) + ")";
  }
  result.loss = JudgeLoad(result.status, result.report);
  return result;
}

FileStamp ReadFileStamp(const ConfigLocation& location) {
  const std::wstring path = location.path();
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return Missing(GetLastError()) ? MissingFileStamp() : FileStamp{};
  }
  if ((attributes & kNotAFile) != 0) return {};
  const std::unique_ptr<TNewFileStream> file =
      OpenFileWithRetry(path, [](std::uint32_t milliseconds) { Sleep(milliseconds); });
  if (file == nullptr) return {};
  const std::int64_t size = file->GetSize64();
  if (size < 0) return {};
  FileSource source(*file, static_cast<std::uint64_t>(size));
  store_detail::StampingSource stamping(source);
  return stamping.Finish();
}

bool ConfigEditTurn::Take(const ConfigLocation& location, std::uint32_t wait_ms,
                          std::string* error) {
  if (held_) return true;
  location_ = location;
  const std::wstring key = TurnKey(location.folder);
  const HANDLE mutex = OpenTurnMutex(key);
  if (mutex != nullptr) {
    const DWORD waited = WaitForSingleObject(mutex, wait_ms);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
      handle_ = AsFile(mutex);
      lock_file_ = false;
      held_ = true;
      return true;
    }
    CloseHandle(mutex);
    if (error) *error = TurnBusyText(wait_ms);
    return false;
  }
  // Where no global name can be made, a file held open without sharing in the folder itself is
  // the turn; the system removes it when its holder ends.
  const std::wstring lock = location.path() + L".~qvturn";
  const DWORD start = GetTickCount();
  for (;;) {
    const HANDLE file = CreateFileW(lock.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                    nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      handle_ = AsFile(file);
      lock_file_ = true;
      held_ = true;
      return true;
    }
    const DWORD code = GetLastError();
    if (Missing(code)) {
      // A folder that is not there holds nothing to protect; the save says why it cannot write.
      held_ = true;
      return true;
    }
    if (code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED) {
      if (error) *error = "cannot wait for other runs on it (" + SystemErrorText(code) + ")";
      return false;
    }
    if (GetTickCount() - start >= wait_ms) {
      if (error) *error = TurnBusyText(wait_ms);
      return false;
    }
    Sleep(10);
  }
}

void ConfigEditTurn::Release() {
  if (!held_) return;
  if (handle_ != -1) {
    if (!lock_file_) ReleaseMutex(AsHandle(handle_));
    CloseHandle(AsHandle(handle_));
  }
  handle_ = -1;
  held_ = false;
}

bool ConfigLocationOf(const std::string& text, bool is_directory, ConfigLocation& location,
                      std::string& error) {
  if (text.empty()) {
    error = "an empty path names no file";
    return false;
  }
  std::wstring path = win::Utf8ToWide(text);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  if (is_directory) {
    if (path.back() != L'\\') path += L'\\';
    location = ConfigLocation(std::move(path));
    return true;
  }
  // A save names its temporary files after CONFIGS.DAT, so the file keeps that name.
  const std::size_t slash = path.find_last_of(L"\\:");
  const std::wstring_view name =
      std::wstring_view(path).substr(slash == std::wstring::npos ? 0 : slash + 1);
  if (CompareStringOrdinal(name.data(), static_cast<int>(name.size()), L"CONFIGS.DAT", -1,
                           TRUE) != CSTR_EQUAL) {
    error = text +
            ": on Windows the file must be named CONFIGS.DAT (or give its folder with --dir)";
    return false;
  }
  location = ConfigLocation(path.substr(0, path.size() - name.size()));
  return true;
}

std::wstring ProgramFolder() {
  if (ExeDirectory().empty()) InitExeDirectory();
  return ExeDirectory();
}

SaveResult WriteProtectedFile(const std::wstring& path, std::span<const std::uint8_t> bytes) {
  const std::size_t slash = path.find_last_of(L"\\/:");
  const std::size_t cut = slash == std::wstring::npos ? 0 : slash + 1;
  return store_detail::ReplaceWithNewFile(
      SaveSteps::Platform(), path.substr(0, cut), path.substr(cut), true, false,
      [bytes](store_detail::ContentWriter& out) { return out.Write(bytes); });
}

}  // namespace qv
