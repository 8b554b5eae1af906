#pragma once
// Reading one integer setting from the Windows registry.
#include <cstdint>
#include <string>

namespace qv {

// Takes the first backslash-separated component off `path` and returns it. When the path has no
// backslash, or begins with one, the component is the whole path and the path becomes empty.
std::string SplitFirstComponent(std::string& path);

// `key_path` is a root name ("HKEY_LOCAL_MACHINE", ...) and sub-keys separated by backslashes.
// Gives the value as an int32 whatever its type, and 0 when nothing usable is there.
std::int32_t ReadRegistryInt(const std::string& key_path, const std::string& value_name);

}  // namespace qv
