#pragma once

#include <libsoup/soup.h>

#include <cstdint>
#include <string>

// Answers `msg` with the file at `path` as video/mp4: Content-Length, then
// Connection; the body goes out in pieces read as the socket takes them, so
// memory stays small whatever the file's size. HEAD gets the headers only.
// A `rate` above 0 holds the body to about that many bytes a second, so that
// a download lasts long enough to watch; 0 sends as fast as the socket takes.
// Returns false, answering nothing, when the file cannot be opened.
bool StreamMediaFile(SoupServerMessage* msg, const std::string& path, std::uint64_t rate);
