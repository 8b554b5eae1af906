#include "config/paths.h"

namespace qv {
namespace {

template <typename Char>
std::basic_string<Char> DirectoryPart(std::basic_string_view<Char> path) {
  const std::size_t last = path.rfind(Char('\\'));
  if (last == std::basic_string_view<Char>::npos) return {};
  return std::basic_string<Char>(path.substr(0, last + 1));
}

}  // namespace

std::string DirectoryOfPath(std::string_view path) { return DirectoryPart(path); }
std::wstring DirectoryOfPath(std::wstring_view path) { return DirectoryPart(path); }

}  // namespace qv
