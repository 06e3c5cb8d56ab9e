#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "text/text.h"

// What the generic control operations do on the two kinds that need more than
// a plain GTK call. UI thread only.
void ApplyProgressValue(GtkWidget* bar, int32_t value);
void OpenInBrowserPane(GtkWidget* view, const Text& address);
Text BrowserPaneText(GtkWidget* view);
