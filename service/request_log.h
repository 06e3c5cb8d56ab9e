#pragma once

#include <libsoup/soup.h>

// One line per request on stderr: "METHOD PATH[?QUERY] STATUS", with
// "aborted" for the status when the connection ended before the answer was out.
void LogRequests(SoupServer* server);
