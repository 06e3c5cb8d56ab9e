// The start-up reference: a plain GTK window, the size of the program's own,
// whose only content is a WebKitWebView that loads the same banner HTML at
// once. Nothing else: no controls, no waiting for a blank page, the web
// view's default settings.
//
//   bench_reference [--software]
//
// --software turns hardware acceleration off as the program does, to tell
// that setting's share of the start-up apart.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <string>

#include "app/build_controls.h"
#include "app/window_geometry.h"
#include "platform/desktop.h"
#include "platform/glib_handles.h"

int main(int argc, char** argv) {
  if (!gtk_init_check(nullptr, nullptr)) return 1;
  const bool software = argc > 1 && std::string(argv[1]) == "--software";
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  const Size client = WindowSizeForDesktop(DesktopSize());
  gtk_window_set_default_size(GTK_WINDOW(window), client.width, client.height);
  gtk_window_set_title(GTK_WINDOW(window), "reference");
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

  GObjectPtr<WebKitSettings> settings(webkit_settings_new());
  if (software)
    webkit_settings_set_hardware_acceleration_policy(settings.get(), WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  GtkWidget* view = webkit_web_view_new_with_settings(settings.get());
  gtk_container_add(GTK_CONTAINER(window), view);
  // The program's pane address is "about:" followed by the page itself.
  const std::string html = BannerHtml().str().substr(6);
  webkit_web_view_load_html(WEBKIT_WEB_VIEW(view), html.c_str(), nullptr);

  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
