#include "tests/support/nginx_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace testserver {

namespace {

constexpr const char* kNginx = "/usr/sbin/nginx";

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

// A port that was free a moment ago. nginx cannot report a port the system
// picked, so the port is chosen here; Start retries if another process takes
// it first.
int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  int port = 0;
  if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  if (fd >= 0) ::close(fd);
  return port;
}

bool Accepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(port);
  const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (fd >= 0) ::close(fd);
  return ok;
}

}  // namespace

NginxServer::NginxServer(const std::string& serverBlock) {
  std::string pattern = (std::filesystem::temp_directory_path() / "nginx-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  prefix_ = pattern;
  std::filesystem::create_directories(prefix_ + "/www");
  std::filesystem::create_directories(prefix_ + "/tmp");
  for (int attempt = 0; attempt < 5; ++attempt)
    if (Start(serverBlock)) return;
  std::filesystem::remove_all(prefix_);
  throw std::runtime_error("nginx did not start");
}

NginxServer::~NginxServer() {
  Stop();
  std::error_code ignored;
  std::filesystem::remove_all(prefix_, ignored);
}

bool NginxServer::Start(const std::string& serverBlock) {
  port_ = FreePort();
  if (port_ == 0) return false;
  const std::string& p = prefix_;
  {
    std::ofstream config(p + "/nginx.conf", std::ios::trunc);
    // One process in the foreground, as the user running the tests, so that
    // it can read the document root and ends when we say so.
    config << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
           << "pid " << p << "/nginx.pid;\nerror_log " << p << "/error.log;\n"
           << "events { worker_connections 64; }\n"
           << "http {\n  access_log off;\n  default_type application/octet-stream;\n"
           << "  client_body_temp_path " << p << "/tmp/body;\n  proxy_temp_path " << p << "/tmp/proxy;\n"
           << "  fastcgi_temp_path " << p << "/tmp/fastcgi;\n  uwsgi_temp_path " << p << "/tmp/uwsgi;\n"
           << "  scgi_temp_path " << p << "/tmp/scgi;\n"
           << "  server {\n    listen 127.0.0.1:" << port_ << ";\n    root " << p << "/www;\n"
           << "    " << serverBlock << "\n  }\n}\n";
  }
  const std::string config = p + "/nginx.conf";
  const std::string errorLog = p + "/error.log";
  pid_ = ::fork();
  if (pid_ < 0) return false;
  if (pid_ == 0) {
    ::execl(kNginx, kNginx, "-p", p.c_str(), "-c", config.c_str(), "-e", errorLog.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {  // exited: the port was taken, or a bad config
      pid_ = -1;
      return false;
    }
    if (Accepts(port_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Stop();
  return false;
}

void NginxServer::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  pid_ = -1;
}

void NginxServer::AddFile(const std::string& name, std::string_view content) const {
  std::ofstream file(prefix_ + "/www/" + name, std::ios::binary | std::ios::trunc);
  file.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string NginxServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

}  // namespace testserver
