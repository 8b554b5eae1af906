// The editor window's event handlers: each reads its control, calls the document and shows the
// result. The rules themselves live in the document.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/win_text.h"
#include "config/config_store.h"
#include "config/target_overlap.h"
#include "i18n/ui_strings.h"
#include "ui/editor_window.h"
#include "ui/message_box.h"

namespace qv::ui {

void TForm1::FormCreate() {
  const LoadResult loaded = LoadConfig(directory_, doc_);
  load_loss_ = loaded.loss;
  disk_stamp_ = loaded.stamp;
  ShowDocument(-1);
  SetServerConnection(&IdClient);
  DirDlg1.SetOwner(hwnd_);
  DirDlg1.OnChange = [this](TSDirDlg&) { DirDlg1Change(); };
}

void TForm1::ShowDocument(int selected) {
  const win::ListBox list = ListBox1();
  list.SetRedraw(false);
  list.Clear();
  list.Reserve(static_cast<int>(doc_.tasks.size()),
               static_cast<int>(doc_.tasks.size() * 2 * TaskRecord::kNameCapacity));
  std::wstring name;
  for (const TaskRecord& task : doc_.tasks) {
    win::AnsiToWideInto(task.NameView(), name);
    list.Add(name);
  }
  list.SetRedraw(true);
  InvalidateRect(list.handle(), nullptr, TRUE);

  for (const ControlLayout& c : EditorLayout()) {
    if (ShowsRecord(c, FieldRecord::kSettings)) EditOf(c.id).SetText(StoredText(c.id));
  }
  if (selected >= 0) list.Select(selected);
  ListBox1Click();
  SyncSaveButton();
}

void TForm1::FormDestroy() {
  if (blocking_shutdown_) ShutdownBlockReasonDestroy(hwnd_);
  if (GetServerConnection() == &IdClient) SetServerConnection(nullptr);
  doc_.tasks.clear();
}

// However the close comes (Exit, its accelerator, the title bar, Alt+F4, the task bar or another
// program while the window is inactive, the end of the session), what the operator typed is
// applied first; a text that cannot be applied is dropped, so that the operator can always leave.
bool TForm1::FormClose() {
  ApplyPendingEdits(OnRefusal::kDrop);
  if (!doc_.modified()) return true;
  switch (AskYesNoCancel(hwnd_, UiText(kUiCloseQuestion), UiText(kUiCloseCaption))) {
    case IDYES:
      return Save();
    case IDNO:
      return true;
    default:
      return false;
  }
}

// The session waits while the close question is up, and Windows shows the operator why; No
// lets it end, Cancel or a failed save keeps it from ending.
bool TForm1::OnQueryEndSession() {
  if (!HasUnsavedWork()) return true;
  if (!blocking_shutdown_) {
    blocking_shutdown_ = ShutdownBlockReasonCreate(hwnd_, UiText(kUiUnsavedReason).c_str());
  }
  const bool may_end = FormClose();
  if (may_end && blocking_shutdown_) {
    ShutdownBlockReasonDestroy(hwnd_);
    blocking_shutdown_ = false;
  }
  return may_end;
}

std::wstring TForm1::StoredText(ControlId id) const {
  const RecordField& field = *LayoutOf(id).field;
  std::span<const std::uint8_t> record = doc_.settings.bytes;
  if (field.record == FieldRecord::kTask) {
    const int position = SelectedTask();
    if (position < 0) return {};
    record = doc_.tasks[static_cast<std::size_t>(position)].bytes;
  }
  if (HoldsText(field)) return win::AnsiToWide(FieldText(record, field));
  return std::to_wstring(FieldNumber(record, field));
}

void TForm1::ListBox1Click() {
  const bool selected = SelectedTask() >= 0;
  for (const ControlLayout& c : EditorLayout()) {
    if (ShowsRecord(c, FieldRecord::kTask)) EditOf(c.id).SetText(StoredText(c.id));
  }
  for (const ControlLayout& c : EditorLayout()) {
    if (ShowsRecord(c, FieldRecord::kTask)) EditOf(c.id).Enable(selected);
  }
}

void TForm1::btnAddClick() {
  // The stem is the table's own bytes, whatever the system's code page: the file gets them as
  // they stand, and the list shows them as the table's text.
  const AddedTask added = doc_.AddTask(UiString(kUiNewTaskStem));
  ListBox1().Add(win::AnsiToWide(added.name, UiStrings().code_page));
  SyncSaveButton();
}

void TForm1::btnDelClick() {
  const int position = SelectedTask();
  if (position < 0) return;
  doc_.DeleteTask(position);
  ListBox1().Delete(position);
  SyncSaveButton();
  ListBox1Click();
}

void TForm1::btnSaveClick() { Save(); }

// Each step may stop the save: what was typed must be applied first, then every question about
// the file on disk is asked before it is written.
bool TForm1::Save() {
  if (!ApplyPendingEdits(OnRefusal::kStop)) return false;
  if (!doc_.modified()) {
    // What was typed changed nothing after all.
    SyncSaveButton();
    return true;
  }
  if (!MaySaveOverlappingTargets()) return false;
  if (!MayReplaceFile() || !SaveToDisk()) return false;
  load_loss_ = {};
  doc_.MarkSaved();
  SyncSaveButton();
  return true;
}

bool TForm1::SaveToDisk() {
  ConfigEditTurn turn;
  const auto take_turn = [&] {
    if (turn.Take(directory_, kWindowTurnWaitMs)) return true;
    ShowErrorMessage(hwnd_, UiText(kUiFileBusy));
    return false;
  };
  if (!take_turn()) return false;
  if (ChangedSince(disk_stamp_, ReadFileStamp(directory_))) {
    // Others may go on while the operator decides; Yes replaces whatever is there by then.
    turn.Release();
    if (AskYesNo(hwnd_, UiText(kUiFileChanged), UiText(kUiCloseCaption), DefaultAnswer::kNo) !=
        IDYES) {
      return false;
    }
    if (!take_turn()) return false;
  }
  const SaveResult result = SaveConfig(turn, doc_);
  if (!result.ok) {
    ShowErrorMessage(hwnd_, result.error);
    return false;
  }
  disk_stamp_ = result.stamp;
  return true;
}

namespace {

// A task as the overlap question names it: its name in quotes, or its place when it has none.
std::wstring TaskLabel(const ConfigDocument& doc, std::size_t task) {
  const std::string_view name = doc.tasks[task].NameView();
  if (name.empty()) return L"#" + std::to_wstring(task + 1);
  return L"\"" + win::AnsiToWide(name) + L"\"";
}

std::wstring WithTasks(std::wstring text, const std::wstring& first, const std::wstring& second) {
  for (const auto& [mark, label] : {std::pair{L"%1", &first}, std::pair{L"%2", &second}}) {
    if (const std::size_t at = text.find(mark); at != std::wstring::npos) {
      text.replace(at, 2, *label);
    }
  }
  return text;
}

}  // namespace

bool TForm1::MaySaveOverlappingTargets() {
  // A box is read, not scrolled: a file with hundreds of them gets the first few and a mark.
  constexpr std::size_t kShownLines = 12;
  const std::vector<TargetOverlap> overlaps = FindTargetOverlaps(
      doc_, [](std::string_view bytes) { return win::AnsiToCodePoints(bytes); });
  if (overlaps.empty()) return true;
  std::wstring text = UiText(kUiTargetsOverlap) + L"\n";
  for (std::size_t i = 0; i < overlaps.size() && i < kShownLines; ++i) {
    const TargetOverlap& overlap = overlaps[i];
    const UiEntry line =
        overlap.kind == OverlapKind::kSameFolder ? kUiSameTarget : kUiInsideTarget;
    text += L"\n" + WithTasks(UiText(line), TaskLabel(doc_, overlap.task),
                               TaskLabel(doc_, overlap.other));
  }
  if (overlaps.size() > kShownLines) text += L"\n...";
  text += L"\n\n" + UiText(kUiSaveAnyway);
  return AskYesNo(hwnd_, text, UiText(kUiCloseCaption), DefaultAnswer::kNo) == IDYES;
}

// The file's own tasks that a save would drop are counted, so the operator knows what is at stake.
std::wstring TForm1::NotLoadedText(int entry) const {
  std::wstring text = UiText(entry);
  if (load_loss_.tasks_not_loaded > 0) {
    text += L"\n" + UiText(kUiTasksNotLoaded) + std::to_wstring(load_loss_.tasks_not_loaded);
  }
  return text;
}

void TForm1::ReportFileNotLoaded() { ShowProgramMessage(hwnd_, NotLoadedText(kUiNotLoaded)); }

bool TForm1::MayReplaceFile() {
  if (!load_loss_.Any()) return true;
  return AskYesNo(hwnd_, NotLoadedText(kUiReplaceQuestion), UiText(kUiCloseCaption),
                  DefaultAnswer::kNo) == IDYES;
}

void TForm1::Button2Click() { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }

// Every edit is applied alike, by the row of its field: its text goes to the document, which
// refuses a name or stores the field's bytes; the edit then shows a number as stored, a name's
// new text in the list, and a text as typed (untrimmed).
ApplyResult TForm1::ApplyFieldEdit(ControlId id) {
  const win::Edit edit = EditOf(id);
  if (!edit.IsModified()) return std::nullopt;
  const RecordField& field = *LayoutOf(id).field;
  const std::wstring text = edit.Text();
  if (HoldsText(field)) {
    if (std::wstring outside = win::CharactersOutsideAnsi(text); !outside.empty()) {
      // A password's characters are not shown, not even those.
      return Refusal{kUiCannotStore, field.secret ? std::wstring() : std::move(outside)};
    }
  }
  const int position = SelectedTask();
  const StoredField stored = doc_.SetField(field.id, position, win::WideToAnsi(text));
  switch (stored.result) {
    case RenameResult::kRefusedEmpty:
      return Refusal{kUiInvalidName, {}};
    case RenameResult::kRefusedRepeated:
      return Refusal{kUiRepeatedName, {}};
    case RenameResult::kAccepted:
      break;
  }
  if (field.kind == FieldKind::kTaskName && position >= 0) ShowTaskName(position, text);
  if (field.kind == FieldKind::kNumber) {
    // Only the number is stored, so any text may be typed. Putting the number back clears the
    // modified state.
    edit.SetText(std::to_wstring(stored.number));
  } else {
    edit.SetModified(false);
  }
  SyncSaveButton();
  return std::nullopt;
}

// The list shows the name as typed, uncut, until the next start.
void TForm1::ShowTaskName(int position, const std::wstring& text) {
  const win::ListBox list = ListBox1();
  list.SetRedraw(false);
  list.Delete(position);
  list.Insert(position, text);
  list.Select(position);
  list.SetRedraw(true);
  InvalidateRect(list.handle(), nullptr, TRUE);
}

ApplyResult TForm1::edNameExit() { return ApplyFieldEdit(kEdName); }
ApplyResult TForm1::edSourceExit() { return ApplyFieldEdit(kEdSource); }
ApplyResult TForm1::edTargetExit() { return ApplyFieldEdit(kEdTarget); }
ApplyResult TForm1::edHostExit() { return ApplyFieldEdit(kEdHost); }
ApplyResult TForm1::edUserExit() { return ApplyFieldEdit(kEdUser); }
ApplyResult TForm1::edPassExit() { return ApplyFieldEdit(kEdPass); }
ApplyResult TForm1::edPortExit() { return ApplyFieldEdit(kEdPort); }
ApplyResult TForm1::edInterExit() { return ApplyFieldEdit(kEdInter); }
ApplyResult TForm1::edSpdExit() { return ApplyFieldEdit(kEdSpd); }

// The rule of which typed keys an edit discards belongs to its field.
void TForm1::FilterTypedKey(ControlId id, wchar_t& key) const {
  if (DropsTypedKey(*LayoutOf(id).field, key)) key = 0;
}

void TForm1::edNameKeyPress(wchar_t& key) { FilterTypedKey(kEdName, key); }
void TForm1::edHostKeyPress(wchar_t& key) { FilterTypedKey(kEdHost, key); }
void TForm1::edUserKeyPress(wchar_t& key) { FilterTypedKey(kEdUser, key); }
void TForm1::edPortKeyPress(wchar_t& key) { FilterTypedKey(kEdPort, key); }
void TForm1::edInterKeyPress(wchar_t& key) { FilterTypedKey(kEdInter, key); }
void TForm1::edSpdKeyPress(wchar_t& key) { FilterTypedKey(kEdSpd, key); }

bool TForm1::LeaveEdit(const ControlLayout& edit) {
  const ApplyResult refusal = (this->*edit.on_exit)();
  if (!refusal) {
    ForgetRefusal(edit.id);
    return true;
  }
  if (!clicking_exit_ || !AlreadyRefused(edit.id)) ShowRefusal(edit.id, *refusal);
  // The edit keeps its text and stays modified, so the check runs again when it is next left.
  EditOf(edit.id).Focus();
  return false;
}

bool TForm1::ApplyPendingEdits(OnRefusal on_refusal) {
  for (const ControlLayout& c : EditorLayout()) {
    if (!c.on_exit) continue;
    const win::Edit edit = EditOf(c.id);
    if (!edit.IsModified()) continue;
    const ApplyResult refusal = (this->*c.on_exit)();
    if (!refusal) {
      ForgetRefusal(c.id);
      continue;
    }
    if (on_refusal == OnRefusal::kStop) {
      ShowRefusal(c.id, *refusal);
      edit.Focus();
      return false;
    }
    // Dropped: the operator hears once why, and the document keeps what it had.
    if (!AlreadyRefused(c.id)) ShowRefusal(c.id, *refusal);
    ForgetRefusal(c.id);
    ShowStoredValue(c.id);
  }
  return true;
}

bool TForm1::HasPendingEdit() const {
  for (const ControlLayout& c : EditorLayout()) {
    if (c.on_exit && EditOf(c.id).IsModified()) return true;
  }
  return false;
}

bool TForm1::AlreadyRefused(ControlId id) const {
  return refused_id_ == id && refused_text_ == ById(id).Text();
}

void TForm1::ForgetRefusal(ControlId id) {
  if (refused_id_ != id) return;
  refused_id_ = kControlIdEnd;
  refused_text_.clear();
}

void TForm1::ShowRefusal(ControlId id, const Refusal& refusal) {
  refused_id_ = id;
  refused_text_ = ById(id).Text();
  std::wstring text = UiText(refusal.entry);
  if (!refusal.detail.empty()) text += L"\n" + refusal.detail;
  ShowProgramMessage(hwnd_, text);
}

void TForm1::ShowStoredValue(ControlId id) {
  // Putting text into the edit clears its modified state.
  EditOf(id).SetText(StoredText(id));
  SyncSaveButton();
}

void TForm1::SyncSaveButton() {
  const bool enable = HasUnsavedWork();
  // A button that loses its focus by being disabled would leave the keyboard nowhere.
  const win::Window save = ById(kBtnSave);
  if (!enable && save.HasFocus()) FocusNextControl(save.handle());
  save.Enable(enable);
  // The notice of a followed change is old news once the operator works on what was loaded.
  if (enable) HideNotice();
}

void TForm1::ApplyChosenPath(ControlId id, const std::wstring& path) {
  const win::Edit edit = EditOf(id);
  edit.SetText(path);
  edit.SetModified(true);
  LeaveEdit(LayoutOf(id));
}

void TForm1::ApplyChosenSource(const std::wstring& path) { ApplyChosenPath(kEdSource, path); }

void TForm1::ApplyChosenTarget(const std::wstring& path) { ApplyChosenPath(kEdTarget, path); }

}  // namespace qv::ui
