#pragma once
// qvconf: reads and changes CONFIGS.DAT from the command line with the editor's rules.
#include <string>
#include <vector>

#include "cli/host.h"

namespace qv::cli {

// Exit codes: done (or `check` found nothing); an edit the editor's rules refuse (or `check`
// found problems); the file could not be read or written, or the input was bad.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitProblems = 1;
inline constexpr int kExitError = 2;

// `args` in UTF-8, the program's name first.
int RunQvconf(const std::vector<std::string>& args, Console& console);

}  // namespace qv::cli
