// One download through the program's own worker, without a window: service
// query, save name, size probes, background transfer polled every 5 ms, bar
// updates by the whole-percentage rule. Only the window is replaced, by a host
// that counts what would reach the bar.
//
//   bench_transfer SERVICE_HOST VIDEO_ID SAVE_PATH
//
// Prints "bar_updates=N pane_opened=0|1" and exits 0 when the download
// succeeded, 1 otherwise.

#include <cstdint>
#include <cstdio>
#include <utility>

#include "download/download_worker.h"
#include "text/shared_text.h"

namespace {

class CountingHost : public WorkerHost {
 public:
  explicit CountingHost(Text savePath) : savePath_(std::move(savePath)) {}

  Text ChooseSavePath() override { return savePath_; }
  // The real host blocks until the UI thread has moved the bar; here the
  // call only counts, so the measured cost is the transfer's own.
  void SetProgress(int32_t) override { ++barUpdates; }
  void OpenInPane(const Text&) override { paneOpened = true; }

  int64_t barUpdates = 0;
  bool paneOpened = false;

 private:
  Text savePath_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s SERVICE_HOST VIDEO_ID SAVE_PATH\n", argv[0]);
    return 2;
  }
  SharedText videoId;
  SharedText savePath;
  videoId.Set(Text(argv[2]));
  CountingHost host{Text(argv[3])};
  const WorkerOutcome outcome = DownloadWorker(host, Text(argv[1]), videoId, savePath);
  std::printf("bar_updates=%lld pane_opened=%d\n", static_cast<long long>(host.barUpdates), host.paneOpened ? 1 : 0);
  return outcome == WorkerOutcome::Succeeded ? 0 : 1;
}
