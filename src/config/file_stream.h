#pragma once
// Files opened by UTF-16 path through the wide-character interface, and the retrying whole-file
// reader beneath LoadConfig (Windows only).
//
// An open mode selects the access with bits 0-1 and the sharing with bits 4-7; other bits are
// ignored, and an access of 3 or a sharing above 0x40 opens nothing.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "config/memory_stream.h"

namespace qv {

inline constexpr std::uint16_t kOpenRead = 0x00;
inline constexpr std::uint16_t kOpenWrite = 0x01;
inline constexpr std::uint16_t kOpenReadWrite = 0x02;
inline constexpr std::uint16_t kShareCompat = 0x00;     // no sharing
inline constexpr std::uint16_t kShareExclusive = 0x10;  // no sharing
inline constexpr std::uint16_t kShareDenyWrite = 0x20;  // others may read
inline constexpr std::uint16_t kShareDenyRead = 0x30;   // others may write
inline constexpr std::uint16_t kShareDenyNone = 0x40;   // others may read and write

// Origins of Seek64, the values of FILE_BEGIN, FILE_CURRENT and FILE_END.
inline constexpr std::uint16_t kSeekBegin = 0;
inline constexpr std::uint16_t kSeekCurrent = 1;
inline constexpr std::uint16_t kSeekEnd = 2;

// A byte stream over an open file handle. Each read or write is one ReadFile or WriteFile call.
class TNTHandleStream : public Stream {
 public:
  std::int32_t Read(void* buffer, std::int32_t count) override;
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  // The new position; -1 when the handle cannot seek there.
  std::int64_t Seek64(std::int64_t offset, std::uint16_t origin);
  // The file's size; the position is left where it was.
  std::int64_t GetSize64();
  HANDLE Handle() const { return handle_; }

 protected:
  explicit TNTHandleStream(HANDLE handle) : handle_(handle) {}

  HANDLE handle_;
};

// Opens an existing file. The handle is kept as the open returned it, INVALID_HANDLE_VALUE
// included; the destructor closes a valid one.
class TNewFileStream : public TNTHandleStream {
 public:
  TNewFileStream(const std::wstring& path, std::uint16_t mode);
  ~TNewFileStream() override;
};

// The opened stream, or nullptr when the file cannot be opened in that mode.
std::unique_ptr<TNewFileStream> OpenFileStream(const std::wstring& path, std::uint16_t mode);

inline constexpr int kLoadAttempts = 11;
inline constexpr std::uint32_t kLoadPauseMilliseconds = 100;

// Waits between two attempts; Sleep unless a test observes the pauses instead.
using PauseFunction = std::function<void(std::uint32_t milliseconds)>;

// OpenFileStream with mode 0x20 (read, others may only read), retried on any failure: up to 11
// attempts with a pause of 100 ms between two.
std::unique_ptr<TNewFileStream> OpenFileWithRetry(const std::wstring& path,
                                                  const PauseFunction& pause);

// Copies the whole file into `stream` (fresh and empty) with one read into a buffer sized once,
// and leaves the position at 0. Opens for reading while others may only read, and retries any
// failure to open: up to 11 attempts with a pause of 100 ms between two. False when no attempt
// opened the file (the stream is unchanged), when the file does not fit a memory stream (2 GB)
// or memory, or when it cannot be read whole (the stream is then empty).
bool LoadFileWithRetry(TStrMemoryStream& stream, const std::wstring& path);
bool LoadFileWithRetry(TStrMemoryStream& stream, const std::wstring& path,
                       const PauseFunction& pause);

}  // namespace qv
