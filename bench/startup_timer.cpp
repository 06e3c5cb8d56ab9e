// Times start-up: from exec to the moment the banner page, loaded in the
// browser pane, asks for its picture. Plays the conversion service's host
// (which the programs have compiled in) on 127.0.0.1:PORT, so it must run
// where that port is free: in a private network namespace.
//
//   bench_startup PORT PNG_FILE RUNS LABEL=PROGRAM[,ARG...] [LABEL=PROGRAM...]
//
// Each round starts every program once, one after the other, in an order that
// changes round by round; one unreported warm-up round comes first. Prints
// "LABEL SECONDS" per start. Each program, with every process it started, is
// ended before the next one starts.

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto START_LIMIT = std::chrono::seconds(60);
constexpr auto END_LIMIT = std::chrono::seconds(10);

struct Program {
  std::string label;
  std::vector<std::string> command;
};

std::vector<std::string> SplitAtCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (std::size_t comma; (comma = text.find(',', from)) != std::string::npos; from = comma + 1)
    parts.push_back(text.substr(from, comma - from));
  parts.push_back(text.substr(from));
  return parts;
}

int Listen(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0) {
    std::perror("listen");
    std::exit(2);
  }
  return fd;
}

void SendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

// The request's path once its head has arrived, or nothing yet.
std::optional<std::string> RequestPath(const std::string& received) {
  if (received.find("\r\n\r\n") == std::string::npos) return std::nullopt;
  const auto space = received.find(' ');
  const auto end = received.find(' ', space + 1);
  if (space == std::string::npos || end == std::string::npos) return std::string();
  return received.substr(space + 1, end - space - 1);
}

std::string Answer(const std::string& path, const std::string& png) {
  // Never cached, so every start fetches the picture anew.
  if (path == "/ad.png")
    return "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " + std::to_string(png.size()) +
           "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + png;
  return "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
}

// Reaps every ended descendant (this process is their subreaper); true when
// none is left.
bool ReapAll() {
  for (;;) {
    const pid_t pid = waitpid(-1, nullptr, WNOHANG);
    if (pid > 0) continue;
    return pid < 0 && errno == ECHILD;
  }
}

void EndProgram(pid_t group) {
  kill(-group, SIGTERM);
  auto deadline = Clock::now() + END_LIMIT;
  while (!ReapAll() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  // Whatever ignored the request, or left the group, goes now.
  kill(-group, SIGKILL);
  deadline = Clock::now() + END_LIMIT;
  while (!ReapAll() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (!ReapAll()) {
    std::fprintf(stderr, "processes of the earlier start are still running\n");
    std::exit(2);
  }
}

// Seconds from exec to the picture's request; negative when it never came.
double TimeStart(const Program& program, int listener, const std::string& png) {
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    setpgid(0, 0);
    dup2(STDERR_FILENO, STDOUT_FILENO);  // stdout carries the timings only
    std::vector<char*> argv;
    for (const std::string& part : program.command) argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (child < 0) {
    std::perror("fork");
    std::exit(2);
  }
  setpgid(child, child);

  struct Client {
    int fd;
    std::string received;
  };
  std::vector<Client> clients;
  double seconds = -1;
  const Clock::time_point deadline = start + START_LIMIT;
  while (seconds < 0 && Clock::now() < deadline) {
    std::vector<pollfd> fds{{listener, POLLIN, 0}};
    for (const Client& c : clients) fds.push_back({c.fd, POLLIN, 0});
    if (poll(fds.data(), fds.size(), 50) <= 0) continue;
    if (fds[0].revents & POLLIN) {
      const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) clients.push_back({fd, {}});
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      Client& c = clients[i - 1];
      char buffer[4096];
      const ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
      if (n > 0) c.received.append(buffer, static_cast<std::size_t>(n));
      const std::optional<std::string> path = n > 0 ? RequestPath(c.received) : std::string("-");
      if (!path) continue;
      if (*path == "/ad.png") seconds = std::chrono::duration<double>(Clock::now() - start).count();
      if (n > 0) SendAll(c.fd, Answer(*path, png));
      close(c.fd);
      c.fd = -1;
    }
    std::erase_if(clients, [](const Client& c) { return c.fd < 0; });
  }
  for (const Client& c : clients) close(c.fd);
  EndProgram(child);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s PORT PNG_FILE RUNS LABEL=PROGRAM[,ARG...] [LABEL=PROGRAM...]\n", argv[0]);
    return 2;
  }
  const int port = std::atoi(argv[1]);
  std::ifstream pngFile(argv[2], std::ios::binary);
  const std::string png((std::istreambuf_iterator<char>(pngFile)), std::istreambuf_iterator<char>());
  const int runs = std::atoi(argv[3]);
  std::vector<Program> programs;
  for (int i = 4; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto equals = arg.find('=');
    if (equals == std::string::npos) return 2;
    programs.push_back({arg.substr(0, equals), SplitAtCommas(arg.substr(equals + 1))});
  }
  if (png.empty() || runs < 1) return 2;

  // The programs' own helper processes outlive them briefly; as their
  // subreaper this process sees when the last one has gone.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  const int listener = Listen(port);
  for (int round = 0; round <= runs; ++round) {
    for (std::size_t k = 0; k < programs.size(); ++k) {
      // Rotated and, every other round, reversed: no program always follows
      // the same one.
      const std::size_t slot = round % 2 == 0 ? k : programs.size() - 1 - k;
      const Program& program = programs[(slot + static_cast<std::size_t>(round)) % programs.size()];
      const double seconds = TimeStart(program, listener, png);
      if (seconds < 0) {
        std::fprintf(stderr, "%s never asked for the banner picture\n", program.label.c_str());
        return 1;
      }
      if (round > 0) std::printf("%s %.4f\n", program.label.c_str(), seconds);
      std::fflush(stdout);
      // Let the display and the window manager settle after the window went.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
  }
  return 0;
}
