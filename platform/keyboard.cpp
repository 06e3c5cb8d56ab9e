#include "platform/keyboard.h"

#include <gdk/gdkkeysyms.h>

#include <vector>

#include "platform/control_registry.h"

namespace {

bool CanTakeFocus(const ControlEntry& control) {
  return control.tabStop && gtk_widget_is_visible(control.widget) && gtk_widget_is_sensitive(control.widget);
}

// Index of the control that holds the focus (or contains the widget that
// does), -1 when none.
int FocusedIndex(GtkWidget* window, const std::vector<ControlEntry>& controls) {
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
  if (focus == nullptr) return -1;
  for (size_t i = 0; i < controls.size(); ++i) {
    GtkWidget* widget = controls[i].widget;
    if (focus == widget || gtk_widget_is_ancestor(focus, widget)) return static_cast<int>(i);
  }
  return -1;
}

void MoveFocus(GtkWidget* window, bool forward) {
  const std::vector<ControlEntry>& controls = ControlsInCreationOrder();
  const int count = static_cast<int>(controls.size());
  if (count == 0) return;
  const int from = FocusedIndex(window, controls);
  // With nothing focused, forward starts at the first and backward at the last.
  int index = from >= 0 ? from : (forward ? -1 : count);
  for (int step = 0; step < count; ++step) {
    index = forward ? (index + 1) % count : (index - 1 + count) % count;
    if (CanTakeFocus(controls[index])) {
      gtk_widget_grab_focus(controls[index].widget);
      return;
    }
  }
}

bool FocusIsButton(GtkWidget* window) {
  const std::vector<ControlEntry>& controls = ControlsInCreationOrder();
  const int index = FocusedIndex(window, controls);
  return index >= 0 && controls[index].kind == ControlKind::Button;
}

}  // namespace

gboolean OnMainWindowKeyPress(GtkWidget* window, GdkEventKey* event, gpointer) {
  const guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
  switch (event->keyval) {
    case GDK_KEY_Tab:
    case GDK_KEY_KP_Tab:
    case GDK_KEY_ISO_Left_Tab:
      if ((modifiers & ~GDK_SHIFT_MASK) != 0) return FALSE;  // Ctrl+Tab and the like stay with the control
      MoveFocus(window, event->keyval != GDK_KEY_ISO_Left_Tab && (modifiers & GDK_SHIFT_MASK) == 0);
      return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      return FocusIsButton(window) ? TRUE : FALSE;
    default:
      return FALSE;
  }
}
