#pragma once
// One run of a command against one file: the options every command shares, opening the file for
// reading, editing or checking, and the way a command ends (its message and exit status).
#include <optional>
#include <string>
#include <string_view>

#include "cli/code_page.h"
#include "cli/commands.h"
#include "cli/host.h"
#include "config/config_store.h"
#include "config/document.h"

namespace qv::cli {

// The options before the command.
struct FileOptions {
  std::optional<std::string> file, dir;  // given empty, they are given: an empty path is an error
  unsigned code_page = 0;                // 0: the system's
  bool create = false;
  bool force = false;
};

class Session {
 public:
  enum class Use { kRead, kEdit, kCheck };

  Session(Console& console, const FileOptions& options) : console_(console), options_(options) {}

  // Resolves the code page and the file and loads it; false (with the message given and
  // exit_status() set) when the command cannot go on.
  bool Open(Use use);
  int exit_status() const { return exit_; }

  ConfigDocument& doc() { return doc_; }
  const CodePage& code_page() const { return *code_page_; }
  const LoadResult& loaded() const { return loaded_; }
  Console& console() { return console_; }
  // The file's path, and the same for a message.
  std::string FilePath() const { return PathText(location_.path()); }
  std::string DisplayPath() const;

  int Error(const std::string& message);
  int Refused(const std::string& message);
  // The refusal of a name that is, as the file would hold it, another task's name.
  int RefusedRepeated(std::string_view name);
  int RefusedName(RenameResult result, std::string_view name);
  void Note(const std::string& message);
  // Saves, unless the verdict on the load says a save would lose something and --force is not
  // given; `done` is the line said on success.
  int Save(const std::string& done);
  // Saves when the document says it changed, as the editor's Save button would allow.
  int Finish(const std::string& done);

  // The code page's bytes for a text of the command line, or none (message given).
  std::optional<std::string> Bytes(const std::string& utf8, const char* what);
  // A task by its name (letter case aside, as the editor finds names) or by #N from 1.
  std::optional<int> FindTask(const std::string& utf8);
  std::string Label(int position) const;
  // Stores a typed name, folder or setting through the document's rules; a note says so where
  // the file holds other bytes than those given. A refused name gives its exit status.
  std::optional<int> SetTaskField(FieldId field, int position, const std::string& bytes);

 private:
  int SaveFailed(const SaveResult& saved);
  // Why an edit is refused when the verdict on the load says a save would lose something.
  std::string LossText() const;

  Console& console_;
  const FileOptions& options_;
  std::optional<CodePage> code_page_;
  ConfigLocation location_{NativeString()};
  ConfigEditTurn turn_;
  ConfigDocument doc_;
  LoadResult loaded_;
  int exit_ = kExitOk;
};

}  // namespace qv::cli
