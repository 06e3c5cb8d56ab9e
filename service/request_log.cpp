#include "service/request_log.h"

#include <cstdio>
#include <string>

namespace {

void WriteLine(SoupServerMessage* msg, const std::string& outcome) {
  GUri* uri = soup_server_message_get_uri(msg);
  const char* query = uri ? g_uri_get_query(uri) : nullptr;
  std::fprintf(stderr, "%s %s%s%s %s\n", soup_server_message_get_method(msg), uri ? g_uri_get_path(uri) : "-",
               query ? "?" : "", query ? query : "", outcome.c_str());
}

void OnFinished(SoupServer*, SoupServerMessage* msg, gpointer) {
  WriteLine(msg, std::to_string(soup_server_message_get_status(msg)));
}

// libsoup has replaced the status by then, so it would say nothing true.
void OnAborted(SoupServer*, SoupServerMessage* msg, gpointer) { WriteLine(msg, "aborted"); }

}  // namespace

void LogRequests(SoupServer* server) {
  g_signal_connect(server, "request-finished", G_CALLBACK(OnFinished), nullptr);
  g_signal_connect(server, "request-aborted", G_CALLBACK(OnAborted), nullptr);
}
