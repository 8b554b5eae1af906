// ReadRegistryInt against the real registry. Every key the tests write is named after the test
// process and removed again.
#include <windows.h>
#include <sddl.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace qv {
namespace {

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// A text as RegSetValueEx expects it, with its terminating zero.
std::string Text(const std::string& text) { return text + '\0'; }

std::string Dword(DWORD value) {
  return Bytes({static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)});
}

// The number of handles this process holds, from the system's handle list (Wine has no
// GetProcessHandleCount). The layout is that of SYSTEM_HANDLE_INFORMATION.
std::size_t OwnHandleCount() {
  struct Entry {
    ULONG owner_process_id;
    UCHAR object_type;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
  };
  struct Information {
    ULONG count;
    Entry entries[1];
  };
  constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
  constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
  std::vector<Information> buffer(1 << 12);
  for (;;) {
    const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(Information));
    ULONG needed = 0;
    const NTSTATUS status =
        NtQuerySystemInformation(kSystemHandleInformation, buffer.data(), size, &needed);
    if (status == kInfoLengthMismatch) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status < 0) {
      ADD_FAILURE() << "NtQuerySystemInformation failed: " << std::hex << status;
      return 0;
    }
    const Information& information = buffer.front();
    std::size_t own = 0;
    for (ULONG i = 0; i < information.count; ++i) {
      if (information.entries[i].owner_process_id == GetCurrentProcessId()) ++own;
    }
    return own;
  }
}

// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE get Software\<name>, the other roots <name> at
// their top.
class RegistryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) Remove(root, base_);
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA}) Remove(root, name_);
    const LONG result = RegDeleteValueA(HKEY_CURRENT_USER, name_.c_str());
    EXPECT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << result;
  }

  static void Remove(HKEY root, const std::string& sub_key) {
    const LONG result = RegDeleteTreeA(root, sub_key.c_str());
    EXPECT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND)
        << "removing " << sub_key << ": " << result;
  }

  // Creates root\sub_key where needed and sets one value in it.
  static void Set(HKEY root, const std::string& sub_key, const std::string& name, DWORD type,
                  const std::string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, sub_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS)
        << sub_key;
    EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS)
        << name;
    RegCloseKey(key);
  }

  std::string Hkcu(const std::string& below_base) const {
    return "HKEY_CURRENT_USER\\" + base_ + below_base;
  }

  const std::string name_ = "QuorvelRegistryTest-" + std::to_string(GetCurrentProcessId());
  const std::string base_ = "Software\\" + name_;
};

TEST_F(RegistryTest, EachValueTypeReadsAsAnInteger) {
  SetEnvironmentVariableA("QV_REGISTRY_TEST_NUMBER", "7");
  const struct {
    const char* name;
    DWORD type;
    std::string data;
    std::int32_t expected;
  } cases[] = {
      {"dword 1", REG_DWORD, Dword(1), 1},
      {"dword -2", REG_DWORD, Dword(0xFFFFFFFE), -2},
      {"dword of 2 bytes", REG_DWORD, Bytes({1, 0}), 0},
      {"dword of 8 bytes", REG_DWORD, Bytes({1, 0, 0, 0, 0, 0, 0, 0}), 0},
      {"binary 02 00 00 00", REG_BINARY, Bytes({2, 0, 0, 0}), 2},
      {"binary 04 03 02 01", REG_BINARY, Bytes({4, 3, 2, 1}), 0x01020304},
      {"binary FE FF FF FF", REG_BINARY, Bytes({0xFE, 0xFF, 0xFF, 0xFF}), -2},
      {"binary of 1 byte", REG_BINARY, Bytes({2}), 0},
      {"binary of 5 bytes", REG_BINARY, Bytes({2, 0, 0, 0, 0}), 0},
      {"binary of no bytes", REG_BINARY, "", 0},
      {"sz 2", REG_SZ, Text("2"), 2},
      {"sz blank 2", REG_SZ, Text(" 2"), 2},
      {"sz 2 blank", REG_SZ, Text("2 "), 0},
      {"sz $10", REG_SZ, Text("$10"), 16},
      {"sz -7", REG_SZ, Text("-7"), -7},
      {"sz two", REG_SZ, Text("two"), 0},
      {"sz empty", REG_SZ, Text(""), 0},
      {"sz of no bytes", REG_SZ, "", 0},
      {"sz without terminator", REG_SZ, "12", 12},
      {"sz cut at the first zero", REG_SZ, Text(std::string("12\0 x", 5)), 12},
      {"expand_sz 5", REG_EXPAND_SZ, Text("5"), 5},
      {"expand_sz not expanded", REG_EXPAND_SZ, Text("%QV_REGISTRY_TEST_NUMBER%"), 0},
      {"multi_sz", REG_MULTI_SZ, Text(Text("2")), 0},
      {"qword", REG_QWORD, Bytes({2, 0, 0, 0, 0, 0, 0, 0}), 0},
      {"dword big-endian", REG_DWORD_BIG_ENDIAN, Bytes({0, 0, 0, 2}), 0},
      {"none", REG_NONE, Bytes({2, 0, 0, 0}), 0},
  };
  for (const auto& c : cases) Set(HKEY_CURRENT_USER, base_ + "\\Values", c.name, c.type, c.data);
  for (const auto& c : cases) {
    EXPECT_EQ(ReadRegistryInt(Hkcu("\\Values"), c.name), c.expected) << c.name;
  }
  SetEnvironmentVariableA("QV_REGISTRY_TEST_NUMBER", nullptr);
}

TEST_F(RegistryTest, MissingKeyOrValueGivesZero) {
  Set(HKEY_CURRENT_USER, base_ + "\\Present", "Value", REG_DWORD, Dword(5));
  EXPECT_EQ(ReadRegistryInt(Hkcu("\\Present"), "Value"), 5);
  EXPECT_EQ(ReadRegistryInt(Hkcu("\\Present"), "Absent"), 0);
  EXPECT_EQ(ReadRegistryInt(Hkcu("\\Missing"), "Value"), 0);
  EXPECT_EQ(ReadRegistryInt(Hkcu("\\Missing\\Present"), "Value"), 0);
  EXPECT_EQ(ReadRegistryInt(Hkcu(""), "Value"), 0);
}

TEST_F(RegistryTest, RootNamesIgnoreCaseAndUnknownOnesMeanCurrentUser) {
  const struct {
    HKEY root;
    std::string sub_key;
    DWORD value;
  } roots[] = {
      {HKEY_CURRENT_USER, base_, 1}, {HKEY_LOCAL_MACHINE, base_, 2},
      {HKEY_CLASSES_ROOT, name_, 3}, {HKEY_CURRENT_CONFIG, name_, 4},
      {HKEY_DYN_DATA, name_, 5},
  };
  for (const auto& r : roots) Set(r.root, r.sub_key, "Root", REG_DWORD, Dword(r.value));

  const struct {
    std::string path;
    std::int32_t expected;
  } cases[] = {
      {"HKEY_CURRENT_USER\\" + base_, 1},
      {"hkey_current_user\\" + base_, 1},
      {"HKEY_LOCAL_MACHINE\\" + base_, 2},
      {"hkey_local_machine\\" + base_, 2},
      {"Hkey_Local_Machine\\" + base_, 2},
      {"HKEY_CLASSES_ROOT\\" + name_, 3},
      {"hkey_classes_root\\" + name_, 3},
      {"HKEY_CURRENT_CONFIG\\" + name_, 4},
      {"hKEY_cURRENT_cONFIG\\" + name_, 4},
      {"HKEY_DYN_DATA\\" + name_, 5},
      {"hkey_dyn_data\\" + name_, 5},
      // Not in the table: the first component is still used up, the walk goes on in
      // HKEY_CURRENT_USER.
      {"HKLM\\" + base_, 1},
      {"hklm\\" + base_, 1},
      {"HKEY_USERS\\" + base_, 1},
      {"HKEY_PERFORMANCE_DATA\\" + base_, 1},
      {"HKEY_LOCAL_MACHIN\\" + base_, 1},
      {"HKEY_CLASSES_ROOT\\" + base_, 0},
      // The whole path is one component when it starts with a backslash.
      {"\\" + base_, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadRegistryInt(c.path, "Root"), c.expected) << c.path;
}

TEST_F(RegistryTest, RootAloneIsNeverSearched) {
  const std::string value = Dword(7);
  ASSERT_EQ(RegSetValueExA(HKEY_CURRENT_USER, name_.c_str(), 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(value.data()), 4),
            ERROR_SUCCESS);
  for (const char* path :
       {"HKEY_CURRENT_USER", "hkey_current_user", "HKEY_CURRENT_USER\\", "HKCU", ""}) {
    EXPECT_EQ(ReadRegistryInt(path, name_), 0) << path;
  }
}

TEST_F(RegistryTest, DoubleBackslashOpensTheRestFromTheRoot) {
  Set(HKEY_CURRENT_USER, base_ + "\\Target", "N", REG_DWORD, Dword(11));
  // Where the rest would lead if it were opened below the key before the double backslash.
  Set(HKEY_CURRENT_USER, base_ + "\\Outer\\" + base_ + "\\Target", "N", REG_DWORD, Dword(22));
  Set(HKEY_LOCAL_MACHINE, base_ + "\\Target", "N", REG_DWORD, Dword(33));

  const struct {
    std::string path;
    std::int32_t expected;
  } cases[] = {
      {Hkcu("\\Outer\\\\" + base_ + "\\Target"), 11},
      {Hkcu("\\Outer\\" + base_ + "\\Target"), 22},
      {"HKEY_CURRENT_USER\\\\" + base_ + "\\Target", 11},
      {"HKEY_LOCAL_MACHINE\\Software\\\\" + base_ + "\\Target", 33},
      {"HKLM\\" + base_ + "\\Outer\\\\" + base_ + "\\Target", 11},
      {Hkcu("\\Outer\\\\Target"), 0},
      // A key that cannot be opened ends the walk before the double backslash is reached.
      {"HKEY_CURRENT_USER\\Missing-" + name_ + "\\\\" + base_ + "\\Target", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadRegistryInt(c.path, "N"), c.expected) << c.path;
}

// A standard user may read but not write HKEY_LOCAL_MACHINE; the same refusal, set up on a key
// of our own.
TEST_F(RegistryTest, KeyThatMayOnlyBeReadIsRead) {
  Set(HKEY_CURRENT_USER, base_ + "\\Locked", "N", REG_DWORD, Dword(6));
  Set(HKEY_CURRENT_USER, base_ + "\\Locked\\Inner", "N", REG_DWORD, Dword(5));
  PSECURITY_DESCRIPTOR read_and_delete = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
      "D:P(A;;KRSD;;;WD)", SDDL_REVISION_1, &read_and_delete, nullptr));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (base_ + "\\Locked").c_str(), 0, WRITE_DAC, &key),
            ERROR_SUCCESS);
  const LONG set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, read_and_delete);
  RegCloseKey(key);
  LocalFree(read_and_delete);
  ASSERT_EQ(set, ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (base_ + "\\Locked").c_str(), 0, KEY_ALL_ACCESS, &key),
            ERROR_ACCESS_DENIED);

  EXPECT_EQ(ReadRegistryInt(Hkcu("\\Locked"), "N"), 6);
  EXPECT_EQ(ReadRegistryInt(Hkcu("\\Locked\\Inner"), "N"), 5);
}

TEST_F(RegistryTest, EveryOpenedKeyIsClosed) {
  Set(HKEY_CURRENT_USER, base_ + "\\A\\B", "N", REG_DWORD, Dword(3));
  Set(HKEY_CURRENT_USER, base_ + "\\A\\B", "Text", REG_SZ, Text("4"));
  Set(HKEY_CURRENT_USER, base_ + "\\A\\B", "Multi", REG_MULTI_SZ, Text(Text("4")));
  Set(HKEY_LOCAL_MACHINE, base_, "N", REG_DWORD, Dword(8));
  const std::pair<std::string, const char*> reads[] = {
      {Hkcu("\\A\\B"), "N"},
      {Hkcu("\\A\\B"), "Text"},
      {Hkcu("\\A\\B"), "Multi"},
      {Hkcu("\\A\\B"), "Absent"},
      {Hkcu("\\A\\Missing"), "N"},
      {Hkcu("\\A\\\\" + base_ + "\\A\\B"), "N"},
      {"HKEY_LOCAL_MACHINE\\" + base_, "N"},
      {"HKEY_CURRENT_USER", "N"},
  };
  auto read_all = [&] {
    std::int32_t sum = 0;
    for (const auto& [path, name] : reads) sum += ReadRegistryInt(path, name);
    return sum;
  };
  // The first reads open the predefined root keys, which stay open for the process.
  ASSERT_EQ(read_all(), 3 + 4 + 3 + 8);
  const std::size_t before = OwnHandleCount();
  ASSERT_GT(before, 0u);
  for (int i = 0; i < 20; ++i) read_all();
  EXPECT_EQ(OwnHandleCount(), before);
}


// HKLM\Software has a 32-bit and a 64-bit view on 64-bit Windows. Writes name a view explicitly,
// so the cases mean the same in the i686 and the x86_64 build.
class RegistryViewTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      HKEY software = nullptr;
      ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS | view, &software),
                ERROR_SUCCESS);
      const LONG result = RegDeleteTreeA(software, name_.c_str());
      RegCloseKey(software);
      EXPECT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << result;
    }
  }

  void Set(REGSAM view, DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("Software\\" + name_).c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "LangIndex", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                             sizeof value),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  // Whether the two views are separate stores here (they are on 64-bit Windows and in a 64-bit
  // Wine prefix); a value written to one must then be missing from the other.
  bool ViewsAreSeparate() {
    Set(KEY_WOW64_64KEY, 9);
    HKEY key = nullptr;
    const LONG open = RegOpenKeyExA(HKEY_LOCAL_MACHINE, ("Software\\" + name_).c_str(), 0,
                                    KEY_READ | KEY_WOW64_32KEY, &key);
    if (open == ERROR_SUCCESS) RegCloseKey(key);
    TearDown();
    return open != ERROR_SUCCESS;
  }

  std::int32_t Read() { return ReadRegistryInt("HKEY_LOCAL_MACHINE\\Software\\" + name_, "LangIndex"); }

  const std::string name_ = "QuorvelViewTest-" + std::to_string(GetCurrentProcessId());
};

TEST_F(RegistryViewTest, ThirtyTwoBitViewFirstThenSixtyFourBitView) {
  ASSERT_TRUE(ViewsAreSeparate()) << "this prefix has a single registry view";
  Set(KEY_WOW64_32KEY, 1);
  EXPECT_EQ(Read(), 1) << "a value in the 32-bit view only";
  TearDown();

  Set(KEY_WOW64_64KEY, 2);
  EXPECT_EQ(Read(), 2) << "a value in the 64-bit view only";

  Set(KEY_WOW64_32KEY, 3);
  EXPECT_EQ(Read(), 3) << "different values in both views: the 32-bit view wins";
  TearDown();

  EXPECT_EQ(Read(), 0) << "no value in either view";
}

}  // namespace
}  // namespace qv
