#pragma once
// The folder options of `task add` and `task set`, one per folder field of a task.
#include <array>
#include <optional>
#include <string>

#include "cli/session.h"

namespace CLI {
class App;
}

namespace qv::cli {

struct FolderOptions {
  std::optional<std::string> source, target;
  bool Any() const { return source || target; }
};

void AddFolderOptions(CLI::App& command, FolderOptions& folders);

// Encodes the folders given, before anything changes; false (message given) when one cannot be.
struct FolderBytes {
  std::optional<std::string> source, target;
};
bool EncodeFolders(Session& session, const FolderOptions& folders, FolderBytes& bytes);
// Stores the folders given in the task at `position`, noting what the file holds instead.
void SetFolders(Session& session, int position, const FolderBytes& bytes);

}  // namespace qv::cli
