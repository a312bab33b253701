// Mutated named profiles through the reader and what import does with them
// (placed on a data source and without one, and the positional profile made
// of that loaded back): no crash, hang or leak (the sanitizer job), and every
// refusal one line naming the file and line. KESTROVE_NAMED_PROFILE_FUZZ_COUNT
// sets the count (default 1000).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "catalogue/choice_catalogue.h"
#include "catalogue/named_profile.h"
#include "catalogue/profile_file.h"

namespace kestrove {
namespace {

namespace fs = std::filesystem;

// The exports of the example profiles and the drafts of the test schemas.
std::vector<std::string> Seeds() {
  const fs::path source = KESTROVE_TEST_SOURCE_DIR;
  std::vector<std::string> seeds;
  for (const char* example : {"shop.prf", "person.prf"}) {
    auto state = ProfileState::Create();
    const int32_t count = LoadProfileFile(*state, (source / "examples" / example).string());
    seeds.push_back(NamedProfileText(NameProfile(*state, count, nullptr)));
  }
  for (const auto& entry : fs::directory_iterator(source / "tests/data/drafts")) {
    std::ostringstream text;
    text << std::ifstream(entry.path(), std::ios::binary).rdbuf();
    seeds.push_back(text.str());
  }
  return seeds;
}

// Lists every table and field of the seeds, each of a type whose class
// offers the field's choice, a column no choice fits, and a table that
// cannot be opened.
class SeedLayout : public ProfileLayout {
 public:
  explicit SeedLayout(const std::vector<std::string>& seeds) {
    const std::pair<int32_t, TFieldType> types[] = {
        {kClassText, ftString},      {kClassInteger, ftInteger}, {kClassFloat, ftFloat},
        {kClassBoolean, ftBoolean},  {kClassDate, ftDate},       {kClassTime, ftTime},
        {kClassDateTime, ftDateTime}};
    for (const std::string& seed : seeds)
      for (const NamedTable& table : ParseNamedProfile(seed, "seed").tables) {
        if (!columns_.count(table.name)) names_.push_back(table.name);
        for (const NamedField& field : table.fields) {
          TFieldType type = ftString;
          for (const auto& [cls, t] : types)
            if (field.type_class ? *field.type_class == cls
                                 : FindCatalogueEntry(cls, field.choice) > 0) {
              type = t;
              break;
            }
          columns_[table.name].push_back({field.name, type, 60});
        }
        columns_[table.name].push_back({"photo", ftBlob, 0});
      }
    names_.push_back("broken");
  }
  const std::vector<std::string>& TableNames() override { return names_; }
  std::vector<LayoutColumn> Columns(const std::string& table) override {
    if (table == "broken") throw EDatabaseError("no rights");
    return columns_.at(table);
  }

 private:
  std::vector<std::string> names_;
  std::map<std::string, std::vector<LayoutColumn>> columns_;
};

using namespace std::string_view_literals;
// clang-format off
const std::string_view kTokens[] = {
    "\n[[table]]\n", "\n[table]\n", "name = ", "choice = ", "class = ", "records = ", "fields = [",
    "quote_names = true\n", "]", "[", "{", "}", ",", "=", "\"", "'", "\"\"\"", "#", "\n", "\r",
    "\\", "\\n", "\\u0000", "\\uD800", "\\U0010FFFF", "\0"sv, "\xC0\xAF", "\xED\xA0\x80",
    "\xF4\x90\x80\x80", "\xE2\x82", "\xFF", "-1", "2147483648", "1e400", "true",
    "1979-05-27T07:32:00Z", "[1, 2]", "{}", "Do not update", "Random", "Counter", "integer",
    "currency", "broken", "photo", "Field Name", "Format"};
// clang-format on

// Mostly one change, so that most profiles still parse and reach placing.
std::string Mutate(const std::vector<std::string>& seeds, std::mt19937_64& rng) {
  auto below = [&rng](size_t n) { return n == 0 ? 0 : static_cast<size_t>(rng() % n); };
  std::string s = seeds[below(seeds.size())];
  for (size_t steps = below(4) == 0 ? 2 + below(3) : 1; steps-- > 0;) {
    const size_t at = below(s.size() + 1), length = std::min(s.size() - at, 1 + below(24));
    const std::string_view token = kTokens[below(std::size(kTokens))];
    const size_t open = s.find('"', at), close = s.find('"', open == s.npos ? open : open + 1);
    const size_t line = s.rfind('\n', at == 0 ? 0 : at - 1) + 1;  // npos + 1 is 0
    const size_t line_end = std::min(s.size(), s.find('\n', line) + 1);
    const std::string& other = seeds[below(seeds.size())];
    switch (below(8)) {
      case 0:
        if (at < s.size()) s[at] = static_cast<char>(rng());
        break;
      case 1:
      case 2:
        s.insert(at, token);
        break;
      case 3:
        s.erase(at, length);
        break;
      case 4:
        if (close != s.npos) s.replace(open + 1, close - open - 1, token);
        break;
      case 5:
        s.insert(line, s.substr(line, line_end - line));
        break;
      case 6:
        s.insert(at, other.substr(below(other.size()), 1 + below(200)));
        break;
      default:
        if (below(4) == 0)
          s.resize(at);
        else
          s.erase(line, line_end - line);
    }
  }
  return s;
}

TEST(NamedProfileFuzz, MutatedProfilesAreReadOrRefusedWithTheirPlace) {
  const char* env = std::getenv("KESTROVE_NAMED_PROFILE_FUZZ_COUNT");
  const long count = env ? std::atol(env) : 1000;
  const std::vector<std::string> seeds = Seeds();
  SeedLayout layout(seeds);
  ProfileLayout* const ways[] = {nullptr, &layout};
  auto state = ProfileState::Create(), back = ProfileState::Create();
  // "fuzz.toml:LINE: " and one line.
  auto where = [](const std::string& m) {
    const size_t digits = m.find_first_not_of("0123456789", 10);
    return m.rfind("fuzz.toml:", 0) == 0 && digits > 10 && digits != m.npos &&
           m.compare(digits, 2, ": ") == 0 && m.find_first_of("\r\n") == m.npos;
  };
  std::mt19937_64 rng(20261209);
  long read = 0, placed = 0, refused = 0, faults = 0;
  auto fault = [&](const std::string& what, const std::string& text) {
    if (++faults <= 5) ADD_FAILURE() << what << "\n--- profile:\n" << text;
  };
  std::chrono::steady_clock::duration slowest{};
  for (long i = 0; i < count; ++i) {
    const std::string text = Mutate(seeds, rng);
    const auto started = std::chrono::steady_clock::now();
    try {
      const NamedProfile named = ParseNamedProfile(text, "fuzz.toml");
      ++read;
      for (ProfileLayout* on : ways) {
        try {
          const std::string image = ProfileFileImage(*state, PlaceNamedProfile(named, on, *state));
          // (Every 16th only: clearing the 100 slots is most of a profile's
          // time in the sanitizer build.)
          if (i % 16 == 0 && ProfileFileImage(*back, LoadProfileImage(*back, image)) != image)
            fault("the positional profile does not load back as it was made", text);
          ++placed;
        } catch (const ENamedProfileError& e) {
          ++refused;
          if (!where(e.what())) fault(std::string("placing: ") + e.what(), text);
        }
      }
    } catch (const ENamedProfileError& e) {
      if (!where(e.what())) fault(std::string("reading: ") + e.what(), text);
    } catch (const std::exception& e) {
      fault(std::string("another error: ") + e.what(), text);
    }
    slowest = std::max(slowest, std::chrono::steady_clock::now() - started);
  }
  EXPECT_LT(slowest, std::chrono::seconds(2));
  // Both ways out of placing are reached.
  EXPECT_GT(placed, count / 20);
  EXPECT_GT(refused, count / 20);
  std::printf("%ld profiles: %ld read, %ld placed, %ld placings refused, %ld faults\n", count, read,
              placed, refused, faults);
}

}  // namespace
}  // namespace kestrove
