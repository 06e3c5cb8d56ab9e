#include "platform/controls.h"

#include <gtk/gtk.h>

#include <future>
#include <memory>

#include "platform/control_kinds.h"
#include "platform/control_registry.h"
#include "platform/events.h"
#include "platform/ui_thread.h"

namespace {

void RaiseControlEvent(GtkWidget*, gpointer number) {
  if (!ControlEventsMuted()) QueueEvent(EVENT_CONTROL, GPOINTER_TO_INT(number));
}

gboolean RaiseFocusEvent(GtkWidget* widget, GdkEvent*, gpointer number) {
  RaiseControlEvent(widget, number);
  return FALSE;  // the field still needs the focus change itself
}

Text ReadControlText(int32_t number) {
  const ControlEntry* control = FindControl(number);
  if (control == nullptr) return Text();
  switch (control->kind) {
    case ControlKind::Label:
      return Text(gtk_label_get_text(GTK_LABEL(control->widget)));
    case ControlKind::TextField:
      return Text(gtk_entry_get_text(GTK_ENTRY(control->widget)));
    case ControlKind::Button:
      return Text(gtk_button_get_label(GTK_BUTTON(control->widget)));
    case ControlKind::BrowserPane:
      return BrowserPaneText(control->widget);
    case ControlKind::ProgressBar:
      return Text();
  }
  return Text();
}

void WriteControlText(int32_t number, const Text& text) {
  const ControlEntry* control = FindControl(number);
  if (control == nullptr) return;
  MuteControlEvents mute;
  switch (control->kind) {
    case ControlKind::Label:
      gtk_label_set_text(GTK_LABEL(control->widget), text.c_str());
      break;
    case ControlKind::TextField:
      gtk_entry_set_text(GTK_ENTRY(control->widget), text.c_str());
      break;
    case ControlKind::Button:
      gtk_button_set_label(GTK_BUTTON(control->widget), text.c_str());
      break;
    case ControlKind::BrowserPane:
      OpenInBrowserPane(control->widget, text);
      break;
    case ControlKind::ProgressBar:
      break;
  }
}

void WriteControlState(int32_t number, int32_t value) {
  const ControlEntry* control = FindControl(number);
  if (control != nullptr && control->kind == ControlKind::ProgressBar) ApplyProgressValue(control->widget, value);
}

}  // namespace

bool CreateLabel(int32_t number, Rect box, const Text& text) {
  GtkWidget* label = gtk_label_new(text.c_str());  // plain text: no mnemonic, no markup
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD);
  // Without a width in characters a wrapping label asks for its whole text
  // on one line; its box decides the width instead.
  gtk_label_set_max_width_chars(GTK_LABEL(label), 1);
  gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
  gtk_label_set_yalign(GTK_LABEL(label), 0.0F);
  return AddControl(number, ControlKind::Label, label, box, false);
}

bool CreateTextField(int32_t number, Rect box, const Text& text) {
  GtkWidget* field = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(field), text.c_str());
  gtk_entry_set_width_chars(GTK_ENTRY(field), 1);  // its box gives the width
  gtk_entry_set_activates_default(GTK_ENTRY(field), FALSE);
  gtk_entry_set_has_frame(GTK_ENTRY(field), TRUE);
  if (!AddControl(number, ControlKind::TextField, field, box, true)) return false;
  gpointer data = GINT_TO_POINTER(number);
  g_signal_connect(field, "changed", G_CALLBACK(RaiseControlEvent), data);
  g_signal_connect(field, "focus-in-event", G_CALLBACK(RaiseFocusEvent), data);
  g_signal_connect(field, "focus-out-event", G_CALLBACK(RaiseFocusEvent), data);
  return true;
}

bool CreateButton(int32_t number, Rect box, const Text& text, bool isDefault) {
  GtkWidget* button = gtk_button_new_with_label(text.c_str());
  if (!AddControl(number, ControlKind::Button, button, box, true)) return false;
  if (isDefault) {
    gtk_widget_set_can_default(button, TRUE);
    gtk_widget_grab_default(button);
  }
  g_signal_connect(button, "clicked", G_CALLBACK(RaiseControlEvent), GINT_TO_POINTER(number));
  return true;
}

Text GetControlText(int32_t number) {
  if (OnUiThread()) return ReadControlText(number);
  auto answer = std::make_shared<std::promise<Text>>();
  std::future<Text> text = answer->get_future();
  PostToUiThread([number, answer] { answer->set_value(ReadControlText(number)); });
  return text.get();
}

void SetControlText(int32_t number, const Text& text) {
  if (OnUiThread()) {
    WriteControlText(number, text);
  } else {
    PostToUiThread([number, text] { WriteControlText(number, text); });
  }
}

void SetControlState(int32_t number, int32_t value) {
  RunOnUiThreadAndWait([number, value] { WriteControlState(number, value); });
}
