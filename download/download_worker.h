#pragma once

#include <cstdint>

#include "text/shared_text.h"
#include "text/text.h"

// What the worker needs from the window. The application supplies it over
// the platform layer; tests supply their own, so that the worker's logic
// runs without a display.
class WorkerHost {
 public:
  virtual ~WorkerHost() = default;
  // The save dialog: the chosen full path, or the empty text on cancel.
  virtual Text ChooseSavePath() = 0;
  // Moves the progress bar; -1 is the moving band. Returns once applied.
  virtual void SetProgress(int32_t value) = 0;
  // Opens a local file in the browser pane.
  virtual void OpenInPane(const Text& path) = 0;
};

enum class WorkerOutcome { Succeeded, Cancelled, NotStarted, TransferFailed };

// One download from service query to saved file. Reads `videoId` once at its
// start; downloads into the name its own dialog gave and stores that name in
// `savePath` for "Open Folder". Polls the transfer every 5 ms; blocks until it
// has ended. The caller ends the program on TransferFailed.
WorkerOutcome DownloadWorker(WorkerHost& host, const Text& serviceHost, const SharedText& videoId,
                             SharedText& savePath);

// ".mp4" appended unless the name already holds it in any case.
Text WithMp4Extension(const Text& name);

// Whole percentage of `progress` in `fileSize`, rounded half away from zero,
// not clamped to 0..100 (a server that sends more than it announced goes past
// 100); only a result beyond the 32-bit range saturates. `fileSize` > 0.
int32_t ProgressPercent(int64_t progress, int64_t fileSize);

// A redirect target as an absolute address: a relative one ("/media/x.mp4",
// "x.mp4", "//host/x.mp4") is resolved against `address`, the address that
// answered with it; an absolute one comes back unchanged. When either cannot
// be parsed, `target` comes back unchanged.
Text ResolveRedirectTarget(const Text& address, const Text& target);
