#pragma once
// The editor window: the task list with the selected task's name, source and target on the first
// page, the connection settings on the second, Save and Exit below. It owns the document.
//
// Its parts live in separate files: editor_layout.cpp lists the controls, each once, with their
// places, fields and handlers; editor_window.cpp creates and lays out the window and dispatches
// its messages by that list, editor_controls.cpp puts the window's procedure in front of the
// system's controls, editor_keyboard.cpp is the keyboard navigation, editor_handlers.cpp the
// event handlers and editor_folder_buttons.cpp the two folder buttons.
#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

#include "config/document.h"
#include "config/config_store.h"
#include "i18n/ui_strings.h"
#include "net/server_connection.h"
#include "platform/folder_picker.h"
#include "ui/editor_layout.h"
#include "ui/win/byte_limited_edit.h"
#include "ui/win/controls.h"
#include "ui/win/form.h"
#include "ui/win/gdi.h"
#include "ui/win/window.h"

namespace qv::ui {

class TForm1 : public win::Form {
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

  // Keyboard navigation of the window: the buttons' accelerators, Escape in an edit, then the
  // dialog manager (Tab and Shift+Tab in the layout's tab order, arrows between buttons, Enter
  // on a button). True when the message was handled and must not be dispatched.
  bool PreTranslateMessage(const MSG& msg);

  // For the folder buttons: puts a chosen folder into edSource or edTarget, marks the edit
  // modified and applies it as when the user leaves the edit.
  void ApplyChosenSource(const std::wstring& path);
  void ApplyChosenTarget(const std::wstring& path);

  HWND Control(ControlId id) const {
    return controls_[static_cast<std::size_t>(id - kControlIdBegin)];
  }
  const ConfigDocument& Document() const { return doc_; }

 private:
  friend std::span<const ControlLayout> EditorLayout();

  // What applying the pending edits does with a refused one: shows it and stops, as leaving the
  // edit does (Save), or drops it, showing it only when it was not shown yet (closing).
  enum class OnRefusal { kStop, kDrop };

  LRESULT OnFormMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnActivated() override;
  void ApplyFont(HFONT font) override;
  void FocusFirstControl() override;
  static void RegisterControlClasses();
  template <int kClass>
  static LRESULT CALLBACK ControlClassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnControlMessage(HWND hwnd, ControlId id, WNDPROC original, UINT message, WPARAM wparam,
                           LPARAM lparam);
  void OnCommand(ControlId id, UINT code);
  LRESULT OnNotify(const NMHDR& header);

  void CreateControls();
  void LoadPictures();
  void Layout();
  void Place(ControlId id, int x, int y, int width, int height);
  // Sizes the window for `dpi`, or less where the window would not fit on `area`, the work area
  // of its monitor, and moves it into that area, centred or as near `wanted` as it can be: every
  // control stays on the screen.
  void FitOnScreen(UINT dpi, const RECT* wanted, const RECT& area);
  void ShowActivePage();
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void ReportFileNotLoaded();
  std::wstring NotLoadedText(int entry) const;
  // Whether Save may write over the file on disk: asked only while it holds what was not loaded.
  bool MayReplaceFile();
  // Writes the document, holding the file's turn against qvconf and other editors; asks first
  // when another program changed the file since this window read or wrote it.
  bool SaveToDisk();
  // Whether Save may go on while tasks' targets are one folder or one inside another: the
  // operator is told which, once per Save, and may save anyway.
  bool MaySaveOverlappingTargets();
  bool OnQueryEndSession();

  // Following the file on disk (editor_follow.cpp).
  struct FileKey {
    bool exists = false;
    DWORD size_low = 0, size_high = 0, time_low = 0, time_high = 0;
    friend bool operator==(const FileKey&, const FileKey&) = default;
  };
  static constexpr UINT_PTR kFollowTimer = 1;
  static constexpr UINT kFollowIntervalMs = 500;
  void CreateNotice();
  void PlaceNotice();
  void ShowNotice(const std::wstring& text);
  void HideNotice();
  void StartFollowingFile();
  FileKey ReadFileKey() const;
  void OnFollowTimer();
  bool MayFollowNow() const;
  // Loads the file when another program changed it and the window may follow it now; false
  // when it could not look now and must look again.
  bool FollowFile();
  // Fills the list and the edits from the document, selecting the task at `selected` (none
  // for -1).
  void ShowDocument(int selected);
  // Gives up what the browse waits for and closes the browser, as Cancel does.
  void EndBrowse();

  // The control `id` through the wrapper of its kind: asking for another kind is a fault of the
  // code, thrown to the window's boundary rather than a wrapper over the wrong control.
  template <typename Wrapper>
  Wrapper As(ControlId id) const;
  win::Window ById(ControlId id) const { return win::Window(Control(id)); }
  win::ByteLimitedEdit EditOf(ControlId id) const { return As<win::ByteLimitedEdit>(id); }
  win::ListBox ListBox1() const { return As<win::ListBox>(kListBox1); }
  win::TabControl PageControl1() const { return As<win::TabControl>(kPageControl1); }
  bool IsOwnWindow(HWND hwnd) const;
  // Moves the focus to `control`; false when it did not get there (a refused edit took it back).
  bool TakeFocus(const win::Window& control);
  // Moves the focus to the control that Tab would reach from `from`.
  void FocusNextControl(HWND from);
  // Alt+letter, or a letter while a button has the focus: runs the handler of the button whose
  // caption has that accelerator.
  bool RunAccelerator(wchar_t letter);

  // Leaving an edit: applies it; a refusal is shown and the focus goes back to the edit.
  bool LeaveEdit(const ControlLayout& edit);
  // Applies every edit the user changed since it was last applied, wherever the focus is;
  // false when one was refused and `on_refusal` is kStop.
  bool ApplyPendingEdits(OnRefusal on_refusal);
  bool HasPendingEdit() const;
  bool HasUnsavedWork() const { return doc_.modified() || HasPendingEdit(); }
  void ShowRefusal(ControlId id, const Refusal& refusal);
  // Whether the edit's text is the one whose refusal was shown last.
  bool AlreadyRefused(ControlId id) const;
  void ForgetRefusal(ControlId id);
  // Puts the document's value back into the edit: Escape, and a refused edit dropped on closing.
  void ShowStoredValue(ControlId id);
  std::wstring StoredText(ControlId id) const;
  // Save is enabled while there is something to save: the document changed, or an edit the user
  // changed that Save would apply first.
  void SyncSaveButton();
  int SelectedTask() const { return ListBox1().Selected(); }
  void ApplyChosenPath(ControlId id, const std::wstring& path);
  // What every leave handler does: when the user changed the edit, hands its text to the
  // document as the edit's field takes it.
  ApplyResult ApplyFieldEdit(ControlId id);
  void ShowTaskName(int position, const std::wstring& text);
  // What every key handler does: discards the key when the edit's field drops it.
  void FilterTypedKey(ControlId id, wchar_t& key) const;
  // Saves the document, applying the pending edits first; false when nothing was written
  // because an edit was refused, a question was answered no, or the write failed.
  bool Save();

  // Event handlers.
  void FormCreate();
  bool FormClose();
  void FormDestroy();
  void ListBox1Click();
  void btnAddClick();
  void btnDelClick();
  void btnSaveClick();
  void Button2Click();
  void BitBtn1Click();
  void BitBtn2Click();
  void DirDlg1Change();
  ApplyResult edNameExit();
  ApplyResult edSourceExit();
  ApplyResult edTargetExit();
  ApplyResult edHostExit();
  ApplyResult edUserExit();
  ApplyResult edPassExit();
  ApplyResult edPortExit();
  ApplyResult edInterExit();
  ApplyResult edSpdExit();
  void edNameKeyPress(wchar_t& key);
  void edHostKeyPress(wchar_t& key);
  void edUserKeyPress(wchar_t& key);
  void edPortKeyPress(wchar_t& key);
  void edInterKeyPress(wchar_t& key);
  void edSpdKeyPress(wchar_t& key);

  std::wstring directory_;
  ConfigDocument doc_;
  ServerConnection IdClient;
  TSDirDlg DirDlg1;
  bool main_window_ = false;
  // Set by the load when CONFIGS.DAT exists but the document does not hold it whole: the editor
  // says so once the window shows, and the first Save asks before it replaces that file.
  SaveLoss load_loss_;  // what a save would not carry over from the file as loaded
  // CONFIGS.DAT as this window last read or wrote it.
  FileStamp disk_stamp_;
  // The file's size and time when the window last looked at its bytes.
  FileKey watched_;
  // Says that the window loaded what another program wrote.
  win::Window notice_;
  // The last refusal shown, so that closing does not show the same one again.
  ControlId refused_id_ = kControlIdEnd;
  std::wstring refused_text_;
  bool blocking_shutdown_ = false;
  // While the source folder button's browse runs (connecting, logging on, the browser shown):
  // a close that comes meanwhile ends the browse first and is carried out after it.
  bool browsing_ = false;
  bool close_after_browse_ = false;
  // While a click on Exit moves the focus: the edit it leaves is refused without a message when
  // that refusal was shown already, since the close that follows drops it.
  bool clicking_exit_ = false;
  win::UniqueIcon folder_icon_;
  win::UniqueIcon app_icon_big_;
  win::UniqueIcon app_icon_small_;

  // The controls by id, as the layout lists them.
  std::array<HWND, kControlCount> controls_{};
  std::array<RECT, kControlCount> placed_{};
};

// Whether a control of `kind` is what `Wrapper` wraps.
template <typename Wrapper>
constexpr bool Wraps(ControlKind kind) {
  if constexpr (std::is_base_of_v<win::Edit, Wrapper>) {
    return kind == ControlKind::kEdit || kind == ControlKind::kPasswordEdit;
  } else if constexpr (std::is_same_v<Wrapper, win::ListBox>) {
    return kind == ControlKind::kListBox;
  } else if constexpr (std::is_same_v<Wrapper, win::TabControl>) {
    return kind == ControlKind::kTabs;
  } else if constexpr (std::is_same_v<Wrapper, win::Button>) {
    return kind == ControlKind::kButton || kind == ControlKind::kPictureButton;
  } else {
    return std::is_same_v<Wrapper, win::Window>;
  }
}

template <typename Wrapper>
Wrapper TForm1::As(ControlId id) const {
  const ControlLayout& c = LayoutOf(id);
  if (!Wraps<Wrapper>(c.kind)) throw std::logic_error("control of another kind asked for");
  return Wrapper(Control(id));
}

}  // namespace qv::ui
