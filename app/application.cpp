#include "app/application.h"

#include "app/build_controls.h"
#include "app/commands.h"
#include "app/control_numbers.h"
#include "app/window_geometry.h"
#include "platform/desktop.h"
#include "platform/events.h"
#include "platform/main_window.h"
#include "platform/ui_thread.h"

namespace {

// Waits for events until the close box has been taken. Neither command waits
// for anything, so the loop is back at once.
void RunEventLoop() {
  int32_t quitRequested = 0;
  while (quitRequested != 1) {
    const int32_t lastEvent = NextEvent();
    if (lastEvent == EVENT_CONTROL) {
      switch (EventControl()) {
        case DownloadButton:
          DownloadCommand();
          break;
        case OpenFolderButton:
          OpenFolderCommand();
          break;
        default:  // the field and the pane report changes nobody acts on
          break;
      }
    }
    if (lastEvent == EVENT_CLOSE_WINDOW) quitRequested = 1;
  }
}

}  // namespace

void RunApplication() {
  if (!InitUiThread()) EndApplication();
  const Size desktop = DesktopSize();
  const Size client = WindowSizeForDesktop(desktop);
  if (!OpenMainWindow(WindowTitle(), client, [desktop](Size outer) { return CentredPosition(desktop, outer); }))
    EndApplication();
  BuildControls(client);
  RunEventLoop();
  EndApplication();
}
