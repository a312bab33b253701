// The named-only choices: 64-bit numbers, booleans, UUIDs and bytes, each as
// its whole literal.
#include <regex>
#include <set>

#include "core/field_types.h"
#include "generator_fixture.h"

namespace kestrove::testing {
namespace {

using NamedOnlyTest = GeneratorsTest;

TEST_F(NamedOnlyTest, EachValueIsTheLiteralItsClassTakes) {
  const struct {
    int32_t code;
    const char* p1;
    const char* p2;
    BinaryLiteralForm form;
    const char* pattern;
  } cases[] = {
      {kBigintRandom, "4000000000", "9000000000000000000", BinaryLiteralForm::kHexX, "\\d{10,19}"},
      {kUuidRandom, "", "", BinaryLiteralForm::kHexX,
       "'[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}'"},
      {kBinaryRandom, "3", "", BinaryLiteralForm::kHexX, "X'[0-9a-f]{6}'"},
      {kBinaryRandom, "2", "", BinaryLiteralForm::kDecodeHex, "decode\\('[0-9a-f]{4}','hex'\\)"},
  };
  for (const auto& c : cases) {
    gen_->SetBinaryLiteralForm(c.form);
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
      const std::string v = Gen(c.code, c.p1, c.p2);
      EXPECT_TRUE(std::regex_match(v, std::regex(c.pattern))) << c.code << ": " << v;
      seen.insert(v);
    }
    EXPECT_GE(seen.size(), 2u) << c.code;
  }
  ExpectError<EConvertError>([&] { Gen(kBigintRandom, "1", "9223372036854775808"); },
                             "'9223372036854775808' is not a valid integer value");
}

}  // namespace
}  // namespace kestrove::testing
