// The one rule on which local folders a target may be: the folder button and qvconf's check both
// ask it, so a folder the button accepts is never one that check reports.
#include "config/drive_path.h"

#include <string>

#include <gtest/gtest.h>

namespace qv::test {
namespace {

TEST(IsDriveLetterPath, AllowsOnlyPathsWhoseSecondCharacterIsAColon) {
  const struct {
    const wchar_t* path;
    bool allowed;
    bool full;
  } cases[] = {
      {L"C:\\Data", true, true},
      {L"Z:\\tmp", true, true},
      {L"C:\\", true, true},
      {L"c:/Data", true, true},
      {L"d:", true, false},
      {L"C:relative", true, false},
      // Windows looks at the colon, not at the letter, as the editor always did.
      {L"1:\\", true, true},
      {L"\u00c4:\\", true, true},
      {L"\\\\server\\share", false, false},
      {L"\\\\?\\C:\\Data", false, false},
      {L"", false, false},
      {L"C", false, false},
      {L":", false, false},
      {L"\\Data", false, false},
      {L"Data\\C:", false, false},
      {L"CC:\\", false, false},
  };
  for (const auto& c : cases) {
    const std::wstring wide(c.path);
    SCOPED_TRACE(::testing::PrintToString(wide));
    EXPECT_EQ(IsDriveLetterPath(wide), c.allowed);
    const std::u32string points(wide.begin(), wide.end());
    EXPECT_EQ(IsDriveLetterPath(points), c.allowed);
    EXPECT_EQ(IsFullDrivePath(points), c.full);
  }
}

}  // namespace
}  // namespace qv::test
