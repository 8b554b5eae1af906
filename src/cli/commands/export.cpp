#include <CLI/CLI.hpp>
#include <memory>

#include "cli/commands/command.h"
#include "cli/config_json.h"
#include "cli/texts.h"

namespace qv::cli {
namespace {

int Export(Session& session, const std::string& output) {
  if (!session.Open(Session::Use::kRead)) return session.exit_status();
  const std::string json = ExportJson(session.doc(), session.code_page(), false);
  if (output == "-") {
    session.console().Out(json);
    return kExitOk;
  }
  const std::string shown = Escaped(output);
  if (SameFile(output, session.FilePath())) {
    return session.Error(shown + " is the configuration file being exported; nothing was written");
  }
  if (IsReadOnlyFile(output)) return session.Error(shown + " is read-only; nothing was written");
  std::string error;
  if (!WriteWholeFile(output, json, error)) return session.Error("cannot write " + Escaped(error));
  session.console().Out("exported " + std::to_string(session.doc().tasks.size()) + " tasks to " +
                        shown + "\n");
  return kExitOk;
}

}  // namespace

void AddExportCommand(CLI::App& app, QvconfRun& run) {
  auto output = std::make_shared<std::string>("-");
  CLI::App* exporter = app.add_subcommand("export", "write the configuration as JSON");
  exporter->add_option("output", *output, "JSON file to write; - or nothing: standard output");
  OnRun(*exporter, run, [output](Session& session) { return Export(session, *output); });
}

}  // namespace qv::cli
