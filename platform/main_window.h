#pragma once

#include <functional>

#include "platform/geometry.h"
#include "text/text.h"

// The program's one window. Its client area is exactly `clientSize`; it has a
// title bar with a close box only and cannot be resized. It opens hidden, is
// placed where `place` says for its outer size (frame included), relative to
// the primary screen's top-left corner, and is then shown and activated.
// False when it cannot be opened.
bool OpenMainWindow(const Text& title, Size clientSize, const std::function<Point(Size outerSize)>& place);

// UI thread only. Destroys the window and its controls.
void DestroyMainWindow();
