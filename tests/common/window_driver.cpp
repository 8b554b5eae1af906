#include "common/window_driver.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <map>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace qv::test {
namespace {

using Clock = std::chrono::steady_clock;

// Thread timers carry no context: each tick finds its driver by the timer's id.
std::map<UINT_PTR, ModalDriver*>& Drivers() {
  static std::map<UINT_PTR, ModalDriver*> drivers;
  return drivers;
}

struct Search {
  std::wstring_view class_name;
  std::wstring_view title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM lparam) {
  auto& search = *reinterpret_cast<Search*>(lparam);
  if (!IsWindowVisible(window) || ClassName(window) != search.class_name) return TRUE;
  if (!search.title.empty() && WindowText(window) != search.title) return TRUE;
  search.found = window;
  return FALSE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM lparam) {
  reinterpret_cast<std::vector<HWND>*>(lparam)->push_back(window);
  return TRUE;
}

}  // namespace

void PumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    // A quit meant for a modal loop further out is not ours to take.
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
  const Clock::time_point end = Clock::now() + deadline;
  for (;;) {
    if (condition()) return true;
    const Clock::time_point now = Clock::now();
    if (now >= end) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
    // Wakes for any message; the short cap covers changes that come without one (another
    // thread's work, a window that another process shows).
    MsgWaitForMultipleObjects(0, nullptr, FALSE,
                              static_cast<DWORD>(std::min<long long>(left.count(), 20)),
                              QS_ALLINPUT);
    PumpPending();
  }
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, static_cast<std::size_t>(length));
}

HWND FindThreadWindow(std::wstring_view class_name, std::wstring_view title) {
  Search search{class_name, title};
  EnumThreadWindows(GetCurrentThreadId(), MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  if (parent) EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

HWND FindChild(HWND parent, std::wstring_view class_name) {
  for (HWND child : ChildWindows(parent)) {
    if (CompareStringOrdinal(ClassName(child).c_str(), -1, std::wstring(class_name).c_str(), -1,
                             TRUE) == CSTR_EQUAL) {
      return child;
    }
  }
  return nullptr;
}

DialogContents ReadDialog(HWND dialog) {
  DialogContents contents;
  contents.caption = WindowText(dialog);
  for (HWND control : ChildWindows(dialog)) {
    if (!IsWindowVisible(control)) continue;
    const std::wstring name = ClassName(control);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (CompareStringOrdinal(name.c_str(), -1, L"Button", -1, TRUE) == CSTR_EQUAL) {
      contents.buttons.push_back(WindowText(control));
    } else if (CompareStringOrdinal(name.c_str(), -1, L"Static", -1, TRUE) == CSTR_EQUAL) {
      if ((style & SS_TYPEMASK) == SS_ICON) {
        contents.has_icon = contents.has_icon || SendMessageW(control, STM_GETICON, 0, 0) != 0;
      } else if (std::wstring text = WindowText(control); !text.empty()) {
        contents.texts.push_back(std::move(text));
      }
    }
  }
  return contents;
}

namespace {

struct ItemListFree {
  void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using ItemList = std::unique_ptr<ITEMIDLIST, ItemListFree>;

struct ComRelease {
  void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T>
using ComPtr = std::unique_ptr<T, ComRelease>;

bool SameId(const SHITEMID& a, const SHITEMID& b) {
  return a.cb == b.cb && std::memcmp(a.abID, b.abID, a.cb - sizeof(a.cb)) == 0;
}

bool ListsItem(IShellFolder& folder, const SHITEMID& wanted) {
  IEnumIDList* raw = nullptr;
  if (folder.EnumObjects(nullptr, SHCONTF_FOLDERS, &raw) != S_OK || raw == nullptr) return false;
  const ComPtr<IEnumIDList> items(raw);
  for (;;) {
    ITEMIDLIST* item = nullptr;
    if (items->Next(1, &item, nullptr) != S_OK) return false;
    const ItemList owned(item);
    if (SameId(item->mkid, wanted)) return true;
  }
}

}  // namespace

bool ShellListsAsParsed(const std::wstring& path) {
  PIDLIST_ABSOLUTE parsed = nullptr;
  if (FAILED(SHParseDisplayName(path.c_str(), nullptr, &parsed, 0, nullptr))) return false;
  const ItemList full(parsed);
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return false;
  ComPtr<IShellFolder> folder(desktop);
  for (const ITEMIDLIST* level = full.get(); level->mkid.cb != 0; level = ILNext(level)) {
    if (!ListsItem(*folder, level->mkid)) return false;
    const ItemList first(ILCloneFirst(level));
    IShellFolder* inner = nullptr;
    if (FAILED(folder->BindToObject(first.get(), nullptr, IID_PPV_ARGS(&inner)))) return false;
    folder.reset(inner);
  }
  return true;
}

ModalDriver::ModalDriver(std::vector<Step> steps, std::function<void()> give_up,
                         std::chrono::milliseconds deadline)
    : steps_(std::move(steps)),
      give_up_(std::move(give_up)),
      deadline_(deadline),
      waiting_since_(Clock::now()) {
  timer_ = SetTimer(nullptr, 0, 20, &ModalDriver::Tick);
  if (timer_ == 0) {
    ADD_FAILURE() << "no timer for the modal driver: " << GetLastError();
    return;
  }
  Drivers()[timer_] = this;
}

ModalDriver::~ModalDriver() { Stop(); }

void ModalDriver::Stop() {
  if (timer_ == 0) return;
  KillTimer(nullptr, timer_);
  Drivers().erase(timer_);
  timer_ = 0;
}

void CALLBACK ModalDriver::Tick(HWND, UINT, UINT_PTR timer, DWORD) {
  const auto found = Drivers().find(timer);
  if (found != Drivers().end()) found->second->OnTick();
}

void ModalDriver::GiveUp(const std::string& why) {
  gave_up_ = true;
  Stop();
  ADD_FAILURE() << why;
  if (give_up_) give_up_();
}

void ModalDriver::OnTick() {
  if (gave_up_) return;
  const bool late = Clock::now() - waiting_since_ >= deadline_;
  if (Done()) {
    // Ticks still come: something is open. Only a test that keeps pumping for the whole
    // deadline after its last step without a window open would be blamed wrongly.
    if (late) {
      GiveUp("a modal loop still runs " + std::to_string(deadline_.count()) +
             " ms after the last step" +
             (steps_.empty() ? std::string() : ": " + steps_.back().what));
    }
    return;
  }
  Step& step = steps_[next_];
  if (step.ready && !step.ready()) {
    if (late) GiveUp("waited " + std::to_string(deadline_.count()) + " ms in vain for: " + step.what);
    return;
  }
  ++next_;
  // The next step's deadline counts from now, however long this action keeps its loop running.
  waiting_since_ = Clock::now();
  if (step.act) step.act();
  waiting_since_ = Clock::now();
}

}  // namespace qv::test
