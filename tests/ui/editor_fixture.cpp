#include "editor_fixture.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/win_text.h"
#include "common/window_driver.h"
#include "config/config_store.h"
#include "config/store_fixture.h"
#include "i18n/ui_strings.h"
#include "ui/message_box.h"

namespace qv::test {
namespace {

std::wstring NewTemporaryFolder() {
  static int counter = 0;
  std::wstring folder = std::wstring(kTestFolderRoot) + L"qv_ui_test_" +
                        std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter) +
                        L"\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW((folder + found.cFileName).c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::wstring Widen(const std::string& ansi) { return win::AnsiToWide(ansi); }

std::string ReadBytes(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  CloseHandle(file);
  return bytes;
}

void SetClipboardText(HWND owner, const std::wstring& text) {
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  ASSERT_NE(memory, nullptr);
  std::memcpy(GlobalLock(memory), text.c_str(), bytes);
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(written, bytes.size());
}

void EditorTest::SetUpTestSuite() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
}

void EditorTest::SetUp() {
  UseLanguage(Language::kEnglish);
  directory_ = NewTemporaryFolder();
  previous_boxes_ = SetMessageBoxFunction(
      [this](HWND, const std::wstring& text, const std::wstring& caption, UINT type) {
        boxes_.push_back({text, caption, type});
        if (!answers_.empty()) {
          const int answer = answers_.front();
          answers_.pop_front();
          return answer;
        }
        if ((type & MB_TYPEMASK) == MB_OK) return IDOK;
        ADD_FAILURE() << "a question nobody answers: " << win::WideToAnsi(text);
        return IDCANCEL;
      });
}

void EditorTest::TearDown() {
  form_.reset();
  Pump();
  SetMessageBoxFunction(previous_boxes_);
  RemoveFolder(directory_);
  UseLanguage(Language::kEnglish);
  EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted answers were not asked for";
}

void EditorTest::WriteConfig(const ConfigDocument& doc) {
  ASSERT_TRUE(SaveInTurn(directory_, doc).ok);
}

void EditorTest::WriteTasks(const std::vector<TaskSpec>& tasks) {
  ConfigDocument doc;
  for (const TaskSpec& wanted : tasks) {
    const int position = doc.AddTask("T").position;
    doc.RenameTask(position, wanted.name);
    doc.SetTaskSource(position, wanted.source);
    doc.SetTaskTarget(position, wanted.target);
  }
  WriteConfig(doc);
}

ConfigDocument EditorTest::ReadConfig() const {
  ConfigDocument doc;
  LoadConfig(directory_, doc);
  return doc;
}

void EditorTest::Open() {
  form_ = std::make_unique<TForm1>(directory_);
  ASSERT_TRUE(form_->Create());
  form_->ApplyEditorCaptions();
  form_->Show(SW_SHOW);
  SetForegroundWindow(form_->handle());
  Pump();
}

std::wstring EditorTest::Text(ControlId id) const { return win::Window(Get(id)).Text(); }

ControlId EditorTest::Focused() const {
  const HWND focus = GetFocus();
  if (!focus || !IsChild(form_->handle(), focus)) return kControlIdEnd;
  return static_cast<ControlId>(GetDlgCtrlID(focus));
}

std::vector<std::wstring> EditorTest::ListEntries() const {
  win::ListBox list;
  list.Attach(Get(kListBox1));
  std::vector<std::wstring> entries;
  for (int i = 0; i < list.Count(); ++i) entries.push_back(list.ItemText(i));
  return entries;
}

int EditorTest::Selection() const {
  return static_cast<int>(SendMessageW(Get(kListBox1), LB_GETCURSEL, 0, 0));
}

void EditorTest::Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    if (form_ && form_->handle() && form_->PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void EditorTest::Focus(ControlId id) {
  SetFocus(Get(id));
  Pump();
}

void EditorTest::Type(ControlId id, const std::wstring& text) {
  Focus(id);
  SendMessageW(Get(id), EM_SETSEL, 0, -1);
  if (text.empty()) {
    SendMessageW(Get(id), WM_CHAR, VK_BACK, 0);
  } else {
    TypeChars(id, text);
  }
  Pump();
}

void EditorTest::TypeChars(ControlId id, const std::wstring& text) {
  for (wchar_t c : text) SendMessageW(Get(id), WM_CHAR, c, 1);
  Pump();
}

void EditorTest::Click(ControlId id) {
  SendMessageW(Get(id), BM_CLICK, 0, 0);
  Pump();
}

void EditorTest::ClickListEntry(int index) {
  RECT item{};
  SendMessageW(Get(kListBox1), LB_GETITEMRECT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&item));
  const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  SendMessageW(Get(kListBox1), WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageW(Get(kListBox1), WM_LBUTTONUP, 0, point);
  Pump();
}

void EditorTest::ClickTab(int index) {
  RECT item{};
  SendMessageW(Get(kPageControl1), TCM_GETITEMRECT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&item));
  const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  SendMessageW(Get(kPageControl1), WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageW(Get(kPageControl1), WM_LBUTTONUP, 0, point);
  Pump();
}

void EditorTest::Deliver(UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND target = GetFocus() ? GetFocus() : form_->handle();
  const MSG msg{target, message, wparam, lparam, static_cast<DWORD>(GetMessageTime()), {}};
  if (!form_->PreTranslateMessage(msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  Pump();
}

void EditorTest::PressKey(UINT virtual_key) { Deliver(WM_KEYDOWN, virtual_key, 1); }

void EditorTest::PressAlt(wchar_t letter) { Deliver(WM_SYSCHAR, letter, 1 | (1 << 29)); }

void EditorTest::PressSysKey(UINT virtual_key) {
  Deliver(WM_SYSKEYDOWN, virtual_key, 1 | (1 << 29));
}

void EditorTest::CloseFromTitleBar() {
  SendMessageW(form_->handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
}

SIZE DrawnTextExtent(HWND label) {
  constexpr int kWidth = 1600;
  constexpr int kHeight = 120;
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(label, GWL_STYLE)) & ~WS_VISIBLE;
  const std::wstring text = win::Window(label).Text();
  const HWND twin = CreateWindowExW(0, L"STATIC", text.c_str(), style, 0, 0, kWidth, kHeight,
                                    GetParent(label), nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(twin, WM_SETFONT, SendMessageW(label, WM_GETFONT, 0, 0), FALSE);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HDC dc = CreateCompatibleDC(nullptr);
  const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  // A colour no label paints, so that both the background and the ink stand out from it.
  const HBRUSH sentinel = CreateSolidBrush(RGB(1, 254, 3));
  const RECT all{0, 0, kWidth, kHeight};
  FillRect(dc, &all, sentinel);
  DeleteObject(sentinel);
  SendMessageW(twin, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  GdiFlush();

  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  const std::uint32_t background = pixels[kWidth * kHeight - 1];
  SIZE extent{0, 0};
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (pixels[y * kWidth + x] == background) continue;
      extent.cx = std::max<LONG>(extent.cx, x + 1);
      extent.cy = std::max<LONG>(extent.cy, y + 1);
    }
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  DestroyWindow(twin);
  return extent;
}

}  // namespace qv::test
