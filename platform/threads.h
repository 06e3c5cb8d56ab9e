#pragma once

#include <cstdint>
#include <functional>

// Runs `procedure` on a new thread that nobody joins. Returns a nonzero
// thread number, or 0 when no thread could be created.
int64_t StartThread(std::function<void()> procedure);
