#pragma once

#include <cstdint>

#include "platform/geometry.h"
#include "text/text.h"

// The controls of the main window, each named by a number. Created on the UI
// thread, visible from creation on, at `box` in client coordinates. A
// control that cannot be created is missing: the operations below then treat
// its number as naming no control. Events that controls raise reach the
// event queue as EVENT_CONTROL with the control's number.

// Static text, left-aligned, wrapping at words; an ampersand is shown as it
// is. Raises no events.
bool CreateLabel(int32_t number, Rect box, const Text& text);

// Single-line editable field; a tab stop. Raises events on gaining and losing
// the keyboard focus and on each change of its text. Enter does nothing.
bool CreateTextField(int32_t number, Rect box, const Text& text);

// Push button; a tab stop. Raises an event on each press (click or space
// bar); Enter does not press it. `isDefault` draws it as the default button.
bool CreateButton(int32_t number, Rect box, const Text& text, bool isDefault);

// Horizontal bar, range 0 to 100, position 0. Raises no events.
bool CreateProgressBar(int32_t number, Rect box);

// The control's whole text as shown; empty for a number that names no
// control. Any thread (other threads wait for the UI thread's answer).
Text GetControlText(int32_t number);

// On the browser pane: opens `text` as an address (web address, "about:"
// followed by an HTML page, or a local file path) and returns without
// waiting for the page; an empty text changes nothing. On a label, field or
// button: replaces the text shown. Raises no events itself. Any thread.
void SetControlText(int32_t number, const Text& text);

// On the progress bar: -1 starts the moving band, which advances every
// 100 ms until another value comes; any other value sets the position, below
// 0 empty, above 100 full. Other controls ignore it. Any thread; returns once
// the UI thread has applied it.
void SetControlState(int32_t number, int32_t value);
