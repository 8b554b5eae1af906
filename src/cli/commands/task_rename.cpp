#include <CLI/CLI.hpp>
#include <memory>

#include "cli/commands/command.h"
#include "cli/texts.h"

namespace qv::cli {
namespace {

struct TaskRenameOptions {
  std::string task, new_name;
};

int TaskRename(Session& session, const TaskRenameOptions& options) {
  if (!session.Open(Session::Use::kEdit)) return session.exit_status();
  const std::optional<int> position = session.FindTask(options.task);
  if (!position) return kExitError;
  const std::optional<std::string> name = session.Bytes(options.new_name, "name");
  if (!name) return kExitError;
  const std::string before = session.Label(*position);
  if (const auto refused = session.SetTaskField(FieldId::kName, *position, *name)) return *refused;
  const TaskRecord& task = session.doc().tasks[static_cast<std::size_t>(*position)];
  return session.Finish("renamed " + before + " to " +
                        Quoted(task.NameView(), session.code_page()));
}

}  // namespace

void AddTaskRenameCommand(CLI::App& task, QvconfRun& run) {
  auto options = std::make_shared<TaskRenameOptions>();
  CLI::App* rename = task.add_subcommand("rename", "rename a task");
  rename->add_option("task", options->task, "name or #N")->required();
  rename->add_option("name", options->new_name, "the new name")->required();
  OnRun(*rename, run, [options](Session& session) { return TaskRename(session, *options); });
}

}  // namespace qv::cli
