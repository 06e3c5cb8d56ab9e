#include "platform/desktop.h"

#include <gdk/gdk.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <unistd.h>

#include "platform/glib_handles.h"

namespace {

// Runs in the launched process between fork and exec: only chdir, which is
// safe there.
void EnterFolder(gpointer folder) {
  if (chdir(static_cast<const char*>(folder)) != 0) {
    // The handler then starts in our own working directory.
  }
}

}  // namespace

Size DesktopSize() {
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return {};
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
  if (monitor != nullptr) {
    GdkRectangle area;
    gdk_monitor_get_geometry(monitor, &area);
    return {area.width, area.height};
  }
  // No monitor list: the whole screen.
  GdkWindow* root = gdk_screen_get_root_window(gdk_display_get_default_screen(display));
  return {gdk_window_get_width(root), gdk_window_get_height(root)};
}

bool LaunchOrOpen(const Text& path) {
  if (path.empty()) return false;
  GObjectPtr<GFile> file(g_file_new_for_path(path.c_str()));
  GError* rawError = nullptr;
  GObjectPtr<GAppInfo> handler(g_file_query_default_handler(file.get(), nullptr, &rawError));
  GErrorPtr error(rawError);
  if (handler == nullptr) return false;

  GdkDisplay* display = gdk_display_get_default();
  GObjectPtr<GdkAppLaunchContext> context(display ? gdk_display_get_app_launch_context(display) : nullptr);
  GAppLaunchContext* launchContext = context ? G_APP_LAUNCH_CONTEXT(context.get()) : nullptr;

  GCharPtr folder(g_file_query_file_type(file.get(), G_FILE_QUERY_INFO_NONE, nullptr) == G_FILE_TYPE_DIRECTORY
                      ? g_file_get_path(file.get())
                      : g_path_get_dirname(path.c_str()));
  GCharPtr uri(g_file_get_uri(file.get()));
  GList uris{uri.get(), nullptr, nullptr};
  rawError = nullptr;
  bool launched;
  if (G_IS_DESKTOP_APP_INFO(handler.get())) {
    launched = g_desktop_app_info_launch_uris_as_manager(G_DESKTOP_APP_INFO(handler.get()), &uris, launchContext,
                                                         G_SPAWN_SEARCH_PATH, EnterFolder, folder.get(), nullptr,
                                                         nullptr, &rawError);
  } else {
    launched = g_app_info_launch_uris(handler.get(), &uris, launchContext, &rawError);
  }
  error.reset(rawError);
  return launched;
}
