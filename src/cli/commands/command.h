#pragma once
// Each command of qvconf is set up by one function, in a file of its own with its options and its
// callback; the callback runs the command against the file the options before it name.
#include <functional>
#include <optional>

#include "cli/host.h"
#include "cli/session.h"

namespace CLI {
class App;
}

namespace qv::cli {

// What the commands share: the console, the options before the command, and the exit status of
// the command that ran.
struct QvconfRun {
  Console& console;
  FileOptions files;
  std::optional<int> exit;
};

// Makes `body` the command's callback: it runs against a session of its own, and what it returns
// is the exit status.
void OnRun(CLI::App& command, QvconfRun& run, std::function<int(Session&)> body);

void AddShowCommand(CLI::App& app, QvconfRun& run);
void AddExportCommand(CLI::App& app, QvconfRun& run);
void AddImportCommand(CLI::App& app, QvconfRun& run);
void AddSetCommand(CLI::App& app, QvconfRun& run);
void AddCheckCommand(CLI::App& app, QvconfRun& run);
// The task group and its commands.
void AddTaskAddCommand(CLI::App& task, QvconfRun& run);
void AddTaskRemoveCommand(CLI::App& task, QvconfRun& run);
void AddTaskRenameCommand(CLI::App& task, QvconfRun& run);
void AddTaskSetCommand(CLI::App& task, QvconfRun& run);

}  // namespace qv::cli
