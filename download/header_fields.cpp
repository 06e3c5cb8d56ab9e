#include "download/header_fields.h"

#include <limits>

#include "text/text_ops.h"

namespace {

bool IsFieldSpace(char c) { return c == ' ' || c == '\t'; }

// The value of the first header line called `name`, without the optional
// spaces and tabs around it, or the empty text.
Text HeaderValue(const Text& headerText, const Text& name) {
  const int64_t length = TextLength(headerText);
  int64_t lineStart = 1;
  while (lineStart <= length) {
    const int64_t lineFeed = TextFind(headerText, "\n", lineStart);
    const int64_t lineEnd = lineFeed == 0 ? length + 1 : lineFeed;  // just past the line's bytes
    const Text line = TextMid(headerText, lineStart, lineEnd - lineStart);
    const int64_t colon = TextFind(line, ":", 1);
    // The name is everything before the first colon, so "Content-Location"
    // and a value that merely mentions the name do not match.
    if (colon == TextLength(name) + 1 && TextFindNoCase(line, name, 1) == 1) {
      const std::string& bytes = line.str();
      std::size_t first = static_cast<std::size_t>(colon);
      std::size_t last = bytes.size();
      if (last > first && bytes[last - 1] == '\r') --last;
      while (first < last && IsFieldSpace(bytes[first])) ++first;
      while (last > first && IsFieldSpace(bytes[last - 1])) --last;
      return TextMid(line, static_cast<int64_t>(first) + 1, static_cast<int64_t>(last - first));
    }
    lineStart = lineEnd + 1;
  }
  return Text();
}

}  // namespace

Text ExtractRedirectTarget(const Text& headerText) { return HeaderValue(headerText, "Location"); }

int64_t ExtractContentLength(const Text& headerText) {
  const Text value = HeaderValue(headerText, "Content-Length");
  if (value.empty()) return 0;
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t number = 0;
  for (char c : value.str()) {
    if (c < '0' || c > '9') return 0;
    const int digit = c - '0';
    if (number > (kMax - digit) / 10) return 0;  // beyond what a signed 64-bit size holds
    number = number * 10 + digit;
  }
  return number;
}
