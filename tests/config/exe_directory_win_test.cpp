#include "config/exe_directory.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace qv::test {
namespace {

TEST(ExeDirectory, IsTheFolderOfThisProgramWithItsBackslash) {
  InitExeDirectory();
  const std::wstring& dir = ExeDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), L'\\');
  const DWORD attributes = GetFileAttributesW((dir + L"config_win_tests.exe").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(GetFileAttributesW(dir.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

}  // namespace
}  // namespace qv::test
