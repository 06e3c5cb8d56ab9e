#include "download/download_worker.h"

#include <cmath>

#include "text/text_ops.h"

Text WithMp4Extension(const Text& name) {
  return TextFindNoCase(name, ".mp4", 1) != 0 ? name : name + ".mp4";
}

int32_t ProgressPercent(int64_t progress, int64_t fileSize) {
  // Narrowed to float before rounding, as the bar has always been fed:
  // 124999996 of 1000000000 gives 13, since 12.4999996 is 12.5 as a float.
  const float x = static_cast<float>(static_cast<double>(progress) / static_cast<double>(fileSize) * 100.0);
  const double rounded = x > 0 ? std::floor(static_cast<double>(x) + 0.5) : std::ceil(static_cast<double>(x) - 0.5);
  return static_cast<int32_t>(static_cast<float>(rounded));
}
