#include "cli/commands/task_folders.h"

#include <CLI/CLI.hpp>

namespace qv::cli {

void AddFolderOptions(CLI::App& command, FolderOptions& folders) {
  command.add_option("--source", folders.source, "folder on the sync server");
  command.add_option("--target", folders.target, "local folder");
}

bool EncodeFolders(Session& session, const FolderOptions& folders, FolderBytes& bytes) {
  if (folders.source && !(bytes.source = session.Bytes(*folders.source, "source"))) return false;
  if (folders.target && !(bytes.target = session.Bytes(*folders.target, "target"))) return false;
  return true;
}

void SetFolders(Session& session, int position, const FolderBytes& bytes) {
  if (bytes.source) session.SetTaskField(FieldId::kSource, position, *bytes.source);
  if (bytes.target) session.SetTaskField(FieldId::kTarget, position, *bytes.target);
}

}  // namespace qv::cli
