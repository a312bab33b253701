#include "catalogue/draft_pairs.h"

#include <algorithm>
#include <cctype>

namespace kestrove {

namespace {

// The share a nullable column gets: enough that NULLs show up, few enough
// that most rows keep a value.
constexpr double kNullShare = 0.1;

struct Stem {
  const char* word;
  int pair;    // which pair the word belongs to
  bool later;  // the later date of the pair
};

// The words a pair is known by, and each pair's gap in days.
constexpr Stem kStems[] = {
    {"start", 0, false},    {"starts", 0, false},  {"started", 0, false}, {"begin", 0, false},
    {"begins", 0, false},   {"end", 0, true},      {"ends", 0, true},     {"ended", 0, true},
    {"finish", 0, true},    {"finished", 0, true}, {"created", 1, false}, {"create", 1, false},
    {"creation", 1, false}, {"updated", 1, true},  {"update", 1, true},   {"modified", 1, true},
    {"changed", 1, true},   {"ordered", 2, false}, {"order", 2, false},   {"shipped", 2, true},
    {"ship", 2, true},      {"rental", 3, false},  {"rented", 3, false},  {"return", 3, true},
    {"returned", 3, true},  {"birth", 4, false},   {"born", 4, false},    {"dob", 4, false},
    {"joined", 4, true},    {"join", 4, true},     {"hired", 4, true},    {"hire", 4, true},
};
const char* const kGaps[] = {"1-30", "0-365", "1-7", "1-14", "6570-18250"};

// Words that say only that a column holds a date.
bool IsNoise(const std::string& word) {
  static const char* const kNoise[] = {"date", "time", "at",  "on",       "dt",       "ts",
                                       "last", "of",   "day", "datetime", "timestamp"};
  return std::any_of(std::begin(kNoise), std::end(kNoise),
                     [&](const char* noise) { return word == noise; });
}

// A name's words in lower case: "ReturnDate" and "return_date" alike.
std::vector<std::string> Words(const std::string& name) {
  std::vector<std::string> words(1);
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (!std::isalnum(c)) {
      if (!words.back().empty()) words.emplace_back();
      continue;
    }
    if (std::isupper(c) && i > 0 && std::islower(static_cast<unsigned char>(name[i - 1])) &&
        !words.back().empty())
      words.emplace_back();
    words.back() += static_cast<char>(std::tolower(c));
  }
  if (words.back().empty()) words.pop_back();
  return words;
}

// The pair stem of a name and the rest of its words, noise left out; a
// name with no stem, or more than one, has none.
struct Parts {
  const Stem* stem = nullptr;
  std::vector<std::string> rest;
};

Parts PartsOf(const std::string& name) {
  Parts parts;
  for (const std::string& word : Words(name)) {
    const auto stem = std::find_if(std::begin(kStems), std::end(kStems),
                                   [&](const Stem& s) { return word == s.word; });
    if (stem != std::end(kStems)) {
      if (parts.stem) return {};
      parts.stem = stem;
    } else if (!IsNoise(word)) {
      parts.rest.push_back(word);
    }
  }
  return parts;
}

bool IsDate(const ColumnFacts& column) {
  return column.type == ftDate || column.type == ftDateTime;
}

}  // namespace

std::optional<std::pair<std::string, std::string>> OrderedAfter(
    const ColumnFacts& column, const std::vector<ColumnFacts>& columns) {
  if (!IsDate(column)) return std::nullopt;
  const Parts later = PartsOf(column.name);
  if (!later.stem || !later.stem->later) return std::nullopt;
  // The run makes values in column order, so only a column before it counts.
  for (const ColumnFacts& other : columns) {
    if (other.name == column.name) break;
    if (!IsDate(other)) continue;
    const Parts earlier = PartsOf(other.name);
    if (earlier.stem && !earlier.stem->later && earlier.stem->pair == later.stem->pair &&
        earlier.rest == later.rest)
      return std::pair{other.name, std::string(kGaps[later.stem->pair])};
  }
  return std::nullopt;
}

std::optional<double> NullShareFor(const ColumnFacts& column, const TableFacts& table) {
  if (!column.nullable) return std::nullopt;
  auto in = [&](const std::vector<std::string>& key) {
    return std::find(key.begin(), key.end(), column.name) != key.end();
  };
  if (in(table.primary_key)) return std::nullopt;
  for (const UniqueKey& key : table.unique_keys)
    if (in(key.columns)) return std::nullopt;
  return kNullShare;
}

}  // namespace kestrove
