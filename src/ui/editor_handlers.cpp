// The editor window's event handlers: each reads its control, calls the document and shows the
// result. The rules themselves live in the document.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "config/config_store.h"
#include "i18n/ui_strings.h"
#include "ui/editor_window.h"
#include "ui/message_box.h"
#include "ui/win/ansi_text.h"

namespace qv::ui {
namespace {

std::string AnsiText(const win::Window& control) { return win::WideToAnsi(control.Text()); }

}  // namespace

void TForm1::FormCreate() {
  existing_file_not_loaded_ = LoadConfig(directory_, doc_).ExistingFileNotLoaded();
  ListBox1.SetRedraw(false);
  ListBox1.Reserve(static_cast<int>(doc_.tasks.size()),
                   static_cast<int>(doc_.tasks.size() * 2 * TaskRecord::kNameCapacity));
  std::wstring name;
  for (const TaskRecord& task : doc_.tasks) {
    win::AnsiToWideInto(task.NameView(), name);
    ListBox1.Add(name);
  }
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
  switch (AskYesNoCancel(hwnd_, UiText(kUiCloseQuestion), UiText(kUiCloseCaption))) {
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

bool TForm1::btnSaveClick() {
  if (!ApplyPendingEdit()) return false;
  if (!MayReplaceFile()) return false;
  const SaveResult result = SaveConfig(directory_, doc_);
  if (!result.ok) {
    ShowErrorMessage(hwnd_, result.error);
    return false;
  }
  existing_file_not_loaded_ = false;
  doc_.MarkSaved();
  SyncSaveButton();
  return true;
}

void TForm1::ReportFileNotLoaded() { ShowProgramMessage(hwnd_, UiText(kUiNotLoaded)); }

bool TForm1::MayReplaceFile() {
  if (!existing_file_not_loaded_) return true;
  return AskYesNo(hwnd_, UiText(kUiReplaceQuestion), UiText(kUiCloseCaption)) == IDYES;
}

void TForm1::Button2Click() { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }

bool TForm1::edNameExit() {
  if (!edName.IsModified()) return true;
  const int position = SelectedTask();
  const std::wstring text = edName.Text();
  const RenameResult result = doc_.RenameTask(position, win::WideToAnsi(text));
  if (result != RenameResult::kAccepted) {
    ShowProgramMessage(hwnd_, UiText(result == RenameResult::kRefusedEmpty ? kUiInvalidName
                                                                           : kUiRepeatedName));
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

bool TForm1::ApplyTextEdit(win::Edit& edit, const std::function<void(std::string_view)>& store) {
  if (!edit.IsModified()) return true;
  store(AnsiText(edit));
  edit.SetModified(false);
  SyncSaveButton();
  return true;
}

bool TForm1::ApplyNumberEdit(win::Edit& edit,
                             std::int32_t (ConfigDocument::*store)(std::string_view)) {
  if (!edit.IsModified()) return true;
  // Putting the number back clears the modified state.
  edit.SetText(std::to_wstring((doc_.*store)(AnsiText(edit))));
  SyncSaveButton();
  return true;
}

bool TForm1::edSourceExit() {
  return ApplyTextEdit(edSource, [this](std::string_view text) {
    doc_.SetTaskSource(SelectedTask(), text);
  });
}

bool TForm1::edTargetExit() {
  return ApplyTextEdit(edTarget, [this](std::string_view text) {
    doc_.SetTaskTarget(SelectedTask(), text);
  });
}

bool TForm1::edHostExit() {
  return ApplyTextEdit(edHost, [this](std::string_view text) { doc_.SetHost(text); });
}

bool TForm1::edUserExit() {
  return ApplyTextEdit(edUser, [this](std::string_view text) { doc_.SetUser(text); });
}

bool TForm1::edPassExit() {
  return ApplyTextEdit(edPass, [this](std::string_view text) { doc_.SetPassword(text); });
}

bool TForm1::edPortExit() { return ApplyNumberEdit(edPort, &ConfigDocument::SetPort); }

bool TForm1::edInterExit() { return ApplyNumberEdit(edInter, &ConfigDocument::SetInterval); }

bool TForm1::edSpdExit() { return ApplyNumberEdit(edSpd, &ConfigDocument::SetSpeedLimit); }

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
  if (!enable && btnSave.HasFocus()) FocusNextControl(btnSave.handle());
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
