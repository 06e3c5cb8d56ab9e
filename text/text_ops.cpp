#include "text/text_ops.h"

#include <algorithm>
#include <string_view>

namespace {

// The shared rules of both searches: the 0-based offset to search from, or
// nothing when the search cannot find anything.
bool SearchStart(const Text& text, const Text& pattern, int64_t start, std::size_t& from) {
  if (text.empty() || pattern.empty()) return false;
  if (start < 1) start = 1;
  if (start > TextLength(text)) return false;
  from = static_cast<std::size_t>(start - 1);
  return true;
}

}  // namespace

Text TextFromBytes(const char* bytes, int64_t count) {
  if (bytes == nullptr || count <= 0) return Text();
  return Text(std::string_view(bytes, static_cast<std::size_t>(count)));  // cut at a zero byte
}

int64_t TextLength(const Text& text) { return static_cast<int64_t>(text.size()); }

int64_t TextFind(const Text& text, const Text& pattern, int64_t start) {
  std::size_t from = 0;
  if (!SearchStart(text, pattern, start, from)) return 0;
  const std::size_t hit = text.str().find(pattern.str(), from);
  return hit == std::string::npos ? 0 : static_cast<int64_t>(hit) + 1;
}

int64_t TextFindNoCase(const Text& text, const Text& pattern, int64_t start) {
  std::size_t from = 0;
  if (!SearchStart(text, pattern, start, from)) return 0;
  // ASCII letters only: the result must not depend on the process's locale,
  // which the toolkit sets from the environment.
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  auto lower_equal = [&](char a, char b) { return lower(a) == lower(b); };
  const std::string& s = text.str();
  auto hit = std::search(s.begin() + static_cast<std::ptrdiff_t>(from), s.end(), pattern.str().begin(),
                         pattern.str().end(), lower_equal);
  return hit == s.end() ? 0 : (hit - s.begin()) + 1;
}

Text TextMid(const Text& text, int64_t start, int64_t count) {
  if (count < 0) return Text();
  if (start < 1) start = 1;
  if (start > TextLength(text)) return Text();
  return Text(std::string_view(text.str()).substr(static_cast<std::size_t>(start - 1),
                                                  static_cast<std::size_t>(count)));
}
