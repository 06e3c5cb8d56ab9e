#pragma once

#include "text/text.h"

// The body of `address` (HTTP or HTTPS, redirects followed) as text, fetched
// from the server itself, never from a cache, with the agent "QX@INET" and no
// proxy; whatever the HTTP status. Read in pieces of at most 2048 bytes, each
// after a 1 ms pause; a zero byte ends the text of its piece. Returns the text
// received before a failure (the empty text when nothing arrived), and stops
// after 64 KiB. Blocking, no time limit of its own; calls on different threads
// share nothing.
Text FetchPageText(const Text& address);
