#pragma once
// Drives the real editor window in-process, as a user would: typing characters into the focused
// edit, moving the focus, clicking buttons and list entries, pressing keys through the window's
// keyboard navigation. Message boxes are recorded and answered instead of being shown.
#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/document.h"
#include "ui/editor_window.h"
#include "ui/message_box.h"

namespace qv::test {

// The editor's names (TForm1, the control ids, the layout) are the tests' vocabulary.
using namespace ::qv::ui;

struct ShownBox {
  std::wstring text;
  std::wstring caption;
  UINT type;
};

struct TaskSpec {
  std::string name, source, target;
};

class EditorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  const std::wstring& Directory() const { return directory_; }
  std::wstring ConfigPath() const { return directory_ + L"CONFIGS.DAT"; }
  void WriteConfig(const ConfigDocument& doc);
  void WriteTasks(const std::vector<TaskSpec>& tasks);
  ConfigDocument ReadConfig() const;

  // Creates the window over Directory(), applies its captions and shows it.
  void Open();
  TForm1& Form() { return *form_; }
  bool IsOpen() const { return form_ && form_->handle() && IsWindow(form_->handle()); }
  HWND Get(ControlId id) const { return form_->Control(id); }
  std::wstring Text(ControlId id) const;
  bool Enabled(ControlId id) const { return IsWindowEnabled(Get(id)) != FALSE; }
  bool Modified(ControlId id) const { return SendMessageW(Get(id), EM_GETMODIFY, 0, 0) != 0; }
  ControlId Focused() const;
  std::vector<std::wstring> ListEntries() const;
  int Selection() const;

  void Pump();
  void Focus(ControlId id);
  // Focuses the edit, selects its text and types `text` over it character by character.
  void Type(ControlId id, const std::wstring& text);
  void TypeChars(ControlId id, const std::wstring& text);
  void Click(ControlId id);
  void ClickListEntry(int index);
  void ClickTab(int index);
  void PressKey(UINT virtual_key);
  void PressAlt(wchar_t letter);
  // Alt held with a key that is no character: WM_SYSKEYDOWN, as Alt+F4 arrives.
  void PressSysKey(UINT virtual_key);
  // The title bar's close box, the system menu and Alt+F4 all end in this message.
  void CloseFromTitleBar();

  std::vector<ShownBox> boxes_;
  std::deque<int> answers_;

 private:
  void Deliver(UINT message, WPARAM wparam, LPARAM lparam);

  std::wstring directory_;
  std::unique_ptr<TForm1> form_;
  MessageBoxFunction previous_boxes_;
};

std::wstring Widen(const std::string& ansi);
// The whole content of a file; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path);
// Replaces the file's content (a test failure when it cannot).
void WriteBytes(const std::wstring& path, const std::string& bytes);
// Puts `text` on the clipboard, opened by `owner` (a test failure when it cannot).
void SetClipboardText(HWND owner, const std::wstring& text);

// Where the text of a static control reaches when the control draws it with room to spare: a
// hidden twin with the same class, style, font and text, wide and tall, is printed into a bitmap
// and the ink found. The size is one past the rightmost and the lowest pixel that differs from the
// background.
SIZE DrawnTextExtent(HWND label);

}  // namespace qv::test
