// A local stand-in for the video conversion service: it answers the
// program's query with an address on itself, redirects that address to the
// file, and serves MP4 files of a folder, the banner and the product page.
// It listens on 127.0.0.1 only.
#include <gio/gio.h>
#include <glib-unix.h>
#include <libsoup/soup.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "service/glib_handles.h"
#include "service/request_log.h"
#include "service/service_options.h"
#include "service/service_routes.h"

namespace {

gboolean QuitLoop(gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_CONTINUE;
}

// The port the server actually listens on (differs from the requested one
// when that was 0).
guint ListeningPort(SoupServer* server) {
  GSList* uris = soup_server_get_uris(server);
  const guint port = uris ? static_cast<guint>(g_uri_get_port(static_cast<GUri*>(uris->data))) : 0;
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
  return port;
}

}  // namespace

int main(int argc, char** argv) {
  ServiceSetup setup;
  std::string error;
  if (!ParseServiceOptions(argc, argv, setup.options, error)) {
    std::fprintf(stderr, "yt-local-service: %s\n", error.c_str());
    return 2;
  }

  GObjectPtr<SoupServer> server(static_cast<SoupServer*>(g_object_new(SOUP_TYPE_SERVER, nullptr)));
  GObjectPtr<GInetAddress> loopback(g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4));
  GObjectPtr<GSocketAddress> address(g_inet_socket_address_new(loopback.get(), setup.options.port));
  GError* rawError = nullptr;
  if (!soup_server_listen(server.get(), address.get(), static_cast<SoupServerListenOptions>(0), &rawError)) {
    GErrorPtr failure(rawError);
    std::fprintf(stderr, "yt-local-service: cannot listen on 127.0.0.1:%u: %s\n", setup.options.port, failure->message);
    return 1;
  }
  const guint port = ListeningPort(server.get());
  setup.origin = "http://127.0.0.1:" + std::to_string(port);
  AddServiceRoutes(server.get(), setup);
  LogRequests(server.get());

  // The first line on stdout is the port, so that a caller that asked for
  // port 0 learns which one it got.
  std::printf("%u\n", port);
  std::fflush(stdout);

  GMainLoopPtr loop(g_main_loop_new(nullptr, FALSE));
  const guint termSource = g_unix_signal_add(SIGTERM, QuitLoop, loop.get());
  const guint intSource = g_unix_signal_add(SIGINT, QuitLoop, loop.get());
  g_main_loop_run(loop.get());
  g_source_remove(termSource);
  g_source_remove(intSource);
  soup_server_disconnect(server.get());
  return 0;
}
