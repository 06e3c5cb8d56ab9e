#include "platform/threads.h"

#include <atomic>
#include <system_error>
#include <thread>

int64_t StartThread(std::function<void()> procedure) {
  static std::atomic<int64_t> next_number{1};
  try {
    // The thread owns its procedure (a value); the program ends with _exit,
    // so nothing waits for it.
    std::thread(std::move(procedure)).detach();
  } catch (const std::system_error&) {
    return 0;
  }
  return next_number++;
}
