// The remote folder browser and the browse sequence, driven in-process under Wine against a
// scripted folder server on loopback.
#include "ui/browser_form.h"

#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/win_text.h"
#include "common/window_driver.h"
#include "editor_fixture.h"
#include "i18n/ui_strings.h"
#include "net/fake_server.h"
#include "net/server_connection.h"
#include "net/test_util.h"
#include "net/wire.h"
#include "ui/browse_sequence.h"
#include "ui/message_box.h"
#include "ui/network_wait.h"
#include "ui/win/dpi.h"

namespace qv::test {
namespace {

using namespace ::qv::ui;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Names = std::vector<std::string>;
using Texts = std::vector<std::wstring>;

constexpr std::int32_t kAccepted = 1;
constexpr std::int32_t kRefused = 0x100;  // the low byte decides: a refusal

// What the folder server knows. A listing of a path it does not know, or the first listing of
// a path in `fail_once`, ends the connection, which fails that listing on the client. The logon
// with `silent_logon` and a listing of a path in `silent` get no answer at all: the server waits
// for the client to close.
struct Script {
  std::int32_t verdict = kAccepted;
  std::map<std::string, Names> folders = {};
  std::set<std::string> fail_once = {};
  bool silent_logon = false;
  std::set<std::string> silent = {};
};

// Longer than any test waits: a silent server is left only by the client.
constexpr int kSilenceMs = 120000;

struct Request {
  std::int32_t command;
  std::string payload;
};

// Serves `connections` clients in turn with one script and records every request. The client
// blocks until its reply arrives and requests are recorded before the reply, so the record is
// complete whenever a client call has returned.
class FolderServer {
 public:
  FolderServer(Script script, int connections = 1)
      : script_(std::move(script)),
        server_(std::vector<FakeServer::Handler>(static_cast<std::size_t>(connections),
                                                 [this](FakePeer& peer) { Serve(peer); })) {}

  std::uint16_t port() const { return server_.port(); }

  std::vector<Request> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  // The paths asked for, in order: "" for the top level.
  Names ListedPaths() const {
    Names paths;
    for (const Request& r : Requests()) {
      if (r.command != kCmdListFolder) continue;
      paths.push_back(r.payload.empty() ? "" : r.payload.substr(0, r.payload.size() - 1));
    }
    return paths;
  }
  // What the browser's thread showed as its cursor while each request was answered.
  std::vector<HCURSOR> Cursors() const {
    std::lock_guard lock(mutex_);
    return cursors_;
  }
  void WatchCursorOf(DWORD thread) {
    std::lock_guard lock(mutex_);
    ui_thread_ = thread;
  }
  // Whether a request is being left unanswered now.
  bool Silent() const {
    std::lock_guard lock(mutex_);
    return silent_now_;
  }
  // How often the client closed the connection while the server kept silent.
  int ClosedWhileSilent() const {
    std::lock_guard lock(mutex_);
    return closed_while_silent_;
  }

 private:
  void Serve(FakePeer& peer) {
    for (;;) {
      const std::string request = peer.ReadRequest();
      if (request.size() < kFrameHeaderSize) return;
      const std::int32_t command =
          GetBE32(reinterpret_cast<const std::uint8_t*>(request.data()));
      std::string payload = request.substr(kFrameHeaderSize);
      {
        std::lock_guard lock(mutex_);
        requests_.push_back({command, payload});
        if (ui_thread_) cursors_.push_back(CursorOfUiThread());
      }
      const std::string path = payload.empty() ? "" : payload.substr(0, payload.size() - 1);
      if (command == kCmdLogon ? script_.silent_logon : script_.silent.count(path) != 0) {
        KeepSilent(peer);
        return;
      }
      if (command == kCmdLogon) {
        peer.Send(Int32BE(script_.verdict));
        continue;
      }
      const auto folder = script_.folders.find(path);
      if (folder == script_.folders.end() || script_.fail_once.erase(path)) {
        peer.Close();
        return;
      }
      std::string reply;
      AppendListing(reply, folder->second);
      peer.Send(reply);
    }
  }

  void KeepSilent(FakePeer& peer) {
    {
      std::lock_guard lock(mutex_);
      silent_now_ = true;
    }
    const bool closed = peer.ClosedWithin(kSilenceMs);
    std::lock_guard lock(mutex_);
    silent_now_ = false;
    if (closed) ++closed_while_silent_;
  }

  // The cursor is state of a thread's input queue; sharing the browser thread's queue for a
  // moment lets this thread read it while the browser waits for the reply.
  HCURSOR CursorOfUiThread() const {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    if (!AttachThreadInput(GetCurrentThreadId(), ui_thread_, TRUE)) return nullptr;
    const HCURSOR cursor = GetCursor();
    AttachThreadInput(GetCurrentThreadId(), ui_thread_, FALSE);
    return cursor;
  }

  Script script_;
  mutable std::mutex mutex_;
  std::vector<Request> requests_;
  std::vector<HCURSOR> cursors_;
  DWORD ui_thread_ = 0;
  bool silent_now_ = false;
  int closed_while_silent_ = 0;
  FakeServer server_;  // last: its thread must stop before the script goes
};

struct Box {
  HWND owner;
  std::wstring text;
  std::wstring caption;
  UINT type;
};

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseLanguage(Language::kEnglish);
    owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPED | WS_CAPTION, 10, 10, 200, 100,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner_, nullptr);
    ASSERT_TRUE(form_.Create(owner_));
    form_.ApplyBrowserCaptions();
    SetBrwForm(&form_);
    NewConnection();
    previous_boxes_ = SetMessageBoxFunction(
        [this](HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
          boxes_.push_back({owner, text, caption, type});
          shown_with_box_ = shown_with_box_ || form_.IsVisible();
          return IDOK;
        });
    SetSelectedPath("");
  }

  void TearDown() override {
    SetMessageBoxFunction(previous_boxes_);
    SetServerConnection(nullptr);
    // The connection closes first, so that the server's handler sees the end of the stream.
    connection_.reset();
    server_.reset();
    SetBrwForm(nullptr);
    if (owner_) DestroyWindow(owner_);
  }

  static SettingsRecord SettingsFor(std::uint16_t port) {
    SettingsRecord settings = SettingsWith("op", "s3cret");
    settings.SetHost("127.0.0.1");
    settings.SetPort(port);
    return settings;
  }

  // A fresh process-wide connection; the old one, if any, is closed.
  void NewConnection() {
    SetServerConnection(nullptr);
    connection_ = std::make_unique<ServerConnection>();
    // The scripted server answers at once; a broken one must not hang the test, and a busy
    // machine must not fail a sound one.
    connection_->SetReplyTimeoutMs(30000);
    SetServerConnection(connection_.get());
  }

  // Starts a folder server for this test, in place of any earlier one.
  FolderServer& Serve(Script script, int connections = 1) {
    NewConnection();
    server_.reset();
    server_ = std::make_unique<FolderServer>(std::move(script), connections);
    return *server_;
  }

  // Connects and logs on as the browse sequence does, then shows the browser without a modal
  // loop.
  void Open() {
    connection_->SetHost("127.0.0.1");
    connection_->SetPort(server_->port());
    ASSERT_TRUE(connection_->Connect());
    ASSERT_TRUE(connection_->Logon(SettingsFor(server_->port())));
    form_.Show(SW_SHOWNOACTIVATE);
  }

  const win::TreeView& tree() const { return form_.Tree(); }

  // Steps run inside the browser's modal loop once it is shown; a step that waits in vain closes
  // the browser, so that the test goes on.
  ModalDriver Drive(std::vector<ModalDriver::Step> steps) {
    steps.insert(steps.begin(),
                 ModalDriver::Step{"the browser is shown", [this] { return form_.IsVisible(); }, {}});
    return ModalDriver(std::move(steps), [this] { form_.Send(WM_CLOSE); });
  }

  Texts ChildTexts(HTREEITEM parent) const {
    Texts texts;
    for (HTREEITEM item = tree().FirstChild(parent); item; item = tree().NextSibling(item)) {
      texts.push_back(tree().ItemText(item));
    }
    return texts;
  }

  // The node reached from the top level through these texts, or nullptr.
  HTREEITEM Find(const Texts& path) const {
    HTREEITEM parent = nullptr;
    HTREEITEM found = nullptr;
    for (const std::wstring& text : path) {
      found = nullptr;
      for (HTREEITEM item = tree().FirstChild(parent); item; item = tree().NextSibling(item)) {
        if (tree().ItemText(item) == text) {
          found = item;
          break;
        }
      }
      if (!found) return nullptr;
      parent = found;
    }
    return found;
  }

  // As the user does it: the node is selected and the plus or minus key pressed.
  void PressOn(HTREEITEM node, WPARAM key) const {
    tree().Select(node);
    tree().Send(WM_KEYDOWN, key, 0);
    tree().Send(WM_KEYUP, key, 0);
  }
  void ExpandByUser(HTREEITEM node) const { PressOn(node, VK_ADD); }
  void CollapseByUser(HTREEITEM node) const { PressOn(node, VK_SUBTRACT); }

  // The tree follows a press by watching the queue for the release, so that goes first.
  void ClickTree(int x, int y) const {
    PostMessageW(tree().handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    tree().Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    MSG msg;
    while (PeekMessageW(&msg, tree().handle(), WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE)) {
      DispatchMessageW(&msg);
    }
  }

  bool Expanded(HTREEITEM node) const { return tree().State(node, TVIS_EXPANDED) != 0; }
  bool OkMatchesSelection() const {
    return form_.OkButton().IsEnabled() == (tree().Selected() != nullptr);
  }

  HWND owner_ = nullptr;
  std::unique_ptr<FolderServer> server_;
  std::unique_ptr<ServerConnection> connection_;
  TBrwForm form_;
  std::vector<Box> boxes_;
  bool shown_with_box_ = false;
  MessageBoxFunction previous_boxes_;
};

// --- The window ---------------------------------------------------------------------------

TEST_F(BrowserTest, WindowIsLaidOutAsDesigned) {
  const UINT dpi = win::WindowDpi(form_.handle());
  auto s = [dpi](int value) { return win::Scale(value, dpi); };

  RECT window{};
  GetWindowRect(form_.handle(), &window);
  RECT client{};
  GetClientRect(form_.handle(), &client);
  EXPECT_EQ(window.left, 644);
  EXPECT_EQ(window.top, 254);
  EXPECT_EQ(client.right, s(316));
  EXPECT_EQ(client.bottom, s(288));

  auto rect_in_client = [&](const win::Window& control) {
    RECT r{};
    GetWindowRect(control.handle(), &r);
    MapWindowPoints(nullptr, form_.handle(), reinterpret_cast<POINT*>(&r), 2);
    return std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top};
  };
  EXPECT_EQ(rect_in_client(form_.Tree()), (std::vector<LONG>{s(8), s(32), s(300), s(209)}));
  EXPECT_EQ(rect_in_client(form_.OkButton()), (std::vector<LONG>{s(152), s(254), s(75), s(24)}));
  EXPECT_EQ(rect_in_client(form_.CancelButton()),
            (std::vector<LONG>{s(232), s(254), s(75), s(24)}));
  const std::vector<LONG> label = rect_in_client(form_.Caption());
  EXPECT_EQ(label[0], s(8));
  EXPECT_EQ(label[1], s(8));
  EXPECT_GT(label[2], 0);

  const LONG_PTR style = GetWindowLongPtrW(form_.handle(), GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_EQ(GetWindow(form_.handle(), GW_OWNER), owner_);
  EXPECT_FALSE(form_.IsVisible());

  const LONG_PTR tree_style = GetWindowLongPtrW(tree().handle(), GWL_STYLE);
  const LONG_PTR wanted = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS |
                          TVS_SHOWSELALWAYS | WS_TABSTOP;
  EXPECT_EQ(tree_style & wanted, wanted);
  EXPECT_EQ(tree().Send(TVM_GETINDENT), s(19));

  // Tab order: the tree, OK, Cancel, and round again.
  form_.OkButton().Enable(true);
  EXPECT_EQ(GetNextDlgTabItem(form_.handle(), tree().handle(), FALSE), form_.OkButton().handle());
  EXPECT_EQ(GetNextDlgTabItem(form_.handle(), form_.OkButton().handle(), FALSE),
            form_.CancelButton().handle());
  EXPECT_EQ(GetNextDlgTabItem(form_.handle(), form_.CancelButton().handle(), FALSE),
            tree().handle());
}

TEST_F(BrowserTest, CaptionsAndFontFollowTheLanguage) {
  EXPECT_EQ(form_.Text(), L"Browse for Folder");
  EXPECT_EQ(form_.Caption().Text(), L"Please select source folder");
  EXPECT_EQ(form_.OkButton().Text(), L"Ok");
  EXPECT_EQ(form_.CancelButton().Text(), L"Cancel");
  const LONG english_label_width = [&] {
    RECT r{};
    GetWindowRect(form_.Caption().handle(), &r);
    return r.right - r.left;
  }();

  UseLanguage(Language::kSimplifiedChinese);
  form_.ApplyBrowserCaptions();
  EXPECT_EQ(form_.Text(), UiText(22));
  EXPECT_EQ(form_.Caption().Text(), UiText(23));
  EXPECT_EQ(form_.OkButton().Text(), UiText(24));
  EXPECT_EQ(form_.CancelButton().Text(), UiText(25));
  RECT label{};
  GetWindowRect(form_.Caption().handle(), &label);
  EXPECT_NE(label.right - label.left, english_label_width) << "the label sizes itself to its text";

  for (const win::Window* control :
       {static_cast<const win::Window*>(&form_.Tree()), &form_.OkButton(), &form_.Caption()}) {
    LOGFONTW font{};
    ASSERT_TRUE(
        GetObjectW(reinterpret_cast<HFONT>(control->Send(WM_GETFONT)), sizeof(font), &font));
    EXPECT_EQ(std::wstring(font.lfFaceName), UiFontName());
    EXPECT_EQ(font.lfHeight, -win::Scale(12, win::WindowDpi(form_.handle())));
  }
}

// The label is as wide and tall as its text when the label draws it, in every language: it is
// sized to its text, and a label cut short hides the end of the prompt.
TEST_F(BrowserTest, LabelShowsItsWholeTextInEveryLanguage) {
  for (Language language :
       {Language::kEnglish, Language::kSimplifiedChinese, Language::kTraditionalChinese}) {
    SCOPED_TRACE(static_cast<int>(language));
    UseLanguage(language);
    form_.ApplyBrowserCaptions();
    const HWND label = form_.Caption().handle();
    ASSERT_EQ(form_.Caption().Text(), UiText(kUiBrowsePrompt));
    const SIZE drawn = DrawnTextExtent(label);
    ASSERT_GT(drawn.cx, 0) << "nothing drawn";
    RECT given{};
    GetClientRect(label, &given);
    EXPECT_GE(given.right, drawn.cx);
    EXPECT_GE(given.bottom, drawn.cy);
  }
  UseLanguage(Language::kEnglish);
}

// --- The tree -----------------------------------------------------------------------------

TEST_F(BrowserTest, NodePathJoinsTheAncestorsWithBackslashes) {
  const FolderServer& server =
      Serve({.folders = {{"", {"Top", "Other"}}, {"Top", {"Sub"}}, {"Top\\Sub", {"Leaf"}}}});
  Open();
  ExpandByUser(Find({L"Top"}));
  ExpandByUser(Find({L"Top", L"Sub"}));

  EXPECT_EQ(form_.NodePath(Find({L"Top"})), "Top");
  EXPECT_EQ(form_.NodePath(Find({L"Top", L"Sub"})), "Top\\Sub");
  EXPECT_EQ(form_.NodePath(Find({L"Top", L"Sub", L"Leaf"})), "Top\\Sub\\Leaf");
  EXPECT_THAT(server.ListedPaths(), ElementsAre("", "Top", "Top\\Sub"));
  EXPECT_TRUE(Expanded(Find({L"Top", L"Sub"})));
}

TEST_F(BrowserTest, TopLevelIsListedInOrderWithDuplicatesAndExpandButtons) {
  const FolderServer& server = Serve({.folders = {{"", {"b", "a", "a", ""}}, {"a", {"x"}}}});
  Open();
  EXPECT_EQ(ChildTexts(nullptr), (Texts{L"b", L"a", L"a", L""}));
  for (HTREEITEM item = tree().FirstChild(nullptr); item; item = tree().NextSibling(item)) {
    EXPECT_TRUE(tree().HasChildrenMark(item));
  }
  // The two equal names are two nodes, each listing its folder when it is expanded.
  const HTREEITEM first = tree().NextSibling(tree().FirstChild(nullptr));
  const HTREEITEM second = tree().NextSibling(first);
  ExpandByUser(first);
  ExpandByUser(second);
  EXPECT_EQ(ChildTexts(first), (Texts{L"x"}));
  EXPECT_EQ(ChildTexts(second), (Texts{L"x"}));
  EXPECT_THAT(server.ListedPaths(), ElementsAre("", "a", "a"));
}

TEST_F(BrowserTest, LongListingScrollsToItsLastNode) {
  Names many;
  for (int i = 0; i < 60; ++i) many.push_back("folder " + std::to_string(i));
  Serve({.folders = {{"", many}, {"folder 59", many}}});
  Open();
  ASSERT_EQ(tree().Count(), 60);
  SCROLLINFO scroll{};
  scroll.cbSize = sizeof(scroll);
  scroll.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(tree().handle(), SB_VERT, &scroll));
  EXPECT_GE(scroll.nMax - scroll.nMin + 1, 60);
  EXPECT_LT(scroll.nPage, 60u);

  const HTREEITEM last = Find({L"folder 59"});
  ExpandByUser(last);
  ASSERT_EQ(tree().Count(), 120);
  tree().Send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(tree().Next(last, TVGN_LASTVISIBLE)));
  ASSERT_TRUE(GetScrollInfo(tree().handle(), SB_VERT, &scroll));
  EXPECT_GE(scroll.nMax - scroll.nMin + 1, 120);
  EXPECT_GT(scroll.nPos, 60) << "scrolled to the end of the children";
}

TEST_F(BrowserTest, EmptyOrFailedTopLevelLeavesOkDisabled) {
  const Script scripts[] = {{.folders = {{"", {}}}}, {.folders = {}}};
  for (const Script& script : scripts) {
    SCOPED_TRACE(script.folders.empty() ? "failed listing" : "empty listing");
    const FolderServer& server = Serve(script);
    Open();
    EXPECT_EQ(tree().Count(), 0);
    EXPECT_FALSE(form_.OkButton().IsEnabled());
    // Focus and clicks on the empty tree change nothing.
    tree().Focus();
    ClickTree(20, 20);
    EXPECT_FALSE(form_.OkButton().IsEnabled());
    EXPECT_TRUE(boxes_.empty()) << "a failed listing is silent";
    EXPECT_THAT(server.ListedPaths(), ElementsAre(""));
    form_.Show(SW_HIDE);
  }
}

TEST_F(BrowserTest, OkIsEnabledExactlyWhileANodeIsSelected) {
  Serve({.folders = {{"", {"A", "B"}}}});
  Open();
  EXPECT_TRUE(OkMatchesSelection());
  tree().Select(Find({L"B"}));
  EXPECT_TRUE(form_.OkButton().IsEnabled());
  tree().Select(nullptr);
  EXPECT_FALSE(form_.OkButton().IsEnabled());

  // A click on a node's label selects it and enables OK.
  RECT label{};
  const HTREEITEM a = Find({L"A"});
  std::memcpy(&label, &a, sizeof a);  // TVM_GETITEMRECT takes the item in the rectangle
  ASSERT_TRUE(tree().Send(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&label)));
  ClickTree((label.left + label.right) / 2, (label.top + label.bottom) / 2);
  EXPECT_EQ(tree().Selected(), Find({L"A"}));
  EXPECT_TRUE(form_.OkButton().IsEnabled());
}

TEST_F(BrowserTest, FolderWithoutSubfoldersLosesItsExpandButton) {
  const FolderServer& server =
      Serve({.folders = {{"", {"Empty", "Full"}}, {"Empty", {}}, {"Full", {"x"}}}});
  Open();
  const HTREEITEM empty = Find({L"Empty"});
  EXPECT_TRUE(tree().HasChildrenMark(empty));
  ExpandByUser(empty);
  EXPECT_FALSE(tree().HasChildrenMark(empty));
  EXPECT_EQ(ChildTexts(empty), Texts{});
  ExpandByUser(Find({L"Full"}));
  EXPECT_TRUE(tree().HasChildrenMark(Find({L"Full"})));
  // Expanding again lists nothing more: the folder was listed in this opening.
  ExpandByUser(empty);
  EXPECT_THAT(server.ListedPaths(), ElementsAre("", "Empty", "Full"));
}

TEST_F(BrowserTest, ExpandingAgainShowsTheSameChildrenWithoutListing) {
  const FolderServer& server = Serve({.folders = {{"", {"A"}}, {"A", {"x", "y"}}}});
  Open();
  const HTREEITEM a = Find({L"A"});
  ExpandByUser(a);
  ASSERT_TRUE(Expanded(a));
  CollapseByUser(a);
  ASSERT_FALSE(Expanded(a));
  ExpandByUser(a);
  EXPECT_TRUE(Expanded(a));
  EXPECT_EQ(ChildTexts(a), (Texts{L"x", L"y"}));
  EXPECT_THAT(server.ListedPaths(), ElementsAre("", "A"));
}

TEST_F(BrowserTest, NodeWhoseListingFailedListsAgainAtItsNextExpansion) {
  const FolderServer& server =
      Serve({.folders = {{"", {"A"}}, {"A", {"x"}}}, .fail_once = {"A"}}, 2);
  Open();
  const HTREEITEM a = Find({L"A"});
  ExpandByUser(a);
  EXPECT_EQ(ChildTexts(a), Texts{});
  EXPECT_TRUE(tree().HasChildrenMark(a)) << "a failed listing keeps the expand button";
  EXPECT_TRUE(boxes_.empty());

  // The failure closed the connection; the next browse would open a new one.
  ASSERT_FALSE(connection_->IsOpen());
  ASSERT_TRUE(connection_->Connect());
  ExpandByUser(a);
  EXPECT_EQ(ChildTexts(a), (Texts{L"x"}));
  EXPECT_TRUE(Expanded(a));
  EXPECT_THAT(server.ListedPaths(), ElementsAre("", "A", "A"));
}

TEST_F(BrowserTest, SecondOpeningListsTheTopLevelAfresh) {
  const FolderServer& server = Serve({.folders = {{"", {"A", "B"}}, {"A", {"x"}}}});
  Open();
  ExpandByUser(Find({L"A"}));
  ASSERT_EQ(ChildTexts(Find({L"A"})), (Texts{L"x"}));
  form_.Show(SW_HIDE);

  form_.Show(SW_SHOWNOACTIVATE);
  EXPECT_EQ(ChildTexts(nullptr), (Texts{L"A", L"B"}));
  EXPECT_EQ(ChildTexts(Find({L"A"})), Texts{});
  EXPECT_TRUE(tree().HasChildrenMark(Find({L"A"})));
  EXPECT_TRUE(OkMatchesSelection());
  EXPECT_THAT(server.ListedPaths(), ElementsAre("", "A", ""));
  ExpandByUser(Find({L"A"}));
  EXPECT_EQ(ChildTexts(Find({L"A"})), (Texts{L"x"}));
  EXPECT_THAT(server.ListedPaths(), ElementsAre("", "A", "", "A"));
}

TEST_F(BrowserTest, EditedLabelIsThePathFromThenOn) {
  const std::wstring renamed = L"Neu \u00dc";
  const std::string renamed_bytes = win::WideToAnsi(renamed);
  const FolderServer& server = Serve({.folders = {{"", {"Old"}}, {renamed_bytes, {"x"}}}});
  Open();
  const HTREEITEM node = Find({L"Old"});
  tree().Focus();
  const HWND edit = tree().EditLabel(node);
  ASSERT_NE(edit, nullptr);
  SetWindowTextW(edit, renamed.c_str());
  tree().EndEditLabel(false);

  EXPECT_EQ(tree().ItemText(node), renamed);
  EXPECT_EQ(form_.NodePath(node), renamed_bytes);
  ExpandByUser(node);
  EXPECT_EQ(ChildTexts(node), (Texts{L"x"}));
  EXPECT_EQ(form_.NodePath(Find({renamed, L"x"})), renamed_bytes + "\\x");

  // An edit left with Escape keeps the name.
  const HWND cancelled = tree().EditLabel(node);
  ASSERT_NE(cancelled, nullptr);
  SetWindowTextW(cancelled, L"ignored");
  SendMessageW(cancelled, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(tree().ItemText(node), renamed);
  EXPECT_EQ(form_.NodePath(node), renamed_bytes);
  EXPECT_THAT(server.ListedPaths(), ElementsAre("", renamed_bytes));
}

// A label is a name in the path sent to the server and stored in the file, which carry the ANSI
// code page only: a label outside it is refused with the characters named, as in every edit, and
// the node keeps its name.
TEST_F(BrowserTest, EditedLabelOutsideTheCodePageIsRefused) {
  const FolderServer& server = Serve({.folders = {{"", {"Old"}}}});
  const std::wstring tokyo = L"\u6771\u4eac";  // no character of a Western code page
  ASSERT_FALSE(win::FitsAnsiCodePage(tokyo)) << "this test runs under a Western code page";
  const ModalDriver driver = Drive(
      {{"Old is listed", [&] { return Find({L"Old"}) != nullptr; },
        [&] {
          tree().Focus();
          const HWND edit = tree().EditLabel(Find({L"Old"}));
          ASSERT_NE(edit, nullptr);
          SetWindowTextW(edit, (L"Dir " + tokyo).c_str());
          tree().EndEditLabel(false);
        }},
       {"the refusal is shown", [&] { return !boxes_.empty(); },
        [&] {
          tree().Select(Find({L"Old"}));
          form_.OkButton().Send(BM_CLICK);
        }}});
  EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())),
            std::optional<std::wstring>(L"Old"));
  EXPECT_TRUE(driver.Done());
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text,
            L"These characters cannot be stored in the configuration file:\n" + tokyo);
  EXPECT_EQ(boxes_[0].owner, form_.handle());
  EXPECT_EQ(SelectedPath(), "Old");
}

TEST_F(BrowserTest, NamesTravelAsTheServersBytes) {
  // A name in the ANSI code page and one of 251 bytes: shown converted, sent back exactly and
  // whole, however long the path gets.
  const std::string accented = "Caf\xE9";
  const std::string long_name(251, 'n');
  const std::string long_path = accented + "\\" + long_name;
  const FolderServer& server =
      Serve({.folders = {{"", {accented}}, {accented, {long_name}}, {long_path, {"deep"}}}});
  Open();
  const HTREEITEM top = tree().FirstChild(nullptr);
  EXPECT_EQ(tree().ItemText(top), win::AnsiToWide(accented));
  ExpandByUser(top);
  const HTREEITEM child = tree().FirstChild(top);
  ASSERT_NE(child, nullptr);
  ExpandByUser(child);
  EXPECT_EQ(form_.NodePath(tree().FirstChild(child)), long_path + "\\deep");

  const std::vector<Request> requests = server.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().payload, long_path + std::string(1, '\0'));
  EXPECT_GT(long_path.size(), 255u);
}

TEST_F(BrowserTest, WaitCursorIsShownWhileListing) {
  FolderServer& server = Serve({.folders = {{"", {"A"}}, {"A", {}}}});
  server.WatchCursorOf(GetCurrentThreadId());
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  SetCursor(arrow);
  Open();
  ExpandByUser(Find({L"A"}));
  const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  const std::vector<HCURSOR> cursors = server.Cursors();
  ASSERT_EQ(cursors.size(), 3u);  // logon (not the browser's), top level, A
  EXPECT_EQ(cursors[1], wait);
  EXPECT_EQ(cursors[2], wait);
  EXPECT_EQ(GetCursor(), arrow);
}

// --- The browse sequence ------------------------------------------------------------------

TEST_F(BrowserTest, OkHandsBackTheSelectedPath) {
  FolderServer& server = Serve({.folders = {{"", {"Top"}}, {"Top", {"Sub"}}}});
  server.WatchCursorOf(GetCurrentThreadId());
  bool owner_disabled = false;
  const ModalDriver driver = Drive({{"Top is listed", [&] { return Find({L"Top"}) != nullptr; },
                                     [&] {
                                       owner_disabled = !IsWindowEnabled(owner_);
                                       ExpandByUser(Find({L"Top"}));
                                       tree().Select(Find({L"Top", L"Sub"}));
                                     }},
                                    {"Sub is selected",
                                     [&] {
                                       return Find({L"Top", L"Sub"}) &&
                                              tree().Selected() == Find({L"Top", L"Sub"});
                                     },
                                     [&] { form_.OkButton().Send(BM_CLICK); }}});
  const std::optional<std::wstring> path = RunBrowseSequence(owner_, SettingsFor(server.port()));
  EXPECT_TRUE(driver.Done());
  EXPECT_FALSE(driver.GaveUp());
  EXPECT_TRUE(owner_disabled);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_FALSE(form_.IsVisible());
  EXPECT_EQ(path, std::optional<std::wstring>(L"Top\\Sub"));
  EXPECT_EQ(SelectedPath(), "Top\\Sub");
  EXPECT_EQ(form_.ModalResult(), kModalResultOk);
  EXPECT_TRUE(connection_->IsOpen()) << "the connection stays open for the next browse";

  // The next browse reuses the connection, logs on again and starts from a fresh top level.
  const ModalDriver again = Drive({{"Top is listed", [&] { return Find({L"Top"}) != nullptr; },
                                    [&] {
                                      tree().Select(Find({L"Top"}));
                                      form_.OkButton().Send(BM_CLICK);
                                    }}});
  EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())),
            std::optional<std::wstring>(L"Top"));
  EXPECT_TRUE(again.Done());
  const std::vector<Request> requests = server.Requests();
  ASSERT_EQ(requests.size(), 5u);
  EXPECT_EQ(requests[3].command, kCmdLogon);
  const LogonBody logon = LogonBody::FromSettings(SettingsFor(server.port()));
  EXPECT_EQ(requests[3].payload, std::string(logon.bytes.begin(), logon.bytes.end()));
  EXPECT_THAT(server.ListedPaths(), ElementsAre("", "Top", ""));
  EXPECT_TRUE(boxes_.empty());
  // Logging on and every listing waited under the wait cursor, which is gone afterwards.
  const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  EXPECT_THAT(server.Cursors(), ::testing::Each(wait));
  EXPECT_NE(GetCursor(), wait);
}

TEST_F(BrowserTest, CancelCloseBoxAndEscapeHandBackNothing) {
  struct Case {
    const char* name;
    std::function<void(const TBrwForm&)> close;
  };
  const Case cases[] = {
      {"Cancel", [](const TBrwForm& form) { form.CancelButton().Send(BM_CLICK); }},
      {"close box", [](const TBrwForm& form) { form.Send(WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"Escape",
       [](const TBrwForm& form) { PostMessageW(form.Tree().handle(), WM_KEYDOWN, VK_ESCAPE, 0); }},
  };
  const FolderServer& server = Serve({.folders = {{"", {"Top"}}}});
  SetSelectedPath("Earlier\\Choice");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ModalDriver driver =
        Drive({{"Top is listed", [&] { return Find({L"Top"}) != nullptr; },
                [&] { tree().Select(Find({L"Top"})); }},
               {"Top is selected", [&] { return tree().Selected() == Find({L"Top"}); },
                [&] { c.close(form_); }}});
    EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())), std::nullopt);
    EXPECT_TRUE(driver.Done());
    EXPECT_FALSE(driver.GaveUp());
    EXPECT_EQ(form_.ModalResult(), kModalResultCancel);
    EXPECT_EQ(SelectedPath(), "Earlier\\Choice");
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_FALSE(form_.IsVisible());
  }
}

TEST_F(BrowserTest, OkIsTheDefaultButtonAndEnterInTheTreeChoosesTheSelectedFolder) {
  const FolderServer& server = Serve({.folders = {{"", {"Top", "Other"}}}});
  const ModalDriver driver =
      Drive({{"Top is listed", [&] { return Find({L"Top"}) != nullptr; },
              [&] {
                tree().Select(Find({L"Other"}));
                tree().Focus();
                PostMessageW(tree().handle(), WM_KEYDOWN, VK_RETURN, 0);
              }}});
  EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())),
            std::optional<std::wstring>(L"Other"));
  EXPECT_TRUE(driver.Done());
  EXPECT_EQ(form_.ModalResult(), kModalResultOk);
  const LONG_PTR style = GetWindowLongPtrW(form_.OkButton().handle(), GWL_STYLE);
  EXPECT_EQ(style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(form_.Send(DM_GETDEFID), MAKELRESULT(IDOK, DC_HASDEFID));
}

TEST_F(BrowserTest, KeyboardMovesBetweenTreeAndButtons) {
  const FolderServer& server = Serve({.folders = {{"", {"Top"}}}});
  HWND after_tab = nullptr;
  const ModalDriver driver =
      Drive({{"Top is listed", [&] { return Find({L"Top"}) != nullptr; },
              [&] {
                tree().Select(Find({L"Top"}));
                tree().Focus();
                PostMessageW(tree().handle(), WM_KEYDOWN, VK_TAB, 0);
              }},
             {"the focus left the tree", [&] { return GetFocus() != tree().handle(); },
              [&] {
                after_tab = GetFocus();
                PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
              }}});
  EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())),
            std::optional<std::wstring>(L"Top"));
  EXPECT_TRUE(driver.Done());
  EXPECT_EQ(after_tab, form_.OkButton().handle());
}

// --- Waiting for the server ---------------------------------------------------------------

// While the server keeps silent the browser answers other threads, paints and shows the wait
// cursor; each way of giving up ends the wait at once, without a message, drops the connection
// and leaves nothing behind.
TEST_F(BrowserTest, SilentListingKeepsTheBrowserAnsweringUntilGivenUp) {
  struct Case {
    const char* name;
    std::function<void(const TBrwForm&)> give_up;
  };
  const Case cases[] = {
      {"Escape",
       [](const TBrwForm& form) { PostMessageW(form.Tree().handle(), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"Cancel", [](const TBrwForm& form) { form.CancelButton().Send(BM_CLICK); }},
      {"close box", [](const TBrwForm& form) { form.Send(WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FolderServer& server = Serve({.folders = {{"", {"Top"}}}, .silent = {""}});
    // Only giving up can end this wait.
    connection_->SetReplyTimeoutMs(-1);
    std::future<bool> answered;
    HCURSOR cursor = nullptr;
    const ModalDriver driver = Drive(
        {{"the top level is awaited", [&] { return server.Silent(); },
          [&] {
            cursor = GetCursor();
            InvalidateRect(form_.handle(), nullptr, TRUE);
            answered = std::async(std::launch::async, [window = form_.handle()] {
              DWORD_PTR result = 0;
              return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &result) != 0;
            });
          }},
         {"the browser answered and painted",
          [&] {
            return answered.wait_for(std::chrono::seconds(0)) == std::future_status::ready &&
                   !GetUpdateRect(form_.handle(), nullptr, FALSE);
          },
          [&] { c.give_up(form_); }}});
    EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())), std::nullopt);
    EXPECT_TRUE(driver.Done());
    EXPECT_FALSE(driver.GaveUp());
    ASSERT_TRUE(answered.valid());
    EXPECT_TRUE(answered.get());
    EXPECT_EQ(cursor, wait);
    EXPECT_TRUE(connection_->GaveUp()) << "the wait ended by giving up, not by a time-out";
    EXPECT_FALSE(connection_->IsOpen());
    EXPECT_TRUE(PumpUntil([&] { return server.ClosedWhileSilent() == 1; }))
        << "the server saw the connection end";
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(form_.ModalResult(), kModalResultCancel);
    EXPECT_FALSE(form_.IsVisible());
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_FALSE(NetworkWait::Busy());
    EXPECT_NE(GetCursor(), wait);
  }
}

TEST_F(BrowserTest, EscapeGivesUpASilentLogonWithoutAMessage) {
  FolderServer& server = Serve({.folders = {{"", {"Top"}}}, .silent_logon = true}, 2);
  connection_->SetReplyTimeoutMs(-1);
  bool busy = false;
  HCURSOR cursor = nullptr;
  const ModalDriver driver({{"the logon is awaited", [&] { return server.Silent(); },
                             [&] {
                               busy = NetworkWait::Busy();
                               cursor = GetCursor();
                               PostMessageW(owner_, WM_KEYDOWN, VK_ESCAPE, 0);
                             }}},
                           [] { NetworkWait::GiveUp(); });
  EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())), std::nullopt);
  EXPECT_TRUE(driver.Done());
  EXPECT_TRUE(busy);
  EXPECT_EQ(cursor, LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_TRUE(boxes_.empty()) << "no message claims that the server failed";
  EXPECT_EQ(form_.ModalResult(), 0) << "the browser was never opened";
  EXPECT_FALSE(connection_->IsOpen());
  EXPECT_TRUE(PumpUntil([&] { return server.ClosedWhileSilent() == 1; }));
}

// Giving a wait up never waits for the old connection's teardown: with the close held on its
// own thread, the browse has ended, the window answers a round trip from another thread and the
// server still holds the connection; the close then comes once let go.
TEST_F(BrowserTest, GivingUpDoesNotWaitForTheTeardown) {
  FolderServer& server = Serve({.folders = {{"", {"Top"}}}, .silent = {""}});
  connection_->SetReplyTimeoutMs(-1);
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  std::atomic<int> held{0};
  struct Hold {
    std::promise<void>& release;
    ~Hold() {
      SetBackgroundCloseHook(nullptr);
      try {
        release.set_value();
      } catch (const std::future_error&) {
      }
    }
  } hold{release};
  SetBackgroundCloseHook([released, &held] {
    ++held;
    released.wait();
  });
  const ModalDriver driver = Drive({{"the top level is awaited", [&] { return server.Silent(); },
                                     [&] {
                                       PostMessageW(tree().handle(), WM_KEYDOWN, VK_ESCAPE, 0);
                                     }}});
  EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())), std::nullopt);
  EXPECT_TRUE(driver.Done());
  EXPECT_FALSE(form_.IsVisible());
  ASSERT_TRUE(PumpUntil([&] { return held == 1; })) << "the close went to a thread of its own";
  std::future<bool> answered = std::async(std::launch::async, [window = owner_] {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &result) != 0;
  });
  EXPECT_TRUE(PumpUntil(
      [&] { return answered.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  EXPECT_TRUE(answered.get());
  EXPECT_EQ(server.ClosedWhileSilent(), 0) << "the teardown is still pending";
  EXPECT_FALSE(connection_->IsOpen());
  release.set_value();
  EXPECT_TRUE(PumpUntil([&] { return server.ClosedWhileSilent() == 1; }));
  EXPECT_TRUE(boxes_.empty());
}

// While a node's listing is awaited, OK, Enter and expanding another node start nothing; the
// wait is then given up and nothing was chosen.
TEST_F(BrowserTest, NothingElseStartsWhileAListingIsAwaited) {
  FolderServer& server = Serve({.folders = {{"", {"A", "B"}}, {"B", {"x"}}}, .silent = {"A"}});
  connection_->SetReplyTimeoutMs(-1);
  SetSelectedPath("Earlier");
  bool open_while_waiting = false;
  bool b_expanded = true;
  const ModalDriver driver =
      Drive({{"A is listed", [&] { return Find({L"A"}) != nullptr; },
              [&] { ExpandByUser(Find({L"A"})); }},
             {"A's listing is awaited", [&] { return server.Silent(); },
              [&] {
                form_.OkButton().Send(BM_CLICK);
                PostMessageW(tree().handle(), WM_KEYDOWN, VK_RETURN, 0);
                tree().Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Find({L"B"})));
                b_expanded = Expanded(Find({L"B"}));
                open_while_waiting = form_.IsVisible() && form_.ModalResult() == 0;
                PostMessageW(tree().handle(), WM_KEYDOWN, VK_ESCAPE, 0);
              }}});
  EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())), std::nullopt);
  EXPECT_TRUE(driver.Done());
  EXPECT_TRUE(open_while_waiting);
  EXPECT_FALSE(b_expanded);
  EXPECT_EQ(SelectedPath(), "Earlier");
  EXPECT_EQ(form_.ModalResult(), kModalResultCancel);
  EXPECT_THAT(server.ListedPaths(), ElementsAre("", "A"));
  EXPECT_TRUE(PumpUntil([&] { return server.ClosedWhileSilent() == 1; }));
  EXPECT_TRUE(boxes_.empty());
}

// A server that restarted has ended the connection kept from the last browse, which nothing
// shows until the logon: the browse replaces it once before any message, and a second failure is
// shown as any other.
TEST_F(BrowserTest, KeptConnectionEndedByTheServerIsReplacedOnce) {
  const auto serve = [](FakePeer& peer) {
    peer.ReadRequest();
    peer.Send(Int32BE(kAccepted));
    peer.ReadRequest();
    std::string reply;
    AppendListing(reply, Names{"Top"});
    peer.Send(reply);
  };
  const auto choose_top = [this] {
    return Drive({{"Top is listed", [&] { return Find({L"Top"}) != nullptr; },
                   [&] {
                     tree().Select(Find({L"Top"}));
                     form_.OkButton().Send(BM_CLICK);
                   }}});
  };
  for (const bool second_serves : {true, false}) {
    SCOPED_TRACE(second_serves ? "the new connection serves" : "the new connection fails too");
    NewConnection();
    boxes_.clear();
    std::promise<void> restarted;
    std::future<void> restart = restarted.get_future();
    FakeServer server({[&](FakePeer& peer) {
                         serve(peer);
                         peer.Close();
                         restarted.set_value();
                       },
                       [&](FakePeer& peer) {
                         if (!second_serves) {
                           peer.ReadRequest();
                           peer.Close();
                           return;
                         }
                         serve(peer);
                         peer.ReadToEnd();
                       }});
    {
      const ModalDriver driver = choose_top();
      EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())),
                std::optional<std::wstring>(L"Top"));
    }
    ASSERT_TRUE(PumpUntil(
        [&] { return restart.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    ASSERT_TRUE(connection_->IsOpen()) << "nothing probes the kept connection";
    if (second_serves) {
      const ModalDriver driver = choose_top();
      EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())),
                std::optional<std::wstring>(L"Top"));
      EXPECT_TRUE(driver.Done());
      EXPECT_TRUE(boxes_.empty());
    } else {
      EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())), std::nullopt);
      ASSERT_EQ(boxes_.size(), 1u);
      EXPECT_EQ(boxes_[0].text, L"Failed to logon!");
      EXPECT_FALSE(shown_with_box_);
    }
    NewConnection();
    server.Join();
    EXPECT_EQ(server.accepted(), 2) << "one new connection, no more";
  }
}

// A connection made by this browse that fails its logon is not tried again.
TEST_F(BrowserTest, NewConnectionEndedAtTheLogonIsNotRetried) {
  FakeServer server({[](FakePeer& peer) {
    peer.ReadRequest();
    peer.Close();
  }});
  EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())), std::nullopt);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, L"Failed to logon!");
  server.Join();
  EXPECT_EQ(server.accepted(), 1);
}

TEST_F(BrowserTest, FailuresShowTheirMessageAndNoBrowser) {
  const std::uint16_t closed_port = [] {
    Socket listener = ListenTcp(kLoopbackAddress, 0, 1);
    return LocalPort(listener);
  }();
  {
    SCOPED_TRACE("connection refused");
    EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(closed_port)), std::nullopt);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, L"Failed to connect to server!");
  }
  {
    SCOPED_TRACE("logon refused");
    Script script{.verdict = kRefused, .folders = {{"", {"Top"}}}};
    const FolderServer& server = Serve(script);
    EXPECT_EQ(RunBrowseSequence(owner_, SettingsFor(server.port())), std::nullopt);
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_EQ(boxes_[1].text, L"Failed to logon!");
    EXPECT_THAT(server.ListedPaths(), IsEmpty());
  }
  for (const Box& box : boxes_) {
    EXPECT_EQ(box.owner, owner_);
    EXPECT_EQ(box.caption, ApplicationTitle());
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
  }
  EXPECT_FALSE(shown_with_box_);
  EXPECT_FALSE(form_.IsVisible());
  EXPECT_EQ(form_.ModalResult(), 0) << "the browser was never opened";
  EXPECT_TRUE(IsWindowEnabled(owner_));
}

}  // namespace
}  // namespace qv::test
