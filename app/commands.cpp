#include "app/commands.h"

#include "app/application.h"
#include "app/build_config.h"
#include "app/control_numbers.h"
#include "app/folder_part.h"
#include "app/program_state.h"
#include "app/window_worker_host.h"
#include "download/download_worker.h"
#include "platform/controls.h"
#include "platform/desktop.h"
#include "platform/threads.h"

namespace {

void RunDownloadWorker() {
  WindowWorkerHost host;
  // A failed transfer ends the program, as the close box does.
  if (DownloadWorker(host, SERVICE_HOST, videoId, savePath) == WorkerOutcome::TransferFailed) EndApplication();
}

}  // namespace

void DownloadCommand() {
  videoId.Set(GetControlText(VideoIdField));
  StartThread(RunDownloadWorker);  // a thread that cannot start makes the press do nothing
}

void OpenFolderCommand() { LaunchOrOpen(FolderPart(savePath.Get())); }
