// The byte-limited edit on its own: in a bare window whose procedure knows nothing of it, it
// still cuts what is typed, replaced and pasted to the bytes it takes.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "ui/win/byte_limited_edit.h"

namespace qv::test {
namespace {

class ByteLimitedEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 40, nullptr, nullptr,
                              instance, nullptr);
    ASSERT_NE(parent_, nullptr);
    edit_ = win::ByteLimitedEdit(CreateWindowExW(0, win::ByteLimitedEdit::ClassName(), L"",
                                                 WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0,
                                                 280, 20, parent_, nullptr, instance, nullptr));
    ASSERT_NE(edit_.handle(), nullptr);
  }
  void TearDown() override { DestroyWindow(parent_); }

  void Type(const std::wstring& text) const {
    for (wchar_t c : text) edit_.Send(WM_CHAR, c, 1);
  }
  void Select(int start, int end) const { edit_.Send(EM_SETSEL, start, end); }
  void Replace(const wchar_t* text) const {
    edit_.Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
  }
  void Paste(const std::wstring& text) const {
    SetClipboardText(parent_, text);
    edit_.Send(WM_PASTE);
  }

  HWND parent_ = nullptr;
  win::ByteLimitedEdit edit_;
};

// A character of two bytes is one UTF-16 unit: only in a double-byte code page (the runs under
// code page 936) does a limit in bytes differ from the system's own limit in units.
bool DoubleByteCodePage() {
  CPINFO info{};
  return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 2;
}

TEST_F(ByteLimitedEditTest, CountsDoubleByteCharactersWithNoOwnerRoutingItsMessages) {
  if (!DoubleByteCodePage()) GTEST_SKIP() << "needs a double-byte ANSI code page";
  edit_.SetByteLimit(5);
  Type(L"\u4e2d\u4e2d\u4e2d");
  EXPECT_EQ(edit_.Text(), L"\u4e2d\u4e2d") << "4 of the 5 bytes";
  Type(L"ab");
  EXPECT_EQ(edit_.Text(), L"\u4e2d\u4e2da");

  // Replacing a character of two bytes leaves room for one more such character, not two.
  Select(0, 1);
  Replace(L"\u6587\u6587");
  EXPECT_EQ(edit_.Text(), L"\u6587\u4e2da");

  // A paste takes its first line, cut at a whole character to what fits.
  Select(2, 3);
  Paste(L"x\u6587\r\nsecond line");
  EXPECT_EQ(edit_.Text(), L"\u6587\u4e2dx");

  // Deleting makes room again; control keys are no text and pass.
  Select(0, 3);
  Type(L"\b");
  Type(L"\u4e2d\u4e2dxyz");
  EXPECT_EQ(edit_.Text(), L"\u4e2d\u4e2dx");
}

TEST_F(ByteLimitedEditTest, DoubleByteLimitsAreEachEditsOwn) {
  if (!DoubleByteCodePage()) GTEST_SKIP() << "needs a double-byte ANSI code page";
  const win::ByteLimitedEdit other(CreateWindowExW(
      0, win::ByteLimitedEdit::ClassName(), L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 20,
      280, 20, parent_, nullptr, GetModuleHandleW(nullptr), nullptr));
  ASSERT_NE(other.handle(), nullptr);
  edit_.SetByteLimit(3);
  other.SetByteLimit(4);
  const std::wstring chinese(4, L'\u4e2d');
  Type(chinese);
  for (wchar_t c : chinese) other.Send(WM_CHAR, c, 1);
  EXPECT_EQ(edit_.Text(), std::wstring(1, L'\u4e2d'));
  EXPECT_EQ(other.Text(), std::wstring(2, L'\u4e2d'));
}

TEST_F(ByteLimitedEditTest, NoLimitTakesMoreThanTheSystemDefault) {
  edit_.SetByteLimit(0);
  const std::wstring long_text(40000, L'q');
  Replace(long_text.c_str());
  EXPECT_EQ(edit_.Text().size(), long_text.size());
}

}  // namespace
}  // namespace qv::test
