#pragma once

#include <gtk/gtk.h>

// The borders the window manager adds around a window's client area.
struct FrameExtents {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
};

// Asks the window manager which frame it will give `window` (realized, not
// yet shown), so that the window can be placed before it appears. All zero
// when there is no window manager or it does not answer in time.
FrameExtents RequestFrameExtents(GtkWidget* window);
