#pragma once

// A small HTTP server for tests that answers with exact, scripted bytes and
// can misbehave on purpose. It listens on 127.0.0.1 on a port the system
// picks, serves every connection on a thread of its own (one request per
// connection, closed after the answer) and records each request it reads.
//
//   TestHttpServer server;
//   server.Route("/file", answers::Reply(200, "body"));
//   server.Route("/odd", [](Connection& c) { c.Send(head); c.Send(piece); });
//   Fetch(server.Url("/file")); ... server.RequestsFor("/file")
//
// A route is a function that writes the answer on the connection; the
// helpers in `answers` cover the usual ones. Unknown paths answer 404.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testserver {

struct Request {
  std::string method;
  std::string target;  // as sent, query included
  std::string path;    // the target without its query
  std::vector<std::pair<std::string, std::string>> headers;

  // The first header of that name, compared without regard to case; empty
  // when there is none.
  std::string Header(std::string_view name) const;
  bool HasHeader(std::string_view name) const;
};

// Something a route can wait for while the test does its part: copies share
// one state, and once opened it stays open.
class Gate {
 public:
  Gate();
  void Open() const;
  int fd() const;

 private:
  std::shared_ptr<const int> fd_;
};

class Connection {
 public:
  Connection(int fd, int stopFd, Request request);
  const Request& request() const { return request_; }
  // Writes all the bytes at once and flushes them. False once the client has
  // gone or the server is stopping (later sends then do nothing).
  bool Send(std::string_view bytes);
  // Blocks until the gate opens (true), or the client goes or the server
  // stops (false).
  bool WaitFor(const Gate& gate);
  // Holds the connection open without a word until the client goes or the
  // server stops.
  void Stall();

 private:
  bool WaitForAny(int extraFd);

  int fd_;
  int stopFd_;
  Request request_;
  bool broken_ = false;
};

using Handler = std::function<void(Connection&)>;

class TestHttpServer {
 public:
  TestHttpServer();
  // Stops accepting, wakes every waiting route, closes every connection and
  // joins all threads.
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  // Routes match the request's path exactly, query left out. A later route
  // for the same path replaces the earlier one.
  void Route(const std::string& path, Handler handler);

  int Port() const;
  // "http://127.0.0.1:<port>" + path
  std::string Url(std::string_view path) const;

  // Every request read so far, in arrival order; a request is recorded
  // before its answer begins.
  std::vector<Request> Requests() const;
  std::vector<Request> RequestsFor(std::string_view path) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The bytes at `offset`.. of an endless pattern that differs for each seed
// and in which every 8-byte word holds its own offset, so that lost,
// repeated or reordered pieces show.
std::string GeneratedBytes(uint64_t seed, uint64_t offset, std::size_t count);

namespace answers {

// These exact bytes, whatever was asked.
Handler Exact(std::string bytes);
// A complete answer with Content-Length and "Connection: close"; the body is
// left out for HEAD as a server does. `extraHeaders` are whole lines without
// their line end, e.g. "Location: /x".
Handler Reply(int status, std::string body, std::vector<std::string> extraHeaders = {});
Handler Redirect(std::string location, int status = 302);
// The head, then each piece flushed on its own with a short gap.
Handler Pieces(std::string head, std::vector<std::string> pieces);
// The head, then `pattern` over and over until the client stops reading or
// `limit` bytes have gone out.
Handler Endless(std::string head, std::string pattern, uint64_t limit);
// 200 with Content-Length `size` and GeneratedBytes(seed, 0, size) as body.
Handler Generated(uint64_t size, uint64_t seed);
// The head, then silence until the client goes.
Handler Stall(std::string head);

}  // namespace answers

}  // namespace testserver
