#include "download/header_probe.h"

#include <gtest/gtest.h>

#include <string>

#include "download/header_fields.h"
#include "tests/support/test_http_server.h"

namespace {

using testserver::TestHttpServer;
namespace answers = testserver::answers;

const std::string kUnresolvableHost = "http://" + std::string(64, 'a') + ".invalid/v.mp4";

TEST(HeaderProbe, SendsHeadAndReturnsTheHeaderBlockExactly) {
  TestHttpServer server;
  const std::string head =
      "HTTP/1.1 200 OK\r\nServer: test\r\nContent-Length: 4294967296\r\nConnection: keep-alive\r\n\r\n";
  server.Route("/v.mp4", answers::Exact(head));
  EXPECT_EQ(ProbeHeaders(server.Url("/v.mp4")).str(), head);
  EXPECT_EQ(ExtractContentLength(ProbeHeaders(server.Url("/v.mp4"))), 4294967296LL);
  const auto requests = server.RequestsFor("/v.mp4");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "HEAD");
}

TEST(HeaderProbe, DoesNotFollowRedirects) {
  TestHttpServer server;
  const std::string head =
      "HTTP/1.1 302 Found\r\nServer: test\r\nContent-Length: 0\r\nLocation: " + server.Url("/target") +
      "\r\nConnection: close\r\n\r\n";
  server.Route("/start", answers::Exact(head));
  server.Route("/target", answers::Reply(200, "file"));
  const Text probed = ProbeHeaders(server.Url("/start"));
  EXPECT_EQ(probed.str(), head);
  EXPECT_EQ(ExtractRedirectTarget(probed), Text(server.Url("/target")));
  EXPECT_TRUE(server.RequestsFor("/target").empty());
}

TEST(HeaderProbe, HeaderBlocksOverOneKiBAndErrorAnswersComeBackWhole) {
  TestHttpServer server;
  std::string big = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; big.size() < 5000; ++i) big += "X-Filler-" + std::to_string(i) + ": " + std::string(37, 'f') + "\r\n";
  big += "Content-Length: 12\r\n\r\n";
  const std::string missing = "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\n";
  server.Route("/big", answers::Exact(big));
  server.Route("/missing", answers::Exact(missing));
  EXPECT_EQ(ProbeHeaders(server.Url("/big")).str(), big);
  EXPECT_EQ(ProbeHeaders(server.Url("/missing")).str(), missing);
}

TEST(HeaderProbe, FailuresGiveTheEmptyText) {
  std::string refused;
  {
    TestHttpServer gone;
    refused = gone.Url("/v.mp4");
  }  // nothing listens there any more
  TestHttpServer server;
  server.Route("/silent", answers::Exact(""));  // closes without a word
  const std::string cases[] = {"", kUnresolvableHost, refused, "file:///etc/passwd", "gopher://127.0.0.1:1/",
                               server.Url("/silent")};
  for (const std::string& address : cases) {
    SCOPED_TRACE(address);
    EXPECT_EQ(ProbeHeaders(address), Text());
  }
  EXPECT_EQ(ExtractRedirectTarget(ProbeHeaders("")), Text());
  EXPECT_EQ(ExtractContentLength(ProbeHeaders("")), 0);
}

}  // namespace
