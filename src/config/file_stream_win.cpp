#include "config/file_stream.h"

#include <iterator>
#include <limits>

namespace qv {
namespace {

constexpr DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
constexpr DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE};

HANDLE OpenExisting(const std::wstring& path, std::uint16_t mode) {
  const unsigned access = mode & 0x3u;
  const unsigned share = (mode >> 4) & 0xFu;
  if (access >= std::size(kAccess) || share >= std::size(kShare)) return INVALID_HANDLE_VALUE;
  return CreateFileW(path.c_str(), kAccess[access], kShare[share], nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::int32_t TNTHandleStream::Read(void* buffer, std::int32_t count) {
  DWORD done = 0;
  if (count <= 0 || !ReadFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
  return static_cast<std::int32_t>(done);
}

std::int32_t TNTHandleStream::Write(const void* buffer, std::int32_t count) {
  DWORD done = 0;
  if (count <= 0 || !WriteFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) {
    return 0;
  }
  return static_cast<std::int32_t>(done);
}

std::int64_t TNTHandleStream::Seek64(std::int64_t offset, std::uint16_t origin) {
  LONG high = static_cast<LONG>(offset >> 32);
  const DWORD low = SetFilePointer(handle_, static_cast<LONG>(offset & 0xFFFFFFFF), &high, origin);
  // The low half of a valid position may be all ones; only the error code tells them apart.
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<DWORD>(high)) << 32) |
                                   low);
}

std::int64_t TNTHandleStream::GetSize64() {
  const std::int64_t position = Seek64(0, kSeekCurrent);
  const std::int64_t size = Seek64(0, kSeekEnd);
  Seek64(position, kSeekBegin);
  return size;
}

TNewFileStream::TNewFileStream(const std::wstring& path, std::uint16_t mode)
    : TNTHandleStream(OpenExisting(path, mode)) {}

TNewFileStream::~TNewFileStream() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

std::unique_ptr<TNewFileStream> OpenFileStream(const std::wstring& path, std::uint16_t mode) {
  auto stream = std::make_unique<TNewFileStream>(path, mode);
  if (stream->Handle() == INVALID_HANDLE_VALUE) return nullptr;
  return stream;
}

bool LoadFileWithRetry(TStrMemoryStream& stream, const std::wstring& path) {
  return LoadFileWithRetry(stream, path, [](std::uint32_t milliseconds) { Sleep(milliseconds); });
}

std::unique_ptr<TNewFileStream> OpenFileWithRetry(const std::wstring& path,
                                                  const PauseFunction& pause) {
  for (int attempt = 1;; ++attempt) {
    // A writer (the service, or another editor saving) usually lets go within the second.
    std::unique_ptr<TNewFileStream> file = OpenFileStream(path, kOpenRead | kShareDenyWrite);
    if (file != nullptr || attempt == kLoadAttempts) return file;
    pause(kLoadPauseMilliseconds);
  }
}

bool LoadFileWithRetry(TStrMemoryStream& stream, const std::wstring& path,
                       const PauseFunction& pause) {
  const std::unique_ptr<TNewFileStream> file = OpenFileWithRetry(path, pause);
  if (file == nullptr) return false;

  const std::int64_t size = file->GetSize64();
  if (size < 0 || size > std::numeric_limits<std::int32_t>::max() || !stream.SetSize(size)) {
    return false;
  }
  const auto total = static_cast<std::int32_t>(size);
  std::int32_t done = 0;
  while (done < total) {
    const std::int32_t n = file->Read(stream.Memory() + done, total - done);
    if (n == 0) break;
    done += n;
  }
  if (done < total) {
    stream.SetSize(0);
    return false;
  }
  stream.SetPosition(0);
  return true;
}

}  // namespace qv
