// The byte-limited edit on its own: in a bare window whose procedure knows nothing of it, it
// still cuts what is typed, replaced and pasted to the bytes it takes.
#include <windows.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

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
    ASSERT_TRUE(OpenClipboard(parent_));
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    ASSERT_NE(memory, nullptr);
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    edit_.Send(WM_PASTE);
  }

  HWND parent_ = nullptr;
  win::ByteLimitedEdit edit_;
};

TEST_F(ByteLimitedEditTest, KeepsItsLimitWithNoOwnerRoutingItsMessages) {
  edit_.SetByteLimit(5);
  Type(L"abcdefg");
  EXPECT_EQ(edit_.Text(), L"abcde");

  // Replacing two characters leaves room for two.
  Select(1, 3);
  Replace(L"WXYZ");
  EXPECT_EQ(edit_.Text(), L"aWXde");

  // A paste takes its first line, cut to what fits.
  Select(0, 2);
  Paste(L"123\r\nsecond line");
  EXPECT_EQ(edit_.Text(), L"12Xde");

  // Deleting makes room again; control keys are no text and pass.
  Select(0, 5);
  Type(L"\b");
  Type(L"xyz");
  EXPECT_EQ(edit_.Text(), L"xyz");
}

TEST_F(ByteLimitedEditTest, NoLimitTakesMoreThanTheSystemDefault) {
  edit_.SetByteLimit(0);
  const std::wstring long_text(40000, L'q');
  Replace(long_text.c_str());
  EXPECT_EQ(edit_.Text().size(), long_text.size());
}

TEST_F(ByteLimitedEditTest, EachEditKeepsItsOwnLimit) {
  const win::ByteLimitedEdit other(CreateWindowExW(
      0, win::ByteLimitedEdit::ClassName(), L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 20,
      280, 20, parent_, nullptr, GetModuleHandleW(nullptr), nullptr));
  ASSERT_NE(other.handle(), nullptr);
  edit_.SetByteLimit(2);
  other.SetByteLimit(4);
  Type(L"123456");
  for (wchar_t c : std::wstring(L"123456")) other.Send(WM_CHAR, c, 1);
  EXPECT_EQ(edit_.Text(), L"12");
  EXPECT_EQ(other.Text(), L"1234");
}

}  // namespace
}  // namespace qv::test
