#pragma once

// Splits a fuzzer's input into the values a target needs, so that seeds are
// plain text files: lines, and decimal numbers separated by spaces. Whatever
// the input, every request gives a value (0 or the empty text once the input
// is used up).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

  // The next word (up to a space or line end) as a decimal number: a leading
  // "-" negates, other bytes than digits are skipped, and the value wraps
  // modulo 2^64, so every 64-bit value can be written.
  int64_t Number() {
    const std::size_t end = rest_.find_first_of(" \n");
    const std::string_view word = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    uint64_t value = 0;
    for (char c : word)
      if (c >= '0' && c <= '9') value = value * 10 + static_cast<uint64_t>(c - '0');
    if (!word.empty() && word.front() == '-') value = 0 - value;
    return static_cast<int64_t>(value);
  }

  // The bytes up to the next line end (left out), or all that is left.
  std::string_view Line() {
    const std::size_t end = rest_.find('\n');
    const std::string_view line = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return line;
  }

  // The bytes up to and with the next line end, or all that is left.
  std::string_view LineWithEnd() {
    const std::size_t end = rest_.find('\n');
    const std::size_t take = end == std::string_view::npos ? rest_.size() : end + 1;
    const std::string_view line = rest_.substr(0, take);
    rest_.remove_prefix(take);
    return line;
  }

  std::string_view Rest() {
    const std::string_view all = rest_;
    rest_ = {};
    return all;
  }

  bool empty() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

// Stops the fuzzer with a report (and the input saved) when a property does
// not hold.
#define FUZZ_CHECK(condition)                                                       \
  do {                                                                              \
    if (!(condition)) {                                                             \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)
