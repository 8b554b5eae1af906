#include "platform/drive_path.h"

#include <string>

#include <gtest/gtest.h>

namespace qv::test {
namespace {

TEST(IsDriveLetterPath, AllowsOnlyPathsWhoseSecondCharacterIsAColon) {
  const struct {
    const wchar_t* path;
    bool allowed;
  } cases[] = {
      {L"C:\\Data", true},
      {L"Z:\\tmp", true},
      {L"C:\\", true},
      {L"d:", true},
      {L"C:relative", true},
      // The rule looks at the second character only, as the editor always did.
      {L"1:\\", true},
      {L"\\\\server\\share", false},
      {L"\\\\?\\C:\\Data", false},
      {L"", false},
      {L"C", false},
      {L":", false},
      {L"\\Data", false},
      {L"Data\\C:", false},
      {L"CC:\\", false},
      {L"\u00c4:\\", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsDriveLetterPath(c.path), c.allowed)
        << ::testing::PrintToString(std::wstring(c.path));
  }
}

}  // namespace
}  // namespace qv::test
