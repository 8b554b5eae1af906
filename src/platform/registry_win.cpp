#include <windows.h>

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "common/coding.h"
#include "common/parse_int.h"
#include "platform/registry.h"

namespace qv {
namespace {

// Owns one key opened below a root; the predefined root keys themselves are never closed.
class RegKey {
 public:
  RegKey() = default;
  explicit RegKey(HKEY key) : key_(key) {}
  RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  RegKey& operator=(RegKey&& other) noexcept {
    if (this != &other) {
      Close();
      key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey() { Close(); }

  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }

 private:
  void Close() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
  }

  HKEY key_ = nullptr;
};

HKEY RootKeyFor(std::string name) {
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  struct Root {
    std::string_view name;
    HKEY key;
  };
  // HKEY_USERS and HKEY_PERFORMANCE_DATA are left out on purpose: they mean HKEY_CURRENT_USER.
  static const Root kRoots[] = {
      {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
      {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
      {"HKEY_DYN_DATA", HKEY_DYN_DATA},
  };
  for (const Root& root : kRoots) {
    if (name == root.name) return root.key;
  }
  return HKEY_CURRENT_USER;
}

// Opens the sub-keys of `path` one below the other; a component that starts with a backslash
// (the path had two in a row) is opened from the root instead. Read access is all we need, and
// asking for more would shut out accounts that may not write the key.
RegKey OpenPath(HKEY root, std::string path, REGSAM view) {
  RegKey open;
  while (!path.empty()) {
    std::string component = SplitFirstComponent(path);
    HKEY parent = open ? open.get() : root;
    if (component.front() == '\\') {
      parent = root;
      component.erase(0, 1);
    }
    HKEY next = nullptr;
    if (RegOpenKeyExA(parent, component.c_str(), 0, KEY_READ | view, &next) != ERROR_SUCCESS) {
      return RegKey();
    }
    open = RegKey(next);
  }
  return open;
}

// Reads the data again now that its size is known; a value that changed type or grew in between
// counts as unreadable.
bool ReadData(HKEY key, const char* name, DWORD expected_type, std::vector<BYTE>& data) {
  DWORD type = REG_NONE;
  DWORD size = static_cast<DWORD>(data.size());
  if (RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS ||
      type != expected_type) {
    return false;
  }
  data.resize(size);
  return true;
}

// Empty when the key holds no value of that name; a value that is there but unusable reads 0.
std::optional<std::int32_t> ReadValueAsInt(HKEY key, const char* name) {
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<BYTE> data(size);
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      if (size != 0 && !ReadData(key, name, type, data)) return 0;
      std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
      text = text.substr(0, text.find('\0'));
      return ParseIntDef(text, 0);
    }
    case REG_DWORD:
    case REG_BINARY:
      if (size != 4 || !ReadData(key, name, type, data) || data.size() != 4) return 0;
      return GetLE32(data.data());
    default:
      return 0;
  }
}

}  // namespace

std::int32_t ReadRegistryInt(const std::string& key_path, const std::string& value_name) {
  std::string path = key_path;
  const HKEY root = RootKeyFor(SplitFirstComponent(path));
  // On 64-bit Windows a 32-bit program sees HKLM\Software redirected to Wow6432Node, so a value
  // written by 64-bit reg.exe or regedit would go unseen. Both builds look in the 32-bit view
  // first, where a 32-bit installer writes, then in the 64-bit view.
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    const RegKey key = OpenPath(root, path, view);
    // With no sub-key opened the root itself is never searched.
    if (!key) continue;
    if (const auto value = ReadValueAsInt(key.get(), value_name.c_str())) return *value;
  }
  return 0;
}

}  // namespace qv
