// The two folder buttons end to end: the real button, the real browser against the sync server's
// own code on loopback, the real shell folder dialog, and the chosen path in the edit and the task.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <gmock/gmock.h>

#include "common/win_text.h"
#include "common/window_driver.h"
#include "editor_fixture.h"
#include "i18n/ui_strings.h"
#include "net/fake_server.h"
#include "platform/folder_picker.h"
#include "syncserver_core.h"
#include "ui/browser_form.h"
#include "ui/network_wait.h"

namespace qv::test {
namespace {

// A folder name that a Western code page cannot hold.
constexpr wchar_t kTokyo[] = L"\u6771\u4eac";

class FolderButtonsTest : public EditorTest {
 protected:
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(Directory()) / L"tree", ignored);
    std::filesystem::remove_all(std::filesystem::path(Directory()) / L"Target Folder", ignored);
    std::filesystem::remove_all(std::filesystem::path(Directory()) / kTokyo, ignored);
    EditorTest::TearDown();
    SetBrwForm(nullptr);
    browser_.reset();
  }

  // The first and only task's target starts on a folder on C:, so that the dialog's preselection
  // never depends on the test's current directory (a Unix folder on Z: that Wine may not show);
  // the target button's dialog then selects `folder` and takes it with Ok.
  void PickTargetFolder(const std::filesystem::path& folder);

  void OpenWithBrowser() {
    Open();
    browser_ = std::make_unique<TBrwForm>();
    ASSERT_TRUE(browser_->Create(Form().handle()));
    browser_->ApplyBrowserCaptions();
    SetBrwForm(browser_.get());
  }

  // Serves Directory()\tree on loopback; the server ends by itself when the editor's connection
  // closes, so its thread is left to finish on its own.
  std::uint16_t StartServer(const char* user, const char* password) {
    const std::filesystem::path root = std::filesystem::path(Directory()) / L"tree";
    std::filesystem::create_directories(root / L"Top" / L"Sub");
    auto server = std::make_shared<SyncServer>(
        SyncServerOptions{win::WideToAnsi(root.wstring()), user, password});
    if (!server->Listen(0)) return 0;
    std::thread([server] { server->ServeNextClient(60000); }).detach();
    return server->port();
  }

  std::unique_ptr<TBrwForm> browser_;
};

// The shell's folder dialog is up and initialised: its tree shows the preselected folder. Under
// load Wine shows the dialog well before its tree is filled.
HWND ReadyFolderDialog() {
  const HWND dialog = FindThreadDialog();
  const HWND tree = FindChild(dialog, WC_TREEVIEWW);
  if (tree == nullptr || SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) == 0) return nullptr;
  return dialog;
}

std::wstring SelectedFolder() {
  const HWND tree = FindChild(ReadyFolderDialog(), WC_TREEVIEWW);
  if (tree == nullptr) return {};
  wchar_t text[MAX_PATH] = {};
  TVITEMW item = {};
  item.mask = TVIF_TEXT;
  item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  item.pszText = text;
  item.cchTextMax = MAX_PATH;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return text;
}

void CloseFolderDialog() {
  if (HWND dialog = FindThreadDialog()) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(FolderButtonsTest, SourceChosenOnTheServerLandsInTheEditAndTheSelectedTask) {
  ConfigDocument doc;
  doc.tasks.emplace_back().SetName("First");
  const std::uint16_t port = StartServer("alice", "secret");
  ASSERT_NE(port, 0);
  doc.settings.SetHost("127.0.0.1");
  doc.settings.SetPort(port);
  doc.settings.SetUser("alice");
  doc.settings.SetPassword("secret");
  WriteConfig(doc);
  OpenWithBrowser();
  ClickListEntry(0);

  ModalDriver choose({{"the browser is shown", [&] { return browser_->IsVisible(); },
                       [&] {
                         HWND tree = browser_->Tree().handle();
                         auto top = reinterpret_cast<HTREEITEM>(
                             SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
                         SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET,
                                      reinterpret_cast<LPARAM>(top));
                         SendMessageW(browser_->OkButton().handle(), BM_CLICK, 0, 0);
                       }}},
                     [&] { SendMessageW(browser_->handle(), WM_CLOSE, 0, 0); });
  Click(kBitBtn1);
  Pump();

  EXPECT_TRUE(choose.Done());
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(Text(kEdSource), L"Top");
  EXPECT_EQ(Form().Document().tasks[0].Source(), "Top");
  EXPECT_TRUE(Enabled(kBtnSave));
}

// Closing the editor (from the task bar, say) while the browser waits for a silent server: the
// wait is given up and the browser closed first, with no message about the server; then the
// close goes on as usual, with its question about the unsaved task.
TEST_F(FolderButtonsTest, ClosingTheEditorWhileTheBrowserWaitsEndsTheBrowseFirst) {
  bool closed_by_client = false;
  FakeServer server({[&](FakePeer& peer) {
    peer.ReadRequest();
    peer.Send(Int32BE(1));
    peer.ReadRequest();
    closed_by_client = peer.ClosedWithin(120000);
  }});
  ConfigDocument doc;
  doc.settings.SetHost("127.0.0.1");
  doc.settings.SetPort(server.port());
  WriteConfig(doc);
  OpenWithBrowser();
  Click(kBtnAdd);
  ASSERT_TRUE(Form().Document().modified());

  bool browser_shown_when_asked = true;
  boxes_.clear();
  answers_.push_back(IDNO);
  ModalDriver close({{"the browser waits for the top level",
                      [&] { return browser_->IsVisible() && NetworkWait::Busy(); },
                      [&] { PostMessageW(Form().handle(), WM_CLOSE, 0, 0); }}},
                    [&] { SendMessageW(browser_->handle(), WM_CLOSE, 0, 0); });
  SetMessageBoxFunction([&](HWND, const std::wstring& text, const std::wstring& caption,
                            UINT type) {
    browser_shown_when_asked = browser_ && browser_->handle() && browser_->IsVisible();
    boxes_.push_back({text, caption, type});
    const int answer = answers_.empty() ? IDCANCEL : answers_.front();
    if (!answers_.empty()) answers_.pop_front();
    return answer;
  });
  Click(kBitBtn1);
  EXPECT_TRUE(PumpUntil([&] { return !IsOpen(); })) << "the close was carried out";
  EXPECT_TRUE(close.Done());
  ASSERT_EQ(boxes_.size(), 1u) << "only the question about the unsaved task";
  EXPECT_EQ(boxes_[0].caption, UiText(kUiCloseCaption));
  EXPECT_FALSE(browser_shown_when_asked);
  server.Join();
  EXPECT_TRUE(closed_by_client);
}

// While the logon is awaited the editor's buttons start nothing (no second browse, no folder
// dialog); Escape then gives the wait up without a message, and the browser never opens.
TEST_F(FolderButtonsTest, ButtonsStartNothingWhileTheLogonIsAwaited) {
  std::string after_logon;
  std::atomic<bool> logon_read{false};
  bool waiting = false;
  FakeServer server({[&](FakePeer& peer) {
    peer.ReadRequest();
    logon_read = true;
    after_logon = peer.ReadToEnd();
  }});
  ConfigDocument doc;
  doc.tasks.emplace_back().SetName("First");
  doc.settings.SetHost("127.0.0.1");
  doc.settings.SetPort(server.port());
  WriteConfig(doc);
  OpenWithBrowser();
  ClickListEntry(0);

  bool dialog_opened = true;
  ModalDriver press({{"the logon is awaited", [&] { return logon_read && NetworkWait::Busy(); },
                      [&] {
                        waiting = true;
                        for (ControlId id : {kBitBtn1, kBitBtn2, kBtnSave, kBtnAdd, kBtnDel}) {
                          SendMessageW(Get(id), BM_CLICK, 0, 0);
                        }
                        dialog_opened = FindThreadDialog() != nullptr;
                        PostMessageW(Get(kEdSource), WM_KEYDOWN, VK_ESCAPE, 0);
                      }}},
                    [&] { NetworkWait::GiveUp(); });
  Click(kBitBtn1);
  EXPECT_TRUE(press.Done());
  EXPECT_TRUE(waiting);
  EXPECT_FALSE(dialog_opened);
  EXPECT_FALSE(NetworkWait::Busy());
  EXPECT_TRUE(boxes_.empty()) << "no message claims that the server failed";
  EXPECT_FALSE(browser_->IsVisible());
  EXPECT_EQ(browser_->ModalResult(), 0) << "the browser was never opened";
  EXPECT_EQ(ListEntries().size(), 1u) << "Add and Del did nothing";
  EXPECT_FALSE(Form().Document().modified());
  server.Join();
  EXPECT_EQ(after_logon, "") << "no second request";
  EXPECT_EQ(server.accepted(), 1) << "no second connection";
}

TEST_F(FolderButtonsTest, RefusedLogonShowsItsMessageAndChangesNothing) {
  ConfigDocument doc;
  doc.tasks.emplace_back().SetName("First");
  const std::uint16_t port = StartServer("alice", "secret");
  ASSERT_NE(port, 0);
  doc.settings.SetHost("127.0.0.1");
  doc.settings.SetPort(port);
  doc.settings.SetUser("alice");
  doc.settings.SetPassword("wrong");
  WriteConfig(doc);
  OpenWithBrowser();
  ClickListEntry(0);
  answers_.push_back(IDOK);
  Click(kBitBtn1);
  Pump();

  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, L"Failed to logon!");
  EXPECT_FALSE(browser_->IsVisible());
  EXPECT_EQ(Text(kEdSource), L"");
  EXPECT_FALSE(Enabled(kBtnSave));
}

void FolderButtonsTest::PickTargetFolder(const std::filesystem::path& folder) {
  const std::wstring start = Directory().substr(0, Directory().size() - 1);
  WriteTasks({{"First", "", win::WideToAnsi(start)}});
  OpenWithBrowser();
  ClickListEntry(0);
  ASSERT_TRUE(PumpUntil(
      [&] { return ShellListsAsParsed(start) && ShellListsAsParsed(folder.wstring()); }));
  ModalDriver drive(
      {{"the folder dialog shows its preselection", [] { return ReadyFolderDialog(); },
        [&] {
          SendMessageW(ReadyFolderDialog(), BFFM_SETSELECTIONW, TRUE,
                       reinterpret_cast<LPARAM>(folder.c_str()));
        }},
       {"the folder dialog selects the folder",
        [&] { return SelectedFolder() == folder.filename().wstring(); },
        [] { SendMessageW(GetDlgItem(ReadyFolderDialog(), IDOK), BM_CLICK, 0, 0); }}},
      CloseFolderDialog);
  Click(kBitBtn2);
  Pump();
  ASSERT_TRUE(drive.Done());
}

TEST_F(FolderButtonsTest, TargetChosenWithThePickerLandsInTheEditAndTheSelectedTask) {
  const std::filesystem::path folder = std::filesystem::path(Directory()) / L"Target Folder";
  std::filesystem::create_directories(folder);
  ASSERT_NO_FATAL_FAILURE(PickTargetFolder(folder));
  EXPECT_EQ(Text(kEdTarget), folder.wstring());
  EXPECT_EQ(Widen(Form().Document().tasks[0].Target()), folder.wstring());
  EXPECT_TRUE(Enabled(kBtnSave));
}

// A folder whose name the file cannot hold is taken by its short name, which can be
// stored, and the operator is told; the file never gets a path of "?".
TEST_F(FolderButtonsTest, FolderTheFileCannotNameIsTakenByItsShortName) {
  if (win::FitsAnsiCodePage(kTokyo)) GTEST_SKIP() << "the system's code page holds the name";
  const std::filesystem::path folder = std::filesystem::path(Directory()) / kTokyo;
  std::filesystem::create_directories(folder);
  const std::wstring short_path = ShortPath(folder.wstring());
  ASSERT_FALSE(short_path.empty());
  ASSERT_TRUE(win::FitsAnsiCodePage(short_path));
  ASSERT_NO_FATAL_FAILURE(PickTargetFolder(folder));
  ASSERT_THAT(boxes_, ::testing::SizeIs(1));
  EXPECT_EQ(boxes_[0].text,
            L"The folder's name cannot be stored in the configuration file; its short name is "
            L"used:\n" + short_path);
  EXPECT_EQ(Text(kEdTarget), short_path);
  EXPECT_EQ(Form().Document().tasks[0].Target(), win::WideToAnsi(short_path));
  EXPECT_TRUE(Enabled(kBtnSave));
}

TEST_F(FolderButtonsTest, CancellingThePickerChangesNothing) {
  const std::filesystem::path folder = std::filesystem::path(Directory()) / L"Target Folder";
  std::filesystem::create_directories(folder);
  const std::string old_target = win::WideToAnsi(folder.wstring());
  WriteTasks({{"First", "", old_target}});
  OpenWithBrowser();
  ClickListEntry(0);
  ASSERT_TRUE(PumpUntil([&] { return ShellListsAsParsed(folder.wstring()); }));

  ModalDriver drive({{"the folder dialog shows its preselection", [] { return ReadyFolderDialog(); },
                      [] {
                        SendMessageW(GetDlgItem(ReadyFolderDialog(), IDCANCEL), BM_CLICK, 0, 0);
                      }}},
                    CloseFolderDialog);
  Click(kBitBtn2);
  Pump();

  ASSERT_TRUE(drive.Done());
  EXPECT_EQ(Text(kEdTarget), folder.wstring());
  EXPECT_EQ(Form().Document().tasks[0].Target(), old_target);
  EXPECT_FALSE(Enabled(kBtnSave));
}

// The prompt reaches the dialog as UTF-16 from the table's own code page, so that it reads right
// whatever the system's code page: run on a Western system (1252) and on a Traditional Chinese
// one (950), one of the tables at least holds characters the system's code page lacks.
TEST_F(FolderButtonsTest, PickerPromptReadsRightInEveryLanguage) {
  const struct {
    Language language;
    const wchar_t* prompt;
  } cases[] = {
      {Language::kEnglish, L"Please select target folder"},
      {Language::kSimplifiedChinese, L"\u8bf7\u9009\u62e9\u76ee\u6807\u6587\u4ef6\u5939"},
      {Language::kTraditionalChinese, L"\u8acb\u9078\u64c7\u76ee\u6a19\u8cc7\u6599\u593e"},
  };
  const std::wstring start = Directory().substr(0, Directory().size() - 1);
  WriteTasks({{"First", "", win::WideToAnsi(start)}});
  OpenWithBrowser();
  ClickListEntry(0);
  ASSERT_TRUE(PumpUntil([&] { return ShellListsAsParsed(start); }));
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "language " << static_cast<int>(c.language)
                                      << " on code page " << GetACP());
    UseLanguage(c.language);
    std::vector<std::wstring> texts;
    ModalDriver drive({{"the folder dialog shows its preselection",
                        [] { return ReadyFolderDialog() != nullptr; },
                        [&] {
                          texts = ReadDialog(ReadyFolderDialog()).texts;
                          SendMessageW(GetDlgItem(ReadyFolderDialog(), IDCANCEL), BM_CLICK, 0, 0);
                        }}},
                      CloseFolderDialog);
    Click(kBitBtn2);
    Pump();
    ASSERT_TRUE(drive.Done());
    EXPECT_THAT(texts, ::testing::Contains(std::wstring(c.prompt)));
  }
}

}  // namespace
}  // namespace qv::test
