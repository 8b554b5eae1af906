// Prints how LoadConfig and SaveConfig compare with the plainest way of moving the same bytes,
// and the process's peak working set against the file's size.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "config/config_store.h"
#include "config/document.h"

namespace {

constexpr int kTasks = 100000;
constexpr int kRounds = 5;

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

// The fastest of a few rounds, in milliseconds.
template <typename Work>
double Best(Work work) {
  double best = 1e30;
  for (int i = 0; i < kRounds; ++i) {
    const double start = Now();
    work();
    best = std::min(best, (Now() - start) * 1000.0);
  }
  return best;
}

double Megabytes(std::size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

std::size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize;
}

std::size_t WorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.WorkingSetSize;
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

}  // namespace

int main() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring dir =
      std::wstring(temp) + L"qv-config-bench-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring config = dir + L"CONFIGS.DAT";
  const std::wstring plain = dir + L"plain.dat";
  const std::size_t start_set = WorkingSet();

  // Saving: the document lives throughout, as in the editor.
  double save_ms = 0;
  {
    const qv::ConfigDocument doc = MakeDocument();
    bool saved = true;
    save_ms = Best([&] { saved = saved && qv::SaveConfig(dir, doc).ok; });
    if (!saved) {
      std::printf("SaveConfig failed\n");
      return 1;
    }
  }
  const std::size_t peak_after_save = PeakWorkingSet();

  double read_ms = 0, write_ms = 0;
  std::size_t file_size = 0;
  {
    std::vector<std::uint8_t> bytes;
    read_ms = Best([&] {
      bytes.clear();
      bytes.shrink_to_fit();
      bytes = PlainRead(config);
    });
    file_size = bytes.size();
    bool written = true;
    write_ms = Best([&] { written = written && PlainWrite(plain, bytes); });
    if (!written) {
      std::printf("plain write failed\n");
      return 1;
    }
  }
  DeleteFileW(plain.c_str());
  const std::size_t peak_after_plain = PeakWorkingSet();

  std::size_t loaded_tasks = 0;
  const double load_ms = Best([&] {
    qv::ConfigDocument doc;
    qv::LoadConfig(dir, doc);
    loaded_tasks = doc.tasks.size();
  });
  const std::size_t peak = PeakWorkingSet();

  DeleteFileW(config.c_str());
  RemoveDirectoryW(dir.c_str());

  std::printf("CONFIGS.DAT: %d tasks, %zu bytes (%.1f MB), best of %d rounds\n", kTasks, file_size,
              Megabytes(file_size), kRounds);
  if (loaded_tasks != static_cast<std::size_t>(kTasks)) {
    std::printf("LoadConfig loaded %zu tasks, not %d\n", loaded_tasks, kTasks);
  }
  std::printf("load  %8.1f ms   plain read            %8.1f ms   ratio %.2f\n", load_ms, read_ms,
              load_ms / read_ms);
  std::printf("save  %8.1f ms   plain write and flush %8.1f ms   ratio %.2f\n", save_ms, write_ms,
              save_ms / write_ms);
  std::printf("working set at start %.1f MB; peak after saving %.1f MB, after the plain read and "
              "write %.1f MB, after loading %.1f MB\n",
              Megabytes(start_set), Megabytes(peak_after_save), Megabytes(peak_after_plain),
              Megabytes(peak));
  std::printf("peak %.1f MB = %.2f x the file size; above the start: %.2f x the file size\n",
              Megabytes(peak), static_cast<double>(peak) / static_cast<double>(file_size),
              static_cast<double>(peak - start_set) / static_cast<double>(file_size));
  return 0;
}
