// The strict UTF-8 check at every edge of its ranges, and comment lines made
// of any bytes.
#include "util/text.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kestrove {
namespace {

TEST(Utf8, StrictCheckAtEveryEdge) {
  const std::pair<std::string, bool> cases[] = {{"", true},
                                                {std::string("a\0b", 3), true},
                                                {"\xC2\x80", true},
                                                {"\xDF\xBF", true},  // two bytes
                                                {"\xE0\xA0\x80", true},
                                                {"\xEF\xBF\xBF", true},  // three
                                                {"\xED\x9F\xBF", true},
                                                {"\xEE\x80\x80", true},  // beside the surrogates
                                                {"\xF0\x90\x80\x80", true},
                                                {"\xF4\x8F\xBF\xBF", true},  // four, to U+10FFFF
                                                {"t\xC0\xAF", false},
                                                {"\xC1\xBF", false},
                                                {"\xE0\x9F\xBF", false},  // overlong
                                                {"\xF0\x8F\xBF\xBF", false},
                                                {"\xED\xA0\x80", false},
                                                {"\xED\xBF\xBF", false},
                                                {"\xF4\x90\x80\x80", false},
                                                {"\xF5\x80\x80\x80", false},
                                                {"\xFF", false},
                                                {"a\x80", false},
                                                {"\xC3", false},
                                                {"\xE2\x82", false},
                                                {"\xF0\x9F\x98", false},
                                                {"\xE2\x82z", false},
                                                {"caf\xE9", false}};
  for (const auto& [bytes, valid] : cases) EXPECT_EQ(IsValidUtf8(bytes), valid) << bytes;
}

TEST(Utf8, OneLineKeepsTextAndReplacesTheRest) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain \"quoted\" # and = ]", "plain \"quoted\" # and = ]"},
      {"one\ntwo\r\nthree\rfour", "one two three four"},
      {"tab\tbell\adel\x7f", "tab\tbell?del?"},
      {"caf\xE9 \xC3\xA9 t\xC0\xAF \xED\xA0\x80 cut \xE2\x82", "caf? \xC3\xA9 t?? ??? cut ??"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(OneLineUtf8(in), out);
}

// Database names compare without letter case; lengths and other bytes count.
TEST(Text, CaseAndSameText) {
  EXPECT_EQ(Lower("Insert INTO t1_x\xC3\x89"), "insert into t1_x\xC3\x89");
  EXPECT_EQ(Upper("maodbc.so"), "MAODBC.SO");
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"Customer", "cUSTOMER", true}, {"", "", true},        {"sale", "sale_line", false},
      {"sale_line", "sale", false},   {"a_b", "a-b", false}, {"\xC3\x89", "\xC3\xA9", false}};
  for (const auto& [a, b, same] : cases) EXPECT_EQ(SameText(a, b), same) << a << " " << b;
}

}  // namespace
}  // namespace kestrove
