#pragma once

#include <cstdint>

#include "platform/geometry.h"
#include "text/text.h"

// The embedded web browser. It first opens "about:blank" and keeps the UI
// loop running (pausing 1 ms whenever nothing is pending) until that page is
// complete; events raised meanwhile by other controls or the window stay
// queued for the event loop. From then on it raises events while pages load
// (start, commit, end, title and progress changes, link hovers), and it opens
// `initialAddress` unless that is empty, without waiting for it. Not a tab
// stop.
bool CreateBrowserPane(int32_t number, Rect box, const Text& initialAddress);
