#pragma once
// Drives the windows of the calling thread from a test: waits that dispatch messages until a
// condition holds, finders for dialogs and their controls, and a driver that acts from inside a
// modal loop (a modal window, the shell's folder dialog, a message box). Every wait is for a
// condition with a generous deadline: the machine the tests run on is shared and often busy, and
// Wine can take seconds to show its first dialog.
#include <windows.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::test {

inline constexpr std::chrono::milliseconds kWindowDeadline{30000};

// Dispatches this thread's messages until `condition` holds; false when `deadline` passed first.
// The condition is checked before anything is dispatched.
bool PumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds deadline = kWindowDeadline);
// Dispatches what is queued for this thread now, without waiting.
void PumpPending();

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

// The first visible top-level window of this thread with the window class `class_name` and, when
// `title` is given, that title; nullptr when there is none.
HWND FindThreadWindow(std::wstring_view class_name, std::wstring_view title = {});
// A visible dialog of this thread: a message box, the shell's folder dialog.
inline HWND FindThreadDialog() { return FindThreadWindow(L"#32770"); }

// The child windows of `parent`, descendants included, in the order the system lists them.
std::vector<HWND> ChildWindows(HWND parent);
// The first child of `parent` of the window class `class_name`, or nullptr.
HWND FindChild(HWND parent, std::wstring_view class_name);

// What a dialog shows, read as a person would read it.
struct DialogContents {
  std::wstring caption;
  std::vector<std::wstring> texts;    // visible static texts that are not empty
  std::vector<std::wstring> buttons;  // visible buttons' texts
  bool has_icon = false;
};
DialogContents ReadDialog(HWND dialog);

// Every level of the folder `path`, as the shell parses the path, is byte for byte the item the
// shell lists in the level above. The shell's folder dialog walks its tree that way to preselect a
// folder, and under Wine the walk to a folder that was just created fails until the shell has
// listed the levels once (seen in about one opening of three). Asking this with PumpUntil before
// the dialog opens lists them, and waits in case the two still differ.
bool ShellListsAsParsed(const std::wstring& path);

// Where tests make the folders that a folder dialog shows: right under C:\, not in the shared
// Temp folder. Wine's dialog matches a path against its tree by item IDs that carry each level's
// last-write time, so it fails to select a folder once a folder above it changed after the tree was
// listed, and any test running beside this one changes Temp (seen: 4 to 6 of 60 selections lost
// with two other test programs running, none with the folders here). A drive's item carries no time.
inline constexpr wchar_t kTestFolderRoot[] = L"C:\\";

// Runs `steps` on this thread from a timer, so that they run inside whatever modal loop the test
// starts after creating the driver. Each step waits for its condition and then acts once; the
// next step's condition is looked at only after that. A step counts as taken before it acts, so
// that an action which opens a nested modal loop (a button that shows a message box) lets the
// next step run inside that loop. When a condition does not hold within `deadline` (counted from
// the previous step), the failure is reported, `give_up` runs (it should close what is open, so
// that the test goes on) and no further step runs. The same happens when a modal loop still runs
// `deadline` after the last step acted: the last step should have closed its window.
class ModalDriver {
 public:
  struct Step {
    std::string what;  // named in the failure, e.g. "the folder dialog is shown"
    std::function<bool()> ready;
    std::function<void()> act;
  };

  ModalDriver(std::vector<Step> steps, std::function<void()> give_up,
              std::chrono::milliseconds deadline = kWindowDeadline);
  ~ModalDriver();
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;

  // Every step has acted.
  bool Done() const { return next_ == steps_.size(); }
  bool GaveUp() const { return gave_up_; }
  std::size_t StepsTaken() const { return next_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD);
  void OnTick();
  void GiveUp(const std::string& why);
  void Stop();

  std::vector<Step> steps_;
  std::function<void()> give_up_;
  std::chrono::milliseconds deadline_;
  std::chrono::steady_clock::time_point waiting_since_;
  std::size_t next_ = 0;
  bool gave_up_ = false;
  UINT_PTR timer_ = 0;
};

}  // namespace qv::test
