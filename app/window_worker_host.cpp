#include "app/window_worker_host.h"

#include "app/control_numbers.h"
#include "platform/controls.h"
#include "platform/save_dialog.h"

Text WindowWorkerHost::ChooseSavePath() { return ChooseSaveFileName("Select the name For the Mp4", "Mp4 (*.mp4)"); }

void WindowWorkerHost::SetProgress(int32_t value) { SetControlState(ProgressBar, value); }

void WindowWorkerHost::OpenInPane(const Text& path) { SetControlText(BrowserPane, path); }
