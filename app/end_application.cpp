#include <unistd.h>

#include <atomic>

#include "app/application.h"
#include "platform/events.h"
#include "platform/main_window.h"
#include "platform/ui_thread.h"

void EndApplication() {
  // The close box and a failed transfer may both get here at once: the first
  // caller ends the process, a later one waits for that end.
  static std::atomic<bool> ending{false};
  if (ending.exchange(true)) {
    for (;;) pause();
  }
  // Only the UI thread may touch the window; from a worker it stays on the
  // screen until the process is gone.
  if (OnUiThread()) {
    DiscardEvents();
    DestroyMainWindow();
  }
  // _exit: workers and transfers may still run, so no static destructor may
  // pull their state away under them.
  _exit(0);
}
