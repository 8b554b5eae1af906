#include <CLI/CLI.hpp>

#include "cli/check.h"
#include "cli/commands/command.h"

namespace qv::cli {
namespace {

int Check(Session& session) {
  if (!session.Open(Session::Use::kCheck)) return session.exit_status();
  const std::vector<std::string> problems =
      CheckConfig(session.doc(), session.loaded().report, session.code_page());
  std::string out;
  for (const std::string& problem : problems) out += problem + "\n";
  if (problems.empty()) out = session.DisplayPath() + ": no problems found\n";
  session.console().Out(out);
  return problems.empty() ? kExitOk : kExitProblems;
}

}  // namespace

void AddCheckCommand(CLI::App& app, QvconfRun& run) {
  CLI::App* check = app.add_subcommand("check", "report problems in the file, one line each");
  OnRun(*check, run, [](Session& session) { return Check(session); });
}

}  // namespace qv::cli
