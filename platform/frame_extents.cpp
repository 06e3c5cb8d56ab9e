#include "platform/frame_extents.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include <chrono>
#include <memory>

#include "text/pause.h"

namespace {

struct XFreeDeleter {
  void operator()(unsigned char* p) const {
    if (p) XFree(p);
  }
};

bool ReadFrameExtents(Display* display, Window window, Atom property, FrameExtents& extents) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* raw = nullptr;
  const int status = XGetWindowProperty(display, window, property, 0, 4, False, XA_CARDINAL, &type, &format,
                                        &count, &remaining, &raw);
  std::unique_ptr<unsigned char, XFreeDeleter> data(raw);
  if (status != Success || type != XA_CARDINAL || format != 32 || count != 4) return false;
  const auto* values = reinterpret_cast<const long*>(data.get());  // format 32 arrives as longs
  extents = {static_cast<int>(values[0]), static_cast<int>(values[1]), static_cast<int>(values[2]),
             static_cast<int>(values[3])};
  return true;
}

}  // namespace

FrameExtents RequestFrameExtents(GtkWidget* window) {
  FrameExtents extents;
  GdkWindow* gdkWindow = gtk_widget_get_window(window);
  if (gdkWindow == nullptr || !GDK_IS_X11_WINDOW(gdkWindow)) return extents;
  GdkScreen* screen = gdk_window_get_screen(gdkWindow);
  if (!gdk_x11_screen_supports_net_wm_hint(screen, gdk_atom_intern_static_string("_NET_REQUEST_FRAME_EXTENTS")))
    return extents;

  GdkDisplay* gdkDisplay = gdk_window_get_display(gdkWindow);
  Display* display = GDK_DISPLAY_XDISPLAY(gdkDisplay);
  const Window xid = GDK_WINDOW_XID(gdkWindow);
  const Atom property = gdk_x11_get_xatom_by_name_for_display(gdkDisplay, "_NET_FRAME_EXTENTS");

  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = xid;
  request.xclient.message_type = gdk_x11_get_xatom_by_name_for_display(gdkDisplay, "_NET_REQUEST_FRAME_EXTENTS");
  request.xclient.format = 32;
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
             &request);
  XFlush(display);

  // The window manager answers by setting a property on the window; a busy
  // one may take a moment, a broken one never answers.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  while (!ReadFrameExtents(display, xid, property, extents)) {
    if (std::chrono::steady_clock::now() > deadline) return FrameExtents{};
    Pause(1);
  }
  return extents;
}
