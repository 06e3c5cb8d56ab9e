#pragma once

#include "text/shared_text.h"

// Texts that the UI thread and download workers share; each read sees a
// whole value.

// The field's text at the latest Download press; each worker reads it once.
extern SharedText videoId;

// The file name of the latest download; empty until a worker has set it.
extern SharedText savePath;
