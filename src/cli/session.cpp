#include "cli/session.h"

#include <vector>

#include "cli/texts.h"
#include "config/record_fields.h"

namespace qv::cli {

std::string Session::DisplayPath() const { return Escaped(FilePath()); }

int Session::Error(const std::string& message) {
  console_.Err("qvconf: " + message + "\n");
  return kExitError;
}

int Session::Refused(const std::string& message) {
  console_.Err("qvconf: " + message + "; nothing was changed\n");
  return kExitRefused;
}

int Session::RefusedRepeated(std::string_view name) {
  const std::string_view stored = StoredTaskName(name);
  return Refused("Repeated task name! " +
                 (stored.size() < name.size()
                      ? "its first " + std::to_string(Field(FieldId::kName).capacity) +
                            " bytes, " + Quoted(stored, *code_page_) +
                            ", which is all the file holds of a name, are"
                      : Quoted(name, *code_page_) + " is") +
                 " already the name of another task (letter case aside)");
}

int Session::RefusedName(RenameResult result, std::string_view name) {
  if (result == RenameResult::kRefusedEmpty) {
    return Refused("Invalid task name! A task name cannot be empty");
  }
  return RefusedRepeated(name);
}

void Session::Note(const std::string& message) { console_.Err("qvconf: " + message + "\n"); }

int Session::Save(const std::string& done) {
  // An edit that changes nothing writes nothing and so loses nothing.
  if (loaded_.loss.Any() && !options_.force) {
    return Error(DisplayPath() + ": " + LossText() +
                 ", so it is left alone (--force writes it anyway)");
  }
  const SaveResult saved = SaveConfig(turn_, doc_);
  if (!saved.ok) return SaveFailed(saved);
  doc_.MarkSaved();
  console_.Out(done + "\n");
  return kExitOk;
}

int Session::SaveFailed(const SaveResult& saved) {
  return Error(Escaped(PathText(saved.error)) +
               (saved.reason.empty() ? "" : ": " + saved.reason) +
               (loaded_.status == LoadStatus::kMissing ? "; nothing was written"
                                                       : "; " + DisplayPath() + " keeps its bytes"));
}

int Session::Finish(const std::string& done) {
  // --create makes the file even when the edit leaves the editor's defaults as they are.
  if (!doc_.modified() && loaded_.status != LoadStatus::kMissing) {
    console_.Out(done + " (unchanged; the file was not written)\n");
    return kExitOk;
  }
  return Save(done);
}

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
  const unsigned number = options_.code_page != 0 ? options_.code_page : DefaultCodePage();
  code_page_ = CodePage::Open(number);
  if (!code_page_) {
    exit_ = Error("code page " + std::to_string(number) + " cannot be converted here");
    return false;
  }
  std::string error;
  const bool named =
      options_.file ? ConfigLocationOf(*options_.file, false, location_, error)
                    : ConfigLocationOf(options_.dir ? *options_.dir : PathText(ProgramFolder()),
                                       true, location_, error);
  if (!named) {
    exit_ = Error(Escaped(error));
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
      if (use == Use::kEdit && options_.create) return true;
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

std::optional<std::string> Session::Bytes(const std::string& utf8, const char* what) {
  std::optional<std::string> bytes = code_page_->Encode(utf8);
  if (!bytes) {
    Error(std::string(what) + " " + QuotedInput(utf8) + " has a character that code page " +
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
      Error(QuotedInput(utf8) + " is the name of no task exactly, and of " +
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
  Error("no task named " + QuotedInput(utf8) + " (a task can also be given as #N, N from 1)");
  return std::nullopt;
}

std::string Session::Label(int position) const {
  const std::string number = "#" + std::to_string(position + 1);
  const std::string_view name = doc_.tasks[static_cast<std::size_t>(position)].NameView();
  return "task " + Quoted(name, *code_page_) + " (" + number + ")";
}

std::optional<int> Session::SetTaskField(FieldId id, int position, const std::string& bytes) {
  const RecordField& field = Field(id);
  const StoredField stored = doc_.SetField(id, position, bytes);
  if (stored.result != RenameResult::kAccepted) return RefusedName(stored.result, bytes);
  if (stored.text == bytes) return std::nullopt;
  if (field.kind == FieldKind::kTaskName) {
    Note("the name is cut to its first " + std::to_string(field.capacity) +
         " bytes, as the editor stores it");
  } else {
    Note(std::string(field.word) + " stored as " + Quoted(stored.text, *code_page_) +
         " (trimmed of blanks and cut to " + std::to_string(field.capacity) +
         " bytes, as the editor stores it)");
  }
  return std::nullopt;
}

}  // namespace qv::cli
