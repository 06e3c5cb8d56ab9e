#pragma once

#include <gtk/gtk.h>

// For the platform's own modules: the main window and the surface that holds
// its controls, or null when there is no window.
GtkWindow* MainWindow();
GtkLayout* MainWindowSurface();
