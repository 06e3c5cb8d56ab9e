#include "download/curl_easy.h"

#include <csignal>
#include <mutex>

CurlEasy MakeCurlEasy() {
  // The process-wide initialisation is not safe to run on two threads at
  // once; every handle is made here, so this is the one place that runs it.
  static std::once_flag initialised;
  std::call_once(initialised, [] {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    // With CURLOPT_NOSIGNAL libcurl no longer ignores SIGPIPE around its
    // sends; a server that closes mid-exchange must fail that transfer, not
    // end the process.
    std::signal(SIGPIPE, SIG_IGN);
  });

  CurlEasy handle(curl_easy_init());
  if (!handle) return handle;
  CURL* h = handle.get();
  bool ok = curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
  if (!ok) handle.reset();  // never hand out a handle without the protocol limits
  return handle;
}
