#pragma once

#include <libsoup/soup.h>

#include <cstdint>
#include <string>
#include <string_view>

// libsoup writes response headers in the order they were added, after the
// Date header it adds itself. Every answer here adds its lines in one fixed
// order, "Location:" (redirects only), "Content-Length:", "Connection:", the
// layout that the program's header extraction reads by position.

// Sets status, Content-Type, Content-Length and Connection, and the body.
void AnswerWithBody(SoupServerMessage* msg, guint status, const char* contentType, std::string_view body);

// A 302 to `location`, with a short HTML body as real servers send.
void AnswerWithRedirect(SoupServerMessage* msg, const std::string& location);

// Adds Content-Length and then Connection. A length of 0 ends up last:
// libsoup rewrites a zero Content-Length just before sending.
void AddLengthAndConnection(SoupServerMessage* msg, std::uint64_t contentLength);
