// The strict UTF-8 check at every edge of its ranges, and comment lines made
// of any bytes.
#include "util/text.h"

#include <gtest/gtest.h>

namespace kestrove {
namespace {

struct Utf8Case {
  const char* what;
  std::string bytes;
  bool valid;
};

TEST(Utf8, StrictCheckAtEveryEdge) {
  const Utf8Case cases[] = {
      {"empty", "", true},
      {"ASCII with NUL", std::string("a\0b", 3), true},
      {"two bytes, lowest", "\xC2\x80", true},
      {"two bytes, highest", "\xDF\xBF", true},
      {"three bytes, lowest", "\xE0\xA0\x80", true},
      {"below the surrogates", "\xED\x9F\xBF", true},
      {"above the surrogates", "\xEE\x80\x80", true},
      {"U+FFFF", "\xEF\xBF\xBF", true},
      {"four bytes, lowest", "\xF0\x90\x80\x80", true},
      {"U+10FFFF", "\xF4\x8F\xBF\xBF", true},
      {"overlong '/' in two", "t\xC0\xAF", false},
      {"overlong in two, C1", "\xC1\xBF", false},
      {"overlong in three", "\xE0\x9F\xBF", false},
      {"overlong in four", "\xF0\x8F\xBF\xBF", false},
      {"first surrogate", "\xED\xA0\x80", false},
      {"last surrogate", "\xED\xBF\xBF", false},
      {"U+110000", "\xF4\x90\x80\x80", false},
      {"lead F5", "\xF5\x80\x80\x80", false},
      {"lead FF", "\xFF", false},
      {"stray continuation", "a\x80", false},
      {"two bytes cut short", "\xC3", false},
      {"three bytes cut short", "\xE2\x82", false},
      {"four bytes cut short", "\xF0\x9F\x98", false},
      {"continuation missing mid-text", "\xE2\x82z", false},
      {"Latin-1 e acute", "caf\xE9", false},
  };
  for (const Utf8Case& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.what;
}

TEST(Utf8, OneLineKeepsTextAndReplacesTheRest) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain \"quoted\" # and = ]", "plain \"quoted\" # and = ]"},
      {"one\ntwo\r\nthree\rfour", "one two three four"},
      {"tab\tbell\adel\x7f", "tab\tbell?del?"},
      {"caf\xE9 \xC3\xA9 t\xC0\xAF \xED\xA0\x80", "caf? \xC3\xA9 t?? ???"},
      {"cut \xE2\x82", "cut ??"},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(OneLineUtf8(in), out);
    EXPECT_TRUE(IsValidUtf8(OneLineUtf8(in)));
  }
}

}  // namespace
}  // namespace kestrove
