#include "platform/main_window.h"

#include <gtk/gtk.h>

#include "platform/control_registry.h"
#include "platform/events.h"
#include "platform/frame_extents.h"
#include "platform/keyboard.h"
#include "platform/main_window_access.h"
#include "platform/styles.h"

namespace {

GtkWidget* mainWindow = nullptr;
GtkWidget* surface = nullptr;

gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer) {
  // The close box only asks; the program decides when the window goes.
  QueueEvent(EVENT_CLOSE_WINDOW, 0);
  return TRUE;
}

void OnRealize(GtkWidget* window, gpointer) {
  // A title bar with the window menu and a close box only: no minimise, no
  // maximise, no resizing.
  GdkWindow* gdkWindow = gtk_widget_get_window(window);
  gdk_window_set_functions(gdkWindow, static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
  gdk_window_set_decorations(gdkWindow,
                             static_cast<GdkWMDecoration>(GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU));
}

void OnDestroy(GtkWidget*, gpointer) {
  ForgetControls();
  mainWindow = nullptr;
  surface = nullptr;
}

Point PrimaryScreenOrigin(GdkDisplay* display) {
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
  if (monitor == nullptr) return {};
  GdkRectangle area;
  gdk_monitor_get_geometry(monitor, &area);
  return {area.x, area.y};
}

}  // namespace

GtkWindow* MainWindow() { return mainWindow ? GTK_WINDOW(mainWindow) : nullptr; }
GtkLayout* MainWindowSurface() { return surface ? GTK_LAYOUT(surface) : nullptr; }

bool OpenMainWindow(const Text& title, Size clientSize, const std::function<Point(Size outerSize)>& place) {
  if (mainWindow != nullptr) return false;
  InstallControlStyles();
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  if (window == nullptr) return false;
  mainWindow = window;
  gtk_widget_set_name(window, MAIN_WINDOW_STYLE_NAME);
  gtk_window_set_title(GTK_WINDOW(window), title.c_str());
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  g_signal_connect(window, "delete-event", G_CALLBACK(OnDeleteEvent), nullptr);
  g_signal_connect(window, "realize", G_CALLBACK(OnRealize), nullptr);
  g_signal_connect(window, "destroy", G_CALLBACK(OnDestroy), nullptr);
  g_signal_connect(window, "key-press-event", G_CALLBACK(OnMainWindowKeyPress), nullptr);

  // A GtkLayout rather than a GtkFixed: it keeps exactly the size it is given
  // while controls may lie partly or wholly outside it (narrow desktops),
  // where a GtkFixed would grow the window to hold them.
  surface = gtk_layout_new(nullptr, nullptr);
  gtk_widget_set_size_request(surface, clientSize.width, clientSize.height);
  gtk_container_add(GTK_CONTAINER(window), surface);

  gtk_widget_realize(window);
  const FrameExtents frame = RequestFrameExtents(window);
  const Size outer{clientSize.width + frame.left + frame.right, clientSize.height + frame.top + frame.bottom};
  const Point position = place(outer);
  const Point origin = PrimaryScreenOrigin(gtk_widget_get_display(window));
  // The window manager places the frame's top-left corner here.
  gtk_window_move(GTK_WINDOW(window), origin.x + position.x, origin.y + position.y);

  gtk_widget_show(surface);
  gtk_widget_show(window);
  gtk_window_present(GTK_WINDOW(window));
  return true;
}

void DestroyMainWindow() {
  if (mainWindow != nullptr) gtk_widget_destroy(mainWindow);
}
