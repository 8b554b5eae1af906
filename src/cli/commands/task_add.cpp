#include <CLI/CLI.hpp>
#include <memory>

#include "cli/commands/command.h"
#include "cli/commands/task_folders.h"

namespace qv::cli {
namespace {

struct TaskAddOptions {
  std::optional<std::string> name;
  FolderOptions folders;
};

int TaskAdd(Session& session, const TaskAddOptions& options) {
  if (!session.Open(Session::Use::kEdit)) return session.exit_status();
  std::optional<std::string> name;
  if (options.name && !(name = session.Bytes(*options.name, "name"))) return kExitError;
  FolderBytes folders;
  if (!EncodeFolders(session, options.folders, folders)) return kExitError;
  const AddedTask added = session.doc().AddTask(NewTaskStem(session.code_page().number()));
  if (name) {
    if (const auto refused = session.SetTaskField(FieldId::kName, added.position, *name)) {
      return *refused;
    }
  }
  SetFolders(session, added.position, folders);
  return session.Finish("added " + session.Label(added.position));
}

}  // namespace

void AddTaskAddCommand(CLI::App& task, QvconfRun& run) {
  auto options = std::make_shared<TaskAddOptions>();
  CLI::App* add = task.add_subcommand("add", "add a task (named as the editor names new tasks)");
  add->add_option("name", options->name, "its name, instead of the editor's NewTaskN");
  AddFolderOptions(*add, options->folders);
  OnRun(*add, run, [options](Session& session) { return TaskAdd(session, *options); });
}

}  // namespace qv::cli
