#pragma once
// The seams of the store: what LoadConfig and SaveConfig call at each step, so that tests observe
// the loader's pauses and inject a fault into each step of a save. Each platform's edge fills
// them with its system calls.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "config/config_store.h"

namespace qv {

// A save writes a file of its own beside the one it replaces, named <name>.~qv<16 hex
// digits>.tmp, and renames it over that file in one step. No user names a file that way, so a
// later save may remove what an interrupted one left.
inline constexpr char kSaveFileMark[] = ".~qv";
inline constexpr char kSaveFileSuffix[] = ".tmp";
inline constexpr std::size_t kSaveFileTokenDigits = 16;
// The records go out in writes of at most this many bytes.
inline constexpr std::size_t kSaveChunkSize = std::size_t{4} << 20;

// True for a file name (no folder) that only a save of the file `base` makes (CONFIGS.DAT unless
// named).
bool IsSaveFileName(std::basic_string_view<NativeString::value_type> name);
bool IsSaveFileName(std::basic_string_view<NativeString::value_type> name,
                    std::basic_string_view<NativeString::value_type> base);

// A HANDLE on Windows, a descriptor elsewhere.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

// Who may read and change the file a save replaces: the new file is created with it, before its
// first byte is written.
struct FileProtection {
  bool replacing = false;    // a file of that name exists
  bool owner_only = false;   // for a new file: readable by its owner alone
  bool keep_owner = false;   // refuse rather than give an existing file another owner
  bool read_only = false;    // set when the file is refused for being read-only
#if defined(_WIN32)
  std::uint32_t attributes = 0;          // hidden, system... as a user or an installer set them
  std::vector<std::uint8_t> descriptor;  // owner, group and DACL; empty: the file system has none
#else
  std::uint32_t mode = 0;
  std::uint32_t uid = 0, gid = 0;
#endif
};

struct SaveSteps {
  // Whether `target` may be replaced, and how it is protected; false (the system's error set)
  // when it may not: not a regular file, read-only, or one this account may not write.
  std::function<bool(const NativeString& target, FileProtection& protection)> inspect;
  // Creates a new file for writing, unshared and protected as given; kNoFile when it cannot (the
  // name taken among other reasons).
  std::function<FileHandle(const NativeString& path, const FileProtection& protection)> create;
  // One write; `written` may come back short.
  std::function<bool(FileHandle file, const std::uint8_t* data, std::size_t size,
                     std::size_t& written)> write;
  std::function<bool(FileHandle file)> flush;
  // Always closes; false when the system reports a failure there.
  std::function<bool(FileHandle file)> close;
  // Renames over any file of that name in one step, through to the disk.
  std::function<bool(const NativeString& from, const NativeString& to)> move;
  // Deletes a file that a save of ours made.
  std::function<bool(const NativeString& path)> remove;
  // The names (no folder) of the files that earlier saves of `location` left beside it.
  std::function<std::vector<NativeString>(const ConfigLocation& location)> leftovers;
  std::size_t chunk_size = kSaveChunkSize;

  static SaveSteps Platform();
};

// The system's last error code (GetLastError or errno), and setting it, for steps and fakes.
std::uint32_t LastSystemError();
void SetLastSystemError(std::uint32_t code);

SaveResult SaveConfigWith(const SaveSteps& steps, const ConfigEditTurn& turn,
                          const ConfigDocument& doc);

using PauseFunction = std::function<void(std::uint32_t milliseconds)>;
LoadResult LoadConfigWith(const ConfigLocation& location, ConfigDocument& doc,
                          const PauseFunction& pause);

// The portable parts of the edges.
namespace store_detail {

// The save's own algorithm: a file of our own, written whole, renamed over `name` in `folder`.
// `content` writes through the writer it is given and returns false on a failed write.
class ContentWriter {
 public:
  virtual ~ContentWriter() = default;
  virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
};
SaveResult ReplaceWithNewFile(const SaveSteps& steps, const NativeString& folder,
                       const NativeString& name, bool owner_only_when_new, bool keep_owner,
                       const std::function<bool(ContentWriter&)>& content);

// Why a turn did not come within the wait.
std::string TurnBusyText(std::uint32_t wait_ms);

// Reads the source through, digesting every byte once, in the order the reads come; bytes the
// reader skips are read for the digest only.
class StampingSource final : public ImageSource {
 public:
  explicit StampingSource(ImageSource& inner) : inner_(inner) {}
  std::uint64_t Size() const override { return inner_.Size(); }
  bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) override;
  // Digests what was not read yet; a stamp that is not `known` when a read failed.
  FileStamp Finish();

 private:
  bool DigestUpTo(std::uint64_t end);

  ImageSource& inner_;
  StampDigest digest_;
  std::uint64_t next_ = 0;
  bool failed_ = false;
  std::vector<std::uint8_t> scratch_;
};

// Fills the document from a source and stamps it in the same pass; the status as LoadResult
// reports it (kUnreadable on a read error or when not even the smallest list fits). The caller
// judges the load once it knows its status, whichever way it got there.
void LoadFromSource(ImageSource& source, ConfigDocument& doc, LoadResult& result);

}  // namespace store_detail

}  // namespace qv
