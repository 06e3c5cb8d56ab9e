#include "download/page_fetch.h"

#include <libsoup/soup.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "text/pause.h"
#include "text/text_ops.h"

namespace {

constexpr int64_t PAGE_READ_SIZE = 2048;
// The answer is a single address; an endless body must not exhaust memory.
constexpr int64_t PAGE_READ_LIMIT = 64 * 1024;

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorFree>;

// A main context of this call's own, thread-default while the call runs, so
// that whatever the session attaches lands here and not on a context that
// another thread (the window's, another fetch's) iterates.
class PrivateMainContext {
 public:
  PrivateMainContext() : context_(g_main_context_new()) { g_main_context_push_thread_default(context_); }
  ~PrivateMainContext() {
    g_main_context_pop_thread_default(context_);
    g_main_context_unref(context_);
  }
  PrivateMainContext(const PrivateMainContext&) = delete;
  PrivateMainContext& operator=(const PrivateMainContext&) = delete;

 private:
  GMainContext* context_;
};

struct GUriUnref {
  void operator()(GUri* uri) const { g_uri_unref(uri); }
};

// A request for an HTTP or HTTPS address with a host, or null: libsoup takes
// nothing else (and complains loudly when given it).
SoupMessage* NewRequest(const Text& address) {
  const auto flags = static_cast<GUriFlags>(SOUP_HTTP_URI_FLAGS);
  std::unique_ptr<GUri, GUriUnref> uri(g_uri_parse(address.c_str(), flags, nullptr));
  if (!uri) return nullptr;
  const char* scheme = g_uri_get_scheme(uri.get());
  const char* host = g_uri_get_host(uri.get());
  const bool http = g_ascii_strcasecmp(scheme, "http") == 0 || g_ascii_strcasecmp(scheme, "https") == 0;
  if (!http || host == nullptr || *host == '\0') return nullptr;
  return soup_message_new_from_uri("GET", uri.get());
}

// Sends the request; the body's stream, or null when no answer came.
GInputStream* OpenBody(SoupSession* session, const Text& address, GObjectPtr<SoupMessage>& message) {
  message.reset(NewRequest(address));
  if (!message) return nullptr;
  SoupMessageHeaders* headers = soup_message_get_request_headers(message.get());
  soup_message_headers_replace(headers, "Cache-Control", "no-cache");
  soup_message_headers_replace(headers, "Pragma", "no-cache");
  GError* raw_error = nullptr;
  GInputStream* body = soup_session_send(session, message.get(), nullptr, &raw_error);
  ErrorPtr error(raw_error);
  return body;
}

}  // namespace

Text FetchPageText(const Text& address) {
  PrivateMainContext context;  // before the session, which binds to the thread-default context
  // One session per call: no connection, cookie or cache outlives it. The
  // session has no cache unless one is added, so the headers above only
  // keep caches between us and the server from answering.
  GObjectPtr<SoupSession> session(soup_session_new_with_options("user-agent", "QX@INET", nullptr));
  soup_session_set_proxy_resolver(session.get(), nullptr);  // a direct connection
  GObjectPtr<SoupMessage> message;
  GObjectPtr<GInputStream> body(OpenBody(session.get(), address, message));

  char buffer[PAGE_READ_SIZE];
  Text result;
  int64_t bytesRead = 0;
  while (bytesRead < PAGE_READ_LIMIT) {
    Pause(1);
    const int64_t wanted = std::min(PAGE_READ_SIZE, PAGE_READ_LIMIT - bytesRead);
    GError* raw_error = nullptr;
    const gssize count =
        body ? g_input_stream_read(body.get(), buffer, static_cast<gsize>(wanted), nullptr, &raw_error) : 0;
    ErrorPtr error(raw_error);
    if (count <= 0) break;  // the end of the body, or a failure part-way
    bytesRead += count;
    result = result + TextFromBytes(buffer, count);
  }
  return result;
}
