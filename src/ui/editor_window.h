#pragma once
// The editor window: the task list with the selected task's name, source and target on the first
// page, the connection settings on the second, Save and Exit below. It owns the document.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "config/document.h"
#include "net/server_connection.h"
#include "platform/folder_picker.h"
#include "ui/editor_layout.h"
#include "ui/win/controls.h"
#include "ui/win/form.h"
#include "ui/win/gdi.h"
#include "ui/win/window.h"

namespace qv::ui {

class TForm1 : public win::WindowImpl {
 public:
  // `directory` holds CONFIGS.DAT and ends with a backslash: ExeDirectory() in the program.
  explicit TForm1(std::wstring directory);
  ~TForm1() override;

  // Creates the window, hidden and centred, with its controls; runs FormCreate.
  bool Create();
  void ApplyEditorCaptions();
  // Shows the window; once it shows, says so when an existing file was not loaded whole.
  void Show(int show_command);
  // The program's main window ends the message loop when it is destroyed.
  void SetMainWindow(bool main_window) { main_window_ = main_window; }

  // Keyboard navigation of the window: the buttons' accelerators, then the dialog manager (Tab
  // and Shift+Tab in the layout's tab order, arrows between buttons, Enter on a button). True
  // when the message was handled and must not be dispatched.
  bool PreTranslateMessage(const MSG& msg);

  // For the folder buttons: puts a chosen folder into edSource or edTarget, marks the edit
  // modified and applies it as when the user leaves the edit.
  void ApplyChosenSource(const std::wstring& path);
  void ApplyChosenTarget(const std::wstring& path);

  HWND Control(ControlId id) const { return ById(id).handle(); }
  const ConfigDocument& Document() const { return doc_; }
  UINT Dpi() const { return dpi_; }

 private:
  using ExitHandler = bool (TForm1::*)();
  using KeyHandler = void (TForm1::*)(wchar_t& key);
  struct EditBinding {
    ControlId id;
    ExitHandler on_exit;
    KeyHandler on_key;  // null where every character may be typed
  };

  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  static void RegisterControlClasses();
  template <int kClass>
  static LRESULT CALLBACK ControlClassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnControlMessage(HWND hwnd, ControlId id, WNDPROC original, UINT message, WPARAM wparam,
                           LPARAM lparam);
  void OnCommand(ControlId id, UINT code);
  LRESULT OnNotify(const NMHDR& header);

  void CreateControls();
  void SetFontName(const std::wstring& name);
  void LoadPictures();
  void Layout();
  void Place(ControlId id, int x, int y, int width, int height);
  void ShowActivePage();
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void ReportFileNotLoaded();
  // Whether Save may write over the file on disk: asked only while it holds what was not loaded.
  bool MayReplaceFile();

  win::Window& ById(ControlId id);
  const win::Window& ById(ControlId id) const;
  const EditBinding* BindingOf(ControlId id) const;
  bool IsOwnWindow(HWND hwnd) const;
  // Moves the focus to `control`; false when it did not get there (a refused rename took it back).
  bool TakeFocus(const win::Window& control);
  // Moves the focus to the control that Tab would reach from `from`.
  void FocusNextControl(HWND from);
  // Alt+letter, or a letter while a button has the focus: runs the handler of the button whose
  // caption has that accelerator.
  bool RunAccelerator(wchar_t letter);

  // Applies the change pending in the focused edit as when it loses the focus; false when that
  // was a refused rename.
  bool ApplyPendingEdit();
  void SyncSaveButton();
  int SelectedTask() const { return ListBox1.Selected(); }
  void ApplyChosenPath(win::Edit& edit, ExitHandler on_exit, const std::wstring& path);
  // What every leave handler but edName's does: when the user changed the edit, hand its text to
  // the document, and show a number as the document stored it.
  bool ApplyTextEdit(win::Edit& edit, const std::function<void(std::string_view)>& store);
  bool ApplyNumberEdit(win::Edit& edit, std::int32_t (ConfigDocument::*store)(std::string_view));

  // Event handlers.
  void FormCreate();
  bool FormClose();
  void FormDestroy();
  void ListBox1Click();
  void btnAddClick();
  void btnDelClick();
  bool btnSaveClick();
  void Button2Click();
  void BitBtn1Click();
  void BitBtn2Click();
  void DirDlg1Change();
  bool edNameExit();
  bool edSourceExit();
  bool edTargetExit();
  bool edHostExit();
  bool edUserExit();
  bool edPassExit();
  bool edPortExit();
  bool edInterExit();
  bool edSpdExit();
  void edNameKeyPress(wchar_t& key);
  void edHostKeyPress(wchar_t& key);
  void edUserKeyPress(wchar_t& key);
  void edPortKeyPress(wchar_t& key);
  void edInterKeyPress(wchar_t& key);
  void edSpdKeyPress(wchar_t& key);

  static const std::array<EditBinding, 9> kEditBindings;

  std::wstring directory_;
  ConfigDocument doc_;
  ServerConnection IdClient;
  TSDirDlg DirDlg1;
  bool main_window_ = false;
  // Set by the load when CONFIGS.DAT exists but the document does not hold it whole: the editor
  // says so once the window shows, and the first Save asks before it replaces that file.
  bool existing_file_not_loaded_ = false;
  UINT dpi_ = 96;
  std::wstring font_name_;
  win::UniqueFont font_;
  win::UniqueIcon folder_icon_;
  win::UniqueIcon app_icon_big_;
  win::UniqueIcon app_icon_small_;
  win::FocusMemory focus_memory_;

  win::TabControl PageControl1;
  win::Button btnSave, Button2;
  win::Window tabGame, tabOther;
  win::ListBox ListBox1;
  win::Button btnAdd, btnDel, BitBtn1, BitBtn2;
  win::Window Label1, Label4, Label5;
  win::Edit edName, edSource, edTarget;
  win::Window HostLBL, PortLBL, UserLBL, PassLBL, interLBL, interLBL1, spdLBL;
  win::Edit edHost, edPort, edUser, edPass, edInter, edSpd;
  std::array<win::Window*, kControlCount> by_id_{};
  std::array<RECT, kControlCount> placed_{};
};

}  // namespace qv::ui
