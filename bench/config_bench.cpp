// Prints how LoadConfig and SaveConfig compare with the plainest way of moving the same bytes,
// side by side in one run, with the goals; then a table of damaged files, each loaded in a
// process of its own so that its peak working set is its own.
//   config_bench            the whole run
//   config_bench --child FOLDER BLOCK   (internal) loads FOLDER\CONFIGS.DAT and reports in BLOCK
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/coding.h"
#include "config/config_file.h"
#include "config/config_store.h"
#include "config/document.h"

namespace {

constexpr int kTasks = 100000;
constexpr int kRounds = 11;
constexpr double kMB = 1024.0 * 1024.0;

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency;
}

template <typename Work>
double Milliseconds(Work work) {
  const double start = Now();
  work();
  return (Now() - start) * 1000.0;
}

struct Figures {
  double best = 0, median = 0;
};

Figures Summarise(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return {times.front(), times[times.size() / 2]};
}

// The median of ours / plain taken round by round, so that both sides of a ratio meet the same
// moment of a busy machine.
double MedianRatio(const std::vector<double>& ours, const std::vector<double>& plain) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < ours.size(); ++i) ratios.push_back(ours[i] / plain[i]);
  return Summarise(ratios).median;
}

PROCESS_MEMORY_COUNTERS Memory() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

qv::ConfigDocument MakeDocument() {
  qv::ConfigDocument doc;
  doc.SetHost("sync.example.org");
  doc.SetUser("operator");
  doc.SetPassword("secret");
  doc.tasks.reserve(kTasks);
  for (int i = 0; i < kTasks; ++i) {
    qv::TaskRecord& task = doc.tasks.emplace_back();
    task.SetName("Task" + std::to_string(i));
    task.SetSource("/srv/share/department" + std::to_string(i % 97) + "/folder" + std::to_string(i));
    task.SetTarget("D:\\Sync\\Department" + std::to_string(i % 97) + "\\Folder" + std::to_string(i));
  }
  return doc;
}

std::vector<std::uint8_t> PlainRead(const std::wstring& path) {
  std::vector<std::uint8_t> bytes;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  return bytes;
}

bool PlainWrite(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size() && FlushFileBuffers(file);
  CloseHandle(file);
  return ok;
}

bool WriteFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                              &written, nullptr) &&
                                    written == bytes.size());
  CloseHandle(file);
  return ok;
}

// What a child process found, in a block shared with the parent.
struct ChildReport {
  double load_ms;
  std::uint64_t start_set, peak_set;
  std::uint64_t tasks;
  int status;
  qv::ImageReport report;
};

std::wstring BlockName(DWORD parent) {
  return L"Local\\qv-config-bench-" + std::to_wstring(parent);
}

int Child(const std::wstring& folder, const std::wstring& block_name) {
  const HANDLE block = OpenFileMappingW(FILE_MAP_WRITE, FALSE, block_name.c_str());
  if (block == nullptr) return 3;
  auto* out = static_cast<ChildReport*>(MapViewOfFile(block, FILE_MAP_WRITE, 0, 0, sizeof(ChildReport)));
  if (out == nullptr) return 4;
  out->start_set = Memory().WorkingSetSize;
  qv::ConfigDocument doc;
  qv::LoadResult result;
  out->load_ms = Milliseconds([&] { result = qv::LoadConfig(folder, doc); });
  out->peak_set = Memory().PeakWorkingSetSize;
  out->tasks = doc.tasks.size();
  out->status = static_cast<int>(result.status);
  out->report = result.report;
  return 0;
}

bool RunChild(const std::wstring& folder, ChildReport& report) {
  const std::wstring name = BlockName(GetCurrentProcessId());
  const HANDLE block = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                          sizeof(ChildReport), name.c_str());
  if (block == nullptr) return false;
  auto* shared = static_cast<ChildReport*>(MapViewOfFile(block, FILE_MAP_WRITE, 0, 0, sizeof(ChildReport)));
  *shared = ChildReport{};
  shared->status = -1;
  wchar_t self[MAX_PATH + 1];
  GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
  // A trailing backslash would escape the closing quote; the child puts it back.
  std::wstring command = L"\"" + std::wstring(self) + L"\" --child \"" +
                         folder.substr(0, folder.size() - 1) + L"\" " + name;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  bool ok = CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process) != FALSE;
  if (ok) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    ok = code == 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  report = *shared;
  UnmapViewOfFile(shared);
  CloseHandle(block);
  return ok;
}

const char* StatusName(int status) {
  switch (static_cast<qv::LoadStatus>(status)) {
    case qv::LoadStatus::kLoaded: return "loaded";
    case qv::LoadStatus::kMissing: return "missing";
    case qv::LoadStatus::kUnreadable: return "unreadable";
    case qv::LoadStatus::kForeign: return "foreign";
    case qv::LoadStatus::kCut: return "cut";
  }
  return "?";
}

const char* Verdict(bool met) { return met ? "met" : "NOT MET"; }

// A file with the given header fields and `data` bytes of records (a pattern, so that every byte
// is read into something).
std::vector<std::uint8_t> Damaged(std::int32_t record_size, std::int32_t count, std::size_t data) {
  qv::ConfigDocument doc;
  std::vector<std::uint8_t> bytes = qv::BuildConfigHeader(doc);
  qv::PutLE32(bytes.data() + qv::kRecordSizeOffset, record_size);
  qv::PutLE32(bytes.data() + qv::kTaskCountOffset, count);
  bytes.resize(bytes.size() + data);
  for (std::size_t i = qv::kFirstTaskOffset; i < bytes.size(); ++i) {
    bytes[i] = static_cast<std::uint8_t>(i % 251);
  }
  return bytes;
}

int Run() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring dir =
      std::wstring(temp) + L"qv-config-bench-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring config = dir + L"CONFIGS.DAT";
  const std::wstring plain = dir + L"plain.dat";

  // Saving and loading side by side, alternating, so that both meet the same machine.
  std::vector<double> save_times, write_times, load_times, read_times;
  std::size_t file_size = 0, loaded_tasks = 0;
  {
    const qv::ConfigDocument doc = MakeDocument();
    const std::vector<std::uint8_t> image = qv::BuildConfigImage(doc);
    file_size = image.size();
    for (int round = 0; round < kRounds; ++round) {
      // Each side goes first in every other round, so that neither always meets a warmer cache.
      const bool ours_first = round % 2 == 0;
      bool saved = false, written = false;
      const auto save = [&] {
        // The turn is part of what every save costs.
        save_times.push_back(Milliseconds([&] {
          qv::ConfigEditTurn turn;
          saved = turn.Take(dir, qv::kScriptTurnWaitMs) && qv::SaveConfig(turn, doc).ok;
        }));
      };
      const auto write = [&] {
        write_times.push_back(Milliseconds([&] { written = PlainWrite(plain, image); }));
      };
      std::size_t read_size = 0;
      const auto read = [&] {
        read_times.push_back(Milliseconds([&] { read_size = PlainRead(config).size(); }));
      };
      const auto load = [&] {
        load_times.push_back(Milliseconds([&] {
          qv::ConfigDocument loaded;
          qv::LoadConfig(dir, loaded);
          loaded_tasks = loaded.tasks.size();
        }));
      };
      if (ours_first) {
        save();
        write();
        load();
        read();
      } else {
        write();
        save();
        read();
        load();
      }
      if (!saved || !written || read_size != file_size ||
          loaded_tasks != static_cast<std::size_t>(kTasks)) {
        std::printf("save %d, plain write %d, read %zu bytes, loaded %zu tasks\n", saved, written,
                    read_size, loaded_tasks);
        return 1;
      }
    }
    DeleteFileW(plain.c_str());
  }
  const Figures save = Summarise(save_times), write = Summarise(write_times);
  const Figures load = Summarise(load_times), read = Summarise(read_times);
  ChildReport child{};
  if (!RunChild(dir, child)) {
    std::printf("the loading child failed\n");
    return 1;
  }
  const double above = static_cast<double>(child.peak_set - child.start_set);
  const double memory_goal = 1.05 * static_cast<double>(file_size) + 4 * kMB;

  std::printf("CONFIGS.DAT: %d tasks, %zu bytes (%.1f MB); %d rounds, alternating\n", kTasks,
              file_size, static_cast<double>(file_size) / kMB, kRounds);
  const double load_ratio = MedianRatio(load_times, read_times);
  const double save_ratio = MedianRatio(save_times, write_times);
  std::printf("%-6s %-22s %10s %10s %10s %12s %12s  %s\n", "", "against", "ours best",
              "plain best", "ours med", "plain med", "ratio (med)", "goal");
  std::printf("%-6s %-22s %10.1f %10.1f %10.1f %12.1f %12.2f  <=1.10 %s\n", "load", "plain read",
              load.best, read.best, load.median, read.median, load_ratio,
              Verdict(load_ratio <= 1.10));
  std::printf("%-6s %-22s %10.1f %10.1f %10.1f %12.1f %12.2f  <=1.10 %s\n", "save",
              "plain write and flush", save.best, write.best, save.median, write.median, save_ratio,
              Verdict(save_ratio <= 1.10));
  std::printf("(times in ms; the ratio is the median of the rounds' own ratios)\n");
  std::printf("load in a process of its own: %.1f ms; working set %.1f MB at start, peak %.1f MB, "
              "%.1f MB above the start = %.3f x the file; goal <= 1.05 x the file + 4 MB = %.1f MB: "
              "%s\n\n",
              child.load_ms, static_cast<double>(child.start_set) / kMB,
              static_cast<double>(child.peak_set) / kMB, above / kMB,
              above / static_cast<double>(file_size), memory_goal / kMB,
              Verdict(above <= memory_goal));

  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  const std::size_t four_mb = std::size_t{4} << 20;
  std::vector<Case> cases;
  cases.push_back({"R=544, 100,000 tasks", qv::BuildConfigImage(MakeDocument())});
  cases.push_back({"R=1, 4 MB, count 2^31-1", Damaged(1, INT_MAX, four_mb)});
  cases.push_back({"R=1, 64 MB, count 2^31-1", Damaged(1, INT_MAX, std::size_t{64} << 20)});
  cases.push_back({"R=0, 4 MB, count 2^31-1", Damaged(0, INT_MAX, four_mb)});
  cases.push_back({"R=-1, 4 MB, count 2^31-1", Damaged(-1, INT_MAX, four_mb)});
  cases.push_back({"R=2^31-1, 4 MB, count 2^31-1", Damaged(INT_MAX, INT_MAX, four_mb)});
  cases.push_back({"R=544, 2 records, count 2^31-1", Damaged(544, INT_MAX, 2 * 544)});
  cases.push_back({"R=544, 4 MB, count -1", Damaged(544, -1, four_mb)});
  cases.push_back({"R=288, 100,000 records", Damaged(288, kTasks, 288 * std::size_t{kTasks})});
  cases.push_back({"R=600, 100,000 records", Damaged(600, kTasks, 600 * std::size_t{kTasks})});
  cases.push_back({"short: 1030 bytes", Damaged(544, 5, 0)});
  cases.back().bytes.resize(1030);
  cases.push_back({"short: 7 bytes", Damaged(544, 5, 0)});
  cases.back().bytes.resize(7);

  std::printf("Damaged files, each loaded in a process of its own (memory above the process's "
              "start; bound: 2 x file + 40 MB)\n");
  std::printf("%-32s %10s %12s %11s %10s %-10s %9s %10s %8s\n", "file", "bytes", "R", "count",
              "tasks", "status", "ms", "memory MB", "/bound");
  for (const Case& c : cases) {
    if (!WriteFileBytes(config, c.bytes)) {
      std::printf("cannot write %s\n", c.what);
      return 1;
    }
    ChildReport r{};
    const bool ok = RunChild(dir, r);
    const double memory = static_cast<double>(r.peak_set - r.start_set);
    const double bound = 2.0 * static_cast<double>(c.bytes.size()) + 40 * kMB;
    std::printf("%-32s %10zu %12d %11d %10llu %-10s %9.1f %10.1f %8.2f%s\n", c.what,
                c.bytes.size(), r.report.record_size, r.report.declared_count,
                static_cast<unsigned long long>(r.tasks), StatusName(r.status), r.load_ms,
                memory / kMB, memory / bound, ok ? "" : "  (child failed)");
  }
  DeleteFileW(config.c_str());
  RemoveDirectoryW(dir.c_str());
  return 0;
}

}  // namespace

int main() {
  // The folder may hold any character: take the arguments in UTF-16.
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv != nullptr && argc == 4 && std::wstring(argv[1]) == L"--child") {
    return Child(std::wstring(argv[2]) + L"\\", argv[3]);
  }
  return Run();
}
