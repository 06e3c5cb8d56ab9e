#pragma once

#include "text/text.h"

// The folder part of `path`: everything up to and including its last slash
// or backslash; empty when it has neither. A drive colon is no separator.
Text FolderPart(const Text& path);
