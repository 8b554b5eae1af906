#pragma once
// CONFIGS.DAT as bytes: the signature "RSYNCFG\0", the 140-byte settings, zeros up to 1024, the
// task record size (544 when we write), the task count, then the records in list order.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "config/document.h"

namespace qv {

inline constexpr char kConfigFileName[] = "CONFIGS.DAT";
inline constexpr char kConfigSignature[] = "RSYNCFG";
inline constexpr std::size_t kSettingsOffset = 8;
inline constexpr std::size_t kRecordSizeOffset = 1024;
inline constexpr std::size_t kTaskCountOffset = 1028;
inline constexpr std::size_t kFirstTaskOffset = 1032;
// A damaged count is believed only this far for records beyond the data: every record the file
// holds is loaded (up to the memory bound), and empty ones are added only while the list is
// shorter than this.
inline constexpr std::size_t kMaxPromisedTasks = 65536;
// The tasks of a file of S bytes may take at most 2 * S + this many bytes of memory, so that with
// the read window a load stays within 2 * S + 40 MB; records past that are not loaded. A damaged
// record size of 1 would otherwise turn each byte into a 544-byte task.
inline constexpr std::size_t kTaskMemorySlack = std::size_t{38} << 20;

// The exact size of a file that this editor wrote with `count` tasks.
constexpr std::uint64_t ConfigFileSize(std::uint64_t count) {
  return kFirstTaskOffset + std::uint64_t{544} * count;
}

// How far a damaged file is believed. Tests and fuzzing make them small.
struct ImageLimits {
  std::size_t promised_tasks = kMaxPromisedTasks;
  std::size_t task_memory_slack = kTaskMemorySlack;
  // Records of a size other than 544 are read through a window of this many bytes (at least 544).
  std::size_t read_window = std::size_t{1} << 20;
};

// What reading a file found.
struct ImageReport {
  bool signature_ok = false;
  std::int32_t record_size = 0;      // R as stored (0 when the file ends before it)
  std::int32_t declared_count = 0;   // C as stored
  std::size_t records_in_data = 0;   // records the data holds, wholly or in part
  std::size_t tasks_loaded = 0;
  bool cut_at_bound = false;         // records past the memory bound were not loaded
  std::uint64_t file_size = 0;
  // Bytes past the records that the count and the record size cover (all of the data when the
  // count is zero or less): a save, which writes only the tasks, drops them.
  std::uint64_t bytes_after_records = 0;
  // The zeros between the settings and the record size hold something else.
  bool filler_not_zero = false;

  // The count promises records the data does not hold: the loader made empty tasks in their
  // place, and a save would write them all.
  bool CountBeyondData() const {
    return declared_count > 0 && static_cast<std::uint64_t>(declared_count) > records_in_data;
  }
};

// What a load made of an existing or missing file, on every platform edge.
enum class LoadStatus {
  kLoaded,      // the document holds the whole file
  kMissing,     // no file: defaults and an empty list
  kUnreadable,  // the file exists but could not be read (held past the retries, read error, no
                // memory, not a regular file): defaults and an empty list
  kForeign,     // not our signature: defaults and an empty list
  kCut,         // the settings and the tasks up to the memory bound; records past it were not
                // loaded
};

// The first 1032 bytes of the file: everything but the task records.
std::vector<std::uint8_t> BuildConfigHeader(const ConfigDocument& doc);

// The whole file for the document's settings and tasks: 1032 + 544 * count bytes.
std::vector<std::uint8_t> BuildConfigImage(const ConfigDocument& doc);

// Where the bytes of a file come from: memory, or an open file read in place.
class ImageSource {
 public:
  virtual ~ImageSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Exactly `size` bytes from `offset`, which lie inside Size(); false on a read error.
  virtual bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) = 0;
};

enum class ImageOutcome { kLoaded, kForeign, kReadError };

// Fills `doc.settings` and `doc.tasks` from a file. Nothing changes unless the signature is
// "RSYNCFG" and every read succeeded; the `modified` flag is left alone.
// Only bytes inside the file are read: what it lacks stays zero (the settings keep their defaults
// there), a record size R above 544 skips each record's tail, one below fills the missing fields
// with zeros. Time is linear in the file's size and the tasks stay within the memory bound; when
// memory runs out before it, fewer tasks are loaded (the report says so) rather than none. Throws
// std::bad_alloc, with nothing changed, only when not even the 1 MB read window can be had.
ImageOutcome ReadConfigImage(ImageSource& source, ConfigDocument& doc, const ImageLimits& limits,
                             ImageReport* report = nullptr);

// The same over an image in memory. False, with nothing changed, when the signature is not
// "RSYNCFG".
bool ParseConfigImage(std::span<const std::uint8_t> image, ConfigDocument& doc,
                      ImageReport* report = nullptr);
bool ParseConfigImage(std::span<const std::uint8_t> image, ConfigDocument& doc,
                      const ImageLimits& limits, ImageReport* report = nullptr);

// The same single pass, calling `consumed(n)` as it moves on: it will not read the image bytes
// before n again, so the caller may hand their memory back.
bool ParseConfigImage(std::span<const std::uint8_t> image, ConfigDocument& doc,
                      const std::function<void(std::size_t)>& consumed);

}  // namespace qv
