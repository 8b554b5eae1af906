// The two folder buttons end to end: the real button, the real browser against the sync server's
// own code on loopback, the real shell folder dialog, and the chosen path in the edit and the task.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "editor_fixture.h"
#include "syncserver_core.h"
#include "ui/browser_form.h"
#include "ui/win/ansi_text.h"

namespace qv::ui::testing {
namespace {

// Runs `step` once on the UI thread, from a timer, as soon as `ready` holds; gives up after
// about 10 s by running `give_up`, so that a failing test cannot hang in a modal loop.
class WhenReady {
 public:
  WhenReady(std::function<bool()> ready, std::function<void()> step, std::function<void()> give_up)
      : ready_(std::move(ready)), step_(std::move(step)), give_up_(std::move(give_up)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 50, &WhenReady::Tick);
  }
  ~WhenReady() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool done() const { return done_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    WhenReady* self = current_;
    if (!self || self->done_ || self->gave_up_) return;
    if (self->ready_()) {
      self->done_ = true;
      self->step_();
    } else if (++self->ticks_ > 200) {
      self->gave_up_ = true;
      self->give_up_();
    }
  }
  static inline WhenReady* current_ = nullptr;
  std::function<bool()> ready_;
  std::function<void()> step_;
  std::function<void()> give_up_;
  UINT_PTR timer_ = 0;
  int ticks_ = 0;
  bool done_ = false;
  bool gave_up_ = false;
};

class FolderButtonsTest : public EditorTest {
 protected:
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(Directory()) / L"tree", ignored);
    std::filesystem::remove_all(std::filesystem::path(Directory()) / L"Target Folder", ignored);
    EditorTest::TearDown();
    SetBrwForm(nullptr);
    browser_.reset();
  }

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
    std::thread([server] { server->ServeNextClient(10000); }).detach();
    return server->port();
  }

  std::unique_ptr<TBrwForm> browser_;
};

HWND FindFolderDialog() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM lparam) -> BOOL {
        wchar_t name[32] = {};
        GetClassNameW(hwnd, name, 32);
        if (std::wstring(name) == L"#32770" && IsWindowVisible(hwnd)) {
          *reinterpret_cast<HWND*>(lparam) = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// The dialog is up and initialised: its tree shows the preselected folder.
bool FolderDialogReady() {
  HWND dialog = FindFolderDialog();
  if (dialog == nullptr) return false;
  HWND tree = FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr);
  return tree != nullptr && SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) != 0;
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

  WhenReady choose([&] { return browser_->IsVisible(); },
                   [&] {
                     HWND tree = browser_->Tree().handle();
                     auto top = reinterpret_cast<HTREEITEM>(
                         SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
                     SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(top));
                     SendMessageW(browser_->OkButton().handle(), BM_CLICK, 0, 0);
                   },
                   [&] { SendMessageW(browser_->handle(), WM_CLOSE, 0, 0); });
  Click(kBitBtn1);
  Pump();

  EXPECT_TRUE(choose.done()) << "the browser was never shown";
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(Text(kEdSource), L"Top");
  EXPECT_EQ(Form().Document().tasks[0].Source(), "Top");
  EXPECT_TRUE(Enabled(kBtnSave));
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

TEST_F(FolderButtonsTest, TargetChosenWithThePickerLandsInTheEditAndTheSelectedTask) {
  const std::filesystem::path folder = std::filesystem::path(Directory()) / L"Target Folder";
  std::filesystem::create_directories(folder);
  // Start from a folder on C:, so that the dialog's preselection never depends on the test's
  // current directory (a Unix folder on Z: that Wine may not show).
  const std::wstring start = Directory().substr(0, Directory().size() - 1);
  WriteTasks({{"First", "", win::WideToAnsi(start)}});
  OpenWithBrowser();
  ClickListEntry(0);

  bool seen = false;
  WhenReady drive([] { return FolderDialogReady(); },
                  [&] {
                    HWND dialog = FindFolderDialog();
                    seen = true;
                    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE,
                                 reinterpret_cast<LPARAM>(folder.c_str()));
                    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                  },
                  [] {
                    if (HWND dialog = FindFolderDialog()) PostMessageW(dialog, WM_CLOSE, 0, 0);
                  });
  Click(kBitBtn2);
  Pump();

  ASSERT_TRUE(seen) << "the folder dialog was never shown";
  EXPECT_EQ(Text(kEdTarget), folder.wstring());
  EXPECT_EQ(Widen(Form().Document().tasks[0].Target()), folder.wstring());
  EXPECT_TRUE(Enabled(kBtnSave));
}

TEST_F(FolderButtonsTest, CancellingThePickerChangesNothing) {
  const std::filesystem::path folder = std::filesystem::path(Directory()) / L"Target Folder";
  std::filesystem::create_directories(folder);
  const std::string old_target = win::WideToAnsi(folder.wstring());
  WriteTasks({{"First", "", old_target}});
  OpenWithBrowser();
  ClickListEntry(0);

  bool seen = false;
  WhenReady drive([] { return FolderDialogReady(); },
                  [&] {
                    seen = true;
                    SendMessageW(GetDlgItem(FindFolderDialog(), IDCANCEL), BM_CLICK, 0, 0);
                  },
                  [] {
                    if (HWND dialog = FindFolderDialog()) PostMessageW(dialog, WM_CLOSE, 0, 0);
                  });
  Click(kBitBtn2);
  Pump();

  ASSERT_TRUE(seen) << "the folder dialog was never shown";
  EXPECT_EQ(Text(kEdTarget), folder.wstring());
  EXPECT_EQ(Form().Document().tasks[0].Target(), old_target);
  EXPECT_FALSE(Enabled(kBtnSave));
}

}  // namespace
}  // namespace qv::ui::testing
