#pragma once

#include "download/download_worker.h"

// Gives a download worker the main window: the save dialog, the progress bar
// and the browser pane. Used on the worker's own thread.
class WindowWorkerHost final : public WorkerHost {
 public:
  Text ChooseSavePath() override;
  void SetProgress(int32_t value) override;
  void OpenInPane(const Text& path) override;
};
