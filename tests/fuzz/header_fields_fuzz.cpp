// Both header extractions on arbitrary header blocks: no crash, no undefined
// behaviour, and each result equal to a plain line-by-line reading: the first
// line whose name (everything before its first colon) is the header's name in
// any case; its value without the line's CR and the spaces and tabs around it.

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "download/header_fields.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The value of the first line called `name`; false when there is none.
bool ReferenceValue(std::string_view block, std::string_view name, std::string& value) {
  while (!block.empty()) {
    const std::size_t lineFeed = block.find('\n');
    std::string_view line = block.substr(0, lineFeed);
    block.remove_prefix(lineFeed == std::string_view::npos ? block.size() : lineFeed + 1);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !SameNoCase(line.substr(0, colon), name)) continue;
    line.remove_prefix(colon + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    value = std::string(line);
    return true;
  }
  return false;
}

int64_t ReferenceLength(std::string_view block) {
  std::string value;
  if (!ReferenceValue(block, "Content-Length", value) || value.empty()) return 0;
  // Decimal digits only, below 2^63; anything else is unknown.
  uint64_t number = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return 0;
    if (number > (static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) - (c - '0')) / 10) return 0;
    number = number * 10 + static_cast<uint64_t>(c - '0');
  }
  return static_cast<int64_t>(number);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const Text headers(input.Rest());  // ends at a zero byte, as text from the network does
  const std::string_view block = headers.str();

  const Text target = ExtractRedirectTarget(headers);
  std::string expected;
  ReferenceValue(block, "Location", expected);
  FUZZ_CHECK(target.str() == expected);
  FUZZ_CHECK(target.str().find('\n') == std::string::npos);

  const int64_t length = ExtractContentLength(headers);
  FUZZ_CHECK(length >= 0);
  FUZZ_CHECK(length == ReferenceLength(block));
  return 0;
}
