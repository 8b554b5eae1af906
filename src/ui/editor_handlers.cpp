// The editor window's event handlers: each reads its control, calls the document and shows the
// result. The rules themselves live in the document.
#include <string>

#include "config/config_store.h"
#include "i18n/ui_strings.h"
#include "ui/editor_window.h"
#include "ui/message_box.h"
#include "ui/win/ansi_text.h"

namespace qv::ui {
namespace {

constexpr int kStemEntry = 14;
constexpr int kInvalidNameEntry = 15;
constexpr int kRepeatedNameEntry = 16;
constexpr int kCloseQuestionEntry = 17;
constexpr int kCloseCaptionEntry = 18;

std::string AnsiText(const win::Window& control) { return win::WideToAnsi(control.Text()); }

}  // namespace

void TForm1::FormCreate() {
  LoadConfig(directory_, doc_);
  ListBox1.SetRedraw(false);
  ListBox1.Reserve(static_cast<int>(doc_.tasks.size()),
                   static_cast<int>(doc_.tasks.size() * 2 * TaskRecord::kNameCapacity));
  for (const TaskRecord& task : doc_.tasks) ListBox1.Add(win::AnsiToWide(task.NameView()));
  ListBox1.SetRedraw(true);
  InvalidateRect(ListBox1.handle(), nullptr, TRUE);

  const SettingsRecord& settings = doc_.settings;
  edHost.SetText(win::AnsiToWide(settings.Host()));
  edPort.SetText(std::to_wstring(settings.Port()));
  edUser.SetText(win::AnsiToWide(settings.User()));
  edPass.SetText(win::AnsiToWide(settings.Password()));
  edInter.SetText(std::to_wstring(settings.Interval()));
  edSpd.SetText(std::to_wstring(settings.SpeedLimit()));
  ListBox1Click();
  SyncSaveButton();
  SetServerConnection(&IdClient);
  DirDlg1.SetOwner(hwnd_);
  DirDlg1.OnChange = [this](TSDirDlg&) { DirDlg1Change(); };
}

void TForm1::FormDestroy() {
  if (GetServerConnection() == &IdClient) SetServerConnection(nullptr);
  doc_.tasks.clear();
}

bool TForm1::FormClose() {
  if (!ApplyPendingEdit()) return false;
  if (!doc_.modified()) return true;
  switch (AskYesNoCancel(hwnd_, UiText(kCloseQuestionEntry), UiText(kCloseCaptionEntry))) {
    case IDYES:
      return btnSaveClick();
    case IDNO:
      return true;
    default:
      return false;
  }
}

void TForm1::ListBox1Click() {
  const int position = SelectedTask();
  const bool selected = position >= 0;
  if (selected) {
    const TaskRecord& task = doc_.tasks[static_cast<std::size_t>(position)];
    edName.SetText(win::AnsiToWide(task.Name()));
    edSource.SetText(win::AnsiToWide(task.Source()));
    edTarget.SetText(win::AnsiToWide(task.Target()));
  } else {
    edName.SetText(L"");
    edSource.SetText(L"");
    edTarget.SetText(L"");
  }
  for (win::Edit* edit : {&edName, &edSource, &edTarget}) edit->Enable(selected);
}

void TForm1::btnAddClick() {
  const AddedTask added = doc_.AddTask(win::WideToAnsi(UiText(kStemEntry)));
  ListBox1.Add(win::AnsiToWide(added.name));
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

bool TForm1::btnSaveClick() {
  if (!ApplyPendingEdit()) return false;
  const SaveResult result = SaveConfig(directory_, doc_);
  if (!result.ok) {
    ShowErrorMessage(hwnd_, result.error);
    return false;
  }
  doc_.MarkSaved();
  SyncSaveButton();
  return true;
}

void TForm1::Button2Click() { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }

bool TForm1::edNameExit() {
  if (!edName.IsModified()) return true;
  const int position = SelectedTask();
  const std::wstring text = edName.Text();
  const RenameResult result = doc_.RenameTask(position, win::WideToAnsi(text));
  if (result != RenameResult::kAccepted) {
    ShowProgramMessage(hwnd_, UiText(result == RenameResult::kRefusedEmpty ? kInvalidNameEntry
                                                                           : kRepeatedNameEntry));
    edName.Focus();
    return false;
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
  return true;
}

bool TForm1::edSourceExit() {
  if (!edSource.IsModified()) return true;
  doc_.SetTaskSource(SelectedTask(), AnsiText(edSource));
  edSource.SetModified(false);
  SyncSaveButton();
  return true;
}

bool TForm1::edTargetExit() {
  if (!edTarget.IsModified()) return true;
  doc_.SetTaskTarget(SelectedTask(), AnsiText(edTarget));
  edTarget.SetModified(false);
  SyncSaveButton();
  return true;
}

bool TForm1::edHostExit() {
  if (!edHost.IsModified()) return true;
  doc_.SetHost(AnsiText(edHost));
  edHost.SetModified(false);
  SyncSaveButton();
  return true;
}

bool TForm1::edUserExit() {
  if (!edUser.IsModified()) return true;
  doc_.SetUser(AnsiText(edUser));
  edUser.SetModified(false);
  SyncSaveButton();
  return true;
}

bool TForm1::edPassExit() {
  if (!edPass.IsModified()) return true;
  doc_.SetPassword(AnsiText(edPass));
  edPass.SetModified(false);
  SyncSaveButton();
  return true;
}

bool TForm1::edPortExit() {
  if (!edPort.IsModified()) return true;
  edPort.SetText(std::to_wstring(doc_.SetPort(AnsiText(edPort))));
  SyncSaveButton();
  return true;
}

bool TForm1::edInterExit() {
  if (!edInter.IsModified()) return true;
  edInter.SetText(std::to_wstring(doc_.SetInterval(AnsiText(edInter))));
  SyncSaveButton();
  return true;
}

bool TForm1::edSpdExit() {
  if (!edSpd.IsModified()) return true;
  edSpd.SetText(std::to_wstring(doc_.SetSpeedLimit(AnsiText(edSpd))));
  SyncSaveButton();
  return true;
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

bool TForm1::ApplyPendingEdit() {
  const HWND focus = GetFocus();
  for (const EditBinding& binding : kEditBindings) {
    if (Control(binding.id) == focus) return (this->*binding.on_exit)();
  }
  return true;
}

void TForm1::SyncSaveButton() {
  const bool enable = doc_.modified();
  // A button that loses its focus by being disabled would leave the keyboard nowhere.
  if (!enable && btnSave.HasFocus()) FocusNextControl(false);
  btnSave.Enable(enable);
}

void TForm1::ApplyChosenPath(win::Edit& edit, ExitHandler on_exit, const std::wstring& path) {
  edit.SetText(path);
  edit.SetModified(true);
  (this->*on_exit)();
}

void TForm1::ApplyChosenSource(const std::wstring& path) {
  ApplyChosenPath(edSource, &TForm1::edSourceExit, path);
}

void TForm1::ApplyChosenTarget(const std::wstring& path) {
  ApplyChosenPath(edTarget, &TForm1::edTargetExit, path);
}

}  // namespace qv::ui
