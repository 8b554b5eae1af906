#include <CLI/CLI.hpp>
#include <memory>

#include "cli/commands/command.h"
#include "cli/commands/task_folders.h"

namespace qv::cli {
namespace {

struct TaskSetOptions {
  std::string task;
  FolderOptions folders;
};

int TaskSet(Session& session, const TaskSetOptions& options) {
  if (!options.folders.Any()) return session.Error("task set needs --source or --target");
  if (!session.Open(Session::Use::kEdit)) return session.exit_status();
  const std::optional<int> position = session.FindTask(options.task);
  if (!position) return kExitError;
  FolderBytes folders;
  if (!EncodeFolders(session, options.folders, folders)) return kExitError;
  SetFolders(session, *position, folders);
  return session.Finish("set " + session.Label(*position));
}

}  // namespace

void AddTaskSetCommand(CLI::App& task, QvconfRun& run) {
  auto options = std::make_shared<TaskSetOptions>();
  CLI::App* set = task.add_subcommand("set", "set a task's source or target folder");
  set->add_option("task", options->task, "name or #N")->required();
  AddFolderOptions(*set, options->folders);
  OnRun(*set, run, [options](Session& session) { return TaskSet(session, *options); });
}

}  // namespace qv::cli
