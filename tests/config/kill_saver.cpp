// Saves CONFIGS.DAT in a folder again and again, one generation after another, until it is
// killed: config_kill_saver <folder without trailing backslash> <first generation> <parent id>.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "config/config_store.h"
#include "config/config_store_steps.h"
#include "config/kill_shared.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  const std::wstring folder = std::wstring(argv[1]) + L'\\';
  const auto first = static_cast<std::int32_t>(std::wcstol(argv[2], nullptr, 10));
  const auto parent = static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10));
  const HANDLE block = OpenFileMappingW(FILE_MAP_WRITE, FALSE, qv::test::SaverBlockName(parent).c_str());
  if (block == nullptr) return 3;
  auto* counters = static_cast<qv::test::SaverCounters*>(
      MapViewOfFile(block, FILE_MAP_WRITE, 0, 0, sizeof(qv::test::SaverCounters)));
  if (counters == nullptr) return 4;
  qv::SaveSteps steps = qv::SaveSteps::Platform();
  const auto move = steps.move;
  steps.move = [counters, move](const std::wstring& from, const std::wstring& to) {
    if (counters->hold_before_rename != 0) {
      InterlockedExchange(&counters->holding, 1);
      // The test kills us here; should it not, go on after a while.
      for (int i = 0; i < 60000 && counters->hold_before_rename != 0; ++i) Sleep(1);
    }
    return move(from, to);
  };
  for (std::int32_t generation = first;; ++generation) {
    const qv::ConfigDocument doc = qv::test::KillDocument(generation);
    InterlockedIncrement(&counters->started);
    qv::ConfigEditTurn turn;
    if (turn.Take(folder, qv::kScriptTurnWaitMs) && qv::SaveConfigWith(steps, turn, doc).ok) {
      InterlockedIncrement(&counters->completed);
    } else {
      InterlockedIncrement(&counters->failed);
    }
  }
}
