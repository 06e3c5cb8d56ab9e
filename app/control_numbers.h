#pragma once

#include <cstdint>

// The main window's controls by number: events carry these, and the control
// operations take them.
constexpr int32_t VideoIdLabel = 0;
constexpr int32_t VideoIdField = 1;
constexpr int32_t DownloadButton = 2;
constexpr int32_t OpenFolderButton = 3;
constexpr int32_t BrowserPane = 10;
constexpr int32_t ProgressBar = 20;
