#include <CLI/CLI.hpp>
#include <memory>

#include "cli/commands/command.h"
#include "cli/config_json.h"
#include "cli/texts.h"

namespace qv::cli {
namespace {

int Import(Session& session, const std::string& input) {
  const std::string shown = Escaped(input);
  std::string json;
  if (input == "-") {
    std::optional<std::string> read = session.console().ReadInput();
    if (!read) return session.Error("cannot read standard input");
    json = std::move(*read);
  } else {
    std::string error;
    if (!ReadWholeFile(input, json, error)) return session.Error("cannot read " + Escaped(error));
  }
  if (!session.Open(Session::Use::kEdit)) return session.exit_status();
  ConfigDocument& doc = session.doc();
  const ImportResult result =
      ImportJson(json, doc, session.code_page(), NewTaskStem(session.code_page().number()));
  switch (result.kind) {
    case ImportResult::Kind::kBadInput:
      return session.Error(shown + ": " + result.error + "; nothing was changed");
    case ImportResult::Kind::kRefused:
      return session.Refused(shown + ": " + result.error);
    case ImportResult::Kind::kApplied:
      break;
  }
  for (const std::string& note : result.notes) session.Note(note);
  if (!result.changed && session.loaded().status != LoadStatus::kMissing) {
    session.console().Out("imported: the file already holds this configuration (not written)\n");
    return kExitOk;
  }
  return session.Save("imported " + std::to_string(doc.tasks.size()) + " tasks into " +
                      session.DisplayPath());
}

}  // namespace

void AddImportCommand(CLI::App& app, QvconfRun& run) {
  auto input = std::make_shared<std::string>();
  CLI::App* importer = app.add_subcommand("import", "make the file hold a JSON configuration");
  importer->add_option("input", *input, "JSON file to read; - for standard input")->required();
  OnRun(*importer, run, [input](Session& session) { return Import(session, *input); });
}

}  // namespace qv::cli
