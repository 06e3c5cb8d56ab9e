// The download worker's whole road against a real HTTP server on 127.0.0.1:
// service query, save dialog, size probes, background transfer, progress bar
// and browser pane. The window is a recording stand-in, so no display is
// needed; the server holds each piece of the file back until the bar has
// shown the piece before it, so the bar's course does not depend on timing.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <map>
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
#include "tests/support/test_http_server.h"

namespace {

namespace fs = std::filesystem;
using testserver::Connection;
using testserver::Gate;
using testserver::Handler;
using testserver::TestHttpServer;

constexpr char kVideoId[] = "q9JfxzGmj24";
constexpr std::size_t kPieces = 10;
constexpr std::size_t kPieceSize = 64 * 1024;

// Answers GET with `head` and the pieces; before each piece after the first
// it waits for the gate of the piece before. After the first gate it holds
// the count still for a while, so the worker polls the same count many times
// over. HEAD gets `probeHead`, or `head` when there is none.
Handler HeldPieces(std::string head, std::vector<std::string> pieces, std::vector<Gate> gates,
                   std::string probeHead = "") {
  if (probeHead.empty()) probeHead = head;
  return [=](Connection& c) {
    if (c.request().method == "HEAD") {
      c.Send(probeHead);
      return;
    }
    if (!c.Send(head)) return;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (i > 0) {
        if (!c.WaitFor(gates[i - 1])) return;
        if (i == 1) std::this_thread::sleep_for(std::chrono::milliseconds(60));
      }
      if (!c.Send(pieces[i])) return;
    }
  };
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class WorkerRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::path(::testing::TempDir()) / "worker-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    videoId_.Set(kVideoId);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The service answers the query with the file's address on the same server.
  void ServeAddress(const std::string& path) {
    server_->Route("/vd/vd.php", testserver::answers::Reply(200, server_->Url(path)));
  }

  // Runs one worker on a thread of its own, as the window does, and waits for
  // it within a time limit. Empty when it did not end in time; the server is
  // then stopped, which ends every exchange, so the worker can be joined.
  std::optional<WorkerOutcome> RunWorker(RecordingHost& host) {
    const Text serviceHost = Text("127.0.0.1:" + std::to_string(server_->Port()));
    std::packaged_task<WorkerOutcome()> task([&] { return DownloadWorker(host, serviceHost, videoId_, savePath_); });
    std::future<WorkerOutcome> outcome = task.get_future();
    std::thread worker(std::move(task));
    const bool ended = outcome.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    if (!ended) server_.reset();
    worker.join();
    if (!ended) return std::nullopt;
    return outcome.get();
  }

  std::vector<fs::path> FilesInDir() const {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir_)) files.push_back(entry.path().filename());
    return files;
  }

  std::unique_ptr<TestHttpServer> server_ = std::make_unique<TestHttpServer>();
  fs::path dir_;
  SharedText videoId_;
  SharedText savePath_;
};

// The service's address redirects to the file, as the real service does;
// the redirect target is written absolute or relative to that address.
class WorkerSuccess : public WorkerRoad, public ::testing::WithParamInterface<bool> {};

TEST_P(WorkerSuccess, SavesTheFileOpensItAndDrivesTheBarUpOnlyOnChange) {
  const bool relativeTarget = GetParam();
  const std::string body = testserver::GeneratedBytes(7, 0, kPieces * kPieceSize);
  std::vector<std::string> pieces;
  std::vector<Gate> gates;
  RecordingHost host((dir_ / "clip").string());
  for (std::size_t i = 0; i < kPieces; ++i) {
    pieces.push_back(body.substr(i * kPieceSize, kPieceSize));
    // Each piece is a tenth of the file: the bar shows 10, 20, ... after it.
    gates.emplace_back();
    host.OpenWhenShown(static_cast<int32_t>((i + 1) * 100 / kPieces), gates.back());
    // A worker that lost the size shows the band instead: let the pieces go,
    // so that the test fails at once rather than at its time limit.
    host.OpenWhenShown(-1, gates.back());
  }
  ServeAddress("/file/abc");
  server_->Route("/file/abc", testserver::answers::Redirect(relativeTarget ? "/media/abc.mp4"
                                                                            : server_->Url("/media/abc.mp4")));
  server_->Route("/media/abc.mp4",
                 HeldPieces("HTTP/1.1 200 OK\r\nContent-Type: video/mp4\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n",
                            pieces, gates));

  ASSERT_EQ(RunWorker(host), WorkerOutcome::Succeeded);

  const fs::path saved = dir_ / "clip.mp4";
  EXPECT_EQ(savePath_.Get(), Text(saved.string()));
  EXPECT_TRUE(ReadFile(saved) == body) << "the saved bytes differ from the served file";
  EXPECT_EQ(FilesInDir(), std::vector<fs::path>{"clip.mp4"});
  EXPECT_EQ(host.Panes(), std::vector<Text>{Text(saved.string())});

  const auto queries = server_->RequestsFor("/vd/vd.php");
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0].target, std::string("/vd/vd.php?vid=") + kVideoId + "&vformat=mp4");
  // The size came from a probe of the redirect target.
  bool targetProbed = false;
  for (const auto& request : server_->RequestsFor("/media/abc.mp4")) targetProbed |= request.method == "HEAD";
  EXPECT_TRUE(targetProbed);

  // Every value differs from the one before and rises, up to at least the
  // last held piece; then the bar goes back to 0.
  const std::vector<int32_t> values = host.Values();
  ASSERT_GE(values.size(), kPieces) << ::testing::PrintToString(values);
  EXPECT_LE(values.size(), 101u);
  EXPECT_EQ(values.back(), 0);
  for (std::size_t i = 0; i + 1 < values.size(); ++i) {
    EXPECT_GT(values[i], i == 0 ? 0 : values[i - 1]) << ::testing::PrintToString(values);
    EXPECT_LE(values[i], 100);
  }
  EXPECT_GE(values[values.size() - 2], 90);
}

INSTANTIATE_TEST_SUITE_P(RedirectTarget, WorkerSuccess, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Relative" : "Absolute"; });

TEST_F(WorkerRoad, CancelledDialogFetchesNothingAndKeepsTheLatestName) {
  ServeAddress("/file/abc");
  server_->Route("/file/abc", testserver::answers::Generated(1000, 1));
  savePath_.Set("/earlier/download.mp4");
  RecordingHost host("");

  ASSERT_EQ(RunWorker(host), WorkerOutcome::Cancelled);

  const auto requests = server_->Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].path, "/vd/vd.php");
  EXPECT_EQ(savePath_.Get(), Text("/earlier/download.mp4"));
  EXPECT_TRUE(host.Values().empty());
  EXPECT_TRUE(host.Panes().empty());
  EXPECT_TRUE(FilesInDir().empty());
}

TEST_F(WorkerRoad, UnknownSizeShowsTheMovingBandOnce) {
  // No Content-Length anywhere: the body ends when the server closes.
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: video/mp4\r\nConnection: close\r\n\r\n";
  const std::string body = testserver::GeneratedBytes(3, 0, 2 * kPieceSize);
  Gate bandShown;
  RecordingHost host((dir_ / "unsized.mp4").string());
  host.OpenWhenShown(-1, bandShown);
  ServeAddress("/file/abc");
  server_->Route("/file/abc", testserver::answers::Redirect("/media/abc.mp4"));
  server_->Route("/media/abc.mp4",
                 HeldPieces(head, {body.substr(0, kPieceSize), body.substr(kPieceSize)}, {bandShown}));

  ASSERT_EQ(RunWorker(host), WorkerOutcome::Succeeded);

  EXPECT_EQ(host.Values(), (std::vector<int32_t>{-1, 0}));
  EXPECT_TRUE(ReadFile(dir_ / "unsized.mp4") == body);
  EXPECT_EQ(host.Panes(), std::vector<Text>{Text((dir_ / "unsized.mp4").string())});
}

TEST_F(WorkerRoad, AnnouncedSizeBeyond32BitsIsKeptWhole) {
  // The probed size is 4 GiB and 640 KiB; the file sent is 640 KiB, far
  // below 1 % of it. Cut to 32 bits, the size would be the 640 KiB alone and
  // the bar would run up to 100.
  const std::string body = testserver::GeneratedBytes(5, 0, kPieces * kPieceSize);
  const std::string announced = std::to_string((int64_t{1} << 32) + static_cast<int64_t>(body.size()));
  ServeAddress("/media/big.mp4");
  server_->Route("/media/big.mp4", testserver::answers::Redirect("/media/big-file.mp4"));
  // Held after the first tenth, so that the worker polls a count that a cut
  // size would turn into 10 %.
  Gate open;
  open.Open();
  server_->Route("/media/big-file.mp4",
                 HeldPieces("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                                "\r\nConnection: close\r\n\r\n",
                            {body.substr(0, kPieceSize), body.substr(kPieceSize)}, {open},
                            "HTTP/1.1 200 OK\r\nContent-Length: " + announced + "\r\nConnection: close\r\n\r\n"));
  RecordingHost host((dir_ / "big.mp4").string());

  ASSERT_EQ(RunWorker(host), WorkerOutcome::Succeeded);

  EXPECT_EQ(host.Values(), std::vector<int32_t>{0});
  EXPECT_TRUE(ReadFile(dir_ / "big.mp4") == body);
}

TEST_F(WorkerRoad, NameChosenByALaterDownloadDoesNotRedirectThisOne) {
  // Another download's dialog closes while this one is still probing: its
  // name becomes the latest for "Open Folder", but this download still goes
  // into the name its own dialog gave, so two downloads never share a file.
  const std::string body = testserver::GeneratedBytes(9, 0, 3 * kPieceSize);
  const Text ownName((dir_ / "first.mp4").string());
  const Text laterName((dir_ / "second.mp4").string());
  ServeAddress("/file/abc");
  server_->Route("/file/abc", [this, laterName, redirect = testserver::answers::Redirect("/media/abc.mp4")](
                                  Connection& c) {
    if (c.request().method == "HEAD") savePath_.Set(laterName);
    redirect(c);
  });
  server_->Route("/media/abc.mp4", testserver::answers::Reply(200, body));
  RecordingHost host(ownName);

  ASSERT_EQ(RunWorker(host), WorkerOutcome::Succeeded);

  EXPECT_TRUE(ReadFile(ownName.str()) == body);
  EXPECT_EQ(FilesInDir(), std::vector<fs::path>{"first.mp4"});
  EXPECT_EQ(host.Panes(), std::vector<Text>{ownName});
  EXPECT_EQ(savePath_.Get(), laterName);
}

TEST_F(WorkerRoad, FailedTransferReportsFailureAndLeavesAnExistingFileIntact) {
  const fs::path kept = dir_ / "kept.mp4";
  std::ofstream(kept, std::ios::binary) << "the user's own bytes";
  ServeAddress("/missing.mp4");  // unknown paths answer 404
  RecordingHost host(kept.string());

  ASSERT_EQ(RunWorker(host), WorkerOutcome::TransferFailed);

  EXPECT_EQ(ReadFile(kept), "the user's own bytes");
  EXPECT_EQ(FilesInDir(), std::vector<fs::path>{"kept.mp4"});
  EXPECT_TRUE(host.Panes().empty());
  EXPECT_EQ(savePath_.Get(), Text(kept.string()));
}

}  // namespace
