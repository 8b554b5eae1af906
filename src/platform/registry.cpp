#include "platform/registry.h"

namespace qv {

std::string SplitFirstComponent(std::string& path) {
  const std::size_t backslash = path.find('\\');
  if (backslash == std::string::npos || backslash == 0) {
    std::string whole = std::move(path);
    path.clear();
    return whole;
  }
  std::string first = path.substr(0, backslash);
  path.erase(0, backslash + 1);
  return first;
}

}  // namespace qv
