#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A run of 8-bit characters that never holds a zero byte: where bytes from
// outside become a Text, the first zero byte ends it. Texts are values; no
// operation changes its arguments.
class Text {
 public:
  Text() = default;
  Text(const char* s) : Text(std::string_view(s ? s : "")) {}
  Text(std::string_view s) : bytes_(s.substr(0, s.find('\0'))) {}
  Text(const std::string& s) : Text(std::string_view(s)) {}

  const std::string& str() const { return bytes_; }
  const char* c_str() const { return bytes_.c_str(); }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }

  // Two zero-free texts join into a zero-free text: no scan needed.
  friend Text operator+(const Text& a, const Text& b) {
    Text joined;
    joined.bytes_.reserve(a.size() + b.size());
    joined.bytes_.append(a.bytes_).append(b.bytes_);
    return joined;
  }
  friend bool operator==(const Text&, const Text&) = default;

 private:
  std::string bytes_;
};
