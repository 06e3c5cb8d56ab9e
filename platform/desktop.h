#pragma once

#include "platform/geometry.h"
#include "text/text.h"

// The primary display's full size in pixels (task bars included), as the
// display reports it, with no scaling of the program's own. Zero when the
// toolkit is not set up.
Size DesktopSize();

// Asks the desktop to open `path` with its default handler (for a folder the
// file manager), with the path's folder as the handler's working directory
// where the launcher starts a process itself. Shows no error. An empty path
// asks nothing. True when the desktop accepted the request.
bool LaunchOrOpen(const Text& path);
