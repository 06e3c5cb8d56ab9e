#pragma once

#include <functional>

// The user-interface thread: the one that set the toolkit up. It alone
// touches windows and controls; other threads hand it work.

// Sets the toolkit up on the calling thread, which becomes the UI thread.
// False when there is no display to open windows on.
bool InitUiThread();

bool OnUiThread();

// Runs `task` on the UI thread at its next main-loop iteration and returns at
// once. The task is a value: it owns what it needs.
void PostToUiThread(std::function<void()> task);

// Runs `task` on the UI thread and returns once it has run; on the UI thread
// itself it runs at once. Works while the UI thread waits for events, waits
// for the browser pane or shows a dialog, since all of them iterate the same
// main loop.
void RunOnUiThreadAndWait(std::function<void()> task);

// One iteration of the UI thread's main loop. With `mayBlock` it sleeps until
// something happens. True when something was dispatched.
bool PumpUiOnce(bool mayBlock);
