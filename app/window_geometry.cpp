#include "app/window_geometry.h"

#include <algorithm>
#include <cmath>

Size WindowSizeForDesktop(Size desktop) {
  return {desktop.width / 3, static_cast<int32_t>(std::lround(desktop.height * 0.8))};
}

Point CentredPosition(Size screen, Size outer) {
  return {(screen.width - std::min(screen.width, outer.width)) / 2,
          (screen.height - std::min(screen.height, outer.height)) / 2};
}

ControlLayout ControlLayoutForWindow(Size client) {
  return {
      .videoIdLabel = {10, 14, 250, 55},
      .videoIdField = {235, 10, 100, 25},
      .downloadButton = {350, 10, 100, 25},
      .openFolderButton = {350, 40, 100, 25},
      .browserPane = {10, 150, client.width - 20, client.height - 160},
      .progressBar = {client.width / 2 - 150, 70, 300, 50},
  };
}
