#include "config/config_store.h"

#include <new>
#include <vector>

#include "config/config_file.h"
#include "config/config_store_steps.h"
#include "config/page_memory.h"

namespace qv {
namespace {

std::wstring ConfigPath(const std::wstring& directory) {
  std::wstring path = directory;
  for (const char* c = kConfigFileName; *c != '\0'; ++c) path += static_cast<wchar_t>(*c);
  return path;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteAll(const SaveSteps& steps, HANDLE file, const std::vector<std::uint8_t>& bytes) {
  DWORD written = 0;
  const auto size = static_cast<DWORD>(bytes.size());
  return steps.write(file, bytes.data(), size, written) && written == size;
}

// The same bytes as BuildConfigImage, gathered a chunk at a time so that a large list is never
// held twice.
bool WriteImage(const SaveSteps& steps, HANDLE file, const ConfigDocument& doc) {
  std::vector<std::uint8_t> chunk = BuildConfigHeader(doc);
  chunk.reserve(kSaveChunkSize);
  for (const TaskRecord& task : doc.tasks) {
    if (chunk.size() + kTaskRecordSize > kSaveChunkSize) {
      if (!WriteAll(steps, file, chunk)) return false;
      chunk.clear();
    }
    chunk.insert(chunk.end(), task.bytes.begin(), task.bytes.end());
  }
  return chunk.empty() || WriteAll(steps, file, chunk);
}

// Puts the temporary file in the target's place. Afterwards the target holds the old bytes or
// the new ones, whatever failed.
bool Install(const SaveSteps& steps, const std::wstring& target, const std::wstring& temp,
             const std::wstring& backup) {
  if (!Exists(target)) return steps.move(temp, target);
  if (steps.replace(target, temp, backup)) {
    DeleteFileW(backup.c_str());
    return true;
  }
  // After ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 (1177) the old file sits under the backup name and
  // the new one under the temporary name; ERROR_UNABLE_TO_MOVE_REPLACEMENT (1176) can leave the
  // target missing too. Finish the move, or else bring the old file back.
  if (!Exists(target)) {
    if (steps.move(temp, target)) {
      DeleteFileW(backup.c_str());
      return true;
    }
    if (Exists(backup)) steps.move(backup, target);
    return false;
  }
  DeleteFileW(backup.c_str());
  return false;
}

}  // namespace

SaveSteps SaveSteps::Platform() {
  SaveSteps steps;
  steps.create = [](const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  steps.write = [](HANDLE file, const std::uint8_t* data, DWORD size, DWORD& written) {
    return WriteFile(file, data, size, &written, nullptr) != FALSE;
  };
  steps.flush = [](HANDLE file) { return FlushFileBuffers(file) != FALSE; };
  steps.replace = [](const std::wstring& target, const std::wstring& temp,
                     const std::wstring& backup) {
    return ReplaceFileW(target.c_str(), temp.c_str(), backup.c_str(),
                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != FALSE;
  };
  steps.move = [](const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  };
  return steps;
}

void LoadConfig(const std::wstring& directory, ConfigDocument& doc) {
  LoadConfigWith(directory, doc, [](std::uint32_t milliseconds) { Sleep(milliseconds); });
}

void LoadConfigWith(const std::wstring& directory, ConfigDocument& doc,
                    const PauseFunction& pause) {
  const std::wstring path = ConfigPath(directory);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;

  TStrMemoryStream stream(PageStreamAllocator());
  if (!LoadFileWithRetry(stream, path, pause)) return;
  // Pages already parsed go back as the tasks are copied out, so a large file is not held twice.
  PageDiscarder discarder(stream.Memory());
  try {
    ParseConfigImage(stream.Bytes(), doc,
                     [&](std::size_t consumed) { discarder.DiscardBefore(consumed); });
  } catch (const std::bad_alloc&) {
    // A damaged record size can promise more tasks than memory holds: keep the defaults.
  }
}

SaveResult SaveConfig(const std::wstring& directory, const ConfigDocument& doc) {
  return SaveConfigWith(SaveSteps::Platform(), directory, doc);
}

SaveResult SaveConfigWith(const SaveSteps& steps, const std::wstring& directory,
                          const ConfigDocument& doc) {
  const std::wstring target = ConfigPath(directory);
  const std::wstring temp = target + kTempSuffix;
  const std::wstring backup = target + kBackupSuffix;
  const std::wstring cannot_create = L"Cannot create file " + target;

  const HANDLE file = steps.create(temp);
  if (file == INVALID_HANDLE_VALUE) return {false, cannot_create};
  const bool written = WriteImage(steps, file, doc) && steps.flush(file);
  CloseHandle(file);
  if (!written) {
    DeleteFileW(temp.c_str());
    return {false, L"Stream write error"};
  }
  if (!Install(steps, target, temp, backup)) {
    DeleteFileW(temp.c_str());
    return {false, cannot_create};
  }
  return {true, {}};
}

}  // namespace qv
