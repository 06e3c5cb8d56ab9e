#pragma once

#include <cstddef>
#include <string>

#include "text/text.h"

// The header block of the single answer to a HEAD request for `address`
// (redirects are not followed), status line first, each line with its own
// line end, up to the empty line that closes the block. Whatever the HTTP
// status; the empty text on any failure. Blocking, no time limit of its own.
Text ProbeHeaders(const Text& address);

// The header bytes of one probe, as they arrive.
struct HeaderBuffer {
  std::string bytes;
};

// libcurl's header callback: called once per header line, the status line
// and the closing empty line included; appends the line to the HeaderBuffer
// behind `userdata`. Returning less than it was given ends the request with a
// write error.
size_t CollectHeaderBytes(char* data, size_t size, size_t count, void* userdata);
