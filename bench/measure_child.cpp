// Runs one command and reports what it cost, from the kernel's own account
// of the child (wait4), so every client is measured the same way.
//
//   bench_measure RESULT_FILE COMMAND [ARG...]
//
// Writes one line to RESULT_FILE: "wall_s user_s sys_s maxrss_kib exit_code";
// the command's own output passes through. Exits with the command's code.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace {

double Seconds(const timespec& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9; }
double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s RESULT_FILE COMMAND [ARG...]\n", argv[0]);
    return 2;
  }
  timespec start{}, end{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  const pid_t child = fork();
  if (child < 0) {
    std::perror("fork");
    return 2;
  }
  if (child == 0) {
    execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  pid_t waited;
  do {
    waited = wait4(child, &status, 0, &usage);
  } while (waited < 0 && errno == EINTR);
  clock_gettime(CLOCK_MONOTONIC, &end);
  if (waited < 0) {
    std::perror("wait4");
    return 2;
  }
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::FILE* result = std::fopen(argv[1], "w");
  if (result == nullptr) {
    std::perror(argv[1]);
    return 2;
  }
  std::fprintf(result, "%.6f %.6f %.6f %ld %d\n", Seconds(end) - Seconds(start), Seconds(usage.ru_utime),
               Seconds(usage.ru_stime), usage.ru_maxrss, code);
  std::fclose(result);
  return code;
}
