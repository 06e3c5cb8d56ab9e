// The worker's own rules on arbitrary values: the bar's percentage for any
// count and size, the ".mp4" rule for any name, and the resolution of any
// redirect target against any address. No crash, no undefined behaviour
// (a float that does not fit an int32_t included).

#include <cstdint>
#include <limits>
#include <string_view>

#include "download/download_worker.h"
#include "tests/fuzz/fuzz_input.h"
#include "text/text_ops.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  // "PROGRESS SIZE", then a name, an address and a redirect target, each on
  // a line of its own.
  const int64_t progress = input.Number();
  int64_t fileSize = input.Number();
  // The worker asks for a percentage only once it knows a size.
  if (fileSize == 0) fileSize = 1;
  if (fileSize < 0) fileSize = fileSize == std::numeric_limits<int64_t>::min() ? 1 : -fileSize;
  const int32_t percent = ProgressPercent(progress, fileSize);
  if (progress >= 0 && progress <= fileSize) FUZZ_CHECK(percent >= 0 && percent <= 100);
  if (progress > fileSize) FUZZ_CHECK(percent >= 100);

  const Text name(input.Line());
  const Text saved = WithMp4Extension(name);
  FUZZ_CHECK(TextFindNoCase(saved, ".mp4", 1) != 0);
  FUZZ_CHECK(saved == (TextFindNoCase(name, ".mp4", 1) != 0 ? name : name + ".mp4"));

  const Text address(input.Line());
  const Text target(input.Rest());
  const Text resolved = ResolveRedirectTarget(address, target);
  FUZZ_CHECK(resolved.empty() == target.empty());
  return 0;
}
