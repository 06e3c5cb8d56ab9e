#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <vector>

#include "platform/geometry.h"

// The main window's controls by number, in creation order. UI thread only.

enum class ControlKind { Label, TextField, Button, BrowserPane, ProgressBar };

struct ControlEntry {
  int32_t number;
  ControlKind kind;
  GtkWidget* widget;  // owned by the window
  bool tabStop;
};

// Puts `widget` on the main window at `box`, shows it and records it. False
// (and the widget destroyed) when there is no window or the number is taken.
bool AddControl(int32_t number, ControlKind kind, GtkWidget* widget, Rect box, bool tabStop);

// Null when no control has that number.
const ControlEntry* FindControl(int32_t number);

const std::vector<ControlEntry>& ControlsInCreationOrder();

// The window is going: its controls with it.
void ForgetControls();

// The program's own changes to a control raise no events: handlers ask this.
bool ControlEventsMuted();

// Mutes control events for its lifetime.
class MuteControlEvents {
 public:
  MuteControlEvents();
  ~MuteControlEvents();
  MuteControlEvents(const MuteControlEvents&) = delete;
  MuteControlEvents& operator=(const MuteControlEvents&) = delete;
};
