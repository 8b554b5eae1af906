#include <CLI/CLI.hpp>
#include <memory>

#include "cli/commands/command.h"

namespace qv::cli {
namespace {

int TaskRemove(Session& session, const std::string& task) {
  if (!session.Open(Session::Use::kEdit)) return session.exit_status();
  const std::optional<int> position = session.FindTask(task);
  if (!position) return kExitError;
  const std::string label = session.Label(*position);
  session.doc().DeleteTask(*position);
  return session.Finish("removed " + label);
}

}  // namespace

void AddTaskRemoveCommand(CLI::App& task, QvconfRun& run) {
  auto name = std::make_shared<std::string>();
  CLI::App* remove = task.add_subcommand("remove", "remove a task");
  remove->add_option("task", *name, "name or #N")->required();
  OnRun(*remove, run, [name](Session& session) { return TaskRemove(session, *name); });
}

}  // namespace qv::cli
