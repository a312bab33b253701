// Mutated named profiles against the reader and what import does with them
// (placed on a data source, or in the order written, and the positional
// profile made of that): no crash, no hang, no leak (the sanitizer job), and
// every refusal names the file and line. KESTROVE_NAMED_PROFILE_FUZZ_COUNT
// sets the number of profiles (default 3000).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>

#include "catalogue/choice_catalogue.h"
#include "catalogue/named_profile.h"
#include "catalogue/profile_file.h"

namespace kestrove {
namespace {

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The exports of the example profiles and the drafts of the test schemas.
std::vector<std::string> Seeds() {
  const std::filesystem::path source = KESTROVE_TEST_SOURCE_DIR;
  std::vector<std::string> seeds;
  for (const char* example : {"shop.prf", "person.prf"}) {
    auto state = ProfileState::Create();
    const int32_t count = LoadProfileFile(*state, (source / "examples" / example).string());
    seeds.push_back(NamedProfileText(NameProfile(*state, count, nullptr)));
  }
  for (const auto& entry : std::filesystem::directory_iterator(source / "tests/data/drafts"))
    seeds.push_back(ReadWhole(entry.path()));
  return seeds;
}

// A data source listing every table and field the seeds name, each column
// of a type whose class offers the field's choice.
class SeedLayout : public ProfileLayout {
 public:
  explicit SeedLayout(const std::vector<std::string>& seeds) {
    const std::map<int32_t, TFieldType> types = {
        {kClassText, ftString},     {kClassInteger, ftInteger},  {kClassFloat, ftFloat},
        {kClassBoolean, ftBoolean}, {kClassCurrency, ftFloat},   {kClassDate, ftDate},
        {kClassTime, ftTime},       {kClassDateTime, ftDateTime}};
    for (const std::string& seed : seeds) {
      for (const NamedTable& table : ParseNamedProfile(seed, "seed").tables) {
        if (!columns_.count(table.name)) names_.push_back(table.name);
        auto& columns = columns_[table.name];
        for (const NamedField& field : table.fields) {
          TFieldType type = ftString;
          for (const auto& [cls, t] : types)
            if (field.type_class ? *field.type_class == cls
                                 : FindCatalogueEntry(cls, field.choice) > 0) {
              type = t;
              break;
            }
          columns.push_back({field.name, type, 60});
        }
        columns.push_back({"blob", ftBlob, 0});
      }
    }
    names_.push_back("broken");
  }
  const std::vector<std::string>& TableNames() override { return names_; }
  std::vector<LayoutColumn> Columns(const std::string& table) override {
    if (table == "broken") throw EDatabaseError("no rights\non two lines");
    return columns_.at(table);
  }

 private:
  std::vector<std::string> names_;
  std::map<std::string, std::vector<LayoutColumn>> columns_;
};

// Pieces of TOML and of the format that mutations put in.
const std::vector<std::string> kTokens = {"[[table]]\n",
                                          "[table]\n",
                                          "[[table.fields]]\n",
                                          "name = ",
                                          "choice = ",
                                          "class = ",
                                          "records = ",
                                          "delete = ",
                                          "fields = [",
                                          "quote_names = true\n",
                                          "]",
                                          "[",
                                          "{",
                                          "}",
                                          ",",
                                          "=",
                                          "\"",
                                          "'",
                                          "\"\"\"",
                                          "'''",
                                          "#",
                                          "\n",
                                          "\r",
                                          "\r\n",
                                          "\t",
                                          " ",
                                          ".",
                                          "\\",
                                          "\\n",
                                          "\\u0000",
                                          "\\uD800",
                                          "\\U0010FFFF",
                                          "\\U00110000",
                                          "\\x41",
                                          std::string("\0", 1),
                                          "\xC0\xAF",
                                          "\xED\xA0\x80",
                                          "\xF4\x90\x80\x80",
                                          "\xE2\x82",
                                          "\xFF",
                                          "\xC3\xA9",
                                          "0",
                                          "-1",
                                          "2147483648",
                                          "9223372036854775808",
                                          "1e400",
                                          "nan",
                                          "inf",
                                          "0x7f",
                                          "true",
                                          "false",
                                          "1979-05-27T07:32:00Z",
                                          "07:32:00",
                                          "[1, 2]",
                                          "{}",
                                          "\"Do not update\"",
                                          "\"Random\"",
                                          "\"Counter\"",
                                          "\"Database Lookup\"",
                                          "\"integer\"",
                                          "\"currency\"",
                                          "\"text\"",
                                          "\"broken\"",
                                          "\"blob\"",
                                          "From",
                                          "\"Field Name\"",
                                          "TableName",
                                          "Format"};

std::string Mutate(const std::vector<std::string>& seeds, std::mt19937_64& rng) {
  auto below = [&rng](size_t n) { return n == 0 ? 0 : static_cast<size_t>(rng() % n); };
  std::string s = seeds[below(seeds.size())];
  // Mostly one change, so that most profiles still parse and reach placing.
  for (size_t steps = below(4) == 0 ? 2 + below(3) : 1; steps-- > 0;) {
    const size_t at = below(s.size() + 1);
    const size_t length = std::min(s.size() - at, 1 + below(24));
    switch (below(16)) {
      case 0:  // one byte changed
        if (at < s.size()) s[at] = static_cast<char>(rng());
        break;
      case 1:
      case 2:
      case 3:
      case 4:
        s.insert(at, kTokens[below(kTokens.size())]);
        break;
      case 5:
      case 6:
        s.erase(at, length);
        break;
      case 7:
      case 8: {  // a value's text replaced by a token
        const size_t open = s.find('"', at);
        const size_t close = open == std::string::npos ? open : s.find('"', open + 1);
        if (close != std::string::npos)
          s.replace(open + 1, close - open - 1, kTokens[below(kTokens.size())]);
        break;
      }
      case 9:
      case 10: {  // a line repeated or dropped
        const size_t start = s.rfind('\n', at == 0 ? 0 : at - 1);
        const size_t from = start == std::string::npos ? 0 : start + 1;
        const size_t end = std::min(s.size(), s.find('\n', from) + 1);
        if (below(2))
          s.insert(from, s.substr(from, end - from));
        else
          s.erase(from, end - from);
        break;
      }
      case 11:  // a piece repeated
        s.insert(at, s.substr(at, length));
        break;
      case 12:
      case 13:
      case 14: {  // a piece of another seed
        const std::string& other = seeds[below(seeds.size())];
        const size_t from = below(other.size());
        s.insert(at, other.substr(from, 1 + below(200)));
        break;
      }
      default:
        s.resize(at);
        break;
    }
  }
  return s;
}

TEST(NamedProfileFuzz, MutatedProfilesAreReadOrRefusedWithTheirPlace) {
  const char* env = std::getenv("KESTROVE_NAMED_PROFILE_FUZZ_COUNT");
  const long count = env ? std::atol(env) : 3000;
  const std::vector<std::string> seeds = Seeds();
  ASSERT_GE(seeds.size(), 5u);
  SeedLayout layout(seeds);
  auto state = ProfileState::Create();
  auto back = ProfileState::Create();
  const std::regex where("^fuzz\\.toml:[0-9]+: .*");
  std::mt19937_64 rng(20261209);
  long parsed = 0, placed = 0, unplaced = 0;
  std::vector<std::string> faults;
  auto fault = [&](const std::string& what, const std::string& text) {
    if (faults.size() < 5) faults.push_back(what + "\n--- profile:\n" + text);
  };
  std::chrono::steady_clock::duration slowest{};
  for (long i = 0; i < count; ++i) {
    const std::string text = Mutate(seeds, rng);
    const auto started = std::chrono::steady_clock::now();
    try {
      const NamedProfile named = ParseNamedProfile(text, "fuzz.toml");
      ++parsed;
      for (ProfileLayout* on :
           {static_cast<ProfileLayout*>(nullptr), static_cast<ProfileLayout*>(&layout)}) {
        try {
          const int32_t tables = PlaceNamedProfile(named, on, *state);
          // The positional profile import writes must load as it was made.
          const std::string image = ProfileFileImage(*state, tables);
          if (ProfileFileImage(*back, LoadProfileImage(*back, image)) != image)
            fault("the positional profile does not load back", text);
          ++placed;
        } catch (const ENamedProfileError& e) {
          ++unplaced;
          if (!std::regex_match(e.what(), where)) fault(std::string("placing: ") + e.what(), text);
        }
      }
    } catch (const ENamedProfileError& e) {
      if (!std::regex_match(e.what(), where)) fault(std::string("reading: ") + e.what(), text);
    } catch (const std::exception& e) {
      fault(std::string("unexpected error: ") + e.what(), text);
    }
    slowest = std::max(slowest, std::chrono::steady_clock::now() - started);
  }
  for (const std::string& f : faults) ADD_FAILURE() << f;
  EXPECT_LT(slowest, std::chrono::seconds(2)) << "one profile took that long";
  // The mutations reach past the syntax into placing, both ways out.
  EXPECT_GT(parsed, count / 10);
  EXPECT_GT(placed, count / 20);
  EXPECT_GT(unplaced, count / 20);
  std::printf("%ld profiles: %ld read, %ld placings made, %ld refused\n", count, parsed, placed,
              unplaced);
}

}  // namespace
}  // namespace kestrove
