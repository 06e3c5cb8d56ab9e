// A small program over the platform layer alone, for tests that need to drive
// controls from other threads: a window with a progress bar and a browser
// pane, commands read line by line from stdin, each run on a thread of its
// own as a download worker would, and answers on stdout.
//
//   state V   -> SetControlState(bar, V) from a new thread; "applied V" once it returned
//   dialog    -> the save dialog from a new thread; "chosen PATH" when it closes
//   pane TEXT -> SetControlText(pane, TEXT) from a new thread; "placed" once it returned
//
// While the pane gets ready, a thread keeps setting the bar; the first line
// is "updates-during-readiness N" with the number of calls that returned then.
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "platform/browser_pane.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/main_window.h"
#include "platform/save_dialog.h"
#include "platform/threads.h"
#include "platform/ui_thread.h"
#include "text/pause.h"

namespace {

constexpr int32_t BAR = 20;
constexpr int32_t PANE = 10;

std::mutex outputMutex;

void Say(const std::string& line) {
  std::lock_guard lock(outputMutex);
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

void RunCommand(const std::string& line) {
  if (line.rfind("state ", 0) == 0) {
    const auto value = static_cast<int32_t>(std::stoll(line.substr(6)));
    SetControlState(BAR, value);
    Say("applied " + std::to_string(value));
  } else if (line == "dialog") {
    Say("chosen " + ChooseSaveFileName("Select the name For the Mp4", "Mp4 (*.mp4)").str());
  } else if (line.rfind("pane ", 0) == 0) {
    SetControlText(PANE, line.substr(5));
    Say("placed");
  }
}

void ReadCommands() {
  std::string line;
  while (std::getline(std::cin, line)) StartThread([line] { RunCommand(line); });
}

}  // namespace

int main() {
  if (!InitUiThread()) return 1;
  if (!OpenMainWindow("Control probe", {640, 480}, [](Size) { return Point{0, 0}; })) return 1;
  CreateProgressBar(BAR, {170, 70, 300, 50});

  // A worker that moves the bar while the UI thread waits for the pane.
  std::atomic<bool> paneReady{false};
  std::atomic<int> updates{0};
  std::atomic<bool> moverDone{false};
  std::thread mover([&] {
    while (!paneReady) {
      SetControlState(BAR, updates % 100);
      ++updates;
      Pause(1);
    }
    moverDone = true;
  });
  CreateBrowserPane(PANE, {10, 150, 620, 320}, "about:<p>probe</p>");
  const int duringReadiness = updates;
  paneReady = true;
  // The mover may be waiting for the UI thread: serve it until it is done.
  while (!moverDone) {
    if (!PumpUiOnce(false)) Pause(1);
  }
  mover.join();
  SetControlState(BAR, 0);
  Say("updates-during-readiness " + std::to_string(duringReadiness));

  StartThread(ReadCommands);
  while (NextEvent() != EVENT_CLOSE_WINDOW) {
  }
  _exit(0);
}
