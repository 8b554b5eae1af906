#include "config/paths.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

struct Case {
  const char* path;
  const char* expected;
};

TEST(DirectoryOfPath, KeepsEverythingUpToTheLastBackslash) {
  const Case cases[] = {
      {"C:\\Program Files\\Quorvel\\editor.exe", "C:\\Program Files\\Quorvel\\"},
      {"C:\\editor.exe", "C:\\"},
      {"\\\\server\\share\\a.exe", "\\\\server\\share\\"},
      {"C:\\dir\\", "C:\\dir\\"},
      {"editor.exe", ""},
      {"C:editor.exe", ""},      // a colon does not separate
      {"dir/sub/editor.exe", ""},  // nor does a slash
      {"C:\\a/b\\c/d.exe", "C:\\a/b\\"},
      {"\\", "\\"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DirectoryOfPath(std::string_view(c.path)), c.expected) << c.path;
    const std::string narrow(c.path);
    const std::wstring wide(narrow.begin(), narrow.end());
    const std::string expected(c.expected);
    EXPECT_EQ(DirectoryOfPath(std::wstring_view(wide)), std::wstring(expected.begin(), expected.end()))
        << c.path;
  }
}

TEST(DirectoryOfPath, WideFormKeepsCharactersOutsideAnyCodePage) {
  EXPECT_EQ(DirectoryOfPath(std::wstring_view(L"C:\\\u914D\u7F6E\u0416\\editor.exe")),
            L"C:\\\u914D\u7F6E\u0416\\");
}

}  // namespace
}  // namespace qv::test
