// Named profiles: the profile as a TOML file that names its tables, fields,
// choices, parameters and Param3 items instead of counting positions. It is
// placed into the positional profile the way the window places a user's
// picks: tables at their position in the data source's table list, fields at
// their position in the table's field list; without a data source in the
// order written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "core/field_extras.h"
#include "core/field_types.h"
#include "core/profile.h"

namespace kestrove {

// A named profile that cannot be read or placed; the message says where
// (file and line, table, field) and what would be accepted.
class ENamedProfileError : public EProfileError {
 public:
  using EProfileError::EProfileError;
};

// One parameter, keyed by the label the catalogue shows for it (Param1 and
// Param2) or by the Param3 label with the item's text as its value.
struct NamedParam {
  std::string label;
  std::string value;
  int64_t line = 0;
};

struct NamedField {
  std::string name;
  std::string choice;
  std::optional<int32_t> type_class;  // `class`: only needed where a name is ambiguous
  std::vector<NamedParam> params;     // in the order written
  int64_t line = 0;
  // Field-level extras, which only named profiles hold (PlaceFieldExtras):
  // `null`, the share of records made NULL; `after`, the earlier date field
  // of the record this date is drawn after; `gap`, the days between, "1-14".
  std::optional<double> null_share;
  std::string after;
  std::string gap;
};

struct NamedTable {
  std::string name;
  int32_t records = 10;
  bool delete_existing = false;
  std::vector<NamedField> fields;
  int64_t line = 0;
  // The table's primary key and unique keys, by column, as the data source
  // it was drafted from has them: what a dry run keeps unique (a run on a
  // data source reads them from it). Empty where the profile says nothing.
  std::vector<std::string> primary_key;
  std::vector<std::vector<std::string>> unique;
};

// The run options a profile may carry in its [run] table; the command line
// overrides each. Unset where the profile says nothing.
struct NamedRunOptions {
  std::optional<std::string> order;  // "parents-first" or "slots"
  std::optional<uint32_t> commit_every;
  std::optional<int32_t> rows_per_insert;
  std::optional<bool> cache_lookups;
  std::optional<bool> unique_keys;
  std::optional<bool> bind;
  bool Empty() const {
    return !order && !commit_every && !rows_per_insert && !cache_lookups && !unique_keys && !bind;
  }
};

// How the data source a profile was drafted from takes names and literals,
// in its [script] table, so that a dry run writes a script that it loads:
// the identifier quote (empty: none), the case it folds unquoted names to
// ("lower", "upper", "none"), whether a backslash in a text literal is an
// escape, and the form of a bytes literal ("x" for X'0a', "decode" for
// decode('0a','hex')). A run on a data source asks the data source instead.
struct NamedScriptFacts {
  std::optional<std::string> quote;
  std::optional<std::string> folds;
  std::optional<bool> backslash_escapes;
  std::optional<std::string> bytes;
  bool Empty() const { return !quote && !folds && !backslash_escapes && !bytes; }
};

struct NamedProfile {
  std::optional<bool> quote_names;
  NamedRunOptions run;
  NamedScriptFacts script;
  std::vector<NamedTable> tables;
  std::string source;  // file name, for messages
};

// The class names of the format: "text", "integer", "float", "boolean",
// "currency", "date", "time", "datetime", and the named-only "bigint",
// "bool", "uuid", "binary"; empty for classes 1 and 7.
std::string ClassName(int32_t type_class);
// The class of a name, or nullopt.
std::optional<int32_t> ClassOfName(std::string_view name);

// True for a path ending in ".toml" (any case): the tools take such a file
// as a named profile and any other as a positional one.
bool IsNamedProfilePath(const std::string& path);

// True when several classes offer a choice of that text ("Random"): a named
// profile then says the class, so that it also runs without a data source.
bool OfferedBySeveralClasses(std::string_view choice);

// Reads the TOML text; `source` names it in messages. Raises
// ENamedProfileError for a syntax error, an unknown key, or a value of the
// wrong kind.
NamedProfile ParseNamedProfile(std::string_view text, const std::string& source);
// The same from a file; EInOutError when it cannot be read.
NamedProfile ReadNamedProfileFile(const std::string& path);
// The TOML text of a named profile, one line per field.
std::string NamedProfileText(const NamedProfile& profile);
// Writes the text, replacing the file only once it is wholly written.
void SaveNamedProfileFile(const NamedProfile& profile, const std::string& path);

// What a data source tells about its tables: the table list and, per table,
// every result column in order (the field list is those of a known type).
struct LayoutColumn {
  std::string name;
  TFieldType type = ftUnknown;
  int32_t size = 0;
};

class ProfileLayout {
 public:
  virtual ~ProfileLayout() = default;
  virtual const std::vector<std::string>& TableNames() = 0;
  // Raises when the table cannot be opened.
  virtual std::vector<LayoutColumn> Columns(const std::string& table) = 0;
};

// Places a named profile into `state` (cleared first) and returns the table
// count for the profile's first line: the data source's table count with a
// layout, the number of tables written without. With a layout, a table the
// data source does not list but can read (one of another schema, named
// "schema.table") takes the next slot after the listed tables, and the
// count grows by one for each. A field's `class`, where
// written, decides its choice list even where the data source tells another
// (money columns are float to every driver; currency is reached this way).
// Raises ENamedProfileError naming the table and field at fault.
int32_t PlaceNamedProfile(const NamedProfile& profile, ProfileLayout* layout, ProfileState& state);

// The NULL shares and ordered dates of a profile already placed into
// `state` (PlaceNamedProfile), by table and field slot, into `extras`
// (cleared first). Raises ENamedProfileError for an `after` that names no
// earlier date field of the same table, or a field that draws no date.
void PlaceFieldExtras(const NamedProfile& profile, const ProfileState& state, FieldExtras& extras);

// The gap of `gap = "1-14"` (or "7"): the days from and to; nullopt for a
// text of another form or a range that runs backwards.
std::optional<std::pair<int32_t, int32_t>> ReadGap(std::string_view text);

// The named profile of the listed slots 0 to `table_count` of a positional
// profile. With a layout the field classes come from the data source,
// otherwise from the stored choice bases. Raises ENamedProfileError for a
// slot that a named profile cannot express without loss.
NamedProfile NameProfile(const ProfileState& state, int32_t table_count, ProfileLayout* layout,
                         std::vector<std::string>* warnings = nullptr);

// Levenshtein distance, and the candidate nearest to `name` (without regard
// to case), empty when none is near enough to be a likely typo.
size_t EditDistance(std::string_view a, std::string_view b);
std::string NearestName(std::string_view name, const std::vector<std::string>& candidates);

}  // namespace kestrove
