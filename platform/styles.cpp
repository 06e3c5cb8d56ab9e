#include "platform/styles.h"

#include <gtk/gtk.h>

#include <string>

#include "platform/glib_handles.h"

void InstallControlStyles() {
  static bool installed = false;
  if (installed) return;
  GdkScreen* screen = gdk_screen_get_default();
  if (screen == nullptr) return;
  const std::string scope = std::string("#") + MAIN_WINDOW_STYLE_NAME;
  const std::string css = scope + " entry, " + scope + " button {" +
                          " min-height: 0; min-width: 0; padding-top: 0; padding-bottom: 0; }\n" +
                          scope + " progressbar trough { min-height: 48px; }\n" +
                          scope + " progressbar progress { min-height: 46px; }\n";
  GObjectPtr<GtkCssProvider> provider(gtk_css_provider_new());
  gtk_css_provider_load_from_data(provider.get(), css.c_str(), -1, nullptr);
  gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider.get()),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  installed = true;
}
