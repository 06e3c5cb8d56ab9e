// A conversion service and a file host that misbehave, against the whole
// download worker on real sockets. Whatever they send, the worker ends within
// the test's time limit, and the user keeps what was there: no file under the
// chosen name unless the download really succeeded, an existing file of that
// name intact, no ".part" left behind.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/integration/hostile_fixture.h"

namespace {

namespace fs = std::filesystem;
using hostile::HostileFixture;
using hostile::RecordingHost;
using testserver::Connection;
using testserver::Handler;
using testserver::TestHttpServer;
namespace answers = testserver::answers;

constexpr char kMediaPath[] = "/media/clip.mp4";
constexpr std::size_t kBodySize = 200000;

std::string Head(std::size_t contentLength, const std::string& extra = "") {
  return "HTTP/1.1 200 OK\r\nContent-Type: video/mp4\r\n" + extra + "Content-Length: " +
         std::to_string(contentLength) + "\r\nConnection: close\r\n\r\n";
}

// Header lines of about `bytes` in all, each well below any per-line limit.
std::string PaddingHeaders(std::size_t bytes) {
  std::string lines;
  for (std::size_t i = 0; lines.size() < bytes; ++i)
    lines += "X-Padding-" + std::to_string(i) + ": " + std::string(1000, 'p') + "\r\n";
  return lines;
}

// What a case does to the servers: it sets the routes, given the server and
// a sound file's address on it ("/media/clip.mp4", kBodySize bytes).
using Setup = std::function<void(TestHttpServer& server, const fs::path& scratch)>;

struct HostileCase {
  const char* name;
  Setup setup;
  // Requests that must never reach the server (e.g. where a refused address
  // would have led).
  std::vector<std::string> untouchedPaths;
};

void ServiceAnswers(TestHttpServer& server, std::string answer) {
  server.Route("/vd/vd.php", answers::Reply(200, std::move(answer)));
}

const HostileCase kHostileCases[] = {
    {"FileAddress",
     [](TestHttpServer& server, const fs::path& scratch) {
       testserver::WriteFile(scratch / "secret", "a local file that must never be read");
       ServiceAnswers(server, "file://" + (scratch / "secret").string());
     },
     {}},
    {"GopherAddress",
     // gopher sends the selector as raw bytes: here a whole HTTP request that
     // the server would record.
     [](TestHttpServer& server, const fs::path&) {
       ServiceAnswers(server, "gopher://127.0.0.1:" + std::to_string(server.Port()) +
                                  "/_GET%20/gopher-hit%20HTTP/1.0%0D%0A%0D%0A");
     },
     {"/gopher-hit"}},
    {"RelativeAddress", [](TestHttpServer& server, const fs::path&) { ServiceAnswers(server, kMediaPath); },
     {kMediaPath}},
    {"AddressWithTrailingCrLf",
     [](TestHttpServer& server, const fs::path&) { ServiceAnswers(server, server.Url(kMediaPath) + "\r\n"); },
     {kMediaPath}},
    {"AddressWithTrailingSpaces",
     [](TestHttpServer& server, const fs::path&) { ServiceAnswers(server, server.Url(kMediaPath) + "   "); },
     {kMediaPath}},
    {"EndlessServiceAnswer",
     // No length, and far more than any address: the fetch stops at its bound.
     [](TestHttpServer& server, const fs::path&) {
       server.Route("/vd/vd.php", answers::Endless("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n",
                                                   server.Url(kMediaPath), uint64_t{64} << 20));
     },
     {kMediaPath}},
    {"MegabytesOfServiceHeaders",
     [](TestHttpServer& server, const fs::path&) {
       const std::string address = server.Url(kMediaPath);
       server.Route("/vd/vd.php", answers::Exact("HTTP/1.1 200 OK\r\n" + PaddingHeaders(4 << 20) +
                                                 "Content-Length: " + std::to_string(address.size()) +
                                                 "\r\nConnection: close\r\n\r\n" + address));
     },
     {kMediaPath}},
    {"RedirectLoop",
     [](TestHttpServer& server, const fs::path&) {
       ServiceAnswers(server, server.Url("/loop"));
       server.Route("/loop", answers::Redirect("/loop"));
     },
     {}},
    {"RedirectToLocalFile",
     [](TestHttpServer& server, const fs::path& scratch) {
       testserver::WriteFile(scratch / "secret", "a local file that must never be read");
       ServiceAnswers(server, server.Url("/hop"));
       server.Route("/hop", answers::Redirect("file://" + (scratch / "secret").string()));
     },
     {}},
    {"FewerBytesThanContentLength",
     [](TestHttpServer& server, const fs::path&) {
       ServiceAnswers(server, server.Url(kMediaPath));
       server.Route(kMediaPath, answers::Exact(Head(kBodySize) + testserver::GeneratedBytes(1, 0, kBodySize / 2)));
     },
     {}},
    {"ClosesMidChunk",
     [](TestHttpServer& server, const fs::path&) {
       ServiceAnswers(server, server.Url(kMediaPath));
       server.Route(kMediaPath, answers::Exact("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n"
                                               "Connection: close\r\n\r\n10000\r\n" +
                                               testserver::GeneratedBytes(2, 0, 30000)));
     },
     {}},
    {"Forbidden403WithHtmlPage",
     [](TestHttpServer& server, const fs::path&) {
       ServiceAnswers(server, server.Url(kMediaPath));
       server.Route(kMediaPath, answers::Reply(403, "<html><body><h1>403 Forbidden</h1></body></html>",
                                               {"Content-Type: text/html"}));
     },
     {}},
    {"NotFound404WithHtmlPage",
     [](TestHttpServer& server, const fs::path&) {
       ServiceAnswers(server, server.Url(kMediaPath));
       server.Route(kMediaPath, answers::Reply(404, "<html><body><h1>404 Not Found</h1></body></html>",
                                               {"Content-Type: text/html"}));
     },
     {}},
    {"ServerError500WithHtmlPage",
     [](TestHttpServer& server, const fs::path&) {
       ServiceAnswers(server, server.Url(kMediaPath));
       server.Route(kMediaPath, answers::Reply(500, "<html><body><h1>500 Internal Server Error</h1></body></html>",
                                               {"Content-Type: text/html"}));
     },
     {}},
    {"RedirectToAnErrorPage",
     [](TestHttpServer& server, const fs::path&) {
       ServiceAnswers(server, server.Url("/hop"));
       server.Route("/hop", answers::Redirect(kMediaPath));
       server.Route(kMediaPath, answers::Reply(500, "<html>oops</html>", {"Content-Type: text/html"}));
     },
     {}},
    {"MegabytesOfFileHeaders",
     [](TestHttpServer& server, const fs::path&) {
       ServiceAnswers(server, server.Url(kMediaPath));
       const std::string body = testserver::GeneratedBytes(3, 0, kBodySize);
       server.Route(kMediaPath, answers::Exact(Head(body.size(), PaddingHeaders(4 << 20)) + body));
     },
     {}},
    {"OneEndlessHeaderLine",
     [](TestHttpServer& server, const fs::path&) {
       ServiceAnswers(server, server.Url(kMediaPath));
       server.Route(kMediaPath, answers::Endless("HTTP/1.1 200 OK\r\nX-Endless: ", std::string(4096, 'h'),
                                                 uint64_t{64} << 20));
     },
     {}},
};

class HostileDownload : public HostileFixture {};

class HostileService : public HostileFixture, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileService, EndsInFailureAndTheUserLosesNothing) {
  const HostileCase& c = GetParam();
  c.setup(*server_, dir_.path());
  const fs::path target = ExistingTarget();
  RecordingHost host(target.string());

  const auto outcome = RunWorker(host);

  ASSERT_TRUE(outcome.has_value()) << "the worker did not end";
  EXPECT_EQ(*outcome, WorkerOutcome::TransferFailed);
  ExpectNothingLost(target, true);
  EXPECT_TRUE(host.Panes().empty());
  for (const std::string& path : c.untouchedPaths) EXPECT_TRUE(server_->RequestsFor(path).empty()) << path;
}

INSTANTIATE_TEST_SUITE_P(Matrix, HostileService, ::testing::ValuesIn(kHostileCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostileDownload, RedirectLoopStopsAfterThirtyHops) {
  ServiceAnswers(Url("/loop"));
  server_->Route("/loop", answers::Redirect("/loop"));
  const fs::path target = dir_.path() / "video.mp4";
  RecordingHost host(target.string());

  ASSERT_EQ(RunWorker(host), WorkerOutcome::TransferFailed);

  // Two probes (the address, then its redirect target), then the transfer's
  // first request and its 30 redirects.
  EXPECT_LE(server_->RequestsFor("/loop").size(), 33u);
  ExpectNothingLost(target, false);
}

// The file host sends its headers and then nothing. No time limit is ours to
// set, so the download waits; meanwhile only the ".part" file exists. When the
// connection finally drops, the worker fails and cleans up.
TEST_F(HostileDownload, StallAfterTheHeadersKeepsOnlyThePartFileUntilTheConnectionDrops) {
  testserver::Gate stalled;
  ServiceAnswers(Url(kMediaPath));
  // The probe learns no size, so the bar shows its band once the transfer runs.
  server_->Route(kMediaPath, [stalled](Connection& c) {
    if (c.request().method == "HEAD") {
      c.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
      return;
    }
    c.Send(Head(kBodySize));
    stalled.Open();
    c.Stall();
  });
  const fs::path target = ExistingTarget();
  RecordingHost host(target.string());
  hostile::WorkerThread worker(host, ServiceHost(), videoId_, savePath_);
  // Whatever happens below, the server goes before the worker is joined.
  const hostile::StopFirst stopFirst{server_};

  ASSERT_TRUE(host.WaitForProgress([](int32_t v) { return v == -1; }));
  EXPECT_FALSE(worker.Wait(std::chrono::seconds(1)).has_value()) << "a stalled transfer cannot have ended";
  EXPECT_EQ(testserver::ReadFile(target), hostile::kUserBytes);
  EXPECT_TRUE(fs::exists(target.string() + ".part"));

  server_.reset();  // the connection drops
  const auto outcome = worker.Wait(std::chrono::seconds(60));
  ASSERT_TRUE(outcome.has_value());
  EXPECT_EQ(*outcome, WorkerOutcome::TransferFailed);
  ExpectNothingLost(target, true);
}

// The sound counterpart of the matrix: the same server setup with a proper
// file succeeds, so the failures above are the hostile parts' doing.
TEST_F(HostileDownload, SoundFileHostSucceedsWithTheSameSetup) {
  const std::string body = testserver::GeneratedBytes(4, 0, kBodySize);
  ServiceAnswers(Url("/hop"));
  server_->Route("/hop", answers::Redirect(kMediaPath));
  server_->Route(kMediaPath, answers::Exact(Head(body.size()) + body));
  const fs::path target = ExistingTarget();
  RecordingHost host(target.string());

  ASSERT_EQ(RunWorker(host), WorkerOutcome::Succeeded);

  EXPECT_TRUE(testserver::ReadFile(target) == body);
  ExpectNoPartFiles(dir_.path());
  EXPECT_EQ(host.Panes(), std::vector<Text>{Text(target.string())});
}

}  // namespace
