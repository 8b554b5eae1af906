#pragma once
// The program's message boxes. Every box goes through one replaceable function with the contract
// of MessageBoxW, so that tests can record what would be shown and answer it.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace qv::ui {

using MessageBoxFunction = std::function<int(HWND owner, const std::wstring& text,
                                             const std::wstring& caption, UINT type)>;

// Installs `function` in place of the real boxes; an empty function puts the real ones back.
// Returns the function that was installed before.
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);

// The executable's file name without its folder, cut at its first ".", every letter after the
// first in lower case ("C:\Apps\QUORVEL.EXE" gives "Quorvel").
std::wstring ApplicationTitleFromPath(std::wstring_view exe_path);
const std::wstring& ApplicationTitle();

// An error text ends with a full stop unless its last character sorts at or below ".".
std::wstring WithFullStop(std::wstring text);

// A message of the program: no icon, one button reading "OK" in every language.
void ShowProgramMessage(HWND owner, const std::wstring& text);
// An error that escaped an action: the error icon, "OK", the text with its full stop.
void ShowErrorMessage(HWND owner, const std::wstring& text);
// Yes, No and Cancel, no icon, Yes the default; returns IDYES, IDNO or IDCANCEL.
int AskYesNoCancel(HWND owner, const std::wstring& text, const std::wstring& caption);
// Yes and No, no icon; returns IDYES or IDNO. A question whose Yes replaces something makes No,
// the answer that loses nothing, the default, so that Enter cannot destroy.
enum class DefaultAnswer { kYes, kNo };
int AskYesNo(HWND owner, const std::wstring& text, const std::wstring& caption,
             DefaultAnswer default_answer);

}  // namespace qv::ui
