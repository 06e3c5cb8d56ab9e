#include "service/response_headers.h"

namespace {

// Says what libsoup will do with the connection after this answer:
// HTTP/1.1 stays open unless the client asked to close, HTTP/1.0 only when
// the client asked to keep it.
const char* ConnectionValueFor(SoupServerMessage* msg) {
  SoupMessageHeaders* request = soup_server_message_get_request_headers(msg);
  if (soup_server_message_get_http_version(msg) == SOUP_HTTP_1_0)
    return soup_message_headers_header_contains(request, "Connection", "Keep-Alive") ? "keep-alive" : "close";
  return soup_message_headers_header_contains(request, "Connection", "close") ? "close" : "keep-alive";
}

}  // namespace

void AddLengthAndConnection(SoupServerMessage* msg, std::uint64_t contentLength) {
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(msg);
  soup_message_headers_set_content_length(headers, static_cast<goffset>(contentLength));
  soup_message_headers_append(headers, "Connection", ConnectionValueFor(msg));
}

void AnswerWithBody(SoupServerMessage* msg, guint status, const char* contentType, std::string_view body) {
  soup_server_message_set_status(msg, status, nullptr);
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(msg);
  soup_message_headers_append(headers, "Content-Type", contentType);
  AddLengthAndConnection(msg, body.size());
  // libsoup leaves the body out of an answer to HEAD but keeps its length.
  soup_message_body_append(soup_server_message_get_response_body(msg), SOUP_MEMORY_COPY, body.data(), body.size());
}

void AnswerWithRedirect(SoupServerMessage* msg, const std::string& location) {
  const std::string body =
      "<html><head><title>302 Found</title></head><body><a href=\"" + location + "\">Moved here</a></body></html>\n";
  soup_server_message_set_status(msg, SOUP_STATUS_FOUND, nullptr);
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(msg);
  soup_message_headers_append(headers, "Content-Type", "text/html");
  soup_message_headers_append(headers, "Location", location.c_str());
  AddLengthAndConnection(msg, body.size());
  soup_message_body_append(soup_server_message_get_response_body(msg), SOUP_MEMORY_COPY, body.data(), body.size());
}
