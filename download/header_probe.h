#pragma once

#include "text/text.h"

// The header block of the single answer to a HEAD request for `address`
// (redirects are not followed), status line first, each line with its own
// line end, up to the empty line that closes the block. Whatever the HTTP
// status; the empty text on any failure. Blocking, no time limit of its own.
Text ProbeHeaders(const Text& address);
