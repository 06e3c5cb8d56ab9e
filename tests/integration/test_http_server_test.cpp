// The test server itself: other tests rely on it ending cleanly however its
// routes and clients misbehave.

#include "tests/support/test_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace {

// A client that sends a request and then reads nothing until told to.
int SendRequest(int port, const std::string& path) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::string request = "GET " + path + " HTTP/1.1\r\nHost: x\r\nUser-Agent: raw\r\n\r\n";
  EXPECT_EQ(::send(fd, request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
  return fd;
}

TEST(TestHttpServer, StopsWhileRoutesStallWaitOrSendToAClientThatDoesNotRead) {
  auto server = std::make_unique<testserver::TestHttpServer>();
  testserver::Gate neverOpened;
  server->Route("/stall", testserver::answers::Stall("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n"));
  server->Route("/endless", testserver::answers::Endless("HTTP/1.0 200 OK\r\n\r\n", std::string(65536, 'e'), 1ull << 40));
  server->Route("/gate", [neverOpened](testserver::Connection& c) { c.WaitFor(neverOpened); });
  const int clients[] = {SendRequest(server->Port(), "/stall"), SendRequest(server->Port(), "/endless"),
                         SendRequest(server->Port(), "/gate"), SendRequest(server->Port(), "/unknown")};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (server->Requests().size() < 4 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_EQ(server->Requests().size(), 4u);
  EXPECT_EQ(server->RequestsFor("/stall").at(0).Header("user-agent"), "raw");

  server.reset();  // must return although every route is still busy

  for (int fd : clients) {
    char buffer[65536];
    ssize_t n;
    while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
    }
    EXPECT_LE(n, 0);  // the server closed each connection
    ::close(fd);
  }
}

}  // namespace
