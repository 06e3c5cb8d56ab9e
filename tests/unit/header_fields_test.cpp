#include "download/header_fields.h"

#include <gtest/gtest.h>

namespace {

struct LayoutCase {
  const char* name;
  const char* headers;
  const char* target;
  int64_t length;
};

// Header blocks as servers send them, each with the Location value and the
// Content-Length that must come out of it.
const LayoutCase kLayouts[] = {
    {"location directly before content-length",
     "HTTP/1.1 302 Found\r\nLocation: http://files.example/v.mp4\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
     "http://files.example/v.mp4", 0},
    {"plain 200",
     "HTTP/1.1 200 OK\r\nContent-Type: video/mp4\r\nContent-Length: 52428800\r\nConnection: keep-alive\r\n\r\n", "",
     52428800},
    {"nginx 302: location after content-length",
     "HTTP/1.1 302 Moved Temporarily\r\nServer: nginx/1.22.1\r\nDate: Fri, 11 Dec 2026 05:00:00 GMT\r\n"
     "Content-Type: text/html\r\nContent-Length: 145\r\nLocation: http://127.0.0.1:8080/file.bin\r\n"
     "Connection: keep-alive\r\n\r\n",
     "http://127.0.0.1:8080/file.bin", 145},
    {"nginx 200",
     "HTTP/1.1 200 OK\r\nServer: nginx/1.22.1\r\nDate: Fri, 11 Dec 2026 05:00:00 GMT\r\n"
     "Content-Type: application/octet-stream\r\nContent-Length: 1048576\r\n"
     "Last-Modified: Fri, 11 Dec 2026 04:00:00 GMT\r\nConnection: keep-alive\r\nETag: \"6938-100000\"\r\n"
     "Accept-Ranges: bytes\r\n\r\n",
     "", 1048576},
    {"lighttpd 302 to HEAD: no content-length",
     "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1/b.mp4\r\nDate: Fri, 11 Dec 2026 05:00:00 GMT\r\n"
     "Server: lighttpd/1.4.69\r\n\r\n",
     "http://127.0.0.1/b.mp4", 0},
    {"lighttpd 200: no connection line",
     "HTTP/1.1 200 OK\r\nContent-Type: video/mp4\r\nETag: \"1\"\r\nContent-Length: 7340032\r\n"
     "Date: Fri, 11 Dec 2026 05:00:00 GMT\r\nServer: lighttpd/1.4.69\r\n\r\n",
     "", 7340032},
    {"python http.server: HTTP/1.0, relative location",
     "HTTP/1.0 301 Moved Permanently\r\nServer: SimpleHTTP/0.6 Python/3.11.2\r\nDate: x\r\n"
     "Location: /videos/\r\nContent-Length: 0\r\n\r\n",
     "/videos/", 0},
    {"HTTP/2: lower-case names",
     "HTTP/2 302 \r\nlocation: https://cdn.example/v.mp4?sig=a:b\r\ncontent-type: text/html\r\n"
     "content-length: 1234\r\n\r\n",
     "https://cdn.example/v.mp4?sig=a:b", 1234},
    {"mixed case names", "HTTP/1.1 302 Found\r\nLOCATION: /up\r\nCONTENT-LENGTH: 9\r\n\r\n", "/up", 9},
    {"LF-only line ends", "HTTP/1.1 302 Found\nLocation: /lf\nContent-Length: 77\nConnection: close\n\n", "/lf",
     77},
    {"last line without a line end", "HTTP/1.1 302 Found\r\nContent-Length: 5\r\nLocation: /end", "/end", 5},
    {"spaces and tabs around values", "HTTP/1.1 302 Found\r\nLocation:\t /sp \t\r\nContent-Length: \t 42 \t\r\n\r\n",
     "/sp", 42},
    {"no space after the colon", "HTTP/1.1 302 Found\r\nLocation:/tight\r\nContent-Length:8\r\n\r\n", "/tight", 8},
    {"content-location is not location",
     "HTTP/1.1 200 OK\r\nContent-Location: /other\r\nContent-Length: 3\r\n\r\n", "", 3},
    {"content-location before location",
     "HTTP/1.1 302 Found\r\nContent-Location: /other\r\nLocation: /real\r\nContent-Length: 0\r\n\r\n", "/real", 0},
    {"names inside values do not count",
     "HTTP/1.1 200 OK\r\nX-Note: Location: /fake\r\nX-Len: Content-Length: 99\r\nContent-Length: 1\r\n\r\n", "", 1},
    {"first of repeated headers",
     "HTTP/1.1 302 Found\r\nLocation: /first\r\nLocation: /second\r\nContent-Length: 10\r\nContent-Length: 20\r\n\r\n",
     "/first", 10},
    {"space before the colon is another name", "HTTP/1.1 302 Found\r\nLocation : /x\r\nContent-Length : 4\r\n\r\n",
     "", 0},
    {"empty values", "HTTP/1.1 302 Found\r\nLocation:\r\nContent-Length: \r\n\r\n", "", 0},
    {"name at the very end", "HTTP/1.1 302 Found\r\nContent-Length: 0\r\nLocation:", "", 0},
    {"status line only", "HTTP/1.1 404 Not Found\r\n\r\n", "", 0},
    {"empty text", "", "", 0},
};

TEST(HeaderFields, ReadTheNamedLineInEveryLayout) {
  for (const LayoutCase& c : kLayouts) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ExtractRedirectTarget(c.headers), Text(c.target));
    EXPECT_EQ(ExtractContentLength(c.headers), c.length);
  }
}

TEST(HeaderFields, ContentLengthIsAPlainDecimalThatFitsIn63Bits) {
  struct Case {
    const char* value;
    int64_t expected;
  };
  const Case cases[] = {
      {"0", 0},
      {"007", 7},
      {"2147483647", 2147483647LL},
      {"2147483648", 2147483648LL},  // 2^31
      {"4294967295", 4294967295LL},
      {"4294967296", 4294967296LL},  // 2^32
      {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", 0},  // 2^63: no longer a signed 64-bit size
      {"18446744073709551616", 0},  // 2^64
      {"99999999999999999999999999", 0},
      {"-5", 0},
      {"+5", 0},
      {"$FF", 0},
      {"%101", 0},
      {"abc", 0},
      {"12abc", 0},
      {"1 2", 0},
      {"12, 12", 0},
      {"1.5", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const std::string headers = std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + c.value + "\r\nConnection: close\r\n\r\n";
    EXPECT_EQ(ExtractContentLength(headers), c.expected);
  }
}

}  // namespace
