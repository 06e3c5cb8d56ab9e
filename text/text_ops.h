#pragma once

#include <cstdint>

#include "text/text.h"

// Text operations. Positions are 1-based; a search that finds nothing gives 0.

// The first `count` bytes of `bytes`, ending before the first zero byte among
// them; a negative count counts as 0.
Text TextFromBytes(const char* bytes, int64_t count);

// Position of the first occurrence of `pattern` at or after `start`, bytes
// compared by their lower-case forms. A start below 1 counts as 1; an empty
// text or pattern gives 0.
int64_t TextFindNoCase(const Text& text, const Text& pattern, int64_t start);
