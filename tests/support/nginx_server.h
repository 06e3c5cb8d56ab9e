#pragma once

// A real nginx for tests that want the header layouts and redirects of a
// server used in the wild. It runs in the foreground as a child process with
// a prefix folder of its own (config, logs, temp files, document root), on a
// free port of 127.0.0.1, and is stopped and reaped in the destructor.

#include <sys/types.h>

#include <string>
#include <string_view>

namespace testserver {

class NginxServer {
 public:
  // `serverBlock` goes inside the server { } block after the listen line,
  // e.g. "location = /old { return 302 /new; }". Throws when nginx does not
  // come up.
  explicit NginxServer(const std::string& serverBlock = "");
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  // Writes a file under the document root, served as /name.
  void AddFile(const std::string& name, std::string_view content) const;
  int Port() const { return port_; }
  std::string Url(std::string_view path) const;

 private:
  bool Start(const std::string& serverBlock);
  void Stop();

  std::string prefix_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace testserver
