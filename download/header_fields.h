#pragma once

#include <cstdint>

#include "text/text.h"

// The value of the "Location" header in a header block, or the empty text.
Text ExtractRedirectTarget(const Text& headerText);

// The value of the "Content-Length" header; 0 when it is missing or is not
// a plain decimal number (the size is then unknown).
int64_t ExtractContentLength(const Text& headerText);
