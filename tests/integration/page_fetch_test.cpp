#include "download/page_fetch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "tests/support/test_http_server.h"

namespace {

using testserver::TestHttpServer;
namespace answers = testserver::answers;

// Fails inside the resolver itself (a label longer than 63 bytes), so no
// query leaves the machine.
const std::string kUnresolvableHost = "http://" + std::string(64, 'a') + ".invalid/vd.php";

std::string Pattern(std::size_t size) {
  std::string s;
  for (std::size_t i = 0; s.size() < size; ++i) s += std::to_string(i) + ",";
  s.resize(size);
  return s;
}

TEST(PageFetch, NothingToReadGivesTheEmptyText) {
  TestHttpServer server;
  server.Route("/empty", answers::Reply(200, ""));
  const std::string cases[] = {"", kUnresolvableHost, "not an address", "file:///etc/hostname",
                               server.Url("/empty")};
  for (const std::string& address : cases) {
    SCOPED_TRACE(address);
    EXPECT_EQ(FetchPageText(address), Text());
  }
  EXPECT_EQ(server.RequestsFor("/empty").size(), 1u);
}

TEST(PageFetch, SendsAgentAndNoCacheHeadersAndEveryFetchReachesTheServer) {
  TestHttpServer server;
  server.Route("/vd/vd.php", answers::Reply(200, "http://files.example/v.mp4"));
  const std::string address = server.Url("/vd/vd.php?vid=abc&vformat=mp4");
  EXPECT_EQ(FetchPageText(address), Text("http://files.example/v.mp4"));
  EXPECT_EQ(FetchPageText(address), Text("http://files.example/v.mp4"));

  const auto requests = server.RequestsFor("/vd/vd.php");
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& r : requests) {
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, "/vd/vd.php?vid=abc&vformat=mp4");  // unchanged, unescaped
    EXPECT_EQ(r.Header("User-Agent"), "QX@INET");
    EXPECT_EQ(r.Header("Cache-Control"), "no-cache");
    EXPECT_EQ(r.Header("Pragma"), "no-cache");
  }
}

TEST(PageFetch, IgnoresProxySettings) {
  TestHttpServer origin, proxy;
  origin.Route("/vd/vd.php", answers::Reply(200, "direct"));
  // The environment is where the system's default proxy settings come from here.
  ::setenv("http_proxy", proxy.Url("").c_str(), 1);
  const Text text = FetchPageText(origin.Url("/vd/vd.php"));
  ::unsetenv("http_proxy");
  EXPECT_EQ(text, Text("direct"));
  EXPECT_TRUE(proxy.Requests().empty());
}

TEST(PageFetch, LongBodyInOddPiecesComesBackWholeAndInOrder) {
  TestHttpServer server;
  const std::string body = Pattern(9001);
  std::vector<std::string> pieces;
  for (std::size_t at = 0, size = 1; at < body.size(); at += size, size = size * 3 + 7)
    pieces.push_back(body.substr(at, size));  // 1, 10, 37, 118, ... bytes
  server.Route("/long", answers::Pieces("HTTP/1.1 200 OK\r\nContent-Length: 9001\r\n\r\n", pieces));
  server.Route("/close-delimited", answers::Pieces("HTTP/1.0 200 OK\r\n\r\n", pieces));
  EXPECT_EQ(FetchPageText(server.Url("/long")).str(), body);
  EXPECT_EQ(FetchPageText(server.Url("/close-delimited")).str(), body);
}

TEST(PageFetch, ZeroByteEndsOnlyTheTextOfItsRead) {
  TestHttpServer server;
  // Reads take at most 2048 bytes, so the first read ends where the first
  // piece does; the zero byte cuts the rest of that read only.
  std::string first = Pattern(2048);
  first[99] = '\0';
  const std::string second = "after the first read";
  // By value: the server's threads may still run this after the test's
  // locals are gone (the server is stopped last).
  server.Route("/zero", [first, second](testserver::Connection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(first.size() + second.size()) + "\r\n\r\n" + first);
    c.Send(second);
  });
  EXPECT_EQ(FetchPageText(server.Url("/zero")).str(), first.substr(0, 99) + second);
}

TEST(PageFetch, ErrorStatusGivesItsBodyAndRedirectsAreFollowed) {
  TestHttpServer server;
  server.Route("/missing", answers::Reply(404, "<h1>no such video</h1>"));
  server.Route("/moved", answers::Redirect("/answer"));
  server.Route("/answer", answers::Reply(200, "http://files.example/moved.mp4"));
  server.Route("/", answers::Reply(200, "root"));
  EXPECT_EQ(FetchPageText(server.Url("")), Text("root"));  // no path at all
  EXPECT_EQ(FetchPageText(server.Url("/missing")), Text("<h1>no such video</h1>"));
  EXPECT_EQ(FetchPageText(server.Url("/moved")), Text("http://files.example/moved.mp4"));
}

TEST(PageFetch, DroppedConnectionGivesTheBytesBeforeTheDrop) {
  TestHttpServer server;
  const std::string sent = Pattern(3000);
  server.Route("/drop", answers::Pieces("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n", {sent}));
  EXPECT_EQ(FetchPageText(server.Url("/drop")).str(), sent);
}

TEST(PageFetch, StopsReadingAt64KiB) {
  TestHttpServer server;
  server.Route("/endless", answers::Endless("HTTP/1.0 200 OK\r\n\r\n", "0123456789abcdef", 1u << 20));
  const Text text = FetchPageText(server.Url("/endless"));
  EXPECT_EQ(text.size(), 65536u);
  EXPECT_EQ(text.str().substr(0, 20), "0123456789abcdef0123");
}

TEST(PageFetch, FetchesOnTwoThreadsAtOnceGetTheirOwnAnswers) {
  TestHttpServer server;
  const std::string a = Pattern(5000), b = std::string(7000, 'b');
  testserver::Gate bothAsked;
  // Neither answer finishes until both requests are in, so the fetches overlap.
  // By value: the server's threads may still run these after the test's
  // locals are gone (the server is stopped last).
  server.Route("/a", [a, bothAsked](testserver::Connection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + a.substr(0, 100));
    if (c.WaitFor(bothAsked)) c.Send(a.substr(100));
  });
  server.Route("/b", [b, bothAsked](testserver::Connection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 7000\r\n\r\n" + b.substr(0, 100));
    if (c.WaitFor(bothAsked)) c.Send(b.substr(100));
  });
  std::string gotA, gotB;
  std::thread first([&] { gotA = FetchPageText(server.Url("/a")).str(); });
  std::thread second([&] { gotB = FetchPageText(server.Url("/b")).str(); });
  for (int i = 0; i < 10000 && server.Requests().size() < 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  bothAsked.Open();
  first.join();
  second.join();
  EXPECT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(gotA, a);
  EXPECT_EQ(gotB, b);
}

}  // namespace
