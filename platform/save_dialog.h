#pragma once

#include "text/text.h"

// Asks the user for the name of a file to save, in a dialog titled `title`
// with one file-type entry named `typeName` that lists MP4 files (any case of
// ".mp4"). The dialog starts with no name in its own folder, accepts a name
// only in an existing folder and asks before replacing an existing file. It
// is modal for the main window when that window is active, else it stands
// alone. The full path, or the empty text when the user cancels.
//
// For threads other than the UI thread: the caller waits while the dialog
// runs on the UI thread, whose event loop goes on. On the UI thread it
// returns the empty text at once.
Text ChooseSaveFileName(const Text& title, const Text& typeName);
