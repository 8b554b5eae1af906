#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/parse_int.h"

// Whatever the text, an accepted number must be what strtoll reads back from the same digits.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::int32_t a = qv::ParseIntDef(text, 1);
  const std::int32_t b = qv::ParseIntDef(text, 2);
  if (a != b) return 0;  // default returned: unreadable text
  std::string s(text);
  std::size_t i = s.find_first_not_of(' ');
  if (i == std::string::npos) std::abort();
  s.erase(0, i);
  int base = 10;
  if (s[0] == '$' || s[0] == 'x' || s[0] == 'X') { s.erase(0, 1); base = 16; }
  else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) { s.erase(0, 2); base = 16; }
  if (s.empty() || s[0] == ' ' || (base == 16 && (s[0] == '+' || s[0] == '-'))) std::abort();
  if (s.find('\0') != std::string::npos) std::abort();
  char* end = nullptr;
  const long long v = std::strtoll(s.c_str(), &end, base);
  if (*end != '\0') std::abort();
  const std::int32_t expected = base == 16 ? static_cast<std::int32_t>(static_cast<std::uint32_t>(v))
                                           : static_cast<std::int32_t>(v);
  if (expected != a) std::abort();
  return 0;
}
