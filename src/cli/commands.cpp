#include "cli/commands.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <span>
#include <sstream>

#include "cli/check.h"
#include "cli/code_page.h"
#include "config/config_store.h"
#include "cli/config_json.h"
#include "cli/texts.h"
#include "common/parse_int.h"
#include "config/document.h"
#include "config/record_fields.h"
#include "config/records.h"

namespace qv::cli {
namespace {

struct Arguments {
  std::optional<std::string> file, dir;
  unsigned code_page = 0;
  bool create = false;
  bool force = false;
  bool json = false, show_password = false;
  std::string output = "-", input;
  std::string field, value;
  std::string task, new_name;
  std::optional<std::string> name;
  std::optional<std::string> source, target;
};

// One run of a command against one file.
class Session {
 public:
  Session(Console& console, const Arguments& args) : console_(console), args_(args) {}

  int Show();
  int Export();
  int Import();
  int Set();
  int TaskAdd();
  int TaskRemove();
  int TaskRename();
  int TaskSet();
  int Check();

 private:
  enum class Use { kRead, kEdit, kCheck };

  // Resolves the code page and the file and loads it; false (with the message given and
  // `exit_` set) when the command cannot go on.
  bool Open(Use use);
  int Error(const std::string& message) {
    console_.Err("qvconf: " + message + "\n");
    return kExitError;
  }
  int Refused(const std::string& message) {
    console_.Err("qvconf: " + message + "; nothing was changed\n");
    return kExitRefused;
  }
  int RefusedRepeated(std::string_view name) {
    const std::string_view stored = StoredTaskName(name);
    return Refused("Repeated task name! " +
                   (stored.size() < name.size()
                        ? "its first 31 bytes, " + Quoted(stored, *code_page_) +
                              ", which is all the file holds of a name, are"
                        : Quoted(name, *code_page_) + " is") +
                   " already the name of another task (letter case aside)");
  }
  void Note(const std::string& message) { console_.Err("qvconf: " + message + "\n"); }
  int Save(const std::string& done) {
    // An edit that changes nothing writes nothing and so loses nothing.
    if (loaded_.loss.Any() && !args_.force) {
      return Error(DisplayPath() + ": " + LossText() +
                   ", so it is left alone (--force writes it anyway)");
    }
    const SaveResult saved = SaveConfig(turn_, doc_);
    if (!saved.ok) return SaveFailed(saved);
    doc_.MarkSaved();
    console_.Out(done + "\n");
    return kExitOk;
  }
  int SaveFailed(const SaveResult& saved) {
    return Error(PathText(saved.error) + (saved.reason.empty() ? "" : ": " + saved.reason) +
                 (loaded_.status == LoadStatus::kMissing ? "; nothing was written"
                                                         : "; " + DisplayPath() + " keeps its bytes"));
  }
  std::string DisplayPath() const { return PathText(location_.path()); }
  // Why an edit is refused when the verdict on the load says a save would lose something.
  std::string LossText() const;
  // Saves when the document says it changed, as the editor's Save button would allow.
  int Finish(const std::string& done);

  // The code page's bytes for a text of the command line, or none (message given).
  std::optional<std::string> Bytes(const std::string& utf8, const char* what);
  // A task by its name (letter case aside, as the editor finds names) or by #N from 1.
  std::optional<int> FindTask(const std::string& utf8);
  std::string Label(int position) const;
  void SetField(int position, bool source, const std::string& bytes);

  Console& console_;
  const Arguments& args_;
  std::optional<CodePage> code_page_;
  ConfigLocation location_{NativeString()};
  ConfigEditTurn turn_;
  ConfigDocument doc_;
  LoadResult loaded_;
  int exit_ = kExitOk;
};

std::string Session::LossText() const {
  const SaveLoss& loss = loaded_.loss;
  const ImageReport& r = loaded_.report;
  std::vector<std::string> parts;
  if (loss.tasks_not_loaded > 0) {
    parts.push_back("it holds " + std::to_string(loss.tasks_not_loaded) +
                    " task records beyond the " + std::to_string(r.tasks_loaded) +
                    " loaded (its task count is " + std::to_string(r.declared_count) +
                    "); saving would drop them");
  }
  if (loss.empty_tasks_made > 0) {
    parts.push_back("its task count is " + std::to_string(r.declared_count) + " but it holds " +
                    std::to_string(r.records_in_data) +
                    " records; saving would write the empty tasks made in their place");
  }
  if (loss.bytes_dropped > 0) {
    parts.push_back("saving would drop " + std::to_string(loss.bytes_dropped) +
                    " bytes that no task holds (run check for where)");
  }
  if (loss.filler_rewritten) {
    parts.push_back("saving would write zeros over the bytes before offset 1024");
  }
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : "; ") + part;
  return text;
}

bool Session::Open(Use use) {
  const unsigned number = args_.code_page != 0 ? args_.code_page : DefaultCodePage();
  code_page_ = CodePage::Open(number);
  if (!code_page_) {
    exit_ = Error("code page " + std::to_string(number) + " cannot be converted here");
    return false;
  }
  if (args_.file && args_.dir) {
    exit_ = Error("give --file or --dir, not both");
    return false;
  }
  std::string error;
  const bool named = args_.file ? ConfigLocationOf(*args_.file, false, location_, error)
                                : ConfigLocationOf(args_.dir ? *args_.dir : PathText(ProgramFolder()),
                                                   true, location_, error);
  if (!named) {
    exit_ = Error(error);
    return false;
  }
  doc_.SetLeadBytes(code_page_->lead_bytes());
  const std::string path = DisplayPath();
  if (use == Use::kEdit && !turn_.Take(location_, kScriptTurnWaitMs, &error)) {
    exit_ = Error(path + ": " + error);
    return false;
  }
  loaded_ = LoadConfig(location_, doc_);
  switch (loaded_.status) {
    case LoadStatus::kLoaded:
      return true;
    case LoadStatus::kMissing:
      if (use == Use::kEdit && args_.create) return true;
      exit_ = Error(path + ": no such file (" +
                    (use == Use::kEdit ? std::string("--create starts a new one")
                                       : std::string("an edit with --create starts one")) +
                    ")");
      return false;
    case LoadStatus::kUnreadable:
      exit_ = Error(path + ": cannot be read: " + loaded_.reason);
      return false;
    case LoadStatus::kForeign:
      if (use == Use::kCheck) return true;
      exit_ = Error(path + ": not a configuration file (wrong signature)" +
                    (use == Use::kEdit ? std::string("; it is left alone") : ""));
      return false;
    case LoadStatus::kCut:
      if (use == Use::kRead) {
        Note("warning: only " + std::to_string(loaded_.report.tasks_loaded) + " of the " +
             std::to_string(loaded_.report.records_in_data) + " task records were loaded");
      }
      return true;
  }
  return true;
}

int Session::Finish(const std::string& done) {
  // --create makes the file even when the edit leaves the editor's defaults as they are.
  if (!doc_.modified() && loaded_.status != LoadStatus::kMissing) {
    console_.Out(done + " (unchanged; the file was not written)\n");
    return kExitOk;
  }
  return Save(done);
}

std::optional<std::string> Session::Bytes(const std::string& utf8, const char* what) {
  std::optional<std::string> bytes = code_page_->Encode(utf8);
  if (!bytes) {
    Error(std::string(what) + " \"" + utf8 + "\" has a character that code page " +
          std::to_string(code_page_->number()) + " cannot hold (or is not UTF-8)");
  }
  return bytes;
}

std::optional<int> Session::FindTask(const std::string& utf8) {
  if (std::optional<std::string> bytes = code_page_->Encode(utf8)) {
    const TaskLookup found = doc_.LookUpTask(*bytes);
    if (found.position >= 0) return found.position;
    if (!found.matches.empty()) {
      std::string list;
      for (const int position : found.matches) list += "\n  " + Label(position);
      Error("\"" + utf8 + "\" is the name of no task exactly, and of " +
            std::to_string(found.matches.size()) +
            " tasks letter case aside; give the exact name or #N:" + list);
      return std::nullopt;
    }
  }
  if (utf8.size() > 1 && utf8[0] == '#' &&
      utf8.find_first_not_of("0123456789", 1) == std::string::npos && utf8.size() < 11) {
    const long long n = std::stoll(utf8.substr(1));
    if (n >= 1 && static_cast<std::size_t>(n) <= doc_.tasks.size()) return static_cast<int>(n - 1);
  }
  Error("no task named \"" + utf8 + "\" (a task can also be given as #N, N from 1)");
  return std::nullopt;
}

std::string Session::Label(int position) const {
  const std::string number = "#" + std::to_string(position + 1);
  const std::string_view name = doc_.tasks[static_cast<std::size_t>(position)].NameView();
  return "task " + Quoted(name, *code_page_) + " (" + number + ")";
}

void Session::SetField(int position, bool source, const std::string& bytes) {
  const TaskRecord& task = doc_.tasks[static_cast<std::size_t>(position)];
  if (source) {
    doc_.SetTaskSource(position, bytes);
  } else {
    doc_.SetTaskTarget(position, bytes);
  }
  const std::string stored = source ? task.Source() : task.Target();
  if (stored != bytes) {
    Note(std::string(source ? "source" : "target") + " stored as " + Quoted(stored, *code_page_) +
         " (trimmed of blanks and cut to 255 bytes, as the editor stores it)");
  }
}

int Session::Show() {
  if (!Open(Use::kRead)) return exit_;
  if (args_.json) {
    console_.Out(ExportJson(doc_, *code_page_, !args_.show_password));
    return kExitOk;
  }
  const CodePage& cp = *code_page_;
  const auto row = [](const std::string& label) {
    return (label + ":").append(label.size() < 12 ? 12 - label.size() : 1, ' ');
  };
  std::ostringstream out;
  out << row("File") << DisplayPath() << "\n";
  const std::span<const std::uint8_t> settings(doc_.settings.bytes);
  for (const RecordField& field : kSettingsFields) {
    out << row(field.label);
    if (!HoldsText(field)) {
      out << FieldNumber(settings, field) << (*field.unit != '\0' ? " " : "") << field.unit;
    } else if (field.secret && !args_.show_password) {
      if (!FieldText(settings, field).empty()) out << "******** (--show-password shows it)";
    } else {
      out << Shown(FieldText(settings, field), cp);
    }
    out << "\n";
  }
  out << row("Tasks") << doc_.tasks.size() << "\n";
  for (std::size_t i = 0; i < doc_.tasks.size(); ++i) {
    const std::span<const std::uint8_t> task(doc_.tasks[i].bytes);
    for (const RecordField& field : kTaskFields) {
      if (field.offset == TaskRecord::kNameOffset) {
        out << "  #" << (i + 1) << "  " << Shown(FieldText(task, field), cp) << "\n";
      } else {
        out << "      " << field.label << ": " << Shown(FieldText(task, field), cp) << "\n";
      }
    }
  }
  console_.Out(out.str());
  return kExitOk;
}

int Session::Export() {
  if (!Open(Use::kRead)) return exit_;
  const std::string json = ExportJson(doc_, *code_page_, false);
  if (args_.output == "-") {
    console_.Out(json);
    return kExitOk;
  }
  if (SameFile(args_.output, DisplayPath())) {
    return Error(args_.output + " is the configuration file being exported; nothing was written");
  }
  if (IsReadOnlyFile(args_.output)) {
    return Error(args_.output + " is read-only; nothing was written");
  }
  std::string error;
  if (!WriteWholeFile(args_.output, json, error)) return Error("cannot write " + error);
  console_.Out("exported " + std::to_string(doc_.tasks.size()) + " tasks to " + args_.output +
               "\n");
  return kExitOk;
}

int Session::Import() {
  std::string json;
  if (args_.input == "-") {
    std::optional<std::string> input = console_.ReadInput();
    if (!input) return Error("cannot read standard input");
    json = std::move(*input);
  } else {
    std::string error;
    if (!ReadWholeFile(args_.input, json, error)) return Error("cannot read " + error);
  }
  if (!Open(Use::kEdit)) return exit_;
  ImportResult result = ImportJson(json, doc_, *code_page_, NewTaskStem(code_page_->number()));
  switch (result.kind) {
    case ImportResult::Kind::kBadInput:
      return Error(args_.input + ": " + result.error + "; nothing was changed");
    case ImportResult::Kind::kRefused:
      return Refused(args_.input + ": " + result.error);
    case ImportResult::Kind::kApplied:
      break;
  }
  for (const std::string& note : result.notes) Note(note);
  if (!result.changed && loaded_.status != LoadStatus::kMissing) {
    console_.Out("imported: the file already holds this configuration (not written)\n");
    return kExitOk;
  }
  return Save("imported " + std::to_string(doc_.tasks.size()) + " tasks into " +
              DisplayPath());
}

// What the window's number edit would hold after the same keys: a batch file's line end or a tab
// around the value is no key at all.
std::string TypedNumber(const RecordField& field, std::string_view text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  while (!text.empty() && text.front() == '\t') text.remove_prefix(1);
  return AsTyped(field, text);
}

int Session::Set() {
  const RecordField* field = FindSettingsField(args_.field);
  if (field == nullptr) return Error("no setting named \"" + args_.field + "\"");
  if (!field->editable) {
    return Error("the " + args_.field + " is shown, never changed, as in the editor");
  }
  if (!Open(Use::kEdit)) return exit_;
  const bool secret = field->secret;
  const std::optional<std::string> bytes = code_page_->Encode(args_.value);
  if (!bytes) {
    // The password is not repeated on the screen.
    return Error(args_.field + (secret ? "" : " \"" + args_.value + "\"") +
                 " has a character that code page " + std::to_string(code_page_->number()) +
                 " cannot hold (or is not UTF-8)");
  }
  const std::string text = HoldsText(*field) ? *bytes : TypedNumber(*field, *bytes);
  if (text.size() > field->input_limit) {
    return Error(args_.field + " is " + std::to_string(text.size()) +
                 " bytes long; the editor takes " + std::to_string(field->input_limit) +
                 "; nothing was changed");
  }
  if (HoldsText(*field)) {
    doc_.SetField(field->id, -1, text);
    return Finish(args_.field + " set to " + (secret ? "(hidden)" : Quoted(text, *code_page_)));
  }
  if (!ParseInt(text)) {
    return Error(args_.field + " \"" + args_.value +
                 "\" is not a number the editor reads (decimal in 32 bits, or hexadecimal after "
                 "$ or 0x); nothing was changed");
  }
  const std::int32_t stored = doc_.SetField(field->id, -1, text).number;
  return Finish(args_.field + " set to " + std::to_string(stored));
}

int Session::TaskAdd() {
  if (!Open(Use::kEdit)) return exit_;
  std::optional<std::string> name, source, target;
  if (args_.name && !(name = Bytes(*args_.name, "name"))) return kExitError;
  if (args_.source && !(source = Bytes(*args_.source, "source"))) return kExitError;
  if (args_.target && !(target = Bytes(*args_.target, "target"))) return kExitError;
  const AddedTask added = doc_.AddTask(NewTaskStem(code_page_->number()));
  if (name) {
    const RenameResult renamed = doc_.RenameTask(added.position, *name);
    if (renamed == RenameResult::kRefusedEmpty) {
      return Refused("Invalid task name! A task name cannot be empty");
    }
    if (renamed == RenameResult::kRefusedRepeated) return RefusedRepeated(*name);
    if (name->size() > TaskRecord::kNameCapacity) {
      Note("the name is cut to its first 31 bytes, as the editor stores it");
    }
  }
  if (source) SetField(added.position, true, *source);
  if (target) SetField(added.position, false, *target);
  return Finish("added " + Label(added.position));
}

int Session::TaskRemove() {
  if (!Open(Use::kEdit)) return exit_;
  const std::optional<int> position = FindTask(args_.task);
  if (!position) return kExitError;
  const std::string label = Label(*position);
  doc_.DeleteTask(*position);
  return Finish("removed " + label);
}

int Session::TaskRename() {
  if (!Open(Use::kEdit)) return exit_;
  const std::optional<int> position = FindTask(args_.task);
  if (!position) return kExitError;
  const std::optional<std::string> name = Bytes(args_.new_name, "name");
  if (!name) return kExitError;
  const std::string before = Label(*position);
  switch (doc_.RenameTask(*position, *name)) {
    case RenameResult::kRefusedEmpty:
      return Refused("Invalid task name! A task name cannot be empty");
    case RenameResult::kRefusedRepeated:
      return RefusedRepeated(*name);
    case RenameResult::kAccepted:
      break;
  }
  if (name->size() > TaskRecord::kNameCapacity) {
    Note("the name is cut to its first 31 bytes, as the editor stores it");
  }
  return Finish("renamed " + before + " to " +
                Quoted(doc_.tasks[static_cast<std::size_t>(*position)].NameView(), *code_page_));
}

int Session::TaskSet() {
  if (!args_.source && !args_.target) return Error("task set needs --source or --target");
  if (!Open(Use::kEdit)) return exit_;
  const std::optional<int> position = FindTask(args_.task);
  if (!position) return kExitError;
  std::optional<std::string> source, target;
  if (args_.source && !(source = Bytes(*args_.source, "source"))) return kExitError;
  if (args_.target && !(target = Bytes(*args_.target, "target"))) return kExitError;
  if (source) SetField(*position, true, *source);
  if (target) SetField(*position, false, *target);
  return Finish("set " + Label(*position));
}

int Session::Check() {
  if (!Open(Use::kCheck)) return exit_;
  const std::vector<std::string> problems = CheckConfig(doc_, loaded_.report, *code_page_);
  std::string out;
  for (const std::string& problem : problems) out += problem + "\n";
  if (problems.empty()) out = DisplayPath() + ": no problems found\n";
  console_.Out(out);
  return problems.empty() ? kExitOk : kExitProblems;
}

std::string Footer() {
  return "\nThe file is CONFIGS.DAT beside qvconf unless --file or --dir says otherwise. Texts "
         "are\n"
         "UTF-8 here and bytes of an ANSI code page in the file. Exit status: 0 done, 1 refused "
         "by\n"
         "the editor's rules (or check found problems), 2 bad input or the file could not be read\n"
         "or written; the file is never changed unless the command succeeds.";
}

// "--target=" gives the option an empty value; CLI11 would take the next argument as its value.
std::vector<std::string> EmptyValuesSplit(const std::vector<std::string>& args) {
  std::vector<std::string> out;
  bool options_end = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (i > 0 && !options_end && arg.size() > 3 && arg.starts_with("--") &&
        arg.find('=') == arg.size() - 1) {
      out.push_back(arg.substr(0, arg.size() - 1));
      out.emplace_back();
      continue;
    }
    if (arg == "--") options_end = true;
    out.push_back(arg);
  }
  return out;
}

}  // namespace

int RunQvconf(const std::vector<std::string>& args, Console& console) {
  Arguments a;
  CLI::App app("qvconf: reads and changes CONFIGS.DAT with the configuration editor's rules.",
               "qvconf");
  app.footer(Footer());
  app.require_subcommand(1);
  app.fallthrough();
  std::string file, dir;
  auto* file_option =
      app.add_option("--file", file, "the configuration file (on Windows named CONFIGS.DAT)")
          ->type_name("PATH");
  auto* dir_option =
      app.add_option("--dir", dir, "the folder that holds CONFIGS.DAT")->type_name("FOLDER");
  auto* code_page_option =
      app.add_option("--code-page", a.code_page,
                     "code page of the file's texts (936, 950, 1252, ...); default: the system's")
          ->type_name("N");
  app.add_flag("--create", a.create, "let an edit start a new file where none exists");
  app.add_flag("--force", a.force,
               "edit a file whose task count promises more records than it holds, writing the "
               "empty tasks made in their place");

  auto* show = app.add_subcommand("show", "show the settings and tasks");
  show->add_flag("--json", a.json, "as JSON, the form export writes");
  show->add_flag("--show-password", a.show_password, "show the password instead of stars");
  auto* exporter = app.add_subcommand("export", "write the configuration as JSON");
  exporter->add_option("output", a.output, "JSON file to write; - or nothing: standard output");
  auto* importer = app.add_subcommand("import", "make the file hold a JSON configuration");
  importer->add_option("input", a.input, "JSON file to read; - for standard input")->required();
  auto* set = app.add_subcommand("set", "set a setting: host, user, password, interval, speed");
  // The port is no choice here, but `set port` gets the editor's reason rather than CLI11's.
  set->add_option("field", a.field, "host, user, password, interval (minutes), speed (KB/s)")
      ->required()
      ->check(CLI::Validator(
          [](std::string& word) {
            return FindSettingsField(word) != nullptr ? std::string()
                                                      : "\"" + word + "\" is no setting";
          },
          "{host,user,password,interval,speed}"));
  set->add_option("value", a.value, "the new value")->required();

  auto* task = app.add_subcommand("task", "add, remove, rename a task or set its folders");
  task->require_subcommand(1);
  auto* add = task->add_subcommand("add", "add a task (named as the editor names new tasks)");
  add->add_option("name", a.name, "its name, instead of the editor's NewTaskN");
  add->add_option("--source", a.source, "folder on the sync server");
  add->add_option("--target", a.target, "local folder");
  auto* remove = task->add_subcommand("remove", "remove a task");
  remove->add_option("task", a.task, "name or #N")->required();
  auto* rename = task->add_subcommand("rename", "rename a task");
  rename->add_option("task", a.task, "name or #N")->required();
  rename->add_option("name", a.new_name, "the new name")->required();
  auto* task_set = task->add_subcommand("set", "set a task's source or target folder");
  task_set->add_option("task", a.task, "name or #N")->required();
  task_set->add_option("--source", a.source, "folder on the sync server");
  task_set->add_option("--target", a.target, "local folder");
  auto* check = app.add_subcommand("check", "report problems in the file, one line each");

  const std::vector<std::string> split = EmptyValuesSplit(args);
  std::vector<const char*> argv;
  for (const std::string& arg : split) argv.push_back(arg.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    std::ostringstream out, err;
    const int code = app.exit(e, out, err);
    if (code == 0) {
      console.Out(out.str());
      return kExitOk;
    }
    // CLI11 reports a word that names no command only as a missing subcommand; the word is
    // among what it could not place.
    const std::vector<std::string> left = app.remaining(true);
    std::string message = err.str();
    if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr && !left.empty() &&
        !left.front().empty() && left.front()[0] != '-') {
      message = "unknown command \"" + left.front() + "\"\nRun with --help for more information.\n";
    }
    if (message.empty()) message = std::string(e.what()) + "\n";
    for (const std::string& word : left) {
      if (word.size() > 1 && word[0] == '-') {
        message += "A value that starts with \"-\" is read as an option: put \"--\" before it, "
                   "as in: qvconf set host -- " + word + "\n";
        break;
      }
    }
    console.Out(out.str());
    console.Err("qvconf: " + message);
    return kExitError;
  }

  // Given empty, they are given: an empty path is an error, not the default.
  if (file_option->count() != 0) a.file = file;
  if (dir_option->count() != 0) a.dir = dir;
  if (code_page_option->count() != 0 && a.code_page == 0) {
    console.Err("qvconf: --code-page needs the number of a code page\n");
    return kExitError;
  }
  Session session(console, a);
  if (show->parsed()) return session.Show();
  if (exporter->parsed()) return session.Export();
  if (importer->parsed()) return session.Import();
  if (set->parsed()) return session.Set();
  if (add->parsed()) return session.TaskAdd();
  if (remove->parsed()) return session.TaskRemove();
  if (rename->parsed()) return session.TaskRename();
  if (task_set->parsed()) return session.TaskSet();
  if (check->parsed()) return session.Check();
  console.Err("qvconf: no command given; run qvconf --help\n");
  return kExitError;
}

}  // namespace qv::cli
