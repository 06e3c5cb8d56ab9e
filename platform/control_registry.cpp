#include "platform/control_registry.h"

#include "platform/main_window_access.h"

namespace {

std::vector<ControlEntry> controls;
int muteDepth = 0;

}  // namespace

bool AddControl(int32_t number, ControlKind kind, GtkWidget* widget, Rect box, bool tabStop) {
  GtkLayout* surface = MainWindowSurface();
  if (surface == nullptr || FindControl(number) != nullptr) {
    g_object_ref_sink(widget);
    gtk_widget_destroy(widget);
    g_object_unref(widget);
    return false;
  }
  gtk_widget_set_size_request(widget, box.width, box.height);
  gtk_layout_put(surface, widget, box.x, box.y);
  controls.push_back({number, kind, widget, tabStop});
  gtk_widget_show(widget);
  return true;
}

const ControlEntry* FindControl(int32_t number) {
  for (const ControlEntry& entry : controls)
    if (entry.number == number) return &entry;
  return nullptr;
}

const std::vector<ControlEntry>& ControlsInCreationOrder() { return controls; }

void ForgetControls() { controls.clear(); }

bool ControlEventsMuted() { return muteDepth > 0; }

MuteControlEvents::MuteControlEvents() { ++muteDepth; }
MuteControlEvents::~MuteControlEvents() { --muteDepth; }
