#pragma once

#include "text/text.h"

// The header block of the single answer to a HEAD request for `address`
// (redirects are not followed), status line first; empty on any failure.
Text ProbeHeaders(const Text& address);
