#pragma once
// A small sync server for trying the editor: it serves the folder tree below a local directory,
// one client at a time, to a client that logs on with the user and password it was given.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "listen_socket.h"
#include "net/socket_io.h"

namespace qv {

struct SyncServerOptions {
  std::string root;  // the directory whose subfolders form the top level
  std::string user;
  std::string password;
  // Above 0, every reply goes out a byte at a time with this pause before each byte: a slow
  // server, for trying how the editor waits.
  int byte_delay_ms = 0;
};

class SyncServer {
 public:
  using Log = std::function<void(const std::string&)>;
  // Requests larger than this end the client's connection.
  static constexpr std::int32_t kMaxPayload = 65536;

  explicit SyncServer(SyncServerOptions options, Log log = {});

  // Listens on 127.0.0.1; port 0 picks a free one.
  bool Listen(std::uint16_t port);
  std::uint16_t port() const { return port_; }

  // Waits at most `timeout_ms` (negative: without limit) for a client and serves it until it
  // leaves. False when no client came.
  bool ServeNextClient(int timeout_ms = -1);

 private:
  void Serve(Socket& client);
  bool Reply(Socket& client, const std::string& reply) const;
  void Note(const std::string& text) const;

  SyncServerOptions options_;
  Log log_;
  Socket listener_;
  std::uint16_t port_ = 0;
};

// Splits a requested path at its backslashes. False for a path that could leave the root: an
// empty, "." or ".." part, or one holding "/" or ":". An empty path has no parts.
bool SplitServerPath(const std::string& path, std::vector<std::string>& parts);

// The names of the subfolders of root/parts..., sorted, each in the ANSI code page on Windows
// and as stored elsewhere; names that a listing line cannot carry are left out. False when the
// folder cannot be read.
bool ListSubfolders(const std::string& root, const std::vector<std::string>& parts,
                    std::vector<std::string>& names);

}  // namespace qv
