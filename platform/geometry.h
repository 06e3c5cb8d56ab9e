#pragma once

#include <cstdint>

// Pixel sizes and positions, in the window's client coordinates unless said
// otherwise.
struct Size {
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};
