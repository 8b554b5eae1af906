// syncserver: serves a local folder tree to the configuration editor's Browse button.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "syncserver_core.h"

namespace {

constexpr char kUsage[] =
    "usage: syncserver --root DIR --user NAME --password TEXT [--port N] [--byte-delay MS]\n"
    "\n"
    "Serves the folder tree below DIR on 127.0.0.1 to clients that log on with NAME and\n"
    "TEXT, one client at a time, until stopped. Logs briefly to stderr.\n"
    "\n"
    "  --root DIR       folder whose subfolders are the top level\n"
    "  --user NAME      the user name a logon must give\n"
    "  --password TEXT  the password a logon must give (may be empty)\n"
    "  --port N         TCP port, default 891; 0 picks a free one\n"
    "  --byte-delay MS  send every reply a byte at a time, MS milliseconds apart (a slow\n"
    "                   server, to try how the editor waits)\n"
    "  --help           show this text\n";

int Fail(const std::string& text) {
  std::fprintf(stderr, "syncserver: %s\n%s", text.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  qv::SyncServerOptions options;
  bool have_root = false, have_user = false, have_password = false;
  long port = 891;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 >= argc) return Fail("missing value after " + std::string(arg));
    std::string value = argv[++i];
    if (arg == "--root") {
      options.root = value;
      have_root = true;
    } else if (arg == "--user") {
      options.user = value;
      have_user = true;
    } else if (arg == "--password") {
      options.password = value;
      have_password = true;
    } else if (arg == "--port") {
      char* end = nullptr;
      port = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || port < 0 || port > 65535) {
        return Fail("bad port \"" + value + "\"");
      }
    } else if (arg == "--byte-delay") {
      char* end = nullptr;
      const long delay = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || delay < 0 || delay > 60000) {
        return Fail("bad byte delay \"" + value + "\"");
      }
      options.byte_delay_ms = static_cast<int>(delay);
    } else {
      return Fail("unknown option " + std::string(arg));
    }
  }
  if (!have_root || !have_user || !have_password) {
    return Fail("--root, --user and --password are required");
  }
  std::vector<std::string> top;
  if (!qv::ListSubfolders(options.root, {}, top)) return Fail("cannot read " + options.root);

  const std::string root = options.root;
  qv::SyncServer server(std::move(options), [](const std::string& text) {
    std::fprintf(stderr, "syncserver: %s\n", text.c_str());
  });
  if (!server.Listen(static_cast<std::uint16_t>(port))) {
    std::fprintf(stderr, "syncserver: cannot listen on 127.0.0.1:%ld\n", port);
    return 1;
  }
  std::fprintf(stderr, "syncserver: serving %s on 127.0.0.1:%u\n", root.c_str(),
               static_cast<unsigned>(server.port()));
  for (;;) server.ServeNextClient();
}
