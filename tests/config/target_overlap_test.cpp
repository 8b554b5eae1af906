// The rules on targets that are one folder or one inside another, shared by the window's Save
// and qvconf's check.
#include "config/target_overlap.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/utf8.h"
#include "config/folder_key_cases.h"

namespace qv {
namespace {

ConfigDocument WithTargets(const std::vector<std::string>& targets) {
  ConfigDocument doc;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    TaskRecord task;
    task.SetName("T" + std::to_string(i + 1));
    task.SetTarget(targets[i]);
    doc.tasks.push_back(task);
  }
  return doc;
}

// The file's bytes read as UTF-8, which stands for any code page here.
std::optional<std::u32string> AsUtf8(std::string_view bytes) { return DecodeUtf8(bytes); }

constexpr OverlapKind kSame = OverlapKind::kSameFolder;
constexpr OverlapKind kInside = OverlapKind::kInside;

TEST(TargetOverlap, Table) {
  struct Case {
    const char* name;
    std::vector<std::string> targets;
    std::vector<TargetOverlap> found;
  };
  const Case cases[] = {
      {"apart", {"C:\\A", "C:\\B", "D:\\A"}, {}},
      {"a name that only starts like another", {"C:\\Sync", "C:\\Sync2\\x"}, {}},
      {"same folder", {"C:\\A", "C:\\B", "C:\\A"}, {{2, kSame, 0}}},
      {"one kind of separator, trailing separator", {"C:/A/B", "C:\\A\\B\\"}, {{1, kSame, 0}}},
      {"trailing dots and blanks", {"C:\\A. .", "C:\\A"}, {{1, kSame, 0}}},
      {"a blank before a separator is another folder", {"C:\\A \\B", "C:\\A\\B"}, {}},
      {"dot and dot-dot", {"C:\\A\\.\\B\\..\\C", "C:\\A\\C"}, {{1, kSame, 0}}},
      {"dot-dot never leaves the drive", {"C:\\..\\..\\A", "C:\\A"}, {{1, kSame, 0}}},
      {"letter case, drive letter too", {"c:\\data", "C:\\DATA"}, {{1, kSame, 0}}},
      {"letter case beyond ASCII", {"C:\\\xc3\xa9t\xc3\xa9", "C:\\\xc3\x89T\xc3\x89"},
       {{1, kSame, 0}}},
      {"letters of 1251 and 1253", {"C:\\\xd2\x91\xcf\x8a", "C:\\\xd2\x90\xce\xaa"},
       {{1, kSame, 0}}},
      {"inside, named after the outermost", {"C:\\A\\B\\C", "C:\\A\\B", "C:\\A"},
       {{0, kInside, 2}, {1, kInside, 2}}},
      {"inside a drive root", {"D:\\", "D:\\x\\y"}, {{1, kInside, 0}}},
      {"three on one folder and one inside", {"C:\\A", "C:\\A", "C:\\A\\B", "c:\\a"},
       {{1, kSame, 0}, {3, kSame, 0}, {2, kInside, 0}}},
      {"only full drive paths take part",
       {"\\\\srv\\A", "\\\\srv\\A", "", "A\\B", "C:A", "C:A", "d:", "D:\\x"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindTargetOverlaps(WithTargets(c.targets), AsUtf8), c.found);
  }
}

// Bytes that do not decode stand for themselves: they can only be equal to the same bytes.
TEST(TargetOverlap, UndecodableBytesCompareAsThemselves) {
  const ConfigDocument doc = WithTargets({"C:\\\xff\xfe", "C:\\\xff\xfe", "C:\\\xfe\xff"});
  EXPECT_EQ(FindTargetOverlaps(doc, AsUtf8), (std::vector<TargetOverlap>{{1, kSame, 0}}));
  EXPECT_EQ(FindTargetOverlaps(doc, nullptr), (std::vector<TargetOverlap>{{1, kSame, 0}}));
}

TEST(TargetOverlap, FolderKeyIsOneSpellingPerFolder) {
  for (const test::FolderKeyCase& c : test::kFolderKeyCases) {
    EXPECT_EQ(FolderKey(c.path), c.key) << std::string(c.path.begin(), c.path.end());
  }
  // A name of dots only is a name, inside a path as much as anywhere.
  EXPECT_EQ(FolderKey(U"C:\\a\\...\\b"), U"C:\\A\\...\\B");
}

TEST(TargetOverlap, LettersCompareAsWindowsComparesFileNames) {
  ASSERT_EQ(test::kLowerLetters.size(), test::kUpperLetters.size());
  for (std::size_t i = 0; i < test::kLowerLetters.size(); ++i) {
    SCOPED_TRACE(static_cast<unsigned>(test::kLowerLetters[i]));
    EXPECT_EQ(FolderKey(U"C:\\" + test::kLowerLetters.substr(i, 1)),
              U"C:\\" + test::kUpperLetters.substr(i, 1));
  }
}

}  // namespace
}  // namespace qv
