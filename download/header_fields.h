#pragma once

#include <cstdint>

#include "text/text.h"

// Both read a header block line by line, as ProbeHeaders delivers it: the
// status line, then "Name: value" lines ended by CR LF or LF alone. Names
// match without regard to case (HTTP/2 sends them in lower case) and in any
// order; spaces and tabs around a value are not part of it. The first line of
// a name counts.

// The value of the "Location" header, or the empty text.
Text ExtractRedirectTarget(const Text& headerText);

// The value of the "Content-Length" header; 0 when it is missing or is not a
// plain decimal number that fits in 63 bits (the size is then unknown).
int64_t ExtractContentLength(const Text& headerText);
