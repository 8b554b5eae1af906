#include "platform/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

std::vector<std::string> AllComponents(std::string path) {
  std::vector<std::string> components;
  while (!path.empty()) components.push_back(SplitFirstComponent(path));
  return components;
}

TEST(SplitFirstComponentTest, TakesTheTextBeforeTheFirstBackslash) {
  const struct {
    std::string path;
    std::string first;
    std::string rest;
  } cases[] = {
      {"HKEY_LOCAL_MACHINE\\Software\\Pelmorix", "HKEY_LOCAL_MACHINE", "Software\\Pelmorix"},
      {"a\\b", "a", "b"},
      {"Pelmorix", "Pelmorix", ""},
      {"Software\\", "Software", ""},
      {"A\\\\B\\C", "A", "\\B\\C"},
      {"AB\\\\", "AB", "\\"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    std::string path = c.path;
    EXPECT_EQ(SplitFirstComponent(path), c.first) << c.path;
    EXPECT_EQ(path, c.rest) << c.path;
  }
}

TEST(SplitFirstComponentTest, LeadingBackslashTakesTheWholePath) {
  for (const std::string whole : {"\\", "\\B", "\\B\\C", "\\\\B"}) {
    std::string path = whole;
    EXPECT_EQ(SplitFirstComponent(path), whole);
    EXPECT_EQ(path, "");
  }
}

TEST(SplitFirstComponentTest, DoubleBackslashLeavesTheRestInOnePiece) {
  EXPECT_EQ(AllComponents("HKCU\\Software\\X\\\\Software\\Y\\Z"),
            (std::vector<std::string>{"HKCU", "Software", "X", "\\Software\\Y\\Z"}));
  EXPECT_EQ(AllComponents("HKCU\\\\Software\\Y"),
            (std::vector<std::string>{"HKCU", "\\Software\\Y"}));
  EXPECT_EQ(AllComponents("HKLM\\Software\\Pelmorix"),
            (std::vector<std::string>{"HKLM", "Software", "Pelmorix"}));
}

}  // namespace
}  // namespace qv
