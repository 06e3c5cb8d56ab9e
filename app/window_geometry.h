#pragma once

#include "platform/geometry.h"

// The window's layout, fixed once at start-up from the desktop size.

// Client size: a third of the desktop's width (remainder dropped) and 0.8 of
// its height rounded to the nearest pixel.
Size WindowSizeForDesktop(Size desktop);

// Top-left corner that centres a window of `outer` size (frame included) on
// a screen of `screen` size; 0 on an axis where the window is larger.
Point CentredPosition(Size screen, Size outer);

struct ControlLayout {
  Rect videoIdLabel;
  Rect videoIdField;
  Rect downloadButton;
  Rect openFolderButton;
  Rect browserPane;
  Rect progressBar;
};

// Where the controls sit in a client area of `client` size. Four are at fixed
// places; the pane fills the window below them with a 10-pixel margin and
// the bar is centred. On narrow desktops the buttons lie partly or wholly
// outside the client area.
ControlLayout ControlLayoutForWindow(Size client);
