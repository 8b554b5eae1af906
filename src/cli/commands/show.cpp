#include <CLI/CLI.hpp>
#include <memory>
#include <sstream>

#include "cli/commands/command.h"
#include "cli/config_json.h"
#include "cli/texts.h"
#include "config/record_fields.h"

namespace qv::cli {
namespace {

struct ShowOptions {
  bool json = false;
  bool show_password = false;
};

std::string Row(const std::string& label) {
  return (label + ":").append(label.size() < 12 ? 12 - label.size() : 1, ' ');
}

int Show(Session& session, const ShowOptions& options) {
  if (!session.Open(Session::Use::kRead)) return session.exit_status();
  const ConfigDocument& doc = session.doc();
  const CodePage& cp = session.code_page();
  if (options.json) {
    session.console().Out(ExportJson(doc, cp, !options.show_password));
    return kExitOk;
  }
  std::ostringstream out;
  out << Row("File") << session.DisplayPath() << "\n";
  const std::span<const std::uint8_t> settings(doc.settings.bytes);
  for (const RecordField& field : kSettingsFields) {
    out << Row(field.label);
    if (!HoldsText(field)) {
      out << FieldNumber(settings, field) << (*field.unit != '\0' ? " " : "") << field.unit;
    } else if (field.secret && !options.show_password) {
      if (!FieldText(settings, field).empty()) out << "******** (--show-password shows it)";
    } else {
      out << Shown(FieldText(settings, field), cp);
    }
    out << "\n";
  }
  out << Row("Tasks") << doc.tasks.size() << "\n";
  for (std::size_t i = 0; i < doc.tasks.size(); ++i) {
    const std::span<const std::uint8_t> task(doc.tasks[i].bytes);
    for (const RecordField& field : kTaskFields) {
      if (field.kind == FieldKind::kTaskName) {
        out << "  #" << (i + 1) << "  " << Shown(FieldText(task, field), cp) << "\n";
      } else {
        out << "      " << field.label << ": " << Shown(FieldText(task, field), cp) << "\n";
      }
    }
  }
  session.console().Out(out.str());
  return kExitOk;
}

}  // namespace

void AddShowCommand(CLI::App& app, QvconfRun& run) {
  auto options = std::make_shared<ShowOptions>();
  CLI::App* show = app.add_subcommand("show", "show the settings and tasks");
  show->add_flag("--json", options->json, "as JSON, the form export writes");
  show->add_flag("--show-password", options->show_password, "show the password instead of stars");
  OnRun(*show, run, [options](Session& session) { return Show(session, *options); });
}

}  // namespace qv::cli
