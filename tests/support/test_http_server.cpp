#include "tests/support/test_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace testserver {

namespace {

constexpr std::size_t kMaxRequestHead = 1 << 20;

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

Request ParseRequest(const std::string& head) {
  Request request;
  std::size_t lineStart = 0;
  bool first = true;
  while (lineStart < head.size()) {
    std::size_t lineEnd = head.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = head.size();
    std::string_view line = Trim(std::string_view(head).substr(lineStart, lineEnd - lineStart));
    lineStart = lineEnd + 1;
    if (line.empty()) break;
    if (first) {
      first = false;
      const std::size_t a = line.find(' ');
      const std::size_t b = line.find(' ', a == std::string_view::npos ? a : a + 1);
      request.method = std::string(line.substr(0, a));
      if (a != std::string_view::npos) request.target = std::string(line.substr(a + 1, b - a - 1));
      request.path = request.target.substr(0, request.target.find('?'));
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    request.headers.emplace_back(std::string(line.substr(0, colon)), std::string(Trim(line.substr(colon + 1))));
  }
  return request;
}

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

}  // namespace

std::string Request::Header(std::string_view name) const {
  for (const auto& [key, value] : headers)
    if (EqualNoCase(key, name)) return value;
  return {};
}

bool Request::HasHeader(std::string_view name) const {
  return std::any_of(headers.begin(), headers.end(), [&](const auto& h) { return EqualNoCase(h.first, name); });
}

Gate::Gate() {
  const int fd = ::eventfd(0, EFD_CLOEXEC);
  if (fd < 0) throw std::runtime_error("eventfd failed");
  fd_ = std::shared_ptr<const int>(new int(fd), [](const int* p) {
    ::close(*p);
    delete p;
  });
}

void Gate::Open() const {
  const uint64_t one = 1;
  // Never read back, so the descriptor stays readable for every waiter.
  [[maybe_unused]] ssize_t n = ::write(*fd_, &one, sizeof one);
}

int Gate::fd() const { return *fd_; }

Connection::Connection(int fd, int stopFd, Request request)
    : fd_(fd), stopFd_(stopFd), request_(std::move(request)) {}

bool Connection::Send(std::string_view bytes) {
  while (!broken_ && !bytes.empty()) {
    const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      broken_ = true;
      break;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return !broken_;
}

bool Connection::WaitForAny(int extraFd) {
  pollfd fds[3] = {{stopFd_, POLLIN, 0}, {fd_, POLLIN | POLLRDHUP, 0}, {extraFd, POLLIN, 0}};
  const nfds_t count = extraFd >= 0 ? 3 : 2;
  while (::poll(fds, count, -1) < 0 && errno == EINTR) {
  }
  return count == 3 && fds[2].revents != 0 && fds[0].revents == 0 && fds[1].revents == 0;
}

bool Connection::WaitFor(const Gate& gate) { return !broken_ && WaitForAny(gate.fd()); }

void Connection::Stall() {
  if (!broken_) WaitForAny(-1);
}

struct TestHttpServer::State {
  int listenFd = -1;
  int stopPipe[2] = {-1, -1};
  int port = 0;
  std::thread acceptor;

  mutable std::mutex mutex;
  std::map<std::string, Handler> routes;
  std::vector<Request> requests;
  std::vector<std::thread> connections;
  std::map<int, int> openFds;  // fd -> fd, for waking blocked sends at the end
  bool stopping = false;

  void AcceptLoop();
  void Serve(int fd);
  bool ReadHead(int fd, std::string& head);
};

bool TestHttpServer::State::ReadHead(int fd, std::string& head) {
  char buffer[4096];
  while (head.size() < kMaxRequestHead) {
    if (head.find("\r\n\r\n") != std::string::npos || head.find("\n\n") != std::string::npos) return true;
    pollfd fds[2] = {{stopPipe[0], POLLIN, 0}, {fd, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (fds[0].revents != 0) return false;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    head.append(buffer, static_cast<std::size_t>(n));
  }
  return false;
}

void TestHttpServer::State::Serve(int fd) {
  std::string head;
  if (ReadHead(fd, head)) {
    Request request = ParseRequest(head);
    Handler handler;
    {
      std::lock_guard lock(mutex);
      requests.push_back(request);
      auto route = routes.find(request.path);
      handler = route != routes.end() ? route->second : answers::Reply(404, "not found");
    }
    Connection connection(fd, stopPipe[0], std::move(request));
    handler(connection);
  }
  {
    std::lock_guard lock(mutex);
    openFds.erase(fd);
  }
  // A FIN after the last byte: whatever was sent reaches the client.
  ::shutdown(fd, SHUT_WR);
  ::close(fd);
}

void TestHttpServer::State::AcceptLoop() {
  for (;;) {
    pollfd fds[2] = {{stopPipe[0], POLLIN, 0}, {listenFd, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents != 0) return;
    const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::lock_guard lock(mutex);
    if (stopping) {
      ::close(fd);
      return;
    }
    openFds[fd] = fd;
    connections.emplace_back([this, fd] { Serve(fd); });
  }
}

TestHttpServer::TestHttpServer() : state_(std::make_unique<State>()) {
  State& s = *state_;
  if (::pipe2(s.stopPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  s.listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (s.listenFd < 0 || ::bind(s.listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(s.listenFd, 64) != 0 ||
      ::getsockname(s.listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::runtime_error("cannot listen on 127.0.0.1");
  s.port = ntohs(address.sin_port);
  s.acceptor = std::thread([&s] { s.AcceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
  State& s = *state_;
  {
    std::lock_guard lock(s.mutex);
    s.stopping = true;
  }
  [[maybe_unused]] ssize_t n = ::write(s.stopPipe[1], "x", 1);  // wakes the acceptor and every waiting route
  s.acceptor.join();
  {
    std::lock_guard lock(s.mutex);
    for (const auto& [fd, unused] : s.openFds) ::shutdown(fd, SHUT_RDWR);  // unblocks sends
  }
  // No new connection threads can appear now; the list is stable.
  for (std::thread& t : s.connections) t.join();
  ::close(s.listenFd);
  ::close(s.stopPipe[0]);
  ::close(s.stopPipe[1]);
}

void TestHttpServer::Route(const std::string& path, Handler handler) {
  std::lock_guard lock(state_->mutex);
  state_->routes[path] = std::move(handler);
}

int TestHttpServer::Port() const { return state_->port; }

std::string TestHttpServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(state_->port) + std::string(path);
}

std::vector<Request> TestHttpServer::Requests() const {
  std::lock_guard lock(state_->mutex);
  return state_->requests;
}

std::vector<Request> TestHttpServer::RequestsFor(std::string_view path) const {
  std::vector<Request> found;
  for (Request& r : Requests())
    if (r.path == path) found.push_back(std::move(r));
  return found;
}

std::string GeneratedBytes(uint64_t seed, uint64_t offset, std::size_t count) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count;) {
    const uint64_t at = offset + i;
    const uint64_t word = (at / 8) * 8 ^ (seed * 0x9E3779B97F4A7C15ull);
    const std::size_t inWord = at % 8;
    const std::size_t take = std::min<std::size_t>(8 - inWord, count - i);
    std::memcpy(&bytes[i], reinterpret_cast<const char*>(&word) + inWord, take);
    i += take;
  }
  return bytes;
}

namespace answers {

Handler Exact(std::string bytes) {
  return [bytes = std::move(bytes)](Connection& c) { c.Send(bytes); };
}

Handler Reply(int status, std::string body, std::vector<std::string> extraHeaders) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
  for (const std::string& line : extraHeaders) head += line + "\r\n";
  head += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
  return [head = std::move(head), body = std::move(body)](Connection& c) {
    c.Send(head);
    if (c.request().method != "HEAD") c.Send(body);
  };
}

Handler Redirect(std::string location, int status) {
  return Reply(status, "", {"Location: " + location});
}

Handler Pieces(std::string head, std::vector<std::string> pieces) {
  return [head = std::move(head), pieces = std::move(pieces)](Connection& c) {
    c.Send(head);
    for (const std::string& piece : pieces) {
      // Lets each piece leave as a segment of its own.
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      if (!c.Send(piece)) return;
    }
  };
}

Handler Endless(std::string head, std::string pattern, uint64_t limit) {
  return [head = std::move(head), pattern = std::move(pattern), limit](Connection& c) {
    uint64_t sent = 0;
    if (!c.Send(head)) return;
    while (sent < limit && c.Send(pattern)) sent += pattern.size();
  };
}

Handler Generated(uint64_t size, uint64_t seed) {
  return [size, seed](Connection& c) {
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) +
                             "\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n\r\n";
    if (!c.Send(head) || c.request().method == "HEAD") return;
    constexpr uint64_t kChunk = 256 * 1024;
    for (uint64_t offset = 0; offset < size; offset += kChunk)
      if (!c.Send(GeneratedBytes(seed, offset, static_cast<std::size_t>(std::min(kChunk, size - offset))))) return;
  };
}

Handler Stall(std::string head) {
  return [head = std::move(head)](Connection& c) {
    c.Send(head);
    c.Stall();
  };
}

}  // namespace answers

}  // namespace testserver
