#include "config/config_store.h"
#include "config/store_fixture.h"

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>

#include <algorithm>
#include <climits>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "config/config_file.h"
#include "config/config_store_steps.h"
#include "config/image_fixture.h"
#include "config/win_files.h"

namespace qv::test {
namespace {

using Names = std::vector<std::wstring>;

const SettingsFields kSettings{"sync.example", 8910, "operator", "0123456789abcdefghijklmnopqrstu",
                             30, 512};

std::vector<TaskFields> ManyTasks(int count) {
  std::vector<TaskFields> tasks;
  for (int i = 0; i < count; ++i) {
    tasks.push_back({"Task" + std::to_string(i), "/srv/share/" + std::to_string(i),
                     "C:\\Data\\" + std::to_string(i * 7)});
  }
  return tasks;
}

std::size_t NoPausesExpected(std::uint32_t) {
  ADD_FAILURE() << "the loader paused";
  return 0;
}

LoadResult Load(const std::wstring& dir, ConfigDocument& doc) {
  return LoadConfigWith(dir, doc, [](std::uint32_t ms) { NoPausesExpected(ms); });
}

void ExpectSameContent(const ConfigDocument& actual, const ConfigDocument& expected) {
  EXPECT_EQ(actual.settings.bytes, expected.settings.bytes);
  ASSERT_EQ(actual.tasks.size(), expected.tasks.size());
  for (std::size_t i = 0; i < actual.tasks.size(); ++i) {
    ASSERT_EQ(actual.tasks[i].bytes, expected.tasks[i].bytes) << "task " << i;
  }
}

TEST(SaveConfig, WritesTheLayoutAndLoadConfigReadsItBack) {
  for (int count : {0, 3, 4000}) {  // 4000 tasks take several writes
    TempDir dir;
    const ConfigDocument doc = DocumentOf(kSettings, ManyTasks(count));
    const SaveResult result = SaveInTurn(dir.path(), doc);
    ASSERT_TRUE(result.ok) << count;
    EXPECT_EQ(result.error, L"");
    const std::vector<std::uint8_t> bytes = ReadBytes(dir / L"CONFIGS.DAT");
    EXPECT_EQ(bytes.size(), 1032u + 544u * count);
    EXPECT_EQ(bytes, MakeImage(kSettings, ManyTasks(count)).bytes) << count;
    EXPECT_EQ(dir.Names(), Names{L"CONFIGS.DAT"});

    ConfigDocument loaded;
    Load(dir.path(), loaded);
    ExpectSameContent(loaded, doc);
    EXPECT_FALSE(loaded.modified());
  }
}

TEST(SaveConfig, ReplacesAnExistingFileCompletely) {
  TempDir dir;
  ASSERT_TRUE(SaveInTurn(dir.path(), DocumentOf(kSettings, ManyTasks(50))).ok);
  const ConfigDocument smaller = DocumentOf(SettingsFields{}, SampleTasks());
  ASSERT_TRUE(SaveInTurn(dir.path(), smaller).ok);
  EXPECT_EQ(ReadBytes(dir / L"CONFIGS.DAT"), MakeImage(SettingsFields{}, SampleTasks()).bytes);
  EXPECT_EQ(dir.Names(), Names{L"CONFIGS.DAT"});
}

TEST(SaveConfig, KeepsTheBytesAfterShortStringsThatALoadBroughtIn) {
  TempDir dir;
  Image image = MakeImage(kSettings, SampleTasks());
  image.bytes[8 + 1 + 40] = 0x5A;          // inside the host field, after its characters
  image.bytes[1032 + 544 + 300] = 0xA5;    // inside task 1's target field
  ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT", image.bytes));
  ConfigDocument doc;
  Load(dir.path(), doc);
  ASSERT_TRUE(SaveInTurn(dir.path(), doc).ok);
  EXPECT_EQ(ReadBytes(dir / L"CONFIGS.DAT"), image.bytes);
}

TEST(SaveConfig, WorksInAFolderOutsideTheAnsiCodePage) {
  TempDir dir(L"-\u914D\u7F6E-\u0416\u0436-\u05D0");
  ASSERT_NE(GetFileAttributesW(dir.path().c_str()), INVALID_FILE_ATTRIBUTES);
  const ConfigDocument doc = DocumentOf(kSettings, SampleTasks());
  ASSERT_TRUE(SaveInTurn(dir.path(), doc).ok);
  ConfigDocument loaded;
  LoadConfig(dir.path(), loaded);
  ExpectSameContent(loaded, doc);
}

struct LoadCase {
  const char* what;
  Image image;
  std::size_t tasks;
  bool settings_from_file;
};

TEST(LoadConfig, FilesFromOtherWritersAndDamagedFiles) {
  Image count_beyond = MakeImage(kSettings, SampleTasks());
  count_beyond.Truncate(1032 + 544);
  Image lower_case = MakeImage(kSettings, SampleTasks());
  lower_case.bytes[0] = 'r';
  Image letters_only = MakeImage(kSettings, {});
  letters_only.Truncate(7);
  Image short_settings = MakeImage(kSettings, SampleTasks());
  short_settings.Truncate(60);
  Image no_file;

  const LoadCase cases[] = {
      {"R = 600", MakeImage(kSettings, SampleTasks(), 600), 3, true},
      {"R = 288", MakeImage(kSettings, SampleTasks(), 288), 3, true},
      {"count beyond the data", count_beyond, 3, true},
      {"lower-case signature", lower_case, 0, false},
      {"the signature's letters alone", letters_only, 0, false},
      {"cut inside the settings", short_settings, 0, false},
      {"the 1032-byte file of an empty list", MakeImage(kSettings, {}), 0, true},
      {"zero bytes", no_file, 0, false},
  };
  for (const LoadCase& c : cases) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT", c.image.bytes));
    ConfigDocument doc;
    Load(dir.path(), doc);
    ASSERT_EQ(doc.tasks.size(), c.tasks) << c.what;
    EXPECT_EQ(doc.settings.Port(), c.settings_from_file ? 8910 : 891) << c.what;
    EXPECT_EQ(doc.settings.Password(), c.settings_from_file ? kSettings.password : "") << c.what;
    EXPECT_FALSE(doc.modified()) << c.what;
  }
}

TEST(LoadConfig, RecordSizesOtherThan544SaveBackAs544) {
  for (std::size_t record_size : {600u, 288u}) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT", MakeImage(kSettings, SampleTasks(), record_size).bytes));
    ConfigDocument doc;
    Load(dir.path(), doc);
    ASSERT_EQ(doc.tasks.size(), 3u);
    EXPECT_EQ(doc.tasks[1].Name(), "Beta");
    EXPECT_EQ(doc.tasks[1].Target(), record_size == 600 ? "D:\\Docs" : "");
    ASSERT_TRUE(SaveInTurn(dir.path(), doc).ok);
    std::vector<TaskFields> expected = SampleTasks();
    if (record_size == 288) {
      for (TaskFields& t : expected) t.target.clear();
    }
    EXPECT_EQ(ReadBytes(dir / L"CONFIGS.DAT"), MakeImage(kSettings, expected).bytes) << record_size;
  }
}

TEST(LoadConfig, AMissingFileIsNotWaitedFor) {
  TempDir dir;
  ConfigDocument doc;
  Load(dir.path(), doc);  // no pause: the file's absence is seen before any attempt
  EXPECT_TRUE(doc.tasks.empty());
  ASSERT_TRUE(CreateDirectoryW((dir / L"CONFIGS.DAT").c_str(), nullptr));
  Load(dir.path(), doc);
  EXPECT_EQ(doc.settings.bytes, SettingsRecord::Defaults().bytes);
}

TEST(LoadConfig, RetriesWhileAWriterHoldsTheFile) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT", MakeImage(kSettings, SampleTasks()).bytes));
  Holder writer(dir / L"CONFIGS.DAT", GENERIC_WRITE, 0);
  ASSERT_TRUE(writer.open());
  std::vector<std::uint32_t> pauses;
  ConfigDocument doc;
  LoadConfigWith(dir.path(), doc, [&](std::uint32_t ms) {
    pauses.push_back(ms);
    if (pauses.size() == 2) writer.Close();
  });
  EXPECT_EQ(pauses, (std::vector<std::uint32_t>{100, 100}));
  EXPECT_EQ(doc.tasks.size(), 3u);
}

TEST(LoadConfig, ReportsWhatItFound) {
  // Past the memory bound: one-byte records, each of which would become a 544-byte task.
  Image bytes_as_tasks = MakeImage(kSettings, {});
  bytes_as_tasks.bytes.resize(100000, 0x41);
  bytes_as_tasks.Put32(1024, 1);
  bytes_as_tasks.Put32(1028, INT_MAX);
  const std::size_t bound = (2 * 100000 + (std::size_t{38} << 20)) / 544;
  Image lower_case = MakeImage(kSettings, SampleTasks());
  lower_case.bytes[0] = 'r';
  Image count_beyond = MakeImage(kSettings, SampleTasks());
  count_beyond.Put32(1028, 5);
  const Image whole = MakeImage(kSettings, SampleTasks());
  const Image no_bytes;

  struct Case {
    const char* what;
    const Image* image;  // nullptr: no file
    bool folder;         // a folder named CONFIGS.DAT instead
    LoadStatus status;
    bool not_loaded;  // saving over it would lose or invent data
    std::size_t tasks, in_data;
    bool settings_from_file;
  } cases[] = {
      {"no file", nullptr, false, LoadStatus::kMissing, false, 0, 0, false},
      {"a folder of that name", nullptr, true, LoadStatus::kUnreadable, true, 0, 0, false},
      {"zero bytes", &no_bytes, false, LoadStatus::kForeign, true, 0, 0, false},
      {"lower-case signature", &lower_case, false, LoadStatus::kForeign, true, 0, 0, false},
      {"count beyond the data", &count_beyond, false, LoadStatus::kLoaded, true, 5, 3, true},
      {"whole file", &whole, false, LoadStatus::kLoaded, false, 3, 3, true},
      {"records past the bound", &bytes_as_tasks, false, LoadStatus::kCut, true, bound,
       100000 - 1032, true},
  };
  for (const Case& c : cases) {
    TempDir dir;
    if (c.image != nullptr) {
      ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT", c.image->bytes));
    }
    if (c.folder) {
      ASSERT_TRUE(CreateDirectoryW((dir / L"CONFIGS.DAT").c_str(), nullptr));
    }
    ConfigDocument doc;
    const LoadResult result = Load(dir.path(), doc);
    EXPECT_EQ(result.status, c.status) << c.what;
    EXPECT_EQ(result.loss.Any(), c.not_loaded) << c.what;
    EXPECT_EQ(doc.tasks.size(), c.tasks) << c.what;
    EXPECT_EQ(result.report.tasks_loaded, c.tasks) << c.what;
    EXPECT_EQ(result.report.records_in_data, c.in_data) << c.what;
    EXPECT_EQ(result.report.signature_ok, c.settings_from_file) << c.what;
    EXPECT_EQ(doc.settings.Port(), c.settings_from_file ? 8910 : 891) << c.what;
    EXPECT_EQ(doc.settings.Password(), c.settings_from_file ? kSettings.password : "") << c.what;
  }
}

// Takes all of the 32-bit address space but `left` bytes, so that larger allocations fail.
class AddressSpaceHog {
 public:
  explicit AddressSpaceHog(std::size_t left) {
    void* kept = VirtualAlloc(nullptr, left, MEM_RESERVE, PAGE_NOACCESS);
    for (std::size_t size = std::size_t{1} << 30; size >= (std::size_t{64} << 10); size /= 2) {
      while (void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) {
        blocks_.push_back(block);
      }
    }
    if (kept != nullptr) VirtualFree(kept, 0, MEM_RELEASE);
  }
  ~AddressSpaceHog() {
    for (void* block : blocks_) VirtualFree(block, 0, MEM_RELEASE);
  }
  AddressSpaceHog(const AddressSpaceHog&) = delete;
  AddressSpaceHog& operator=(const AddressSpaceHog&) = delete;

 private:
  std::vector<void*> blocks_;
};

TEST(LoadConfig, AFileIsCutToWhatMemoryHoldsRatherThanDropped) {
  if (sizeof(void*) != 4) GTEST_SKIP() << "address space runs out only in the 32-bit build";
  TempDir dir;
  Image image = MakeImage(kSettings, {});
  image.bytes.resize(1032 + 200000);
  for (std::size_t i = 1032; i < image.bytes.size(); ++i) {
    image.bytes[i] = static_cast<std::uint8_t>(i % 251);
  }
  image.Put32(1024, 1);
  image.Put32(1028, INT_MAX);
  ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT", image.bytes));
  // The bound allows about 40 MB of tasks; 24 MB of address space is left.
  const std::size_t bound = (2 * image.bytes.size() + (std::size_t{38} << 20)) / 544;
  ConfigDocument doc;
  LoadResult result;
  {
    const AddressSpaceHog hog(std::size_t{24} << 20);
    result = Load(dir.path(), doc);
  }
  std::cout << "[ observed ] " << doc.tasks.size() << " of " << bound << " tasks loaded\n";
  EXPECT_EQ(result.status, LoadStatus::kCut);
  EXPECT_TRUE(result.report.cut_at_bound);
  ASSERT_GT(doc.tasks.size(), 0u);
  EXPECT_LT(doc.tasks.size(), bound);
  bool halved = false;
  for (std::size_t n = bound / 2; n > 0; n /= 2) halved = halved || n == doc.tasks.size();
  EXPECT_TRUE(halved) << doc.tasks.size();
  EXPECT_EQ(doc.settings.Port(), 8910);
  EXPECT_EQ(doc.settings.Password(), kSettings.password);
  for (std::size_t t = 0; t < doc.tasks.size(); t += 997) {
    ASSERT_EQ(doc.tasks[t].bytes[0], image.bytes[1032 + t]) << t;
    ASSERT_EQ(doc.tasks[t].bytes[1], 0) << t;
  }
}

TEST(LoadConfig, AFileHeldPastTheRetriesIsUnreadable) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT", MakeImage(kSettings, SampleTasks()).bytes));
  Holder writer(dir / L"CONFIGS.DAT", GENERIC_WRITE, 0);
  ASSERT_TRUE(writer.open());
  int pauses = 0;
  ConfigDocument doc;
  const LoadResult result = LoadConfigWith(dir.path(), doc, [&](std::uint32_t) { ++pauses; });
  EXPECT_EQ(pauses, 10);
  EXPECT_EQ(result.status, LoadStatus::kUnreadable);
  EXPECT_TRUE(result.loss.Any());
  EXPECT_TRUE(doc.tasks.empty());
}

// ---- What an interrupted save left: the files of ours beside CONFIGS.DAT.

std::wstring SaveFileName(const char* token) {
  return L"CONFIGS.DAT.~qv" + std::wstring(token, token + 16) + L".tmp";
}

void SetWriteTime(const std::wstring& path, std::uint64_t hundred_ns) {
  const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME time{static_cast<DWORD>(hundred_ns), static_cast<DWORD>(hundred_ns >> 32)};
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
  CloseHandle(file);
}

TEST(LoadConfig, LeavesWhatAnInterruptedSaveLeftAsItIs) {
  const std::vector<std::uint8_t> older = MakeImage(kSettings, ManyTasks(3)).bytes;
  const std::vector<std::uint8_t> newer = MakeImage(kSettings, ManyTasks(4)).bytes;
  std::vector<std::uint8_t> part_written = MakeImage(kSettings, ManyTasks(6)).bytes;
  part_written.resize(part_written.size() - 100);
  const std::uint64_t t0 = 133000000000000000ull;  // a time in 2022
  struct File {
    std::wstring name;
    const std::vector<std::uint8_t>* bytes;
    std::uint64_t time;
  };
  struct Case {
    const char* what;
    std::vector<File> files;
  } cases[] = {
      {"one whole file, old", {{SaveFileName("0000000100000001"), &older, t0}}},
      {"a part-written newest and a whole older one",
       {{SaveFileName("00000001000000aa"), &part_written, t0 + 20000000},
        {SaveFileName("00000001000000bb"), &older, t0}}},
      {"the user's own names", {{L"CONFIGS.DAT.tmp", &newer, t0}, {L"CONFIGS.DAT.bak", &newer, t0}}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    for (const File& f : c.files) {
      ASSERT_TRUE(WriteBytes(dir / f.name, *f.bytes));
      SetWriteTime(dir / f.name, f.time);
    }
    const std::vector<std::wstring> names_before = dir.Names();
    ConfigDocument doc;
    const LoadResult result = Load(dir.path(), doc);
    EXPECT_EQ(result.status, LoadStatus::kMissing) << c.what;
    EXPECT_TRUE(doc.tasks.empty()) << c.what;
    EXPECT_EQ(dir.Names(), names_before) << c.what;
    for (const File& f : c.files) {
      EXPECT_EQ(ReadBytes(dir / f.name), *f.bytes) << c.what;
    }
    // The next save removes every file of ours and leaves the user's own.
    ASSERT_TRUE(SaveInTurn(dir.path(), doc).ok) << c.what;
    for (const std::wstring& name : dir.Names()) {
      EXPECT_FALSE(IsSaveFileName(name)) << c.what;
    }
  }
}

TEST(LoadConfig, AFileOfOursBesideCONFIGSDATIsNotLoaded) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT", MakeImage(kSettings, ManyTasks(2)).bytes));
  ASSERT_TRUE(WriteBytes(dir / SaveFileName("0000000100000001"), MakeImage(kSettings, ManyTasks(7)).bytes));
  ConfigDocument doc;
  EXPECT_EQ(Load(dir.path(), doc).status, LoadStatus::kLoaded);
  EXPECT_EQ(doc.tasks.size(), 2u);
  EXPECT_EQ(dir.Names().size(), 2u);
}

// ---- Failed saves: CONFIGS.DAT keeps its old bytes or gets all the new ones, nothing else.

class SaveOutcome {
 public:
  SaveOutcome(const TempDir& dir, const std::vector<std::uint8_t>& old_bytes,
              const std::vector<std::uint8_t>& new_bytes)
      : dir_(dir), old_(old_bytes), new_(new_bytes) {}

  // "old", "new", "missing" or "other".
  std::string Content() const {
    bool exists = false;
    const std::vector<std::uint8_t> bytes = ReadBytes(dir_ / L"CONFIGS.DAT", &exists);
    if (!exists) return "missing";
    if (bytes == old_) return "old";
    if (bytes == new_) return "new";
    return "other";
  }

 private:
  const TempDir& dir_;
  std::vector<std::uint8_t> old_, new_;
};

TEST(SaveConfig, AReadOnlyFileIsNotReplaced) {
  TempDir dir;
  const std::vector<std::uint8_t> old_bytes = MakeImage(kSettings, SampleTasks()).bytes;
  ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT", old_bytes));
  ASSERT_TRUE(SetFileAttributesW((dir / L"CONFIGS.DAT").c_str(), FILE_ATTRIBUTE_READONLY));
  const SaveResult result = SaveInTurn(dir.path(), DocumentOf(kSettings, ManyTasks(5)));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, L"Cannot create file " + dir.path() + L"CONFIGS.DAT");
  EXPECT_EQ(ReadBytes(dir / L"CONFIGS.DAT"), old_bytes);
  EXPECT_EQ(dir.Names(), Names{L"CONFIGS.DAT"});
}

constexpr SECURITY_INFORMATION kDescriptorParts =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

std::wstring DescriptorText(std::vector<std::uint8_t> descriptor);

// The owner, group and DACL of a file, by its path or an open handle, as text; empty when they
// cannot be read.
std::wstring DescriptorText(const std::wstring& path) {
  DWORD needed = 0;
  GetFileSecurityW(path.c_str(), kDescriptorParts, nullptr, 0, &needed);
  std::vector<std::uint8_t> descriptor(needed);
  if (needed == 0 ||
      !GetFileSecurityW(path.c_str(), kDescriptorParts, descriptor.data(), needed, &needed)) {
    return {};
  }
  return DescriptorText(std::move(descriptor));
}

std::wstring DescriptorText(HANDLE file) {
  DWORD needed = 0;
  GetKernelObjectSecurity(file, kDescriptorParts, nullptr, 0, &needed);
  std::vector<std::uint8_t> descriptor(needed);
  if (needed == 0 ||
      !GetKernelObjectSecurity(file, kDescriptorParts, descriptor.data(), needed, &needed)) {
    return {};
  }
  return DescriptorText(std::move(descriptor));
}

std::wstring DescriptorText(std::vector<std::uint8_t> descriptor) {
  constexpr SECURITY_INFORMATION kWhat = kDescriptorParts;
  wchar_t* text = nullptr;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.data(), SDDL_REVISION_1,
                                                            kWhat, &text, nullptr)) {
    return {};
  }
  std::wstring result = text;
  LocalFree(text);
  return result;
}

TEST(SaveConfig, KeepsTheAttributesAndTheDescriptorOfTheFileItReplaces) {
  // An owner-only file, hidden and system as an installer may leave it; and a plain one.
  struct Case {
    const wchar_t* descriptor;
    DWORD attributes;
  } cases[] = {
      {L"O:BAG:BAD:P(A;;FA;;;BA)", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                       FILE_ATTRIBUTE_ARCHIVE},
      {L"O:BAG:SYD:P(A;;FA;;;BA)(A;;FR;;;SY)(A;;FR;;;WD)", FILE_ATTRIBUTE_ARCHIVE},
      {nullptr, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::wstring path = dir / L"CONFIGS.DAT";
    ASSERT_TRUE(WriteBytes(path, MakeImage(kSettings, ManyTasks(2)).bytes));
    if (c.descriptor != nullptr) {
      PSECURITY_DESCRIPTOR descriptor = nullptr;
      ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
          c.descriptor, SDDL_REVISION_1, &descriptor, nullptr));
      ASSERT_TRUE(SetFileSecurityW(path.c_str(),
                                   OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                       DACL_SECURITY_INFORMATION,
                                   descriptor));
      LocalFree(descriptor);
    }
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), c.attributes));
    const std::wstring before = DescriptorText(path);
    ASSERT_FALSE(before.empty());
    ConfigDocument doc;
    ASSERT_EQ(Load(dir.path(), doc).status, LoadStatus::kLoaded);
    doc.SetHost("changed.example");
    // The save's own file is seen as its first byte goes out: it holds the password from then on.
    SaveSteps steps = SaveSteps::Platform();
    std::wstring at_first_write;
    steps.write = [&, real = steps.write](FileHandle file, const std::uint8_t* data,
                                          std::size_t size, std::size_t& written) {
      if (at_first_write.empty()) at_first_write = DescriptorText(reinterpret_cast<HANDLE>(file));
      return real(file, data, size, written);
    };
    ASSERT_TRUE(SaveInTurnWith(steps, dir.path(), doc).ok);
    EXPECT_EQ(at_first_write, before);
    EXPECT_EQ(GetFileAttributesW(path.c_str()), c.attributes);
    EXPECT_EQ(DescriptorText(path), before);
    ConfigDocument again;
    ASSERT_EQ(Load(dir.path(), again).status, LoadStatus::kLoaded);
    EXPECT_EQ(again.settings.Host(), "changed.example");
    EXPECT_EQ(dir.Names(), Names{L"CONFIGS.DAT"});
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST(SaveConfig, AMissingFolderGivesTheCreateError) {
  TempDir dir;
  const std::wstring missing = dir / L"no-such-folder\\";
  const SaveResult result = SaveInTurn(missing, DocumentOf(kSettings, SampleTasks()));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, L"Cannot create file " + missing + L"CONFIGS.DAT");
  EXPECT_TRUE(dir.Names().empty());
}

TEST(SaveConfig, LeavesTheUsersOwnFilesAlone) {
  TempDir dir;
  const std::vector<std::uint8_t> theirs = MakeImage(SettingsFields{}, SampleTasks()).bytes;
  const Names own = {L"CONFIGS.DAT.bak", L"CONFIGS.DAT.tmp", L"CONFIGS.DAT.~qv0123456789abcde.tmp",
                     L"CONFIGS.DAT.~qv0123456789abcdeg.tmp", L"CONFIGS.DAT.~qv0123456789abcdef.bak"};
  for (const std::wstring& name : own) ASSERT_TRUE(WriteBytes(dir / name, theirs));
  const ConfigDocument doc = DocumentOf(kSettings, ManyTasks(5));
  for (int save = 0; save < 2; ++save) {
    ASSERT_TRUE(SaveInTurn(dir.path(), doc).ok);
  }
  EXPECT_EQ(ReadBytes(dir / L"CONFIGS.DAT"), BuildConfigImage(doc));
  for (const std::wstring& name : own) {
    EXPECT_FALSE(IsSaveFileName(name));
    EXPECT_EQ(ReadBytes(dir / name), theirs);
  }
  EXPECT_EQ(dir.Names().size(), own.size() + 1);
}

TEST(SaveConfig, ATargetThatIsNotAFileFailsAndNothingMoves) {
  TempDir dir;
  ASSERT_TRUE(CreateDirectoryW((dir / L"CONFIGS.DAT").c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT\\inside", {1, 2, 3}));
  const SaveResult result = SaveInTurn(dir.path(), DocumentOf(kSettings, SampleTasks()));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, L"Cannot create file " + dir.path() + L"CONFIGS.DAT");
  EXPECT_EQ(dir.Names(), Names{L"CONFIGS.DAT"});
  EXPECT_EQ(ReadBytes(dir / L"CONFIGS.DAT\\inside"), (std::vector<std::uint8_t>{1, 2, 3}));
  DeleteFileW((dir / L"CONFIGS.DAT\\inside").c_str());
}

// What Wine enforces here is reported, not assumed: a read-only folder attribute does not stop
// the owner of the process on every system.
TEST(SaveConfig, AReadOnlyFolderEndsWithOldOrNewBytes) {
  TempDir dir;
  const std::vector<std::uint8_t> old_bytes = MakeImage(kSettings, SampleTasks()).bytes;
  const ConfigDocument doc = DocumentOf(kSettings, ManyTasks(7));
  ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT", old_bytes));
  ASSERT_TRUE(SetFileAttributesW(dir.path().c_str(), FILE_ATTRIBUTE_READONLY));
  const SaveResult result = SaveInTurn(dir.path(), doc);
  SetFileAttributesW(dir.path().c_str(), FILE_ATTRIBUTE_NORMAL);
  const SaveOutcome outcome(dir, old_bytes, BuildConfigImage(doc));
  EXPECT_EQ(outcome.Content(), result.ok ? "new" : "old");
  if (!result.ok) {
    EXPECT_EQ(result.error, L"Cannot create file " + dir.path() + L"CONFIGS.DAT");
  }
  EXPECT_EQ(dir.Names(), Names{L"CONFIGS.DAT"});
  std::cout << "[ observed ] read-only folder: save " << (result.ok ? "succeeded" : "failed") << "\n";
}

TEST(SaveConfig, ATargetHeldOpenEndsWithOldOrNewBytes) {
  struct Case {
    const char* what;
    DWORD access, share;
  } cases[] = {
      {"reader sharing reads", GENERIC_READ, FILE_SHARE_READ},
      {"reader sharing reads and deletes", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE},
      {"writer sharing nothing", GENERIC_READ | GENERIC_WRITE, 0},
      {"writer sharing all", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::vector<std::uint8_t> old_bytes = MakeImage(kSettings, SampleTasks()).bytes;
    const ConfigDocument doc = DocumentOf(kSettings, ManyTasks(9));
    ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT", old_bytes));
    const SaveOutcome outcome(dir, old_bytes, BuildConfigImage(doc));
    Holder holder(dir / L"CONFIGS.DAT", c.access, c.share);
    ASSERT_TRUE(holder.open()) << c.what;
    const SaveResult result = SaveInTurn(dir.path(), doc);
    if (!result.ok) {
      EXPECT_EQ(result.error, L"Cannot create file " + dir.path() + L"CONFIGS.DAT");
    }
    holder.Close();
    EXPECT_EQ(outcome.Content(), result.ok ? "new" : "old") << c.what;
    EXPECT_EQ(dir.Names(), Names{L"CONFIGS.DAT"}) << c.what;
    std::cout << "[ observed ] target held by a " << c.what << ": save "
              << (result.ok ? "succeeded" : "failed") << "\n";
  }
}

// ---- A fault at each step of the save, through the seam.

enum class Step { kNone, kCreate, kWrite, kFlush, kMove, kRemove, kCount };

struct FaultCase {
  const char* what;
  bool target_exists;
  Step step;
  int call;          // which call of that step fails, from 1
  bool short_write;  // the write takes only part of the bytes instead of failing
  Step also;         // a second step that fails afterwards (its first call), kNone for none
  bool ok;
  const char* error;  // "create", "write" or ""
  const char* content;
  bool leftover;  // a file of ours stays beside CONFIGS.DAT until the next save
};

SaveSteps Faulty(const FaultCase& c) {
  const SaveSteps real = SaveSteps::Platform();
  auto calls = std::make_shared<std::vector<int>>(static_cast<int>(Step::kCount), 0);
  const auto hit = [c, calls](Step step) {
    const int n = ++(*calls)[static_cast<int>(step)];
    return (step == c.step && n == c.call) || (step == c.also && n == 1);
  };
  SaveSteps steps = real;
  steps.chunk_size = std::size_t{1} << 20;
  steps.create = [=](const std::wstring& path, const FileProtection& protection) {
    if (!hit(Step::kCreate)) return real.create(path, protection);
    SetLastError(ERROR_ACCESS_DENIED);
    return kNoFile;
  };
  steps.write = [=](FileHandle file, const std::uint8_t* data, std::size_t size,
                    std::size_t& written) {
    if (!hit(Step::kWrite)) return real.write(file, data, size, written);
    if (c.short_write) return real.write(file, data, size / 2, written);
    written = 0;
    return false;
  };
  steps.flush = [=](FileHandle file) { return !hit(Step::kFlush) && real.flush(file); };
  steps.move = [=](const std::wstring& from, const std::wstring& to) {
    return !hit(Step::kMove) && real.move(from, to);
  };
  steps.remove = [=](const std::wstring& path) { return !hit(Step::kRemove) && real.remove(path); };
  return steps;
}

std::size_t SaveFilesIn(const TempDir& dir) {
  const Names names = dir.Names();
  return static_cast<std::size_t>(
      std::count_if(names.begin(), names.end(), [](const std::wstring& n) { return IsSaveFileName(n); }));
}

TEST(SaveConfigWith, AFaultAtEachStepLeavesOldOrNewBytes) {
  constexpr Step kNone = Step::kNone;
  const FaultCase cases[] = {
      {"no fault", true, kNone, 0, false, kNone, true, "", "new", false},
      {"create fails", true, Step::kCreate, 1, false, kNone, false, "create", "old", false},
      {"the header's write fails", true, Step::kWrite, 1, false, kNone, false, "write", "old", false},
      {"second write fails", true, Step::kWrite, 2, false, kNone, false, "write", "old", false},
      {"first write short", true, Step::kWrite, 1, true, kNone, false, "write", "old", false},
      {"last write short", true, Step::kWrite, 4, true, kNone, false, "write", "old", false},
      {"flush fails", true, Step::kFlush, 1, false, kNone, false, "write", "old", false},
      {"rename fails", true, Step::kMove, 1, false, kNone, false, "create", "old", false},
      {"write fails, then its cleanup", true, Step::kWrite, 2, false, Step::kRemove, false, "write",
       "old", true},
      {"flush fails, then its cleanup", true, Step::kFlush, 1, false, Step::kRemove, false, "write",
       "old", true},
      {"rename fails, then its cleanup", true, Step::kMove, 1, false, Step::kRemove, false, "create",
       "old", true},
      {"no old file, no fault", false, kNone, 0, false, kNone, true, "", "new", false},
      {"no old file, create fails", false, Step::kCreate, 1, false, kNone, false, "create",
       "missing", false},
      {"no old file, write short", false, Step::kWrite, 2, true, kNone, false, "write", "missing",
       false},
      {"no old file, flush fails", false, Step::kFlush, 1, false, kNone, false, "write", "missing",
       false},
      {"no old file, rename fails", false, Step::kMove, 1, false, kNone, false, "create", "missing",
       false},
      {"no old file, rename fails, then its cleanup", false, Step::kMove, 1, false, Step::kRemove,
       false, "create", "missing", true},
  };
  const ConfigDocument doc = DocumentOf(kSettings, ManyTasks(4000));  // the header, three writes
  const std::vector<std::uint8_t> new_bytes = BuildConfigImage(doc);
  ASSERT_GT(new_bytes.size() - 1032, std::size_t{2} << 20);
  ASSERT_LE(new_bytes.size() - 1032, std::size_t{3} << 20);
  const std::vector<std::uint8_t> old_bytes = MakeImage(SettingsFields{}, SampleTasks()).bytes;
  const ConfigDocument next = DocumentOf(kSettings, ManyTasks(2));
  for (const FaultCase& c : cases) {
    TempDir dir;
    if (c.target_exists) {
      ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT", old_bytes));
    }
    const SaveResult result = SaveInTurnWith(Faulty(c), dir.path(), doc);
    const std::string error = c.error;
    const std::wstring expected_error =
        error == "create" ? L"Cannot create file " + dir.path() + L"CONFIGS.DAT"
        : error == "write" ? L"Stream write error"
                           : L"";
    EXPECT_EQ(result.ok, c.ok) << c.what;
    EXPECT_EQ(result.error, expected_error) << c.what;
    EXPECT_EQ(SaveOutcome(dir, old_bytes, new_bytes).Content(), c.content) << c.what;
    const bool exists = std::string(c.content) != "missing";
    EXPECT_EQ(dir.Names().size(), (exists ? 1u : 0u) + (c.leftover ? 1u : 0u)) << c.what;
    EXPECT_EQ(SaveFilesIn(dir), c.leftover ? 1u : 0u) << c.what;

    // The next start in a folder without CONFIGS.DAT loads nothing and leaves what the failed
    // save left, whole or not, where it is; its save removes it.
    ConfigDocument loaded;
    const LoadResult load = Load(dir.path(), loaded);
    if (!exists) {
      EXPECT_EQ(load.status, LoadStatus::kMissing) << c.what;
      EXPECT_EQ(SaveOutcome(dir, old_bytes, new_bytes).Content(), "missing") << c.what;
      EXPECT_EQ(SaveFilesIn(dir), c.leftover ? 1u : 0u) << c.what;
      EXPECT_TRUE(loaded.tasks.empty()) << c.what;
    } else {
      EXPECT_EQ(load.status, LoadStatus::kLoaded) << c.what;
      EXPECT_EQ(SaveOutcome(dir, old_bytes, new_bytes).Content(), c.content) << c.what;
    }
    ASSERT_TRUE(SaveInTurn(dir.path(), next).ok) << c.what;
    EXPECT_EQ(dir.Names(), Names{L"CONFIGS.DAT"}) << c.what;
  }
}

TEST(SaveConfigWith, AnExceptionClosesAndRemovesItsFile) {
  for (const char* step : {"write", "flush", "move"}) {
    TempDir dir;
    const std::vector<std::uint8_t> old_bytes = MakeImage(kSettings, SampleTasks()).bytes;
    ASSERT_TRUE(WriteBytes(dir / L"CONFIGS.DAT", old_bytes));
    SaveSteps steps = SaveSteps::Platform();
    const std::string which = step;
    if (which == "write") {
      steps.write = [](FileHandle, const std::uint8_t*, std::size_t, std::size_t&) -> bool {
        throw std::runtime_error("write");
      };
    } else if (which == "flush") {
      steps.flush = [](FileHandle) -> bool { throw std::runtime_error("flush"); };
    } else {
      steps.move = [](const std::wstring&, const std::wstring&) -> bool {
        throw std::runtime_error("move");
      };
    }
    EXPECT_THROW(SaveInTurnWith(steps, dir.path(), DocumentOf(kSettings, ManyTasks(3))),
                 std::runtime_error)
        << step;
    // An open handle without sharing would have kept the file from being removed.
    EXPECT_EQ(dir.Names(), Names{L"CONFIGS.DAT"}) << step;
    EXPECT_EQ(ReadBytes(dir / L"CONFIGS.DAT"), old_bytes) << step;
  }
}

// A save tells another program's change from its own bytes: what the load read and what the save
// wrote are the stamps later reads are compared with.
TEST(FileStamp, ShowsAnotherWritersChangeAndNothingElse) {
  TempDir dir;
  ConfigDocument doc;
  const FileStamp missing = Load(dir.path(), doc).stamp;
  EXPECT_TRUE(missing.known);
  EXPECT_FALSE(missing.exists);
  EXPECT_FALSE(ChangedSince(missing, ReadFileStamp(dir.path())));

  const ConfigDocument saved = DocumentOf(kSettings, SampleTasks());
  const SaveResult result = SaveInTurn(dir.path(), saved);
  ASSERT_TRUE(result.ok);
  EXPECT_TRUE(ChangedSince(missing, result.stamp)) << "a file where there was none";
  EXPECT_EQ(result.stamp.size, ReadBytes(dir / L"CONFIGS.DAT").size());
  EXPECT_EQ(ReadFileStamp(dir.path()), result.stamp);
  EXPECT_EQ(Load(dir.path(), doc).stamp, result.stamp);

  const std::wstring path = dir / L"CONFIGS.DAT";
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  // The same bytes written again, with a new time: nobody's work is at stake.
  ASSERT_TRUE(WriteBytes(path, bytes));
  const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME later{};
  GetSystemTimeAsFileTime(&later);
  later.dwHighDateTime += 1;
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &later));
  CloseHandle(file);
  EXPECT_FALSE(ChangedSince(result.stamp, ReadFileStamp(dir.path())));

  // One byte of a task's target, the size unchanged.
  std::vector<std::uint8_t> changed = bytes;
  changed.back() ^= 1;
  ASSERT_TRUE(WriteBytes(path, changed));
  EXPECT_TRUE(ChangedSince(result.stamp, ReadFileStamp(dir.path())));

  ASSERT_TRUE(DeleteFileW(path.c_str()));
  EXPECT_TRUE(ChangedSince(result.stamp, ReadFileStamp(dir.path())));

  // A file that could not be read has no stamp to compare.
  ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
  EXPECT_FALSE(ReadFileStamp(dir.path()).known);
  EXPECT_FALSE(ChangedSince(result.stamp, ReadFileStamp(dir.path())));
}

// The turn is one per folder, however the folder is spelled, and goes with its holder.
TEST(ConfigEditTurn, OneHolderPerFolderAtATime) {
  TempDir dir, other;
  ConfigEditTurn held;
  ASSERT_TRUE(held.Take(dir.path(), 0));
  std::wstring other_spelling = dir.path();
  CharLowerBuffW(other_spelling.data(), static_cast<DWORD>(other_spelling.size()));
  other_spelling.insert(other_spelling.size() - 1, L"\\.");

  const auto take_elsewhere = [](const std::wstring& directory) {
    // A turn belongs to a thread; another thread stands for another program.
    bool taken = false;
    std::thread([&] {
      ConfigEditTurn turn;
      taken = turn.Take(directory, 0);
    }).join();
    return taken;
  };
  EXPECT_FALSE(take_elsewhere(dir.path()));
  EXPECT_FALSE(take_elsewhere(other_spelling));
  EXPECT_TRUE(take_elsewhere(other.path()));
  held.Release();
  EXPECT_TRUE(take_elsewhere(other_spelling));
}

// Two spellings of one folder, through another drive letter (as SUBST, a mapped drive or a share
// gives one), take one turn.
TEST(ConfigEditTurn, AnotherDriveLetterForTheFolderIsTheSameTurn) {
  TempDir dir;
  std::wstring undo;
  const std::wstring other = AnotherDriveFor(dir.path(), undo);
  ASSERT_FALSE(other.empty()) << "no other drive letter reaches " << std::string(dir.path().begin(), dir.path().end());
  ASSERT_TRUE(WriteBytes(other + L"CONFIGS.DAT", MakeImage(kSettings, SampleTasks()).bytes));
  EXPECT_EQ(dir.Names(), Names{L"CONFIGS.DAT"}) << "the other spelling names the folder";

  ConfigEditTurn held;
  ASSERT_TRUE(held.Take(dir.path(), 0));
  bool taken = true;
  std::string why;
  std::thread([&] {
    ConfigEditTurn turn;
    taken = turn.Take(other, 0, &why);
  }).join();
  EXPECT_FALSE(taken);
  EXPECT_NE(why.find("busy"), std::string::npos) << why;
  held.Release();
  std::thread([&] {
    ConfigEditTurn turn;
    taken = turn.Take(other, 0);
  }).join();
  EXPECT_TRUE(taken);
  if (!undo.empty()) DefineDosDeviceW(DDD_REMOVE_DEFINITION, undo.c_str(), nullptr);
}

// An export holds the password: a new one is its owner's alone, one that exists keeps its DACL.
TEST(WriteProtectedFile, ANewFileIsItsOwnersAloneAndAnOldOneKeepsItsDescriptor) {
  TempDir dir;
  const std::vector<std::uint8_t> bytes = {'{', '}'};
  const std::wstring fresh = dir / L"fresh.json";
  ASSERT_TRUE(WriteProtectedFile(fresh, bytes).ok);
  EXPECT_EQ(ReadBytes(fresh), bytes);
  // No entry for Everyone, Users or Authenticated Users. (Wine keeps a DACL as the file's Unix
  // mode, so there the owner's entry comes with SYSTEM's; a file made plainly has Everyone's.)
  const std::wstring text = DescriptorText(fresh);
  ASSERT_NE(text.find(L"D:"), std::wstring::npos) << std::string(text.begin(), text.end());
  for (const wchar_t* others : {L";WD)", L";BU)", L";AU)"}) {
    EXPECT_EQ(text.find(others), std::wstring::npos) << std::string(text.begin(), text.end());
  }

  const std::wstring kept = dir / L"kept.json";
  ASSERT_TRUE(WriteBytes(kept, {'x'}));
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"O:BAG:BAD:P(A;;FA;;;BA)(A;;FR;;;SY)", SDDL_REVISION_1, &descriptor, nullptr));
  ASSERT_TRUE(SetFileSecurityW(kept.c_str(), kDescriptorParts, descriptor));
  LocalFree(descriptor);
  const std::wstring before = DescriptorText(kept);
  ASSERT_TRUE(WriteProtectedFile(kept, bytes).ok);
  EXPECT_EQ(ReadBytes(kept), bytes);
  EXPECT_EQ(DescriptorText(kept), before);
  EXPECT_EQ(dir.Names(), (Names{L"fresh.json", L"kept.json"}));
}

}  // namespace
}  // namespace qv::test
