#pragma once

// The program: opens the window, runs the event loop, never returns.
[[noreturn]] void RunApplication();

// Ends the process with exit code 0, from any thread; only the first caller
// goes on.
[[noreturn]] void EndApplication();
