#pragma once

#include <cstdint>

#include "text/text.h"

// Text operations. Positions are 1-based; a search that finds nothing gives 0.
// Each returns a new value and changes none of its arguments.

// The first `count` bytes of `bytes`, ending before the first zero byte among
// them; a negative count counts as 0.
Text TextFromBytes(const char* bytes, int64_t count);

// The number of bytes in `text`.
int64_t TextLength(const Text& text);

// Position of the first occurrence of `pattern` that begins at or after
// `start`, bytes compared exactly. A start below 1 counts as 1; a start beyond
// the text finds nothing; an empty text or pattern gives 0.
int64_t TextFind(const Text& text, const Text& pattern, int64_t start);

// As TextFind, but ASCII letters match without regard to case.
int64_t TextFindNoCase(const Text& text, const Text& pattern, int64_t start);

// At most `count` bytes of `text` from position `start` on (a start below 1
// counts as 1), fewer where the text ends first. A negative count, or a start
// beyond the text, gives the empty text.
Text TextMid(const Text& text, int64_t start, int64_t count);
