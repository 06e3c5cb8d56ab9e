#pragma once

#include <cstdint>

// Sleeps for the given milliseconds. Linux timers already run at far finer
// than 1 ms resolution, so there is no process-wide resolution to raise.
void Pause(int32_t milliseconds);
