#include <gtk/gtk.h>

#include "platform/control_kinds.h"
#include "platform/control_registry.h"
#include "platform/controls.h"

namespace {

constexpr guint PULSE_INTERVAL_MS = 100;
constexpr char PULSE_KEY[] = "pulse-timer";

// The moving band's timer, stopped when the bar leaves that look or goes.
struct PulseTimer {
  guint source;
  ~PulseTimer() { g_source_remove(source); }
};

gboolean Pulse(gpointer bar) {
  gtk_progress_bar_pulse(GTK_PROGRESS_BAR(bar));
  return G_SOURCE_CONTINUE;
}

void DeletePulseTimer(gpointer timer) { delete static_cast<PulseTimer*>(timer); }

void StopPulse(GtkWidget* bar) { g_object_set_data(G_OBJECT(bar), PULSE_KEY, nullptr); }

}  // namespace

bool CreateProgressBar(int32_t number, Rect box) {
  GtkWidget* bar = gtk_progress_bar_new();
  gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), 0.0);
  if (!AddControl(number, ControlKind::ProgressBar, bar, box, false)) return false;
  g_signal_connect(bar, "destroy", G_CALLBACK(StopPulse), nullptr);
  return true;
}

void ApplyProgressValue(GtkWidget* bar, int32_t value) {
  if (value == -1) {
    if (g_object_get_data(G_OBJECT(bar), PULSE_KEY) != nullptr) return;  // already moving
    gtk_progress_bar_pulse(GTK_PROGRESS_BAR(bar));
    g_object_set_data_full(G_OBJECT(bar), PULSE_KEY, new PulseTimer{g_timeout_add(PULSE_INTERVAL_MS, Pulse, bar)},
                           DeletePulseTimer);
    return;
  }
  StopPulse(bar);
  const int32_t position = value < 0 ? 0 : (value > 100 ? 100 : value);
  gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), position / 100.0);
}
