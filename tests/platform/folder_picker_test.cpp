#include "platform/folder_picker.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/window_driver.h"
#include "config/drive_path.h"

namespace qv::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ComEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }
};
[[maybe_unused]] ::testing::Environment* const com_environment =
    ::testing::AddGlobalTestEnvironment(new ComEnvironment);

struct ItemListFree {
  void operator()(std::remove_pointer_t<PIDLIST_ABSOLUTE>* list) const { CoTaskMemFree(list); }
};
using ItemList = std::unique_ptr<std::remove_pointer_t<PIDLIST_ABSOLUTE>, ItemListFree>;

// The shell's own item lists for a path, by its two ways of parsing one.
ItemList ParsedByShell(const std::wstring& path) {
  PIDLIST_ABSOLUTE list = nullptr;
  const HRESULT result = SHParseDisplayName(path.c_str(), nullptr, &list, 0, nullptr);
  EXPECT_TRUE(SUCCEEDED(result) && list != nullptr)
      << "cannot parse " << ::testing::PrintToString(path);
  return ItemList(list);
}

ItemList CreatedFromPath(const std::wstring& path) {
  ItemList list(ILCreateFromPathW(path.c_str()));
  EXPECT_NE(list, nullptr) << "no item list for " << ::testing::PrintToString(path);
  return list;
}

ItemList SpecialFolder(int csidl) {
  PIDLIST_ABSOLUTE list = nullptr;
  EXPECT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &list))) << "csidl " << csidl;
  return ItemList(list);
}

std::wstring CurrentDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, path);
  return path;
}

// Real folders under kTestFolderRoot, removed again with the fixture; the process's
// current directory is put back too, since a folder in use cannot be removed.
class TempFolders {
 public:
  TempFolders() : saved_current_(CurrentDirectory()) {
    root_ = Make(std::wstring(kTestFolderRoot) + L"qv-pick-" + std::to_wstring(GetCurrentProcessId()));
  }
  ~TempFolders() {
    SetCurrentDirectoryW(saved_current_.c_str());
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) RemoveDirectoryW(it->c_str());
  }
  TempFolders(const TempFolders&) = delete;
  TempFolders& operator=(const TempFolders&) = delete;

  const std::wstring& Root() const { return root_; }
  std::wstring Make(const std::wstring& path) {
    // A run that was killed may have left the folder behind for a later process of its id.
    EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        << GetLastError();
    made_.push_back(path);
    return path;
  }
  std::wstring Sub(const std::wstring& name) { return Make(root_ + L"\\" + name); }

 private:
  std::wstring saved_current_;
  std::wstring root_;
  std::vector<std::wstring> made_;
};

struct Sent {
  HWND window;
  UINT message;
  WPARAM wparam;
  std::wstring lparam;  // the path for a set-selection, the number otherwise
  bool operator==(const Sent&) const = default;
};

void PrintTo(const Sent& sent, std::ostream* out) {
  *out << "{" << sent.window << ", "
       << (sent.message == BFFM_ENABLEOK ? "ENABLEOK" : "SETSELECTIONW") << ", " << sent.wparam
       << ", " << ::testing::PrintToString(sent.lparam) << "}";
}

Sent EnableOkSent(HWND window, int enable) {
  return {window, BFFM_ENABLEOK, 0, std::to_wstring(enable)};
}

Sent SelectionSent(HWND window, const std::wstring& path) {
  return {window, BFFM_SETSELECTIONW, TRUE, path};
}

// The picker with its message sends and error boxes recorded, and everything the handler saw, in
// order, in one log.
class PickerTest : public ::testing::Test {
 protected:
  PickerTest() {
    dialog_ = CreateWindowExW(0, L"STATIC", L"dialog", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr);
    picker_.SetMessageSender([this](HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
      sent_.push_back({window, message, wparam,
                       message == BFFM_SETSELECTIONW
                           ? std::wstring(reinterpret_cast<const wchar_t*>(lparam))
                           : std::to_wstring(lparam)});
      log_.push_back(L"sent with " + picker_.Directory);
      return LRESULT{0};
    });
    picker_.SetErrorShower([this](HWND owner, const std::wstring& text) {
      errors_.push_back(text);
      error_owners_.push_back(owner);
    });
  }
  ~PickerTest() override { DestroyWindow(dialog_); }

  int Notify(UINT notification, LPARAM data) {
    return TSDirDlg::BrowseCallback(dialog_, notification, data,
                                    reinterpret_cast<LPARAM>(&picker_));
  }
  int Initialise() { return Notify(BFFM_INITIALIZED, 0); }
  int Select(const ItemList& list) {
    return Notify(BFFM_SELCHANGED, reinterpret_cast<LPARAM>(list.get()));
  }
  void LogChanges() {
    picker_.OnChange = [this](TSDirDlg& sender) {
      EXPECT_EQ(&sender, &picker_);
      log_.push_back(L"change " + sender.Directory);
    };
  }

  TempFolders folders_;
  HWND dialog_;
  TSDirDlg picker_;
  std::vector<Sent> sent_;
  std::vector<std::wstring> log_;
  std::vector<std::wstring> errors_;
  std::vector<HWND> error_owners_;
};

TEST_F(PickerTest, StartsWithTheDefaultsAndNoDialog) {
  TSDirDlg fresh(dialog_);
  EXPECT_EQ(fresh.Caption, L"Please select a folder");
  EXPECT_EQ(fresh.Directory, L"");
  EXPECT_FALSE(fresh.OnChange);
  EXPECT_EQ(fresh.Owner(), dialog_);
  EXPECT_EQ(fresh.DialogWindow(), nullptr);

  picker_.EnableOk(true);
  picker_.EnableOk(false);
  EXPECT_THAT(sent_, IsEmpty());
}

TEST_F(PickerTest, InitialisationPreselectsDirectoryWithoutOneTrailingBackslash) {
  const struct {
    const wchar_t* directory;
    const wchar_t* preselected;
  } cases[] = {
      {L"C:\\Data\\", L"C:\\Data"},
      {L"C:\\Data", L"C:\\Data"},
      {L"C:\\", L"C:\\"},
      {L"C:", L"C:"},
      {L"C:\\Data\\\\", L"C:\\Data\\"},
      {L"C:\\a\\", L"C:\\a"},
      {L"\\\\server\\share\\", L"\\\\server\\share"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(c.directory)));
    sent_.clear();
    picker_.Directory = c.directory;
    EXPECT_EQ(Initialise(), 0);
    EXPECT_EQ(picker_.Directory, c.preselected);
    EXPECT_THAT(sent_, ElementsAre(SelectionSent(dialog_, c.preselected)));
  }
}

TEST_F(PickerTest, InitialisationTakesTheCurrentDirectoryForAnEmptyDirectory) {
  const std::wstring folder = folders_.Sub(L"Current");
  for (const std::wstring& current : {folder, std::wstring(L"C:\\")}) {
    SCOPED_TRACE(::testing::PrintToString(current));
    ASSERT_TRUE(SetCurrentDirectoryW(current.c_str()));
    sent_.clear();
    picker_.Directory.clear();
    Initialise();
    EXPECT_EQ(picker_.Directory, current);
    EXPECT_THAT(sent_, ElementsAre(SelectionSent(dialog_, current)));
  }
}

TEST_F(PickerTest, EnableOkGoesToTheWindowOfTheLatestInitialisation) {
  picker_.Directory = L"C:\\";
  Initialise();
  EXPECT_EQ(picker_.DialogWindow(), dialog_);
  sent_.clear();
  picker_.EnableOk(true);
  picker_.EnableOk(false);
  EXPECT_THAT(sent_, ElementsAre(EnableOkSent(dialog_, 1), EnableOkSent(dialog_, 0)));

  HWND second = CreateWindowExW(0, L"STATIC", L"second", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
  TSDirDlg::BrowseCallback(second, BFFM_INITIALIZED, 0, reinterpret_cast<LPARAM>(&picker_));
  EXPECT_EQ(picker_.DialogWindow(), second);
  sent_.clear();
  picker_.EnableOk(true);
  EXPECT_THAT(sent_, ElementsAre(EnableOkSent(second, 1)));
  DestroyWindow(second);
}

TEST_F(PickerTest, FileSystemSelectionEnablesOkThenTakesThePathThenNotifies) {
  const std::wstring alpha = folders_.Sub(L"Alpha");
  const std::wstring beta = folders_.Sub(L"Beta Two");
  const std::wstring greek = folders_.Sub(L"\u03B1\u03B2\u03B3");
  LogChanges();
  picker_.Directory = L"C:\\Before";
  Initialise();
  std::wstring before = picker_.Directory;

  struct Case {
    ItemList list;
    std::wstring path;
  };
  Case cases[] = {
      {ParsedByShell(alpha), alpha},           {CreatedFromPath(beta), beta},
      {ParsedByShell(greek), greek},           {CreatedFromPath(L"C:\\"), L"C:\\"},
      {CreatedFromPath(alpha + L"\\"), alpha},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.path));
    sent_.clear();
    log_.clear();
    EXPECT_EQ(Select(c.list), 0);
    EXPECT_EQ(picker_.Directory, c.path);
    EXPECT_THAT(sent_, ElementsAre(EnableOkSent(dialog_, 1)));
    EXPECT_THAT(log_, ElementsAre(L"sent with " + before, L"change " + c.path));
    before = c.path;
  }
  EXPECT_THAT(errors_, IsEmpty());
}

TEST_F(PickerTest, FileSystemSelectionWithoutHandlerStillTakesThePath) {
  const std::wstring alpha = folders_.Sub(L"Alpha");
  Select(ParsedByShell(alpha));
  EXPECT_EQ(picker_.Directory, alpha);
  EXPECT_THAT(sent_, ElementsAre(EnableOkSent(dialog_, 1)));
}

TEST_F(PickerTest, VirtualFolderDisablesOkAndKeepsDirectory) {
  const std::wstring alpha = folders_.Sub(L"Alpha");
  LogChanges();
  Initialise();
  Select(ParsedByShell(alpha));

  // Wine gives the printers folder a "::{...}" path, so only folders without any path are used.
  for (int csidl : {CSIDL_DRIVES, CSIDL_CONTROLS}) {
    SCOPED_TRACE(csidl);
    sent_.clear();
    log_.clear();
    EXPECT_EQ(Select(SpecialFolder(csidl)), 0);
    EXPECT_EQ(picker_.Directory, alpha);
    EXPECT_THAT(sent_, ElementsAre(EnableOkSent(dialog_, 0)));
    EXPECT_THAT(log_, ElementsAre(L"sent with " + alpha));
  }
}

TEST_F(PickerTest, OtherNotificationsAreIgnored) {
  LogChanges();
  picker_.Directory = L"C:\\Data\\";
  const ItemList alpha = ParsedByShell(folders_.Sub(L"Alpha"));
  for (UINT notification :
       {UINT{BFFM_VALIDATEFAILEDA}, UINT{BFFM_VALIDATEFAILEDW}, UINT{BFFM_IUNKNOWN}, 0u, 77u}) {
    EXPECT_EQ(Notify(notification, reinterpret_cast<LPARAM>(alpha.get())), 0) << notification;
  }
  EXPECT_EQ(picker_.Directory, L"C:\\Data\\");
  EXPECT_EQ(picker_.DialogWindow(), nullptr);
  EXPECT_THAT(sent_, IsEmpty());
  EXPECT_THAT(log_, IsEmpty());
}

TEST_F(PickerTest, TheHandlerHasTheLastWordOnOk) {
  const std::wstring alpha = folders_.Sub(L"Alpha");
  picker_.OnChange = [](TSDirDlg& sender) { sender.EnableOk(false); };
  Initialise();
  sent_.clear();
  Select(ParsedByShell(alpha));
  EXPECT_THAT(sent_, ElementsAre(EnableOkSent(dialog_, 1), EnableOkSent(dialog_, 0)));

  picker_.OnChange = [](TSDirDlg& sender) { sender.EnableOk(IsDriveLetterPath(sender.Directory)); };
  sent_.clear();
  Select(ParsedByShell(alpha));
  EXPECT_THAT(sent_, ElementsAre(EnableOkSent(dialog_, 1), EnableOkSent(dialog_, 1)));
}

TEST_F(PickerTest, ErrorsInsideTheCallbackAreShownOverTheDialogAndSwallowed) {
  const std::wstring alpha = folders_.Sub(L"Alpha");
  const ItemList alpha_list = ParsedByShell(alpha);
  Initialise();

  picker_.OnChange = [](TSDirDlg&) { throw std::runtime_error("Target folder is busy"); };
  EXPECT_EQ(Select(alpha_list), 0);
  EXPECT_EQ(picker_.Directory, alpha);

  picker_.OnChange = [](TSDirDlg&) { throw 42; };
  EXPECT_EQ(Select(alpha_list), 0);

  picker_.OnChange = nullptr;
  picker_.SetMessageSender(
      [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { throw std::length_error("send failed"); });
  picker_.Directory = L"C:\\Data\\";
  EXPECT_EQ(Initialise(), 0);
  EXPECT_EQ(picker_.Directory, L"C:\\Data");

  EXPECT_THAT(errors_, ElementsAre(L"Target folder is busy", L"Unknown error", L"send failed"));
  EXPECT_THAT(error_owners_, ElementsAre(dialog_, dialog_, dialog_));
}

TEST(BrowseCallback, WithoutPickerAnswersZero) {
  EXPECT_EQ(TSDirDlg::BrowseCallback(nullptr, BFFM_INITIALIZED, 0, 0), 0);
}

// Placed off the screen, where Wine never maps a window on the X display: hiding a mapped window
// that a window manager would manage waits for one, and a bare X server has none. (The test
// prefix also marks Wine's windows unmanaged; these do not depend on it.)
HWND TopLevel(const wchar_t* title, DWORD style) {
  return CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPED | style, -5000, -5000, 200, 100,
                         nullptr, nullptr, nullptr, nullptr);
}

TEST(ThreadWindowsDisabled, DisablesVisibleEnabledTopLevelWindowsAndEnablesSurvivors) {
  HWND shown = TopLevel(L"shown", WS_VISIBLE);
  HWND doomed = TopLevel(L"doomed", WS_VISIBLE);
  HWND hidden = TopLevel(L"hidden", 0);
  HWND disabled = TopLevel(L"disabled", WS_VISIBLE | WS_DISABLED);
  HWND child = CreateWindowExW(0, L"STATIC", L"child", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, shown,
                               nullptr, nullptr, nullptr);
  {
    ThreadWindowsDisabled guard;
    EXPECT_THAT(guard.Windows(), ::testing::UnorderedElementsAre(shown, doomed));
    EXPECT_FALSE(IsWindowEnabled(shown));
    EXPECT_FALSE(IsWindowEnabled(doomed));
    EXPECT_TRUE(IsWindowEnabled(hidden));
    EXPECT_TRUE(IsWindowEnabled(child));
    DestroyWindow(doomed);
  }
  EXPECT_TRUE(IsWindowEnabled(shown));
  EXPECT_TRUE(IsWindowEnabled(hidden));
  EXPECT_FALSE(IsWindowEnabled(disabled));
  EXPECT_FALSE(IsWindow(doomed));
  for (HWND window : {shown, hidden, disabled}) DestroyWindow(window);
}

std::wstring SelectedTreeItem(HWND dialog) {
  HWND tree = FindChild(dialog, WC_TREEVIEWW);
  if (tree == nullptr) return L"<no tree>";
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (item == nullptr) return {};
  wchar_t text[MAX_PATH] = {};
  TVITEMW data = {};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = text;
  data.cchTextMax = MAX_PATH;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
  return text;
}

void Press(HWND dialog, int button) { SendMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0); }

// A prompt no single code page can hold: Latin, Greek and Chinese letters.
constexpr wchar_t kPrompt[] = L"W\u00e4hle \u03b1 \u8bf7\u9009\u62e9\u76ee\u6807";

// The picker as the editor sets it up, over two visible windows of the thread, with every
// enable-OK it sends recorded on its way to the real dialog.
class RealDialogTest : public ::testing::Test {
 protected:
  RealDialogTest()
      : owner_(TopLevel(L"Quorvel owner", WS_VISIBLE)),
        other_(TopLevel(L"Quorvel other", WS_VISIBLE)),
        picker_(owner_) {
    picker_.Caption = kPrompt;
    picker_.OnChange = [](TSDirDlg& sender) {
      sender.EnableOk(IsDriveLetterPath(sender.Directory));
    };
    picker_.SetMessageSender([this](HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
      if (message == BFFM_ENABLEOK) enable_ok_.push_back(static_cast<int>(lparam));
      return SendMessageW(window, message, wparam, lparam);
    });
  }
  ~RealDialogTest() override {
    DestroyWindow(owner_);
    DestroyWindow(other_);
  }

  // The dialog is up and initialised: the picker knows it and its tree shows the preselection.
  // Under load Wine shows the dialog well before its tree is filled.
  HWND ReadyDialog() const {
    const HWND dialog = FindThreadDialog();
    if (dialog == nullptr || picker_.DialogWindow() != dialog) return nullptr;
    return SelectedTreeItem(dialog).empty() ? nullptr : dialog;
  }

  // Closes whatever dialog is open, so that a failing test ends; says what it found.
  void GiveUp() const {
    const HWND dialog = FindThreadDialog();
    ADD_FAILURE() << "dialog " << dialog << ", the picker's " << picker_.DialogWindow()
                  << ", selected item "
                  << ::testing::PrintToString(dialog ? SelectedTreeItem(dialog) : L"-");
    if (dialog) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }

  // What the test saw while the dialog was up.
  struct Seen {
    bool owner_enabled = true;
    bool other_enabled = true;
    std::vector<std::wstring> texts;
    std::wstring selected_item;
    std::wstring directory;
  };
  Seen Look(HWND dialog) {
    Seen seen;
    seen.owner_enabled = IsWindowEnabled(owner_);
    seen.other_enabled = IsWindowEnabled(other_);
    seen.texts = ReadDialog(dialog).texts;
    seen.selected_item = SelectedTreeItem(dialog);
    seen.directory = picker_.Directory;
    return seen;
  }

  TempFolders folders_;
  HWND owner_;
  HWND other_;
  TSDirDlg picker_;
  std::vector<int> enable_ok_;
};

TEST_F(RealDialogTest, ConfirmingReturnsTheFolderSelectedInTheDialog) {
  const std::wstring alpha = folders_.Sub(L"Alpha");
  const std::wstring beta = folders_.Sub(L"Beta");
  ASSERT_TRUE(PumpUntil([&] { return ShellListsAsParsed(alpha) && ShellListsAsParsed(beta); }));
  picker_.Directory = alpha + L"\\";
  Seen at_open;
  std::wstring after_virtual;
  std::vector<int> enable_ok_on_virtual;
  std::vector<int> enable_ok_on_select;
  ModalDriver driver(
      {{"the dialog shows its preselection", [&] { return ReadyDialog() != nullptr; },
        [&] {
          const HWND dialog = ReadyDialog();
          at_open = Look(dialog);
          const ItemList computer = SpecialFolder(CSIDL_DRIVES);
          enable_ok_.clear();
          SendMessageW(dialog, BFFM_SETSELECTIONW, FALSE,
                       reinterpret_cast<LPARAM>(computer.get()));
          after_virtual = picker_.Directory;
          enable_ok_on_virtual = enable_ok_;
          enable_ok_.clear();
          SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(beta.c_str()));
        }},
       {"the dialog selects Beta",
        [&] { return ReadyDialog() && SelectedTreeItem(ReadyDialog()) == L"Beta"; },
        [&] {
          enable_ok_on_select = enable_ok_;
          Press(ReadyDialog(), IDOK);
        }}},
      [&] { GiveUp(); });

  EXPECT_TRUE(picker_.Execute());
  EXPECT_TRUE(driver.Done());
  EXPECT_EQ(picker_.Directory, beta);

  EXPECT_FALSE(at_open.owner_enabled);
  EXPECT_FALSE(at_open.other_enabled);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_TRUE(IsWindowEnabled(other_));
  EXPECT_THAT(at_open.texts, ::testing::Contains(std::wstring(kPrompt)));
  EXPECT_EQ(at_open.selected_item, L"Alpha");
  EXPECT_EQ(at_open.directory, alpha);
  EXPECT_EQ(after_virtual, alpha);
  EXPECT_THAT(enable_ok_on_virtual, ElementsAre(0));
  // The picker's own enable, then the editor's rule for a drive-letter path.
  EXPECT_THAT(enable_ok_on_select, ElementsAre(1, 1));
  EXPECT_EQ(picker_.DialogWindow(), nullptr);
}

TEST_F(RealDialogTest, CancellingReturnsFalseAndKeepsTheInitialisedDirectory) {
  const std::wstring alpha = folders_.Sub(L"Alpha");
  ASSERT_TRUE(SetCurrentDirectoryW(alpha.c_str()));
  ASSERT_TRUE(PumpUntil([&] { return ShellListsAsParsed(alpha); }));
  picker_.Directory.clear();
  Seen at_open;
  ModalDriver driver({{"the dialog shows its preselection", [&] { return ReadyDialog() != nullptr; },
                       [&] {
                         at_open = Look(ReadyDialog());
                         Press(ReadyDialog(), IDCANCEL);
                       }}},
                     [&] { GiveUp(); });

  EXPECT_FALSE(picker_.Execute());
  EXPECT_TRUE(driver.Done());
  EXPECT_EQ(picker_.Directory, alpha);
  EXPECT_EQ(at_open.selected_item, L"Alpha");
  EXPECT_FALSE(at_open.owner_enabled);
  EXPECT_FALSE(at_open.other_enabled);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_TRUE(IsWindowEnabled(other_));
}

// A folder whose path the owner cannot use is taken by its short name when that one can be used,
// and refused otherwise; the outcome says which. The owner's rule here is "ASCII only", as a
// Western code page would have it for these Chinese letters.
TEST_F(RealDialogTest, AFolderWhosePathCannotBeUsedIsTakenByItsShortNameOrRefused) {
  const std::wstring tokyo = folders_.Sub(L"\u6771\u4eac");
  ASSERT_TRUE(PumpUntil([&] { return ShellListsAsParsed(tokyo); }));
  const std::wstring short_path = ShortPath(tokyo);
  auto ascii = [](const std::wstring& path) {
    for (wchar_t c : path) {
      if (c >= 0x80) return false;
    }
    return true;
  };
  ASSERT_TRUE(ascii(short_path)) << "the file system gives this folder an ASCII short name";
  ASSERT_NE(short_path, tokyo);

  struct Case {
    const char* rule;
    std::function<bool(const std::wstring&)> can_use;
    TSDirDlg::Outcome outcome;
    std::wstring directory;
  };
  const Case cases[] = {
      {"any path", nullptr, TSDirDlg::Outcome::kChosen, tokyo},
      {"ASCII only", ascii, TSDirDlg::Outcome::kChosenByShortName, short_path},
      {"none", [](const std::wstring&) { return false; }, TSDirDlg::Outcome::kRefused, tokyo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    picker_.Directory = tokyo;
    picker_.CanUsePath = c.can_use;
    ModalDriver driver({{"the dialog shows its preselection",
                         [&] { return ReadyDialog() != nullptr; },
                         [&] { Press(ReadyDialog(), IDOK); }}},
                       [&] { GiveUp(); });
    const bool chosen = picker_.Execute();
    EXPECT_TRUE(driver.Done());
    EXPECT_EQ(picker_.LastOutcome(), c.outcome);
    EXPECT_EQ(chosen, c.outcome != TSDirDlg::Outcome::kRefused);
    EXPECT_EQ(picker_.Directory, c.directory);
  }
}

}  // namespace
}  // namespace qv::test
