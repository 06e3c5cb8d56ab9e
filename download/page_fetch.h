#pragma once

#include "text/text.h"

// The body of `address` as text, fetched from the server itself (never a
// cache); what arrived before a failure, or the empty text. Blocking.
Text FetchPageText(const Text& address);
