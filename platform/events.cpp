#include "platform/events.h"

#include <deque>

#include "platform/ui_thread.h"

namespace {

struct Event {
  int32_t code;
  int32_t number;
};

// Only the UI thread queues and takes events, so no lock is needed.
std::deque<Event> queue;
int32_t lastNumber = 0;

}  // namespace

int32_t NextEvent() {
  if (queue.empty()) {
    PumpUiOnce(true);
    if (queue.empty()) {
      lastNumber = 0;
      return 0;
    }
  }
  const Event event = queue.front();
  queue.pop_front();
  lastNumber = event.number;
  return event.code;
}

int32_t EventControl() { return lastNumber; }

void QueueEvent(int32_t code, int32_t number) { queue.push_back({code, number}); }

void DiscardEvents() { queue.clear(); }
