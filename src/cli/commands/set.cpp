#include <CLI/CLI.hpp>
#include <memory>

#include "cli/commands/command.h"
#include "cli/texts.h"
#include "common/parse_int.h"
#include "config/record_fields.h"

namespace qv::cli {
namespace {

struct SetOptions {
  std::string field, value;
};

// What the window's number edit would hold after the same keys: a batch file's line end or a tab
// around the value is no key at all.
std::string TypedNumber(const RecordField& field, std::string_view text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  while (!text.empty() && text.front() == '\t') text.remove_prefix(1);
  return AsTyped(field, text);
}

int Set(Session& session, const SetOptions& options) {
  // The word passed the command's check, so it names a setting.
  const RecordField& field = *FindSettingsField(options.field);
  const std::string word = field.word;
  if (!field.editable) {
    return session.Error("the " + word + " is shown, never changed, as in the editor");
  }
  if (!session.Open(Session::Use::kEdit)) return session.exit_status();
  const CodePage& cp = session.code_page();
  const std::optional<std::string> bytes = cp.Encode(options.value);
  if (!bytes) {
    // The password is not repeated on the screen.
    return session.Error(word + (field.secret ? "" : " " + QuotedInput(options.value)) +
                         " has a character that code page " + std::to_string(cp.number()) +
                         " cannot hold (or is not UTF-8)");
  }
  const std::string text = HoldsText(field) ? *bytes : TypedNumber(field, *bytes);
  if (text.size() > field.input_limit) {
    return session.Error(word + " is " + std::to_string(text.size()) +
                         " bytes long; the editor takes " + std::to_string(field.input_limit) +
                         "; nothing was changed");
  }
  if (HoldsText(field)) {
    session.doc().SetField(field.id, -1, text);
    return session.Finish(word + " set to " + (field.secret ? "(hidden)" : Quoted(text, cp)));
  }
  if (!ParseInt(text)) {
    return session.Error(word + " " + QuotedInput(options.value) +
                         " is not a number the editor reads (decimal in 32 bits, or hexadecimal "
                         "after $ or 0x); nothing was changed");
  }
  const std::int32_t stored = session.doc().SetField(field.id, -1, text).number;
  return session.Finish(word + " set to " + std::to_string(stored));
}

// The settings a person may change, as "host, user, ..." with each unit when `units`.
std::string SettingWords(bool units, const char* separator = ", ") {
  std::string words;
  for (const RecordField& field : kSettingsFields) {
    if (!field.editable) continue;
    if (!words.empty()) words += separator;
    words += field.word;
    if (units && *field.unit != '\0') words += std::string(" (") + field.unit + ")";
  }
  return words;
}

}  // namespace

void AddSetCommand(CLI::App& app, QvconfRun& run) {
  auto options = std::make_shared<SetOptions>();
  CLI::App* set = app.add_subcommand("set", "set a setting: " + SettingWords(false));
  // The port is no choice here, but `set port` gets the editor's reason rather than CLI11's.
  set->add_option("field", options->field, SettingWords(true))
      ->required()
      ->check(CLI::Validator(
          [](std::string& word) {
            return FindSettingsField(word) != nullptr ? std::string()
                                                      : QuotedInput(word) + " is no setting";
          },
          "{" + SettingWords(false, ",") + "}"));
  set->add_option("value", options->value, "the new value")->required();
  OnRun(*set, run, [options](Session& session) { return Set(session, *options); });
}

}  // namespace qv::cli
