// The editor window's event handlers: each reads its control, calls the document and shows the
// result. The rules themselves live in the document.
#include <cstdint>
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
  ListBox1.SetRedraw(false);
  ListBox1.Clear();
  ListBox1.Reserve(static_cast<int>(doc_.tasks.size()),
                   static_cast<int>(doc_.tasks.size() * 2 * TaskRecord::kNameCapacity));
  std::wstring name;
  for (const TaskRecord& task : doc_.tasks) {
    win::AnsiToWideInto(task.NameView(), name);
    ListBox1.Add(name);
  }
  ListBox1.SetRedraw(true);
  InvalidateRect(ListBox1.handle(), nullptr, TRUE);

  for (ControlId id : {kEdHost, kEdPort, kEdUser, kEdPass, kEdInter, kEdSpd}) {
    EditOf(id).SetText(StoredText(id));
  }
  if (selected >= 0) ListBox1.Select(selected);
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
  const int position = SelectedTask();
  const TaskRecord* task =
      position >= 0 ? &doc_.tasks[static_cast<std::size_t>(position)] : nullptr;
  const SettingsRecord& settings = doc_.settings;
  switch (id) {
    case kEdName:
      return task ? win::AnsiToWide(task->Name()) : std::wstring();
    case kEdSource:
      return task ? win::AnsiToWide(task->Source()) : std::wstring();
    case kEdTarget:
      return task ? win::AnsiToWide(task->Target()) : std::wstring();
    case kEdHost:
      return win::AnsiToWide(settings.Host());
    case kEdUser:
      return win::AnsiToWide(settings.User());
    case kEdPass:
      return win::AnsiToWide(settings.Password());
    case kEdPort:
      return std::to_wstring(settings.Port());
    case kEdInter:
      return std::to_wstring(settings.Interval());
    case kEdSpd:
      return std::to_wstring(settings.SpeedLimit());
    default:
      return {};
  }
}

void TForm1::ListBox1Click() {
  const bool selected = SelectedTask() >= 0;
  for (ControlId id : {kEdName, kEdSource, kEdTarget}) EditOf(id).SetText(StoredText(id));
  for (win::Edit* edit : {&edName, &edSource, &edTarget}) edit->Enable(selected);
}

void TForm1::btnAddClick() {
  // The stem is the table's own bytes, whatever the system's code page: the file gets them as
  // they stand, and the list shows them as the table's text.
  const AddedTask added = doc_.AddTask(UiString(kUiNewTaskStem));
  ListBox1.Add(win::AnsiToWide(added.name, UiStrings().code_page));
  SyncSaveButton();
}

void TForm1::btnDelClick() {
  const int position = SelectedTask();
  if (position < 0) return;
  doc_.DeleteTask(position);
  ListBox1.Delete(position);
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

TForm1::ApplyResult TForm1::edNameExit() {
  if (!edName.IsModified()) return std::nullopt;
  const int position = SelectedTask();
  const std::wstring text = edName.Text();
  if (std::wstring outside = win::CharactersOutsideAnsi(text); !outside.empty()) {
    return Refusal{kUiCannotStore, std::move(outside)};
  }
  const RenameResult result = doc_.RenameTask(position, win::WideToAnsi(text));
  if (result != RenameResult::kAccepted) {
    return Refusal{result == RenameResult::kRefusedEmpty ? kUiInvalidName : kUiRepeatedName, {}};
  }
  if (position >= 0) {
    ListBox1.SetRedraw(false);
    ListBox1.Delete(position);
    ListBox1.Insert(position, text);
    ListBox1.Select(position);
    ListBox1.SetRedraw(true);
    InvalidateRect(ListBox1.handle(), nullptr, TRUE);
  }
  edName.SetModified(false);
  SyncSaveButton();
  return std::nullopt;
}

template <typename Store>
TForm1::ApplyResult TForm1::ApplyTextEdit(win::Edit& edit, Store store) {
  if (!edit.IsModified()) return std::nullopt;
  const std::wstring text = edit.Text();
  if (std::wstring outside = win::CharactersOutsideAnsi(text); !outside.empty()) {
    // A password's characters are not shown, not even those.
    const bool masked = edit.Send(EM_GETPASSWORDCHAR) != 0;
    return Refusal{kUiCannotStore, masked ? std::wstring() : std::move(outside)};
  }
  store(std::string_view(win::WideToAnsi(text)));
  edit.SetModified(false);
  SyncSaveButton();
  return std::nullopt;
}

TForm1::ApplyResult TForm1::ApplyNumberEdit(
    win::Edit& edit, std::int32_t (ConfigDocument::*store)(std::string_view)) {
  if (!edit.IsModified()) return std::nullopt;
  // Only the number is stored, so any text may be typed. Putting the number back clears the
  // modified state.
  edit.SetText(std::to_wstring((doc_.*store)(win::WideToAnsi(edit.Text()))));
  SyncSaveButton();
  return std::nullopt;
}

TForm1::ApplyResult TForm1::edSourceExit() {
  return ApplyTextEdit(edSource, [this](std::string_view text) {
    doc_.SetTaskSource(SelectedTask(), text);
  });
}

TForm1::ApplyResult TForm1::edTargetExit() {
  return ApplyTextEdit(edTarget, [this](std::string_view text) {
    doc_.SetTaskTarget(SelectedTask(), text);
  });
}

TForm1::ApplyResult TForm1::edHostExit() {
  return ApplyTextEdit(edHost, [this](std::string_view text) { doc_.SetHost(text); });
}

TForm1::ApplyResult TForm1::edUserExit() {
  return ApplyTextEdit(edUser, [this](std::string_view text) { doc_.SetUser(text); });
}

TForm1::ApplyResult TForm1::edPassExit() {
  return ApplyTextEdit(edPass, [this](std::string_view text) { doc_.SetPassword(text); });
}

TForm1::ApplyResult TForm1::edPortExit() {
  return ApplyNumberEdit(edPort, &ConfigDocument::SetPort);
}

TForm1::ApplyResult TForm1::edInterExit() {
  return ApplyNumberEdit(edInter, &ConfigDocument::SetInterval);
}

TForm1::ApplyResult TForm1::edSpdExit() {
  return ApplyNumberEdit(edSpd, &ConfigDocument::SetSpeedLimit);
}

namespace {

void DiscardSpace(wchar_t& key) {
  if (key == L' ') key = 0;
}

}  // namespace

void TForm1::edNameKeyPress(wchar_t& key) { DiscardSpace(key); }
void TForm1::edHostKeyPress(wchar_t& key) { DiscardSpace(key); }
void TForm1::edUserKeyPress(wchar_t& key) { DiscardSpace(key); }
void TForm1::edPortKeyPress(wchar_t& key) { DiscardSpace(key); }
void TForm1::edInterKeyPress(wchar_t& key) { DiscardSpace(key); }
void TForm1::edSpdKeyPress(wchar_t& key) { DiscardSpace(key); }

bool TForm1::LeaveEdit(const EditBinding& binding) {
  const ApplyResult refusal = (this->*binding.on_exit)();
  if (!refusal) {
    ForgetRefusal(binding.id);
    return true;
  }
  if (!clicking_exit_ || !AlreadyRefused(binding.id)) ShowRefusal(binding.id, *refusal);
  // The edit keeps its text and stays modified, so the check runs again when it is next left.
  EditOf(binding.id).Focus();
  return false;
}

bool TForm1::ApplyPendingEdits(OnRefusal on_refusal) {
  for (const EditBinding& binding : kEditBindings) {
    win::ByteLimitedEdit& edit = EditOf(binding.id);
    if (!edit.IsModified()) continue;
    const ApplyResult refusal = (this->*binding.on_exit)();
    if (!refusal) {
      ForgetRefusal(binding.id);
      continue;
    }
    if (on_refusal == OnRefusal::kStop) {
      ShowRefusal(binding.id, *refusal);
      edit.Focus();
      return false;
    }
    // Dropped: the operator hears once why, and the document keeps what it had.
    if (!AlreadyRefused(binding.id)) ShowRefusal(binding.id, *refusal);
    ForgetRefusal(binding.id);
    ShowStoredValue(binding.id);
  }
  return true;
}

bool TForm1::HasPendingEdit() const {
  for (const EditBinding& binding : kEditBindings) {
    if (ById(binding.id).Send(EM_GETMODIFY)) return true;
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
  if (!enable && btnSave.HasFocus()) FocusNextControl(btnSave.handle());
  btnSave.Enable(enable);
  // The notice of a followed change is old news once the operator works on what was loaded.
  if (enable) HideNotice();
}

void TForm1::ApplyChosenPath(ControlId id, const std::wstring& path) {
  win::Edit& edit = EditOf(id);
  edit.SetText(path);
  edit.SetModified(true);
  LeaveEdit(*EditBindingOf(id));
}

void TForm1::ApplyChosenSource(const std::wstring& path) { ApplyChosenPath(kEdSource, path); }

void TForm1::ApplyChosenTarget(const std::wstring& path) { ApplyChosenPath(kEdTarget, path); }

}  // namespace qv::ui
