#pragma once

// Shared by the hostile-service, hostile-disk, field-input and concurrency
// tests: a download worker run against the fault-injecting test server, with a
// recording stand-in for the window, and the checks of what the user keeps.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "download/download_worker.h"
#include "tests/integration/recording_host.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/test_http_server.h"

namespace hostile {

namespace fs = std::filesystem;

constexpr char kUserBytes[] = "the user's own bytes, never to be lost";

using ::RecordingHost;

// One worker on a thread of its own, as a press on "Download" starts it.
// `prepare` runs first on that thread (and so in the transfer thread it
// starts, which inherits the thread's properties).
class WorkerThread {
 public:
  WorkerThread(WorkerHost& host, Text serviceHost, const SharedText& videoId, SharedText& savePath,
               std::function<void()> prepare = {}) {
    std::packaged_task<WorkerOutcome()> task([&host, serviceHost, &videoId, &savePath, prepare] {
      if (prepare) prepare();
      return DownloadWorker(host, serviceHost, videoId, savePath);
    });
    outcome_ = task.get_future();
    thread_ = std::thread(std::move(task));
  }
  ~WorkerThread() {
    if (thread_.joinable()) thread_.join();
  }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // The outcome, or nothing when the worker has not ended within `limit`.
  std::optional<WorkerOutcome> Wait(std::chrono::seconds limit) {
    if (outcome_.wait_for(limit) != std::future_status::ready) return std::nullopt;
    thread_.join();
    return outcome_.get();
  }

 private:
  std::future<WorkerOutcome> outcome_;
  std::thread thread_;
};

// Stops the server when it goes out of scope: declared after a WorkerThread,
// it ends every exchange before the worker is joined, so that a failed
// assertion cannot leave the test waiting for a stalled transfer.
struct StopFirst {
  std::unique_ptr<testserver::TestHttpServer>& server;
  ~StopFirst() { server.reset(); }
};

class HostileFixture : public ::testing::Test {
 protected:
  HostileFixture() { videoId_.Set("q9JfxzGmj24"); }

  Text ServiceHost() const { return Text("127.0.0.1:" + std::to_string(server_->Port())); }
  std::string Url(const std::string& path) const { return server_->Url(path); }

  // The service answers every query with `answer` as its body.
  void ServiceAnswers(std::string answer) {
    server_->Route("/vd/vd.php", testserver::answers::Reply(200, std::move(answer)));
  }

  // Runs one worker to its end within `limit`. On a timeout the server is
  // stopped, which ends every exchange, so that the worker can be joined and
  // the test fails instead of hanging.
  std::optional<WorkerOutcome> RunWorker(RecordingHost& host, std::chrono::seconds limit = std::chrono::seconds(60),
                                         std::function<void()> prepare = {}) {
    WorkerThread worker(host, ServiceHost(), videoId_, savePath_, std::move(prepare));
    std::optional<WorkerOutcome> outcome = worker.Wait(limit);
    if (!outcome) server_.reset();
    return outcome;
  }

  // A file the user already has under the name the download will use.
  fs::path ExistingTarget(const std::string& name = "video.mp4") const {
    const fs::path path = dir_.path() / name;
    testserver::WriteFile(path, kUserBytes);
    return path;
  }

  // What the user keeps after a download that failed: the file of the
  // target's name as it was (or still absent), and no ".part" anywhere.
  static void ExpectNothingLost(const fs::path& target, bool existed) {
    if (existed) {
      EXPECT_TRUE(testserver::ReadFile(target) == kUserBytes) << target << " was changed";
    } else {
      EXPECT_FALSE(fs::exists(target)) << target << " appeared although the download failed";
    }
    ExpectNoPartFiles(target.parent_path());
  }

  static void ExpectNoPartFiles(const fs::path& folder) {
    std::error_code ignored;
    if (!fs::exists(folder, ignored)) return;
    for (const auto& entry : fs::directory_iterator(folder))
      EXPECT_NE(entry.path().extension(), ".part") << entry.path() << " was left behind";
  }

  std::unique_ptr<testserver::TestHttpServer> server_ = std::make_unique<testserver::TestHttpServer>();
  testserver::ScratchDir dir_;
  SharedText videoId_;
  SharedText savePath_;
};

}  // namespace hostile
