// Time from process start to the editor's main window being shown and answering messages, with
// 10,000 tasks in CONFIGS.DAT, against two yardsticks started the same way in the same run: a
// bare window program, and a minimal program that shows the same window and controls with the
// same names in its list. The editor is also timed without a CONFIGS.DAT, which tells the
// window's own cost from that of the tasks. The programs are copied into temporary folders and
// started in turn, round after round; the figures are the best and the median of the rounds.
// Goals: the editor with 10,000 tasks within 1.15 times the minimal program and within 1.5 times
// the bare one.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "config/config_store.h"
#include "config/document.h"

namespace {

constexpr int kTasks = 10000;
constexpr int kRounds = 9;

std::wstring ModuleDirectory() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory(path);
  return directory.substr(0, directory.find_last_of(L'\\') + 1);
}

std::wstring NewFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"qv_startup_bench_" +
                              std::to_wstring(GetCurrentProcessId()) + name + L"\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

bool WriteTasks(const std::wstring& folder) {
  qv::ConfigDocument doc;
  doc.tasks.resize(kTasks);
  for (int i = 0; i < kTasks; ++i) {
    const std::string n = std::to_string(i + 1);
    doc.tasks[static_cast<std::size_t>(i)].SetName("Task " + n);
    doc.tasks[static_cast<std::size_t>(i)].SetSource("Projects\\Area" + n + "\\Data");
    doc.tasks[static_cast<std::size_t>(i)].SetTarget("D:\\Sync\\Area" + n);
  }
  qv::ConfigEditTurn turn;
  return turn.Take(folder, qv::kScriptTurnWaitMs) && qv::SaveConfig(turn, doc).ok;
}

struct Search {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK FindShownWindow(HWND hwnd, LPARAM lparam) {
  auto* search = reinterpret_cast<Search*>(lparam);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == search->process_id && IsWindowVisible(hwnd) && !GetWindow(hwnd, GW_OWNER)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Startup {
  double wall = -1;  // seconds from CreateProcess to the window answering
  double cpu = -1;   // the process's own processor time by then, user and kernel
};

double ProcessorSeconds(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  auto ticks = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                               t.dwLowDateTime);
  };
  return (ticks(kernel) + ticks(user)) / 1e7;
}

// From CreateProcess to a visible top-level window of the process that has answered a message,
// so its loop runs; negative when it never appears. The wall time is the one a person sees; the
// processor time suffers less from a busy machine, but Wine counts it in steps of 10 to 20 ms and
// leaves out what the wineserver and the X server do for the process.
Startup TimeStartup(const std::wstring& folder, const wchar_t* exe,
                    const wchar_t* arguments = L"") {
  std::wstring command = L"\"" + folder + exe + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &process)) {
    return {};
  }
  Search search{process.dwProcessId, nullptr};
  Startup elapsed;
  for (int i = 0; i < 60000 && !search.found; ++i) {
    EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(1);
  }
  if (search.found) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored);
    LARGE_INTEGER shown;
    QueryPerformanceCounter(&shown);
    elapsed.wall = Seconds(start, shown);
    elapsed.cpu = ProcessorSeconds(process.hProcess);
    PostMessageW(search.found, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return elapsed;
}

double Best(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void RemoveFolder(const std::wstring& folder) {
  for (const wchar_t* file : {L"Quorvel.exe", L"startup_bare_window.exe", L"CONFIGS.DAT"}) {
    DeleteFileW((folder + file).c_str());
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

int main() {
  const std::wstring here = ModuleDirectory();
  const std::wstring full = NewFolder(L"_tasks");
  const std::wstring empty = NewFolder(L"_empty");
  const wchar_t* editor = L"Quorvel.exe";
  const wchar_t* bare = L"startup_bare_window.exe";
  bool ready = WriteTasks(full);
  for (const auto& [folder, program] :
       {std::pair{full, editor}, std::pair{full, bare}, std::pair{empty, editor}}) {
    ready = ready && CopyFileW((here + program).c_str(), (folder + program).c_str(), FALSE);
  }
  if (!ready) {
    std::fprintf(stderr, "startup_bench: cannot prepare the folders in the temporary folder\n");
    return 1;
  }

  struct Series {
    std::vector<double> wall, cpu;
    void Add(const Startup& s) {
      wall.push_back(s.wall);
      cpu.push_back(s.cpu);
    }
  };
  Series with_tasks, without_file, bare_window, minimal;
  TimeStartup(full, bare);  // warms the file cache and the window system
  TimeStartup(full, bare, L"--controls");
  TimeStartup(full, editor);
  for (int round = 0; round < kRounds; ++round) {
    const Startup b = TimeStartup(full, bare);
    const Startup m = TimeStartup(full, bare, L"--controls");
    const Startup e = TimeStartup(full, editor);
    const Startup n = TimeStartup(empty, editor);
    if (b.wall < 0 || m.wall < 0 || e.wall < 0 || n.wall < 0) {
      std::fprintf(stderr, "startup_bench: a window did not appear\n");
      return 1;
    }
    bare_window.Add(b);
    minimal.Add(m);
    with_tasks.Add(e);
    without_file.Add(n);
  }
  RemoveFolder(full);
  RemoveFolder(empty);

  std::printf("start-up to the window shown and answering, %d rounds, best / median\n", kRounds);
  std::printf("  %-42s %-19s %s\n", "", "wall time", "processor time");
  auto row = [](const char* what, const Series& v) {
    std::printf("  %-42s %6.1f / %6.1f ms  %6.1f / %6.1f ms\n", what, Best(v.wall) * 1000,
                Median(v.wall) * 1000, Best(v.cpu) * 1000, Median(v.cpu) * 1000);
  };
  row("bare window program", bare_window);
  row("minimal program, same controls and names", minimal);
  row("editor, no CONFIGS.DAT", without_file);
  row("editor, 10,000 tasks", with_tasks);
  auto ratio = [](const char* what, const Series& a, const Series& b, double goal) {
    std::printf("  %-42s %5.2fx / %5.2fx     %5.2fx / %5.2fx    goal <= %.2fx\n", what,
                Best(a.wall) / Best(b.wall), Median(a.wall) / Median(b.wall),
                Best(a.cpu) / Best(b.cpu), Median(a.cpu) / Median(b.cpu), goal);
  };
  ratio("editor 10,000 tasks / minimal program", with_tasks, minimal, 1.15);
  ratio("editor 10,000 tasks / bare window", with_tasks, bare_window, 1.5);
  return 0;
}
