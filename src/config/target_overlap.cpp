#include "config/target_overlap.h"

#include <unordered_map>

namespace qv {
namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSeparator(char32_t c) { return c == U'\\' || c == U'/'; }

// Windows compares file names by upper-casing them with its table; this is that table for the
// letters the supported code pages can spell (Latin, Greek, Cyrillic, full-width Latin).
char32_t UpperCase(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 32;
  if (c < 0x80) return c;
  if (c == 0xB5) return 0x39C;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    const bool odd_lower = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool even_lower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (odd_lower && c % 2 == 1) return c - 1;
    if (even_lower && c % 2 == 0) return c - 1;
    return c;
  }
  if (c == 0x192) return 0x191;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x3AC && c <= 0x3AF) return c == 0x3AC ? 0x386 : c - 37;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 63;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 32;
  return c;
}

// The target as Windows reads it: decoded where it decodes, else byte by byte (a byte then
// stands for itself, which cannot make two different folders look the same).
std::u32string Decoded(std::string_view bytes, const TargetDecoder& decode) {
  if (decode) {
    if (std::optional<std::u32string> text = decode(bytes)) return *text;
  }
  std::u32string wide;
  for (const char c : bytes) wide += static_cast<char32_t>(static_cast<unsigned char>(c));
  return wide;
}

}  // namespace

bool IsDriveLetterTarget(std::string_view target) {
  return target.size() >= 3 && IsAsciiLetter(target[0]) && target[1] == ':' &&
         IsSeparator(static_cast<unsigned char>(target[2]));
}

std::u32string FolderKey(std::u32string_view path) {
  // The drive, "C:", is the first part and is never left by "..".
  std::vector<std::u32string> parts{std::u32string(path.substr(0, 2))};
  std::u32string part;
  const auto close_part = [&] {
    if (part == U"..") {
      if (parts.size() > 1) parts.pop_back();
    } else {
      while (!part.empty() && (part.back() == U'.' || part.back() == U' ')) part.pop_back();
      if (!part.empty()) parts.push_back(part);
    }
    part.clear();
  };
  for (std::size_t i = 2; i < path.size(); ++i) {
    if (IsSeparator(path[i])) {
      close_part();
    } else {
      part += path[i];
    }
  }
  close_part();
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
    const std::string target = doc.tasks[i].Target();
    if (!IsDriveLetterTarget(target)) continue;
    keys[i] = FolderKey(Decoded(target, decode));
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
