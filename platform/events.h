#pragma once

#include <cstdint>

// The event queue of the UI thread. Controls and the window put events in;
// the event loop takes them out oldest first.

// A control reported an action or a change; the event carries its number.
constexpr int32_t EVENT_CONTROL = 13100;
// The user asked to close the main window (close box, window menu, Alt+F4);
// the event carries 0, the window's number. Nothing is closed by it.
constexpr int32_t EVENT_CLOSE_WINDOW = 13116;

// Blocks until it has something to return: the oldest queued event's code,
// else, after one main-loop iteration that queued nothing, 0.
int32_t NextEvent();

// The number carried by the event that NextEvent returned last (0 after a
// plain iteration).
int32_t EventControl();

// UI thread only.
void QueueEvent(int32_t code, int32_t number);
void DiscardEvents();
