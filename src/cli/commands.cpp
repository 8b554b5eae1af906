#include "cli/commands.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "cli/commands/command.h"
#include "cli/texts.h"

namespace qv::cli {
namespace {

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

// CLI11 repeats arguments in its messages as they were given; those with control characters are
// written as every other message writes them.
std::string EscapeArguments(std::string message, const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    const std::string shown = Escaped(arg);
    if (arg.empty() || shown == arg) continue;
    for (std::size_t at = message.find(arg); at != std::string::npos;
         at = message.find(arg, at + shown.size())) {
      message.replace(at, arg.size(), shown);
    }
  }
  return message;
}

void AddFileOptions(CLI::App& app, FileOptions& files) {
  // Given empty, they are given: an empty path is an error, not the default.
  CLI::Option* file = app.add_option_function<std::string>(
                             "--file", [&files](const std::string& path) { files.file = path; },
                             "the configuration file (on Windows named CONFIGS.DAT)")
                          ->type_name("PATH");
  app.add_option_function<std::string>(
         "--dir", [&files](const std::string& path) { files.dir = path; },
         "the folder that holds CONFIGS.DAT")
      ->type_name("FOLDER")
      ->excludes(file);
  app.add_option("--code-page", files.code_page,
                 "code page of the file's texts (936, 950, 1252, ...); default: the system's")
      ->type_name("N")
      ->check(CLI::Range(1u, 65535u));
  app.add_flag("--create", files.create, "let an edit start a new file where none exists");
  app.add_flag("--force", files.force,
               "edit a file whose task count promises more records than it holds, writing the "
               "empty tasks made in their place");
}

// CLI11's message for what it could not parse, with the words it reports badly made plain.
std::string ParseErrorText(const CLI::ParseError& e, CLI::App& app, const std::string& said,
                           const std::vector<std::string>& args) {
  // CLI11 reports a word that names no command only as a missing subcommand; the word is
  // among what it could not place.
  const std::vector<std::string> left = app.remaining(true);
  std::string message = EscapeArguments(said, args);
  if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr && !left.empty() &&
      !left.front().empty() && left.front()[0] != '-') {
    message = "unknown command " + QuotedInput(left.front()) +
              "\nRun with --help for more information.\n";
  }
  if (message.empty()) message = EscapeArguments(e.what(), args) + "\n";
  for (const std::string& word : left) {
    if (word.size() > 1 && word[0] == '-') {
      message += "A value that starts with \"-\" is read as an option: put \"--\" before it, "
                 "as in: qvconf set host -- " + Escaped(word) + "\n";
      break;
    }
  }
  return message;
}

}  // namespace

void OnRun(CLI::App& command, QvconfRun& run, std::function<int(Session&)> body) {
  command.callback([&run, body = std::move(body)] {
    Session session(run.console, run.files);
    run.exit = body(session);
  });
}

int RunQvconf(const std::vector<std::string>& args, Console& console) {
  QvconfRun run{console, {}, std::nullopt};
  CLI::App app("qvconf: reads and changes CONFIGS.DAT with the configuration editor's rules.",
               "qvconf");
  app.footer(Footer());
  app.require_subcommand(1);
  app.fallthrough();
  AddFileOptions(app, run.files);
  AddShowCommand(app, run);
  AddExportCommand(app, run);
  AddImportCommand(app, run);
  AddSetCommand(app, run);
  CLI::App* task = app.add_subcommand("task", "add, remove, rename a task or set its folders");
  task->require_subcommand(1);
  AddTaskAddCommand(*task, run);
  AddTaskRemoveCommand(*task, run);
  AddTaskRenameCommand(*task, run);
  AddTaskSetCommand(*task, run);
  AddCheckCommand(app, run);

  const std::vector<std::string> split = EmptyValuesSplit(args);
  std::vector<const char*> argv;
  for (const std::string& arg : split) argv.push_back(arg.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    std::ostringstream out, err;
    const int code = app.exit(e, out, err);
    console.Out(out.str());
    if (code == 0) return kExitOk;
    console.Err("qvconf: " + ParseErrorText(e, app, err.str(), split));
    return kExitError;
  }
  if (run.exit) return *run.exit;
  console.Err("qvconf: no command given; run qvconf --help\n");
  return kExitError;
}

}  // namespace qv::cli
