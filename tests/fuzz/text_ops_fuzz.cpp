// The text operations on arbitrary bytes, positions and counts: no crash, no
// undefined behaviour, and each result equal to a plain byte-by-byte reading
// of its rule.

#include <cstdint>
#include <string>
#include <string_view>

#include "tests/fuzz/fuzz_input.h"
#include "text/text_ops.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The 0-based offset a search starts from, or -1 when it cannot find anything.
int64_t SearchFrom(const std::string& text, const std::string& pattern, int64_t start) {
  if (text.empty() || pattern.empty()) return -1;
  if (start < 1) start = 1;
  if (start > static_cast<int64_t>(text.size())) return -1;
  return start - 1;
}

int64_t ReferenceFind(const std::string& text, const std::string& pattern, int64_t start, bool noCase) {
  const int64_t from = SearchFrom(text, pattern, start);
  if (from < 0) return 0;
  for (std::size_t at = static_cast<std::size_t>(from); at + pattern.size() <= text.size(); ++at) {
    bool match = true;
    for (std::size_t i = 0; i < pattern.size() && match; ++i)
      match = noCase ? Lower(text[at + i]) == Lower(pattern[i]) : text[at + i] == pattern[i];
    if (match) return static_cast<int64_t>(at) + 1;
  }
  return 0;
}

std::string ReferenceMid(const std::string& text, int64_t start, int64_t count) {
  if (count < 0) return {};
  if (start < 1) start = 1;
  if (start > static_cast<int64_t>(text.size())) return {};
  std::string mid;
  for (int64_t at = start - 1; at < static_cast<int64_t>(text.size()) && static_cast<int64_t>(mid.size()) < count;
       ++at)
    mid += text[static_cast<std::size_t>(at)];
  return mid;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  // "START COUNT", then the text on a line of its own, then the pattern.
  const int64_t start = input.Number();
  const int64_t count = input.Number();
  const std::string_view textBytes = input.Line();
  const std::string_view patternBytes = input.Rest();

  // A zero byte ends a text made from bytes; a count of 0 or less gives none.
  const Text text = TextFromBytes(textBytes.data(), static_cast<int64_t>(textBytes.size()));
  FUZZ_CHECK(text.str() == std::string(textBytes.substr(0, textBytes.find('\0'))));
  FUZZ_CHECK(TextFromBytes(textBytes.data(), count < 0 ? count : 0).empty());
  const Text pattern = TextFromBytes(patternBytes.data(), static_cast<int64_t>(patternBytes.size()));
  FUZZ_CHECK(TextLength(text) == static_cast<int64_t>(text.str().size()));

  FUZZ_CHECK(TextFind(text, pattern, start) == ReferenceFind(text.str(), pattern.str(), start, false));
  FUZZ_CHECK(TextFindNoCase(text, pattern, start) == ReferenceFind(text.str(), pattern.str(), start, true));
  FUZZ_CHECK(TextMid(text, start, count).str() == ReferenceMid(text.str(), start, count));
  return 0;
}
