#include "text/text_ops.h"

#include <algorithm>
#include <cctype>
#include <string_view>

Text TextFromBytes(const char* bytes, int64_t count) {
  if (bytes == nullptr || count <= 0) return Text();
  return Text(std::string_view(bytes, static_cast<std::size_t>(count)));  // cut at a zero byte
}

int64_t TextFindNoCase(const Text& text, const Text& pattern, int64_t start) {
  if (text.empty() || pattern.empty()) return 0;
  if (start < 1) start = 1;
  if (start > static_cast<int64_t>(text.size())) return 0;
  auto lower_equal = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  const std::string& s = text.str();
  auto from = s.begin() + (start - 1);
  auto hit = std::search(from, s.end(), pattern.str().begin(), pattern.str().end(), lower_equal);
  return hit == s.end() ? 0 : (hit - s.begin()) + 1;
}
