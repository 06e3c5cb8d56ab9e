// Five downloads at once, as five presses on "Download" start them: each
// worker on its own thread with its own dialog answer and video ID, all five
// transfers held open at the same time by the server. Each file gets its own
// bytes; a failure in one leaves the others running to their end.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/integration/hostile_fixture.h"

namespace {

namespace fs = std::filesystem;
using hostile::HostileFixture;
using hostile::RecordingHost;
using hostile::WorkerThread;
using testserver::Connection;
using testserver::Gate;
namespace answers = testserver::answers;

constexpr int kDownloads = 5;
constexpr std::size_t kSize = 300000;

std::string Body(int index) { return testserver::GeneratedBytes(100 + static_cast<uint64_t>(index), 0, kSize); }

class ConcurrentDownloads : public HostileFixture {
 protected:
  // The service answers "vid=vN" with the address of video N, which
  // redirects to its file. Every file's body stops halfway until `release`
  // opens; `started` counts the bodies that have begun. Video `failing`
  // (if any) answers 404.
  void ServeVideos(const Gate& release, int failing = -1) {
    server_->Route("/vd/vd.php", [this](Connection& c) {
      const std::string& target = c.request().target;
      const std::size_t at = target.find("vid=");
      const std::string id = at == std::string::npos ? "" : target.substr(at + 4, target.find('&', at) - at - 4);
      answers::Reply(200, Url("/hop/" + id))(c);
    });
    for (int i = 0; i < kDownloads; ++i) {
      const std::string media = "/media/v" + std::to_string(i) + ".mp4";
      server_->Route("/hop/v" + std::to_string(i), answers::Redirect(media));
      if (i == failing) continue;  // unknown paths answer 404
      server_->Route(media, [body = Body(i), release, started = started_](Connection& c) {
        const std::string head =
            "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
        if (c.request().method == "HEAD") {
          c.Send(head);
          return;
        }
        if (!c.Send(head + body.substr(0, body.size() / 2))) return;
        ++*started;
        if (c.WaitFor(release)) c.Send(body.substr(body.size() / 2));
      });
    }
  }

  // Starts download N: its own ID "vN" and its own name "clipN" in the
  // dialog.
  void StartAll() {
    for (int i = 0; i < kDownloads; ++i) Start(i, dir_.path() / ("clip" + std::to_string(i)));
  }

  // Starts download N of video N into `name`.
  void Start(int index, const fs::path& name) {
    ids_[index].Set(Text("v" + std::to_string(index)));
    hosts_[index] = std::make_unique<RecordingHost>(name.string());
    workers_[index] = std::make_unique<WorkerThread>(*hosts_[index], ServiceHost(), ids_[index], savePath_);
  }

  fs::path Target(int index) const { return dir_.path() / ("clip" + std::to_string(index) + ".mp4"); }

  // True once `count` bodies are halfway, within a time limit.
  bool WaitForStarted(int count) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (started_->load() < count && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return started_->load() >= count;
  }

  std::shared_ptr<std::atomic<int>> started_ = std::make_shared<std::atomic<int>>(0);
  std::array<SharedText, kDownloads> ids_;
  std::array<std::unique_ptr<RecordingHost>, kDownloads> hosts_;
  std::array<std::unique_ptr<WorkerThread>, kDownloads> workers_;
};

TEST_F(ConcurrentDownloads, FiveAtOnceEachIntoItsOwnName) {
  Gate release;
  ServeVideos(release);
  StartAll();
  const hostile::StopFirst stopFirst{server_};

  // All five transfers are in the middle of their bodies at the same time.
  ASSERT_TRUE(WaitForStarted(kDownloads));
  release.Open();

  for (int i = 0; i < kDownloads; ++i) {
    SCOPED_TRACE("download " + std::to_string(i));
    const auto outcome = workers_[i]->Wait(std::chrono::seconds(60));
    ASSERT_TRUE(outcome.has_value()) << "did not end";
    EXPECT_EQ(*outcome, WorkerOutcome::Succeeded);
    EXPECT_TRUE(testserver::ReadFile(Target(i)) == Body(i)) << "the file holds other bytes than its own";
    EXPECT_EQ(hosts_[i]->Panes(), std::vector<Text>{Text(Target(i).string())});
  }
  ExpectNoPartFiles(dir_.path());
}

TEST_F(ConcurrentDownloads, OneFailingLeavesTheOthersRunningToTheirEnd) {
  constexpr int kFailing = 2;
  Gate release;
  ServeVideos(release, kFailing);
  StartAll();
  const hostile::StopFirst stopFirst{server_};

  // The failure comes while the other four are held halfway.
  ASSERT_TRUE(WaitForStarted(kDownloads - 1));
  const auto failed = workers_[kFailing]->Wait(std::chrono::seconds(60));
  ASSERT_TRUE(failed.has_value());
  EXPECT_EQ(*failed, WorkerOutcome::TransferFailed);
  EXPECT_FALSE(fs::exists(Target(kFailing)));
  release.Open();

  for (int i = 0; i < kDownloads; ++i) {
    if (i == kFailing) continue;
    SCOPED_TRACE("download " + std::to_string(i));
    const auto outcome = workers_[i]->Wait(std::chrono::seconds(60));
    ASSERT_TRUE(outcome.has_value()) << "did not end";
    EXPECT_EQ(*outcome, WorkerOutcome::Succeeded);
    EXPECT_TRUE(testserver::ReadFile(Target(i)) == Body(i)) << "the file holds other bytes than its own";
  }
  ExpectNoPartFiles(dir_.path());
}

// The user picks the same name for a second download while the first still
// runs. The first one's file is being written and is not shared for writing:
// the second cannot have it, fails, and leaves it alone, so the first ends
// with its own bytes, whole.
TEST_F(ConcurrentDownloads, SecondDownloadIntoARunningOnesNameFailsWithoutTouchingIt) {
  Gate release;
  ServeVideos(release);
  const hostile::StopFirst stopFirst{server_};
  const fs::path name = dir_.path() / "same.mp4";
  Start(0, name);
  ASSERT_TRUE(WaitForStarted(1));

  Start(1, name);
  auto second = workers_[1]->Wait(std::chrono::seconds(30));
  EXPECT_TRUE(second.has_value()) << "the second download waited for the first one's file";
  release.Open();
  const auto first = workers_[0]->Wait(std::chrono::seconds(60));
  if (!second) second = workers_[1]->Wait(std::chrono::seconds(60));

  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(*second, WorkerOutcome::TransferFailed);
  EXPECT_EQ(started_->load(), 1) << "the second download's transfer reached the server";
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(*first, WorkerOutcome::Succeeded);
  EXPECT_TRUE(testserver::ReadFile(name) == Body(0)) << "the first download's file was damaged";
  ExpectNoPartFiles(dir_.path());
}

}  // namespace
