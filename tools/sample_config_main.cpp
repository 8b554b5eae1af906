// Writes a sample CONFIGS.DAT into the current directory, or into the directory given, for
// trying the editor by hand (scripts/run) and for its screenshots.
#include <windows.h>

#include <cstdio>
#include <string>

#include "config/config_store.h"
#include "config/document.h"

int wmain(int argc, wchar_t** argv) {
  std::wstring directory = argc > 1 ? argv[1] : L".";
  if (!directory.empty() && directory.back() != L'\\' && directory.back() != L'/')
    directory += L'\\';

  qv::ConfigDocument doc;
  // scripts/run serves a demo folder tree on this machine with these credentials.
  doc.settings.SetHost("127.0.0.1");
  doc.settings.SetUser("operator");
  doc.settings.SetPassword("secret");
  doc.settings.SetInterval(30);
  doc.settings.SetSpeedLimit(512);
  struct Task {
    const char* name;
    const char* source;
    const char* target;
  };
  for (const Task& t : {Task{"Documents", "Office\\Documents", "D:\\Sync\\Documents"},
                        Task{"Photos", "Media\\Photos\\2024", "D:\\Sync\\Photos"},
                        Task{"Builds", "Projects\\Quorvel\\Builds", "C:\\Builds"},
                        Task{"Reports", "Office\\Reports", ""}}) {
    const int position = doc.AddTask("Task").position;
    doc.RenameTask(position, t.name);
    doc.SetTaskSource(position, t.source);
    doc.SetTaskTarget(position, t.target);
  }
  qv::ConfigEditTurn turn;
  std::string busy;
  if (!turn.Take(directory, qv::kScriptTurnWaitMs, &busy)) {
    std::fprintf(stderr, "%s\n", busy.c_str());
    return 1;
  }
  const qv::SaveResult result = qv::SaveConfig(turn, doc);
  if (!result.ok) {
    std::fwprintf(stderr, L"%ls\n", result.error.c_str());
    return 1;
  }
  std::wprintf(L"wrote %lsCONFIGS.DAT with %zu tasks\n", directory.c_str(), doc.tasks.size());
  return 0;
}
