#pragma once
// FNV-1a in 64 bits: a short, fixed name for a long text, such as a folder's full path in the
// name of the turn its editors and scripts take. Not for anything an attacker chooses.
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace qv {

// Each unit of `text` is mixed in as one value (a UTF-16 unit whole), so that the name stays the
// one every earlier build gave the same path; for bytes it is the standard FNV-1a.
template <typename Char>
constexpr std::uint64_t Fnv1a64(std::basic_string_view<Char> text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const Char c : text) {
    using Unit = std::make_unsigned_t<Char>;
    hash = (hash ^ static_cast<Unit>(c)) * 1099511628211ull;
  }
  return hash;
}

}  // namespace qv
