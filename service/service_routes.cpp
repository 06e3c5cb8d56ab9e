#include "service/service_routes.h"

#include <optional>
#include <string>
#include <string_view>

#include "service/glib_handles.h"
#include "service/media_library.h"
#include "service/media_stream.h"
#include "service/product_page.h"
#include "service/response_headers.h"

namespace {

constexpr std::string_view QUERY_PATH = "/vd/vd.php";
constexpr std::string_view REDIRECT_PREFIX = "/get/";
constexpr std::string_view MEDIA_PREFIX = "/media/";
constexpr std::string_view MEDIA_SUFFIX = ".mp4";

// The ID in PREFIX + ID + ".mp4", or nothing when the path has another shape.
std::optional<std::string_view> VideoIdInPath(std::string_view path, std::string_view prefix) {
  if (!path.starts_with(prefix) || !path.ends_with(MEDIA_SUFFIX)) return std::nullopt;
  if (path.size() < prefix.size() + MEDIA_SUFFIX.size()) return std::nullopt;
  return path.substr(prefix.size(), path.size() - prefix.size() - MEDIA_SUFFIX.size());
}

void AnswerNotFound(SoupServerMessage* msg) {
  AnswerWithBody(msg, SOUP_STATUS_NOT_FOUND, "text/html",
                 "<html><head><title>404 Not Found</title></head><body>Not Found</body></html>\n");
}

// The decoded value of the first `name`=value pair of the request's query.
// Decoded here from the raw query rather than taken from libsoup's table of
// C strings, which would silently cut a value at an escaped zero byte
// ("vid=known%00junk" would then name a known video).
std::optional<std::string> QueryParameter(SoupServerMessage* msg, std::string_view name) {
  const char* raw = g_uri_get_query(soup_server_message_get_uri(msg));
  std::string_view rest = raw ? raw : "";
  while (!rest.empty()) {
    const auto end = rest.find('&');
    const std::string_view pair = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    const auto equals = pair.find('=');
    if (pair.substr(0, equals) != name) continue;
    std::string value(equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1));
    for (char& c : value)
      if (c == '+') c = ' ';
    GBytesPtr decoded(g_uri_unescape_bytes(value.c_str(), static_cast<gssize>(value.size()), nullptr, nullptr));
    if (!decoded) return std::nullopt;
    gsize size = 0;
    const auto* bytes = static_cast<const char*>(g_bytes_get_data(decoded.get(), &size));
    return std::string(bytes ? bytes : "", size);
  }
  return std::nullopt;
}

// The conversion query. Known IDs get their file's address; an ID the
// command line gave an answer for gets that text as it stands; every other
// query, malformed ones included, gets an empty body, as the real service does.
void AnswerQuery(SoupServerMessage* msg, const ServiceSetup& setup) {
  const auto vid = QueryParameter(msg, "vid");
  const auto format = QueryParameter(msg, "vformat");
  std::string answer;
  if (vid) {
    if (auto scripted = setup.options.answers.find(*vid); scripted != setup.options.answers.end())
      answer = scripted->second;
    else if (format == "mp4" && MediaFileFor(setup.options.mediaDir, *vid))
      answer = setup.origin + std::string(REDIRECT_PREFIX) + *vid + std::string(MEDIA_SUFFIX);
  }
  AnswerWithBody(msg, SOUP_STATUS_OK, "text/plain; charset=utf-8", answer);
}

void AnswerBanner(SoupServerMessage* msg) {
  gchar* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(YT_SERVICE_BANNER_FILE, &contents, &length, nullptr)) {
    AnswerNotFound(msg);
    return;
  }
  GCharPtr owned(contents);
  AnswerWithBody(msg, SOUP_STATUS_OK, "image/png", std::string_view(contents, length));
}

void HandleRequest(SoupServer*, SoupServerMessage* msg, const char* rawPath, GHashTable*, gpointer data) {
  const auto& setup = *static_cast<const ServiceSetup*>(data);
  const char* method = soup_server_message_get_method(msg);
  if (method != SOUP_METHOD_GET && method != SOUP_METHOD_HEAD) {
    AnswerWithBody(msg, SOUP_STATUS_METHOD_NOT_ALLOWED, "text/plain", "");
    soup_message_headers_append(soup_server_message_get_response_headers(msg), "Allow", "GET, HEAD");
    return;
  }

  const std::string_view path = rawPath;
  if (path == "/") {
    AnswerWithBody(msg, SOUP_STATUS_OK, "text/html; charset=utf-8", ProductPageHtml());
  } else if (path == "/ad.png") {
    AnswerBanner(msg);
  } else if (path == QUERY_PATH) {
    AnswerQuery(msg, setup);
  } else if (auto id = VideoIdInPath(path, REDIRECT_PREFIX); id && MediaFileFor(setup.options.mediaDir, *id)) {
    AnswerWithRedirect(msg, setup.origin + std::string(MEDIA_PREFIX) + std::string(*id) + std::string(MEDIA_SUFFIX));
  } else if (auto mediaId = VideoIdInPath(path, MEDIA_PREFIX)) {
    const auto file = MediaFileFor(setup.options.mediaDir, *mediaId);
    if (!file || !StreamMediaFile(msg, *file, setup.options.rate)) AnswerNotFound(msg);
  } else {
    AnswerNotFound(msg);
  }
}

}  // namespace

void AddServiceRoutes(SoupServer* server, const ServiceSetup& setup) {
  soup_server_add_handler(server, nullptr, HandleRequest, const_cast<ServiceSetup*>(&setup), nullptr);
}
