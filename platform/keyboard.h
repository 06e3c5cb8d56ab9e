#pragma once

#include <gtk/gtk.h>

// The main window's own key bindings, seen before the focused control:
// Tab and Shift+Tab move the focus over the tab stops in creation order and
// wrap around (GTK would order them by position); Enter on a button presses
// nothing. Every other key goes on to the focused control.
gboolean OnMainWindowKeyPress(GtkWidget* window, GdkEventKey* event, gpointer);
