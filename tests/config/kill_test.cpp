// A saver process killed at random moments while it saves a 50,000-task CONFIGS.DAT again and
// again: the folder must always hold the old or the new bytes whole, and the next start and save
// must leave nothing else behind. Set QV_KILL_SEED to replay a run.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/coding.h"
#include "config/config_file.h"
#include "config/config_store.h"
#include "config/store_fixture.h"
#include "config/config_store_steps.h"
#include "config/kill_shared.h"
#include "config/win_files.h"

namespace qv::test {
namespace {

constexpr int kSaves = 200;
constexpr DWORD kDeadlineMs = 60000;

std::wstring SaverPath() {
  wchar_t path[MAX_PATH + 1];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  std::wstring self(path, n);
  return self.substr(0, self.rfind(L'\\') + 1) + L"config_kill_saver.exe";
}

class SharedCounters {
 public:
  SharedCounters()
      : block_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  sizeof(SaverCounters),
                                  SaverBlockName(GetCurrentProcessId()).c_str())),
        counters_(block_ == nullptr ? nullptr
                                    : static_cast<SaverCounters*>(MapViewOfFile(
                                          block_, FILE_MAP_WRITE, 0, 0, sizeof(SaverCounters)))) {}
  ~SharedCounters() {
    if (counters_ != nullptr) UnmapViewOfFile(counters_);
    if (block_ != nullptr) CloseHandle(block_);
  }
  SharedCounters(const SharedCounters&) = delete;
  SharedCounters& operator=(const SharedCounters&) = delete;

  SaverCounters* get() const { return counters_; }

 private:
  HANDLE block_;
  SaverCounters* counters_;
};

struct Tally {
  int rounds = 0, held = 0, started = 0, completed = 0, missing = 0, torn = 0, left_alone = 0;
  int leftovers_seen = 0, cleanups = 0, leftovers_after_cleanup = 0;
};

std::size_t CountSaveFiles(const TempDir& dir) {
  std::size_t n = 0;
  for (const std::wstring& name : dir.Names()) n += IsSaveFileName(name) ? 1 : 0;
  return n;
}

// The generation that CONFIGS.DAT holds whole, -1 when it is missing, -2 when it is anything
// else (torn, mixed, short).
std::int32_t GenerationOnDisk(const TempDir& dir) {
  bool exists = false;
  const std::vector<std::uint8_t> bytes = ReadBytes(dir / L"CONFIGS.DAT", &exists);
  if (!exists) return -1;
  if (bytes.size() != ConfigFileSize(kKillTasks)) return -2;
  const std::int32_t generation = GetLE32(&bytes[8 + SettingsRecord::kPortOffset]);
  return bytes == BuildConfigImage(KillDocument(generation)) ? generation : -2;
}

TEST(SaveConfig, AKilledSaverLeavesOldOrNewBytesAndTheNextSaveCleansUp) {
  const char* seed_text = std::getenv("QV_KILL_SEED");
  const unsigned seed = seed_text != nullptr
                            ? static_cast<unsigned>(std::strtoul(seed_text, nullptr, 10))
                            : static_cast<unsigned>(GetTickCount());
  std::printf("[ seed     ] QV_KILL_SEED=%u\n", seed);
  std::mt19937 random(seed);

  const SharedCounters shared;
  ASSERT_NE(shared.get(), nullptr);
  const std::wstring saver = SaverPath();
  ASSERT_NE(GetFileAttributesW(saver.c_str()), INVALID_FILE_ATTRIBUTES);
  TempDir dir;
  const std::wstring folder = dir.path().substr(0, dir.path().size() - 1);

  const DWORD before = GetTickCount();
  ASSERT_TRUE(SaveInTurn(dir.path(), KillDocument(0)).ok);
  const DWORD save_ms = std::max<DWORD>(GetTickCount() - before, 20);

  Tally tally;
  std::int32_t on_disk = 0;
  std::int32_t next = 1;
  while (tally.started < kSaves) {
    // Now and then the saver starts in an empty folder, as on the first save.
    const bool fresh = tally.rounds % 5 == 4;
    if (fresh) {
      for (const std::wstring& name : dir.Names()) ASSERT_TRUE(DeleteFileW((dir / name).c_str()));
      on_disk = -1;
    }
    // Now and then the kill falls on purpose between the file written whole and the rename.
    const bool hold = tally.rounds % 4 == 1;
    SaverCounters* counters = shared.get();
    counters->started = 0;
    counters->completed = 0;
    counters->failed = 0;
    counters->holding = 0;
    counters->hold_before_rename = hold ? 1 : 0;

    std::wstring command = L"\"" + saver + L"\" \"" + folder + L"\" " + std::to_wstring(next) +
                           L" " + std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(saver.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    // Otherwise it falls at a random moment of the first to third save.
    const LONG saves_before_kill = hold ? 1 : std::uniform_int_distribution<LONG>(1, 3)(random);
    const DWORD wait_start = GetTickCount();
    const auto reached = [&] {
      return hold ? counters->holding != 0 : counters->started >= saves_before_kill;
    };
    while (!reached() && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT &&
           GetTickCount() - wait_start < kDeadlineMs) {
      Sleep(1);
    }
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 0), WAIT_TIMEOUT) << "the saver stopped";
    ASSERT_TRUE(reached()) << "the saver did not get there in time";
    if (!hold) Sleep(std::uniform_int_distribution<DWORD>(0, save_ms + save_ms / 4)(random));
    TerminateProcess(process.hProcess, 9);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, kDeadlineMs), WAIT_OBJECT_0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    const LONG started = counters->started, completed = counters->completed;
    EXPECT_EQ(counters->failed, 0);
    ++tally.rounds;
    tally.held += hold ? 1 : 0;
    tally.started += started;
    tally.completed += completed;

    // The newest finished save, or the one the kill interrupted right after its rename.
    const std::int32_t last_done = completed > 0 ? next + completed - 1 : on_disk;
    const std::int32_t generation = GenerationOnDisk(dir);
    if (generation == -1) {
      if (on_disk >= 0 || completed > 0) ++tally.missing;
    } else if (generation == -2) {
      ++tally.torn;
    } else {
      EXPECT_TRUE(generation == last_done || generation == next + completed)
          << "generation " << generation << " after saves " << next << ".." << next + started - 1;
    }

    // The next start: what is on disk, or what an interrupted first save left whole.
    tally.leftovers_seen += static_cast<int>(CountSaveFiles(dir));
    ConfigDocument doc;
    const LoadResult loaded = LoadConfig(dir.path(), doc);
    if (generation >= 0) {
      EXPECT_EQ(loaded.status, LoadStatus::kLoaded);
      EXPECT_EQ(doc.settings.Port(), generation);
      on_disk = generation;
    } else if (generation == -1) {
      // A first save stopped before its rename: the start loads nothing and moves nothing.
      EXPECT_EQ(loaded.status, LoadStatus::kMissing);
      EXPECT_EQ(GenerationOnDisk(dir), -1);
      if (hold) {
        EXPECT_GE(CountSaveFiles(dir), 1u) << "round " << tally.rounds;
      }
      tally.left_alone += static_cast<int>(CountSaveFiles(dir));
    }
    // ... and the next save.
    if (tally.rounds % 3 == 0 || tally.started >= kSaves) {
      const std::int32_t saved = next + started;
      ASSERT_TRUE(SaveInTurn(dir.path(), KillDocument(saved)).ok);
      ++tally.cleanups;
      tally.leftovers_after_cleanup += static_cast<int>(dir.Names().size()) - 1;
      EXPECT_EQ(dir.Names(), std::vector<std::wstring>{L"CONFIGS.DAT"});
      on_disk = saved;
    }
    next += started + 1;
    if (HasFatalFailure()) return;
  }
  std::printf("[ observed ] %d kills (%d of them just before a rename) during %d saves (%d "
              "finished): %d missing, %d torn; %d files of ours seen at the next start, %d "
              "recovered; after %d load-and-save cleanups %d leftovers\n",
              tally.rounds, tally.held, tally.started, tally.completed, tally.missing, tally.torn,
              tally.leftovers_seen, tally.left_alone, tally.cleanups, tally.leftovers_after_cleanup);
  EXPECT_EQ(tally.missing, 0);
  EXPECT_EQ(tally.torn, 0);
  EXPECT_EQ(tally.leftovers_after_cleanup, 0);
}

}  // namespace
}  // namespace qv::test
