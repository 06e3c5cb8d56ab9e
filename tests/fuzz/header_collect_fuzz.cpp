// The probe's header callback fed arbitrary pieces, as libcurl hands them
// over (one line at a time, of any size, as size x count either way round):
// every piece is taken whole and the buffer holds exactly their bytes in
// order. The collected block then goes through both extractions, as a probe's
// result does.

#include <cstdint>
#include <string>
#include <string_view>

#include "download/header_fields.h"
#include "download/header_probe.h"
#include "tests/fuzz/fuzz_input.h"
#include "text/text_ops.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  HeaderBuffer buffer;
  // A probe starts with room for 1024 bytes; an empty buffer must serve too.
  if (size % 2 == 1) buffer.bytes.reserve(1024);
  std::string expected;
  for (unsigned round = 0; !input.empty(); ++round) {
    // One line at a time, with its line end, as libcurl delivers them.
    const std::string_view piece = input.LineWithEnd();
    std::string copy(piece);  // the callback takes a non-const pointer
    const bool byItems = round % 2 == 1;
    const size_t taken = byItems ? CollectHeaderBytes(copy.data(), copy.size(), 1, &buffer)
                                 : CollectHeaderBytes(copy.data(), 1, copy.size(), &buffer);
    FUZZ_CHECK(taken == copy.size());
    expected += piece;
    FUZZ_CHECK(buffer.bytes == expected);
  }
  // A closing call without bytes changes nothing.
  FUZZ_CHECK(CollectHeaderBytes(nullptr, 0, 0, &buffer) == 0 && buffer.bytes == expected);
  const Text headers = TextFromBytes(buffer.bytes.data(), static_cast<int64_t>(buffer.bytes.size()));
  FUZZ_CHECK(ExtractContentLength(headers) >= 0);
  FUZZ_CHECK(ExtractRedirectTarget(headers).str().find('\n') == std::string::npos);
  return 0;
}
