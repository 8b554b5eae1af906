// The store's decisions, the same on every platform: the verdict on a load, the save's steps and
// its temporary files, and the digest taken in the same pass as the reads.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <new>
#include <system_error>
#include <thread>

#include "common/hex.h"
#include "config/config_store.h"
#include "config/config_store_steps.h"

namespace qv {
namespace {

NativeString Native(std::string_view ascii) { return NativeString(ascii.begin(), ascii.end()); }

bool IsHexDigit(NativeString::value_type c) { return HexDigitValue(c) >= 0; }

using NativeView = std::basic_string_view<NativeString::value_type>;

// Windows compares file names with letter case aside; elsewhere they are compared as they are.
bool SameName(NativeView a, NativeView b) {
#if defined(_WIN32)
  const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](wchar_t x, wchar_t y) { return lower(x) == lower(y); });
#else
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
#endif
}

// Counts, from the verdict's point of view, of what the file holds.
SaveLoss JudgeLoaded(const ImageReport& r) {
  SaveLoss loss;
  const std::uint64_t loaded_from_data = std::min<std::uint64_t>(r.tasks_loaded, r.records_in_data);
  // Past a cut at the memory bound.
  loss.tasks_not_loaded = r.records_in_data - loaded_from_data;
  if (r.record_size > 0) {
    // Records past the count, each wholly or in part in the data.
    const auto stride = static_cast<std::uint64_t>(r.record_size);
    loss.tasks_not_loaded += (r.bytes_after_records + stride - 1) / stride;
    if (stride > kTaskRecordSize && r.file_size > kFirstTaskOffset) {
      // Only the first 544 bytes of each record are kept.
      const std::uint64_t covered = std::min(loaded_from_data * stride,
                                             r.file_size - kFirstTaskOffset - r.bytes_after_records);
      loss.bytes_dropped += covered - std::min(covered, loaded_from_data * kTaskRecordSize);
    }
  } else {
    loss.bytes_dropped += r.bytes_after_records;
  }
  if (r.tasks_loaded > r.records_in_data) loss.empty_tasks_made = r.tasks_loaded - r.records_in_data;
  loss.filler_rewritten = r.filler_not_zero;
  return loss;
}

// Waits for a thread however the scope is left, an exception from a step included.
class Joined {
 public:
  explicit Joined(std::thread& thread) : thread_(thread) {}
  ~Joined() {
    if (thread_.joinable()) thread_.join();
  }
  Joined(const Joined&) = delete;
  Joined& operator=(const Joined&) = delete;

 private:
  std::thread& thread_;
};

class FileWriter final : public store_detail::ContentWriter {
 public:
  FileWriter(const SaveSteps& steps, FileHandle file, StampDigest& digest)
      : steps_(steps), file_(file), digest_(digest) {}
  bool Write(std::span<const std::uint8_t> bytes) override {
    // The digest runs beside the writes, which mostly wait for the disk: the stamp then costs a
    // save next to nothing. Without a thread to be had it runs here first.
    std::thread digesting;
    try {
      digesting = std::thread([this, bytes] { digest_.Add(bytes); });
    } catch (const std::system_error&) {
      digest_.Add(bytes);
    }
    const Joined joined(digesting);
    const std::size_t chunk = std::max<std::size_t>(steps_.chunk_size, 1);
    while (!bytes.empty()) {
      const std::size_t piece = std::min(bytes.size(), chunk);
      std::size_t written = 0;
      if (!steps_.write(file_, bytes.data(), piece, written) || written != piece) return false;
      bytes = bytes.subspan(piece);
    }
    return true;
  }

 private:
  const SaveSteps& steps_;
  FileHandle file_;
  StampDigest& digest_;
};

// The file a save writes, closed and removed unless it was put in the target's place, also when
// an exception passes.
class SaveFile {
 public:
  SaveFile(const SaveSteps& steps, const NativeString& folder, const NativeString& name,
           const FileProtection& protection)
      : steps_(steps) {
    static unsigned counter = 0;
    static const std::uint64_t seed =
        reinterpret_cast<std::uintptr_t>(&counter) ^ static_cast<std::uint64_t>(
            std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 16 && handle_ == kNoFile; ++attempt) {
      const std::uint64_t token = (seed * 0x9E3779B97F4A7C15ull) ^ (std::uint64_t{++counter} << 1);
      path_ = folder + name + Native(kSaveFileMark) +
              HexDigits<NativeString>(token, kSaveFileTokenDigits) + Native(kSaveFileSuffix);
      handle_ = steps_.create(path_, protection);
      // Only a name that is taken is worth another try.
      if (handle_ == kNoFile && !NameTaken(LastSystemError())) break;
    }
  }
  ~SaveFile() {
    Close();
    if (!placed_ && created_) {
      try {
        steps_.remove(path_);
      } catch (...) {
        // A leftover is ours by its name; the next save removes it.
      }
    }
  }
  SaveFile(const SaveFile&) = delete;
  SaveFile& operator=(const SaveFile&) = delete;

  bool created() const { return created_ || handle_ != kNoFile; }
  FileHandle handle() const { return handle_; }
  const NativeString& path() const { return path_; }
  bool Close() {
    if (handle_ == kNoFile) return true;
    created_ = true;
    const FileHandle file = handle_;
    handle_ = kNoFile;
    return steps_.close(file);
  }
  void Placed() { placed_ = true; }

 private:
  static bool NameTaken(std::uint32_t error);

  const SaveSteps& steps_;
  NativeString path_;
  FileHandle handle_ = kNoFile;
  bool created_ = false;
  bool placed_ = false;
};

#if defined(_WIN32)
// ERROR_FILE_EXISTS and ERROR_ALREADY_EXISTS, without the platform header in this file.
bool SaveFile::NameTaken(std::uint32_t error) { return error == 80 || error == 183; }
#else
bool SaveFile::NameTaken(std::uint32_t error) { return error == EEXIST; }
#endif

SaveResult Failed(NativeString error) {
  const std::uint32_t code = LastSystemError();
  SaveResult result;
  result.error = std::move(error);
  result.system_error = code;
  result.reason = code != 0 ? SystemErrorText(code) : std::string();
  return result;
}

}  // namespace

ConfigLocation::ConfigLocation(NativeString folder_path)
    : folder(std::move(folder_path)), name(Native(kConfigFileName)) {}

SaveLoss JudgeLoad(LoadStatus status, const ImageReport& report) {
  switch (status) {
    case LoadStatus::kMissing:
      return {};
    case LoadStatus::kUnreadable:
    case LoadStatus::kForeign: {
      SaveLoss loss;
      loss.whole_file = true;
      return loss;
    }
    case LoadStatus::kLoaded:
    case LoadStatus::kCut:
      break;
  }
  return JudgeLoaded(report);
}

bool IsSaveFileName(NativeView name) { return IsSaveFileName(name, Native(kConfigFileName)); }

bool IsSaveFileName(NativeView name, NativeView base) {
  const NativeString mark = Native(kSaveFileMark), suffix = Native(kSaveFileSuffix);
  if (name.size() != base.size() + mark.size() + kSaveFileTokenDigits + suffix.size()) return false;
  const auto digits = name.substr(base.size() + mark.size(), kSaveFileTokenDigits);
  return SameName(name.substr(0, base.size()), base) &&
         SameName(name.substr(base.size(), mark.size()), mark) &&
         SameName(name.substr(name.size() - suffix.size()), suffix) &&
         std::all_of(digits.begin(), digits.end(), IsHexDigit);
}

SaveResult SaveConfig(const ConfigEditTurn& turn, const ConfigDocument& doc) {
  return SaveConfigWith(SaveSteps::Platform(), turn, doc);
}

SaveResult SaveConfigWith(const SaveSteps& steps, const ConfigEditTurn& turn,
                          const ConfigDocument& doc) {
  if (!turn.held()) {
    SaveResult result;
    result.error = Native("Cannot create file ") + turn.location().path();
    result.reason = "the edit turn was not taken";
    return result;
  }
  SaveResult result = store_detail::ReplaceWithNewFile(
      steps, turn.location().folder, turn.location().name, false, false,
      [&doc](store_detail::ContentWriter& out) {
        // The same bytes as BuildConfigImage, the records straight from the document's storage.
        const std::vector<std::uint8_t> header = BuildConfigHeader(doc);
        return out.Write(header) &&
               out.Write({reinterpret_cast<const std::uint8_t*>(doc.tasks.data()),
                          doc.tasks.size() * kTaskRecordSize});
      });
  if (result.ok) {
    // What earlier saves left when they were stopped is no longer needed.
    for (const NativeString& name : steps.leftovers(turn.location())) {
      steps.remove(turn.location().folder + name);
    }
  }
  return result;
}

namespace store_detail {

SaveResult ReplaceWithNewFile(const SaveSteps& steps, const NativeString& folder,
                       const NativeString& name, bool owner_only_when_new, bool keep_owner,
                       const std::function<bool(ContentWriter&)>& content) {
  const NativeString target = folder + name;
  const NativeString cannot_create = Native("Cannot create file ") + target;
  FileProtection protection;
  protection.owner_only = owner_only_when_new;
  protection.keep_owner = keep_owner;
  if (!steps.inspect(target, protection)) {
    SaveResult failed = Failed(cannot_create);
    if (protection.read_only) failed.reason = "the file is read-only";
    return failed;
  }

  SaveFile file(steps, folder, name, protection);
  if (!file.created()) return Failed(cannot_create);
  StampDigest digest;
  FileWriter writer(steps, file.handle(), digest);
  if (!content(writer) || !steps.flush(file.handle()) || !file.Close()) {
    return Failed(Native("Stream write error"));
  }
  if (!steps.move(file.path(), target)) return Failed(cannot_create);
  file.Placed();
  SaveResult result;
  result.ok = true;
  result.stamp = digest.Stamp();
  return result;
}

std::string TurnBusyText(std::uint32_t wait_ms) {
  return "another run kept it busy for " + std::to_string(wait_ms / 1000) +
         " seconds; nothing was changed";
}

bool StampingSource::DigestUpTo(std::uint64_t end) {
  while (next_ < end) {
    if (scratch_.empty()) scratch_.resize(std::size_t{1} << 20);
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(end - next_, scratch_.size()));
    if (!inner_.ReadAt(next_, scratch_.data(), n)) return false;
    digest_.Add({scratch_.data(), n});
    next_ += n;
  }
  return true;
}

bool StampingSource::ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) {
  if (!DigestUpTo(offset) || !inner_.ReadAt(offset, out, size)) {
    failed_ = true;
    return false;
  }
  if (offset + size > next_) {
    const auto skip = static_cast<std::size_t>(next_ - offset);
    digest_.Add({out + skip, size - skip});
    next_ = offset + size;
  }
  return true;
}

FileStamp StampingSource::Finish() {
  if (failed_ || !DigestUpTo(inner_.Size())) return {};
  return digest_.Stamp();
}

void LoadFromSource(ImageSource& source, ConfigDocument& doc, LoadResult& result) {
  StampingSource stamping(source);
  ImageOutcome outcome = ImageOutcome::kReadError;
  try {
    outcome = ReadConfigImage(stamping, doc, ImageLimits{}, &result.report);
  } catch (const std::bad_alloc&) {
    // Not even the smallest list fits: nothing is loaded, and the file must not be replaced.
    result.reason = "not enough memory to load it";
  }
  switch (outcome) {
    case ImageOutcome::kLoaded:
      result.status = result.report.cut_at_bound ? LoadStatus::kCut : LoadStatus::kLoaded;
      break;
    case ImageOutcome::kForeign:
      result.status = LoadStatus::kForeign;
      break;
    case ImageOutcome::kReadError:
      result.status = LoadStatus::kUnreadable;
      if (result.reason.empty()) {
        result.system_error = LastSystemError();
        result.reason = SystemErrorText(result.system_error);
      }
      break;
  }
  if (result.status != LoadStatus::kUnreadable) {
    result.stamp = stamping.Finish();
    // The bytes a save would drop must be known to be all there is to know.
    if (!result.stamp.known) {
      result.status = LoadStatus::kUnreadable;
      result.reason = "a read error";
      doc.settings = SettingsRecord::Defaults();
      doc.tasks.clear();
    }
  }
}

}  // namespace store_detail

}  // namespace qv
