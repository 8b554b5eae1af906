// The portable folder key against Windows itself: the same spellings resolved by
// GetFullPathNameW, and every letter of every ANSI code page upper-cased by the system's table.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "config/folder_key_cases.h"
#include "config/target_overlap.h"

// The table Windows upper-cases file names with, as ntdll exports it.
extern "C" __declspec(dllimport) WCHAR NTAPI RtlUpcaseUnicodeChar(WCHAR c);

namespace qv::test {
namespace {

std::wstring Wide(std::u32string_view text) { return std::wstring(text.begin(), text.end()); }

// What Windows makes of `path`, in the form of a folder key: resolved, one separator after the
// drive's root only, upper-cased by the file-name table.
std::wstring WindowsKey(std::u32string_view path) {
  wchar_t full[MAX_PATH];
  const DWORD n = GetFullPathNameW(Wide(path).c_str(), MAX_PATH, full, nullptr);
  std::wstring key(full, n < MAX_PATH ? n : 0);
  if (key.size() > 3 && key.back() == L'\\') key.pop_back();
  for (wchar_t& c : key) c = RtlUpcaseUnicodeChar(c);
  return key;
}

TEST(FolderKeyOnWindows, ResolvesAsWindowsDoes) {
  for (const FolderKeyCase& c : kFolderKeyCases) {
    SCOPED_TRACE(testing::PrintToString(Wide(c.path)));
    EXPECT_EQ(WindowsKey(c.path), Wide(c.key));
    EXPECT_EQ(Wide(FolderKey(c.path)), Wide(c.key));
  }
}

TEST(FolderKeyOnWindows, TheLetterTableIsWindows) {
  for (std::size_t i = 0; i < kLowerLetters.size(); ++i) {
    EXPECT_EQ(RtlUpcaseUnicodeChar(static_cast<WCHAR>(kLowerLetters[i])),
              static_cast<WCHAR>(kUpperLetters[i]))
        << static_cast<unsigned>(kLowerLetters[i]);
  }
}

// The characters a code page spells, single bytes and, where it has them, lead and trail pairs.
std::vector<wchar_t> CharactersOf(UINT code_page) {
  std::vector<wchar_t> found;
  const auto add = [&](const char* bytes, int size) {
    wchar_t wide[2];
    if (MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes, size, wide, 2) == 1) {
      found.push_back(wide[0]);
    }
  };
  CPINFO info;
  if (!GetCPInfo(code_page, &info)) return found;
  for (int b = 0x80; b < 0x100; ++b) {
    const char one[] = {static_cast<char>(b)};
    if (!IsDBCSLeadByteEx(code_page, static_cast<BYTE>(b))) {
      add(one, 1);
      continue;
    }
    for (int t = 0x40; t < 0x100; ++t) {
      const char two[] = {static_cast<char>(b), static_cast<char>(t)};
      add(two, 2);
    }
  }
  return found;
}

// Every letter a target can hold in any ANSI code page of Windows folds as the system folds it.
TEST(FolderKeyOnWindows, EveryLetterOfTheAnsiCodePagesFoldsAsWindowsFoldsIt) {
  for (const UINT page : {874u, 932u, 936u, 949u, 950u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u,
                          1256u, 1257u, 1258u}) {
    const std::vector<wchar_t> characters = CharactersOf(page);
    EXPECT_GT(characters.size(), 100u) << page;
    for (const wchar_t c : characters) {
      const std::u32string key = FolderKey(U"C:\\" + std::u32string(1, c));
      ASSERT_EQ(key.size(), 4u) << page << " " << static_cast<unsigned>(c);
      EXPECT_EQ(key[3], static_cast<char32_t>(RtlUpcaseUnicodeChar(c)))
          << page << " " << static_cast<unsigned>(c);
    }
  }
}

}  // namespace
}  // namespace qv::test
