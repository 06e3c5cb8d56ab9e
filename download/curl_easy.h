#pragma once

#include <curl/curl.h>

#include <memory>

struct CurlEasyCleanup {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;

struct CurlUrlCleanup {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using CurlUrl = std::unique_ptr<CURLU, CurlUrlCleanup>;

// A string that libcurl allocated.
struct CurlFree {
  void operator()(char* bytes) const { curl_free(bytes); }
};
using CurlString = std::unique_ptr<char, CurlFree>;

// A new easy handle (empty when libcurl cannot make one), with what every
// handle of this program needs: HTTP and HTTPS only, redirects included, so
// that an address from outside never reads a local file or speaks another
// protocol; and no signals, since handles live on many threads. libcurl's
// process-wide initialisation runs once, before the first handle is made.
CurlEasy MakeCurlEasy();
