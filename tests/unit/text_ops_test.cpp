#include "text/text_ops.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextFromBytes, EndsAtFirstZeroByteAndTreatsBadCountsAsNone) {
  const char bytes[] = {'a', 'b', 'c', '\0', 'd', 'e'};
  EXPECT_EQ(TextFromBytes(bytes, 3), Text("abc"));
  EXPECT_EQ(TextFromBytes(bytes, 2), Text("ab"));
  EXPECT_EQ(TextFromBytes(bytes, 6), Text("abc"));  // the bytes after the zero are left out
  EXPECT_EQ(TextFromBytes(bytes + 4, 2), Text("de"));
  EXPECT_EQ(TextFromBytes(bytes, 0), Text());
  EXPECT_EQ(TextFromBytes(bytes, -5), Text());
  EXPECT_EQ(TextFromBytes(nullptr, 4), Text());
  const std::string high = "\xff\x80\x01";
  EXPECT_EQ(TextFromBytes(high.data(), 3).str(), high);
}

struct FindCase {
  const char* text;
  const char* pattern;
  int64_t start;
  int64_t exact;    // TextFind
  int64_t noCase;   // TextFindNoCase
};

TEST(TextFind, PositionsAreOneBasedWithClampedStart) {
  const FindCase cases[] = {
      {"abcabc", "abc", 1, 1, 1},
      {"abcabc", "abc", 2, 4, 4},
      {"abcabc", "abc", 4, 4, 4},
      {"abcabc", "abc", 5, 0, 0},
      {"abcabc", "abc", 0, 1, 1},      // a start below 1 counts as 1
      {"abcabc", "abc", -7, 1, 1},
      {"abcabc", "c", 6, 6, 6},        // the last position still searches
      {"abcabc", "c", 7, 0, 0},        // beyond the text: nothing
      {"abcabc", "c", 1000, 0, 0},
      {"abcabc", "", 1, 0, 0},         // empty pattern
      {"", "a", 1, 0, 0},              // empty text
      {"abc", "abcd", 1, 0, 0},        // pattern longer than the text
      {"Movie.MP4", ".mp4", 1, 0, 6},  // case matters only to TextFind
      {"LOCATION: x", "location:", 1, 0, 1},
      {"x\xc4y", "\xe4", 1, 0, 0},     // only ASCII letters fold
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.pattern + " @" + std::to_string(c.start));
    EXPECT_EQ(TextFind(c.text, c.pattern, c.start), c.exact);
    EXPECT_EQ(TextFindNoCase(c.text, c.pattern, c.start), c.noCase);
  }
}

TEST(TextMid, ClampsStartAndCount) {
  struct Case {
    int64_t start, count;
    const char* expected;
  };
  const Case cases[] = {
      {1, 3, "abc"}, {2, 2, "bc"},  {4, 10, "def"}, {6, 1, "f"},  {7, 1, ""},   {100, 5, ""},
      {0, 2, "ab"},  {-3, 2, "ab"}, {1, 0, ""},     {1, -1, ""},  {3, -100, ""}, {1, INT64_MAX, "abcdef"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + "," + std::to_string(c.count));
    EXPECT_EQ(TextMid("abcdef", c.start, c.count), Text(c.expected));
  }
  EXPECT_EQ(TextMid("", 1, 5), Text());
}

TEST(TextLength, CountsBytes) {
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength("abc"), 3);
  EXPECT_EQ(TextLength("\xc3\xa4"), 2);
}

}  // namespace
