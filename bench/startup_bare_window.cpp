// The yardsticks of startup_bench. Without arguments: the least a Win32 program does to show a
// window of the editor's size and run its message loop. With "--controls": the least a program
// does to show the editor's window with the same controls, fonts and English captions, and the
// task names of CONFIGS.DAT (in its current folder) in the list, read with one plain ReadFile.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/records.h"
#include "i18n/ui_strings.h"
#include "ui/editor_layout.h"

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::vector<std::uint8_t> ReadWholeFile(const wchar_t* name) {
  std::vector<std::uint8_t> bytes;
  const HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty()) {
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  }
  bytes.resize(read);
  CloseHandle(file);
  return bytes;
}

void FillList(HWND list) {
  const std::vector<std::uint8_t> file = ReadWholeFile(L"CONFIGS.DAT");
  if (file.size() < qv::kFirstTaskOffset) return;
  const std::uint32_t record = Le32(file.data() + qv::kRecordSizeOffset);
  const std::uint32_t count = Le32(file.data() + qv::kTaskCountOffset);
  if (record < qv::TaskRecord::kNameCapacity + 1) return;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_INITSTORAGE, count, count * 2 * qv::TaskRecord::kNameCapacity);
  wchar_t name[qv::TaskRecord::kNameCapacity + 1];
  for (std::size_t i = 0, at = qv::kFirstTaskOffset; i < count && at + record <= file.size();
       ++i, at += record) {
    const char* bytes = reinterpret_cast<const char*>(file.data() + at);
    const int length = static_cast<unsigned char>(bytes[0]);
    const int units = MultiByteToWideChar(CP_ACP, 0, bytes + 1, length, name,
                                          static_cast<int>(qv::TaskRecord::kNameCapacity));
    name[units] = L'\0';
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

// The editor's controls where its layout puts them, with its classes and styles; the pages are
// plain containers and the labels get a generous fixed width.
void CreateEditorControls(HWND form, HINSTANCE instance, HFONT font) {
  using qv::ui::ControlKind;
  using qv::ui::Container;
  HWND tabs = nullptr;
  HWND pages[2] = {};
  for (const qv::ui::ControlLayout& c : qv::ui::EditorLayout()) {
    const wchar_t* class_name = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD ex_style = 0;
    int width = c.width;
    int height = c.height;
    switch (c.kind) {
      case ControlKind::kTabs:
        class_name = WC_TABCONTROLW;
        style |= WS_TABSTOP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
        break;
      case ControlKind::kPage:
        style = WS_CHILD | WS_CLIPCHILDREN | (c.id == qv::ui::kTabGame ? WS_VISIBLE : 0);
        ex_style = WS_EX_CONTROLPARENT;
        width = c.container == Container::kPageControl ? 593 : 0;
        height = 461;
        break;
      case ControlKind::kListBox:
        class_name = L"LISTBOX";
        style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::kButton:
      case ControlKind::kPictureButton:
        class_name = L"BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
      case ControlKind::kLabel:
      case ControlKind::kRightLabel:
        style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
        width = 220;
        height = 14;
        break;
      case ControlKind::kNameLabel:
        style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
        width = 0;
        height = 0;
        break;
      case ControlKind::kEdit:
      case ControlKind::kPasswordEdit:
        class_name = L"EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL |
                 (c.kind == ControlKind::kPasswordEdit ? ES_PASSWORD : 0);
        ex_style = WS_EX_CLIENTEDGE;
        break;
    }
    HWND parent = form;
    if (c.container == Container::kPageControl) parent = tabs;
    if (c.container == Container::kTabGame) parent = pages[0];
    if (c.container == Container::kTabOther) parent = pages[1];
    int left = c.kind == ControlKind::kRightLabel ? c.left - width : c.left;
    int top = c.top;
    if (c.kind == ControlKind::kPage) {
      left = 4;
      top = 24;
    }
    const wchar_t* text = c.initial_text;
    std::wstring caption;
    if (c.caption >= 0 && c.kind != ControlKind::kPage) {
      const char* ansi = qv::TableFor(qv::Language::kEnglish).texts[c.caption];
      caption.assign(ansi, ansi + std::strlen(ansi));
      text = caption.c_str();
    }
    const HWND control =
        CreateWindowExW(ex_style, class_name, text, style, left, top, width, height, parent,
                        reinterpret_cast<HMENU>(INT_PTR{c.id}), instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (c.kind == ControlKind::kTabs) {
      tabs = control;
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = const_cast<wchar_t*>(L"Task");
      SendMessageW(tabs, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      item.pszText = const_cast<wchar_t*>(L"Other");
      SendMessageW(tabs, TCM_INSERTITEMW, 1, reinterpret_cast<LPARAM>(&item));
    }
    if (c.id == qv::ui::kTabGame) pages[0] = control;
    if (c.id == qv::ui::kTabOther) pages[1] = control;
    if (c.kind == ControlKind::kListBox) FillList(control);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int show_command) {
  const bool controls = command_line && std::wcsstr(command_line, L"--controls") != nullptr;
  if (controls) {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"BareWindow";
  RegisterClassExW(&wc);
  const HWND hwnd = CreateWindowExW(
      WS_EX_CONTROLPARENT, L"BareWindow", L"Bare window",
      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, CW_USEDEFAULT,
      CW_USEDEFAULT, 634, 589, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  if (controls) {
    LOGFONTW lf{};
    lf.lfHeight = -12;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
    CreateEditorControls(hwnd, instance, CreateFontIndirectW(&lf));
  }
  ShowWindow(hwnd, show_command);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (controls && IsDialogMessageW(hwnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
