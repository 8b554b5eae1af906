#include "config/target_overlap.h"

#include <unordered_map>

#include "config/drive_path.h"

namespace qv {
namespace {

bool IsSeparator(char32_t c) { return c == U'\\' || c == U'/'; }

// Windows compares file names by upper-casing them with its own table, which is not Unicode's
// (it leaves "ς", "µ" and "ı" alone). These are its rows for every letter that an ANSI code page
// of Windows can spell, held against the system's own by a test of the Windows build.
struct CaseRow {
  char32_t first, last;
  int delta;      // from the lower to the upper case
  char32_t step;  // 2 where lower and upper case letters alternate
};
constexpr CaseRow kUpperCase[] = {
    {0x0061, 0x007A, -32, 1}, {0x00E0, 0x00F6, -32, 1},   {0x00F8, 0x00FE, -32, 1},
    {0x00FF, 0x00FF, 121, 1}, {0x0101, 0x012F, -1, 2},    {0x0133, 0x0137, -1, 2},
    {0x013A, 0x0148, -1, 2},  {0x014B, 0x0177, -1, 2},    {0x017A, 0x017E, -1, 2},
    {0x0192, 0x0192, -1, 1},  {0x01A1, 0x01A1, -1, 1},    {0x01B0, 0x01B0, -1, 1},
    {0x01CE, 0x01DC, -1, 2},  {0x0251, 0x0251, 10780, 1}, {0x0261, 0x0261, 42315, 1},
    {0x03AC, 0x03AC, -38, 1}, {0x03AD, 0x03AF, -37, 1},   {0x03B1, 0x03C1, -32, 1},
    {0x03C3, 0x03CB, -32, 1}, {0x03CC, 0x03CC, -64, 1},   {0x03CD, 0x03CE, -63, 1},
    {0x0430, 0x044F, -32, 1}, {0x0450, 0x045F, -80, 1},   {0x0491, 0x0491, -1, 1},
    {0x2170, 0x2179, -16, 1}, {0x24D0, 0x24E9, -26, 1},   {0xFF41, 0xFF5A, -32, 1},
};

char32_t UpperCase(char32_t c) {
  for (const CaseRow& row : kUpperCase) {
    if (c < row.first) break;
    if (c <= row.last && (c - row.first) % row.step == 0) {
      return static_cast<char32_t>(static_cast<int>(c) + row.delta);
    }
  }
  return c;
}

bool AllDots(std::u32string_view name) {
  return name.find_first_not_of(U'.') == std::u32string_view::npos;
}

}  // namespace

std::u32string DecodedTarget(std::string_view bytes, const TargetDecoder& decode) {
  if (decode) {
    if (std::optional<std::u32string> text = decode(bytes)) return *text;
  }
  std::u32string wide;
  for (const char c : bytes) wide += static_cast<char32_t>(static_cast<unsigned char>(c));
  return wide;
}

std::u32string FolderKey(std::u32string_view path) {
  // The drive, "C:", is the first part and is never left by "..".
  std::vector<std::u32string> parts{std::u32string(path.substr(0, 2))};
  std::u32string part;
  // Windows drops the one dot that ends a folder name followed by a separator ("a.\b" is "a\b"),
  // but a name of dots only is a name; the last name of a path that does not end in a separator
  // loses every dot and blank at its end, so "a \b" and "a\b" are two folders.
  const auto close_part = [&](bool last) {
    if (part == U"..") {
      if (parts.size() > 1) parts.pop_back();
    } else if (part != U".") {
      if (last) {
        while (!part.empty() && (part.back() == U'.' || part.back() == U' ')) part.pop_back();
      } else if (!part.empty() && part.back() == U'.' && !AllDots(part)) {
        part.pop_back();
      }
      if (!part.empty()) parts.push_back(part);
    }
    part.clear();
  };
  for (std::size_t i = 2; i < path.size(); ++i) {
    if (IsSeparator(path[i])) {
      close_part(false);
    } else {
      part += path[i];
    }
  }
  close_part(true);
  std::u32string key;
  for (const std::u32string& p : parts) {
    if (!key.empty()) key += U'\\';
    for (const char32_t c : p) key += UpperCase(c);
  }
  if (parts.size() == 1) key += U'\\';
  return key;
}

std::vector<TargetOverlap> FindTargetOverlaps(const ConfigDocument& doc,
                                              const TargetDecoder& decode) {
  std::vector<TargetOverlap> found;
  std::vector<std::u32string> keys(doc.tasks.size());
  std::unordered_map<std::u32string, std::size_t> owner;
  for (std::size_t i = 0; i < doc.tasks.size(); ++i) {
    const std::u32string target = DecodedTarget(doc.tasks[i].Target(), decode);
    if (!IsFullDrivePath(target)) continue;
    keys[i] = FolderKey(target);
    const auto [first, inserted] = owner.emplace(keys[i], i);
    if (!inserted) found.push_back({i, OverlapKind::kSameFolder, first->second});
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const std::u32string& key = keys[i];
    // Each folder above this one, outermost first: "C:\", "C:\A", "C:\A\B", ...
    for (std::size_t p = 2; p < key.size(); ++p) {
      if (key[p] != U'\\') continue;
      const auto around = owner.find(key.substr(0, p == 2 ? 3 : p));
      if (around == owner.end() || around->second == i || around->first == key) continue;
      found.push_back({i, OverlapKind::kInside, around->second});
      break;
    }
  }
  return found;
}

}  // namespace qv
