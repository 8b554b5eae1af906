#include "platform/folder_picker.h"

#include <objbase.h>
#include <shlobj.h>

#include <exception>
#include <string_view>
#include <utility>

#include "common/win_text.h"

namespace qv {
namespace {

std::wstring CurrentDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(path.size()), path.data());
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length);  // too small: `length` counts the terminator
  }
}

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM windows) {
  if (IsWindowVisible(window) && IsWindowEnabled(window)) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  }
  return TRUE;
}

// The folder dialog is the program's only use of shell32 and ole32. Imported, they cost a
// noticeable part of every start under Wine (they pull in much of the shell), so they are loaded
// when a dialog first opens. Both are known DLLs: Windows loads them from the system folder only.
struct ShellApi {
  decltype(&CoInitializeEx) co_initialize_ex = nullptr;
  decltype(&CoUninitialize) co_uninitialize = nullptr;
  decltype(&SHGetMalloc) get_malloc = nullptr;
  decltype(&SHBrowseForFolderW) browse_for_folder = nullptr;
  decltype(&SHGetPathFromIDListW) path_from_id_list = nullptr;

  bool complete() const {
    return co_initialize_ex != nullptr && co_uninitialize != nullptr && get_malloc != nullptr &&
           browse_for_folder != nullptr && path_from_id_list != nullptr;
  }
};

template <typename Function>
void FindFunction(HMODULE module, const char* name, Function& function) {
  if (module == nullptr) return;
  // Through void (*)(), the one function pointer type that converts to any other unremarked.
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

const ShellApi& Shell() {
  static const ShellApi api = [] {
    ShellApi found;
    const HMODULE ole32 = LoadLibraryW(L"ole32.dll");
    const HMODULE shell32 = LoadLibraryW(L"shell32.dll");
    FindFunction(ole32, "CoInitializeEx", found.co_initialize_ex);
    FindFunction(ole32, "CoUninitialize", found.co_uninitialize);
    FindFunction(shell32, "SHGetMalloc", found.get_malloc);
    FindFunction(shell32, "SHBrowseForFolderW", found.browse_for_folder);
    FindFunction(shell32, "SHGetPathFromIDListW", found.path_from_id_list);
    return found;
  }();
  return api;
}

class ComApartment {
 public:
  ComApartment()
      : ok_(SUCCEEDED(Shell().co_initialize_ex(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (ok_) Shell().co_uninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

}  // namespace

ThreadWindowsDisabled::ThreadWindowsDisabled() {
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow,
                    reinterpret_cast<LPARAM>(&windows_));
  for (HWND window : windows_) EnableWindow(window, FALSE);
}

ThreadWindowsDisabled::~ThreadWindowsDisabled() {
  for (HWND window : windows_) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
}

TSDirDlg::TSDirDlg(HWND owner)
    : owner_(owner),
      send_([](HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        return SendMessageW(window, message, wparam, lparam);
      }) {}

void TSDirDlg::SetMessageSender(MessageSender sender) { send_ = std::move(sender); }

void TSDirDlg::SetErrorShower(ErrorShower shower) { show_error_ = std::move(shower); }

bool TSDirDlg::Execute() {
  // The shell expects a single-threaded apartment on the thread that shows the dialog; when the
  // program already set one up this only counts up and down.
  if (!Shell().complete()) return false;
  ComApartment apartment;
  IMalloc* allocator = nullptr;
  if (FAILED(Shell().get_malloc(&allocator)) || allocator == nullptr) return false;

  BROWSEINFOW info = {};
  info.hwndOwner = owner_;
  info.lpszTitle = Caption.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(this);

  PIDLIST_ABSOLUTE chosen = nullptr;
  {
    ThreadWindowsDisabled disabled;
    chosen = Shell().browse_for_folder(&info);
  }
  // The dialog is gone; a later EnableOk must not reach whatever window reuses its handle.
  dialog_ = nullptr;

  // `Directory` already holds the path of the latest selection that had one.
  const bool confirmed = chosen != nullptr;
  if (chosen != nullptr) allocator->Free(chosen);
  allocator->Release();
  outcome_ = confirmed ? UsablePath() : Outcome::kCancelled;
  return outcome_ == Outcome::kChosen || outcome_ == Outcome::kChosenByShortName;
}

TSDirDlg::Outcome TSDirDlg::UsablePath() {
  if (!CanUsePath || CanUsePath(Directory)) return Outcome::kChosen;
  const std::wstring short_path = ShortPath(Directory);
  if (short_path.empty() || !CanUsePath(short_path)) return Outcome::kRefused;
  Directory = short_path;
  return Outcome::kChosenByShortName;
}

std::wstring ShortPath(const std::wstring& path) {
  std::wstring short_path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetShortPathNameW(path.c_str(), short_path.data(), static_cast<DWORD>(short_path.size()));
    if (length == 0) return {};
    if (length < short_path.size()) {
      short_path.resize(length);
      return short_path;
    }
    short_path.resize(length);  // too small: `length` counts the terminator
  }
}

void TSDirDlg::EnableOk(bool enable) {
  if (dialog_ != nullptr) Send(dialog_, BFFM_ENABLEOK, 0, enable ? 1 : 0);
}

int CALLBACK TSDirDlg::BrowseCallback(HWND window, UINT notification, LPARAM data, LPARAM context) {
  auto* self = reinterpret_cast<TSDirDlg*>(context);
  if (self == nullptr) return 0;
  // Nothing may unwind into the shell's code: errors stop here, and the dialog stays open.
  try {
    switch (notification) {
      case BFFM_INITIALIZED:
        self->Initialized(window);
        break;
      case BFFM_SELCHANGED:
        self->SelectionChanged(window, data);
        break;
      default:
        break;
    }
  } catch (const std::exception& error) {
    self->ShowError(window, win::AnsiToWide(error.what()));
  } catch (...) {
    self->ShowError(window, L"Unknown error");
  }
  return 0;
}

void TSDirDlg::Initialized(HWND window) {
  dialog_ = window;
  if (Directory.empty()) Directory = CurrentDirectory();
  if (Directory.size() > 3 && Directory.back() == L'\\') Directory.pop_back();
  if (!Directory.empty() && dialog_ != nullptr) {
    Send(dialog_, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(Directory.c_str()));
  }
}

void TSDirDlg::SelectionChanged(HWND window, LPARAM item_list) {
  wchar_t path[MAX_PATH] = {};
  if (Shell().path_from_id_list(reinterpret_cast<PCIDLIST_ABSOLUTE>(item_list), path)) {
    Send(window, BFFM_ENABLEOK, 0, 1);
    Directory.assign(path);
    if (OnChange) OnChange(*this);
  } else {
    Send(window, BFFM_ENABLEOK, 0, 0);
  }
}

void TSDirDlg::ShowError(HWND window, const std::wstring& text) const {
  // Called from the callback's error handlers: a failing error box must not unwind either.
  try {
    if (show_error_) show_error_(window, text);
  } catch (...) {
  }
}

LRESULT TSDirDlg::Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return send_(window, message, wparam, lparam);
}

}  // namespace qv
