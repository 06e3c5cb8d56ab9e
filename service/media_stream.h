#pragma once

#include <libsoup/soup.h>

#include <string>

// Answers `msg` with the file at `path` as video/mp4: Content-Length, then
// Connection; the body goes out in pieces read as the socket takes them, so
// memory stays small whatever the file's size. HEAD gets the headers only.
// Returns false, answering nothing, when the file cannot be opened.
bool StreamMediaFile(SoupServerMessage* msg, const std::string& path);
