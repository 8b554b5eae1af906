#pragma once
// What the kill test and its saver share: the document of each generation, whose every record
// carries the generation, so that a file mixing two saves shows; and the counters the saver
// keeps in a named shared block (Windows only).
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "config/document.h"

namespace qv::test {

inline constexpr int kKillTasks = 50000;

struct SaverCounters {
  volatile LONG started;    // saves begun
  volatile LONG completed;  // saves that returned success
  volatile LONG failed;     // saves that returned failure
  // Set by the test: the first save stops once its file is written whole, just before the
  // rename, and sets `holding` (the riskiest moment for a kill, hit on purpose).
  volatile LONG hold_before_rename;
  volatile LONG holding;
};

inline std::wstring SaverBlockName(DWORD parent) {
  return L"Local\\qv-config-kill-" + std::to_wstring(parent);
}

// Generation g: the port holds g, every task's name and target carry it.
inline ConfigDocument KillDocument(std::int32_t generation) {
  ConfigDocument doc;
  doc.settings.SetHost("kill.example");
  doc.settings.SetPort(generation);
  doc.tasks.resize(kKillTasks);
  char text[64];
  for (int i = 0; i < kKillTasks; ++i) {
    TaskRecord& task = doc.tasks[static_cast<std::size_t>(i)];
    std::snprintf(text, sizeof text, "T%d.%d", i, static_cast<int>(generation));
    task.SetName(text);
    std::snprintf(text, sizeof text, "/srv/share/folder%d", i);
    task.SetSource(text);
    std::snprintf(text, sizeof text, "D:\\Sync\\%d\\gen%d", i, static_cast<int>(generation));
    task.SetTarget(text);
  }
  return doc;
}

}  // namespace qv::test
