#pragma once
// Runs a program as its own process, feeding its standard input and collecting its output.
#include <optional>
#include <string>
#include <vector>

namespace qv::test {

struct ProgramResult {
  int exit_code = -1;
  std::string out, err;
};

// A path the build gave (a host path) as this platform's programs spell it: Wine's Z: drive.
std::string ProgramPath(const std::string& built);

// `program` as the build names it (a host path; the Windows runner maps it onto Wine's Z:).
// None when it could not start or did not end within the deadline (it is then killed).
std::optional<ProgramResult> RunProgram(const std::string& program,
                                        const std::vector<std::string>& args,
                                        const std::string& input, int deadline_seconds = 120);

}  // namespace qv::test
