#include "cli/commands.h"
#include "cli/host.h"

int main(int argc, char** argv) {
  qv::cli::SystemConsole console;
  return qv::cli::RunQvconf(qv::cli::Utf8Arguments(argc, argv), console);
}
