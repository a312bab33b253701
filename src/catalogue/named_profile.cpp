#include "catalogue/named_profile.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "catalogue/choice_catalogue.h"
#include "catalogue/named_choices.h"
#include "util/file.h"
#include "util/text.h"

namespace kestrove {

namespace {

constexpr int32_t kClasses[] = {kClassText,     kClassInteger, kClassFloat, kClassBoolean,
                                kClassCurrency, kClassDate,    kClassTime,  kClassDateTime};

// A name, key or value in a message, in double quotes. A control character
// (a line break in a quoted key) is shown as its TOML escape, so that every
// message stays one line.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (u < 0x20 || u == 0x7f) {
      static const char kHex[] = "0123456789ABCDEF";
      out += "\\u00";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// "\"a\", \"b\" and \"c\"" for a message.
std::string QuotedList(const std::vector<std::string>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += i + 1 == items.size() ? " and " : ", ";
    out += Quoted(items[i]);
  }
  return out;
}

std::string Suggestion(std::string_view name, const std::vector<std::string>& candidates) {
  const std::string nearest = NearestName(name, candidates);
  return nearest.empty() ? std::string() : " (did you mean " + Quoted(nearest) + "?)";
}

// Where a message points: "FILE:LINE: table "t", field "f": ".
std::string Where(const std::string& source, int64_t line, const std::string* table,
                  const std::string* field) {
  std::string out = source;
  if (line > 0) out += ":" + std::to_string(line);
  out += ": ";
  if (table) out += "table " + Quoted(*table);
  if (field) out += ", field " + Quoted(*field);
  if (table) out += ": ";
  return out;
}

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw ENamedProfileError(where + what);
}

// --- Reading ---------------------------------------------------------------

int64_t LineOf(const toml::node& node) {
  return static_cast<int64_t>(node.source().begin.line);
}

class Reader {
 public:
  explicit Reader(std::string source) : source_(std::move(source)) {}

  NamedProfile Read(std::string_view text) {
    toml::table root;
    try {
      root = toml::parse(text, source_);
    } catch (const toml::parse_error& e) {
      // toml++ quotes what it saw as it stands, a line break too; the
      // message stays one line.
      std::string what;
      for (char c : e.description())
        what += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
      throw ENamedProfileError(source_ + ":" + std::to_string(e.source().begin.line) + ": " +
                               OneLineUtf8(what));
    }
    NamedProfile profile;
    profile.source = source_;
    for (auto&& [key, node] : root) {
      const std::string name(key.str());
      const std::string where = Where(source_, LineOf(node), nullptr, nullptr);
      if (name == "quote_names") {
        profile.quote_names = Bool(node, where, name);
      } else if (name == "run") {
        const toml::table* run = node.as_table();
        if (!run) Fail(where, "\"run\" must be a table, written as a [run] block");
        profile.run = RunOptions(*run);
      } else if (name == "script") {
        const toml::table* script = node.as_table();
        if (!script) Fail(where, "\"script\" must be a table, written as a [script] block");
        profile.script = ScriptFacts(*script);
      } else if (name == "table") {
        const toml::array* tables = node.as_array();
        if (!tables || !tables->is_array_of_tables())
          Fail(where, "\"table\" must be an array of tables, written as [[table]] blocks");
        for (const toml::node& t : *tables) profile.tables.push_back(Table(*t.as_table()));
      } else {
        Fail(where, "unknown key " + Quoted(name) +
                        "; a profile takes \"quote_names\", a [run] block and [[table]] blocks" +
                        Suggestion(name, {"quote_names", "run", "table"}));
      }
    }
    return profile;
  }

 private:
  NamedRunOptions RunOptions(const toml::table& block) {
    NamedRunOptions run;
    for (auto&& [key, node] : block) {
      const std::string k(key.str());
      const std::string where = Where(source_, LineOf(node), nullptr, nullptr) + "[run]: ";
      auto whole = [&](int64_t low, int64_t high) {
        const std::optional<int64_t> n = node.value_exact<int64_t>();
        if (!n || *n < low || *n > high)
          Fail(where, Quoted(k) + " must be a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high));
        return *n;
      };
      if (k == "order") {
        run.order = Text(node, where, k);
        if (*run.order != "parents-first" && *run.order != "slots")
          Fail(where, "\"order\" takes \"parents-first\" or \"slots\", not " + Quoted(*run.order));
      } else if (k == "commit_every") {
        run.commit_every = static_cast<uint32_t>(whole(1, 4294967295));
      } else if (k == "rows_per_insert") {
        run.rows_per_insert = static_cast<int32_t>(whole(1, 10000));
      } else if (k == "cache_lookups") {
        run.cache_lookups = Bool(node, where, k);
      } else if (k == "unique_keys") {
        run.unique_keys = Bool(node, where, k);
      } else if (k == "bind") {
        run.bind = Bool(node, where, k);
      } else {
        const std::vector<std::string> keys = {"order",         "commit_every", "rows_per_insert",
                                               "cache_lookups", "unique_keys",  "bind"};
        Fail(where, "unknown key " + Quoted(k) + "; [run] takes " + QuotedList(keys) +
                        Suggestion(k, keys));
      }
    }
    return run;
  }

  NamedScriptFacts ScriptFacts(const toml::table& block) {
    NamedScriptFacts script;
    for (auto&& [key, node] : block) {
      const std::string k(key.str());
      const std::string where = Where(source_, LineOf(node), nullptr, nullptr) + "[script]: ";
      auto one_of = [&](const std::vector<std::string>& words) {
        std::string text = Text(node, where, k);
        if (std::find(words.begin(), words.end(), text) == words.end())
          Fail(where, Quoted(k) + " takes " + QuotedList(words) + ", not " + Quoted(text));
        return text;
      };
      if (k == "quote") {
        script.quote = Text(node, where, k);
        if (script.quote->size() > 1)
          Fail(where, "\"quote\" must be one character, or \"\" for none");
      } else if (k == "folds") {
        script.folds = one_of({"lower", "upper", "none"});
      } else if (k == "backslash_escapes") {
        script.backslash_escapes = Bool(node, where, k);
      } else if (k == "bytes") {
        script.bytes = one_of({"x", "decode"});
      } else {
        const std::vector<std::string> keys = {"quote", "folds", "backslash_escapes", "bytes"};
        Fail(where, "unknown key " + Quoted(k) + "; [script] takes " + QuotedList(keys) +
                        Suggestion(k, keys));
      }
    }
    return script;
  }

  // ["a", "b"]: column names, none empty.
  std::vector<std::string> Columns(const toml::node& node, const std::string& where,
                                   const std::string& key) {
    const toml::array* list = node.as_array();
    std::vector<std::string> columns;
    if (list)
      for (const toml::node& item : *list) {
        const auto text = item.value_exact<std::string>();
        if (!text || text->empty()) {
          list = nullptr;
          break;
        }
        columns.push_back(Kept(*text, where, key));
      }
    if (!list || columns.empty())
      Fail(where, Quoted(key) + " must list column names, such as [\"a\", \"b\"]");
    return columns;
  }

  bool Bool(const toml::node& node, const std::string& where, const std::string& key) {
    if (auto value = node.value_exact<bool>()) return *value;
    Fail(where, Quoted(key) + " must be true or false");
  }

  std::string Text(const toml::node& node, const std::string& where, const std::string& key) {
    if (auto value = node.value_exact<std::string>()) return Kept(*value, where, key);
    Fail(where, Quoted(key) + " must be a text in double quotes");
  }

  // A TOML text may spell a line break or a NUL byte ("\n", "\u0000"); the
  // positional profile it is placed into keeps neither, and a NUL cuts a
  // statement short at the driver.
  static std::string Kept(std::string value, const std::string& where, const std::string& key) {
    if (value.find('\0') != std::string::npos)
      Fail(where, Quoted(key) + " holds a NUL byte, which no statement can carry");
    if (value.find_first_of("\r\n") != std::string::npos)
      Fail(where, Quoted(key) + " holds a line break, which a profile cannot keep");
    return value;
  }

  NamedTable Table(const toml::table& block) {
    NamedTable table;
    table.line = LineOf(block);
    const toml::node* name = block.get("name");
    if (!name) Fail(Where(source_, table.line, nullptr, nullptr), "a [[table]] block needs a name");
    table.name = Text(*name, Where(source_, LineOf(*name), nullptr, nullptr), "name");
    if (table.name.empty())
      Fail(Where(source_, LineOf(*name), nullptr, nullptr), "a table's name cannot be empty");
    for (auto&& [key, node] : block) {
      const std::string k(key.str());
      const std::string where = Where(source_, LineOf(node), &table.name, nullptr);
      if (k == "name") {
      } else if (k == "records") {
        const std::optional<int64_t> n = node.value_exact<int64_t>();
        if (!n || *n < INT32_MIN || *n > INT32_MAX)
          Fail(where, "\"records\" must be a whole number from -2147483648 to 2147483647");
        table.records = static_cast<int32_t>(*n);
      } else if (k == "delete") {
        table.delete_existing = Bool(node, where, k);
      } else if (k == "primary_key") {
        table.primary_key = Columns(node, where, k);
      } else if (k == "unique") {
        const toml::array* keys = node.as_array();
        if (!keys)
          Fail(where, "\"unique\" must be a list of keys, such as [[\"a\"], [\"b\", \"c\"]]");
        for (const toml::node& key : *keys)
          table.unique.push_back(
              Columns(key, Where(source_, LineOf(key), &table.name, nullptr), k));
      } else if (k == "fields") {
        const toml::array* fields = node.as_array();
        if (!fields) Fail(where, "\"fields\" must be an array of { name = ..., choice = ... }");
        for (const toml::node& f : *fields) {
          const toml::table* field = f.as_table();
          if (!field)
            Fail(Where(source_, LineOf(f), &table.name, nullptr),
                 "each of \"fields\" must be a table { name = ..., choice = ... }");
          table.fields.push_back(Field(*field, table.name));
        }
      } else {
        Fail(where, "unknown key " + Quoted(k) +
                        "; a table takes \"name\", \"records\", \"delete\" and \"fields\"" +
                        Suggestion(k, {"name", "records", "delete", "fields"}));
      }
    }
    return table;
  }

  NamedField Field(const toml::table& entry, const std::string& table) {
    NamedField field;
    field.line = LineOf(entry);
    const toml::node* name = entry.get("name");
    if (!name) Fail(Where(source_, field.line, &table, nullptr), "a field needs a name");
    field.name = Text(*name, Where(source_, field.line, &table, nullptr), "name");
    if (field.name.empty())
      Fail(Where(source_, field.line, &table, nullptr), "a field's name cannot be empty");
    const std::string where = Where(source_, field.line, &table, &field.name);
    const toml::node* choice = entry.get("choice");
    if (!choice) Fail(where, "a field needs a choice (\"Do not update\" leaves it out)");
    field.choice = Text(*choice, where, "choice");
    for (auto&& [key, node] : entry) {
      const std::string k(key.str());
      if (k == "name" || k == "choice") continue;
      if (FieldExtraKey(k, node, where, field)) continue;
      if (k == "class") {
        const std::string text = Text(node, where, k);
        field.type_class = ClassOfName(text);
        if (!field.type_class) {
          std::vector<std::string> names;
          for (int32_t c : kClasses) names.push_back(ClassName(c));
          for (int32_t c : NamedOnlyClasses()) names.push_back(ClassName(c));
          Fail(where, "unknown class " + Quoted(text) + "; the classes are " + QuotedList(names) +
                          Suggestion(text, names));
        }
        continue;
      }
      // A parameter. Whole numbers are taken as their decimal text; any
      // other kind would lose how it was written ("1.50").
      NamedParam param{k, {}, LineOf(node)};
      if (auto text = node.value_exact<std::string>())
        param.value = Kept(*text, Where(source_, param.line, &table, &field.name), k);
      else if (auto number = node.value_exact<int64_t>())
        param.value = std::to_string(*number);
      else
        Fail(where, "parameter " + Quoted(k) + " must be a text in double quotes");
      field.params.push_back(std::move(param));
    }
    if (!field.gap.empty() && field.after.empty())
      Fail(where, "\"gap\" needs \"after\", the date field this one is drawn after");
    // Keys come back sorted; keep them in the order written.
    std::stable_sort(field.params.begin(), field.params.end(),
                     [](const NamedParam& a, const NamedParam& b) { return a.line < b.line; });
    return field;
  }

  // The keys of a field besides its choice and parameters; false for any other.
  bool FieldExtraKey(const std::string& k, const toml::node& node, const std::string& where,
                     NamedField& field) {
    if (k == "null") {
      std::optional<double> share = node.value_exact<double>();
      if (!share)
        if (auto whole = node.value_exact<int64_t>()) share = static_cast<double>(*whole);
      if (!share || !(*share >= 0 && *share <= 1))
        Fail(where, "\"null\" must be a share from 0 to 1, such as 0.2");
      field.null_share = *share;
    } else if (k == "after") {
      field.after = Text(node, where, k);
      if (field.after.empty()) Fail(where, "\"after\" must name a date field of the table");
    } else if (k == "gap") {
      if (auto whole = node.value_exact<int64_t>())
        field.gap = std::to_string(*whole);
      else
        field.gap = Text(node, where, k);
      if (!ReadGap(field.gap))
        Fail(where, "\"gap\" must be a range of days such as \"1-14\" (from 0 up), not " +
                        Quoted(field.gap));
    } else {
      return false;
    }
    return true;
  }

  std::string source_;
};

// --- Writing ---------------------------------------------------------------

// Basic strings in double quotes, as people write them, with toml++'s
// escapes; UTF-8 text stays as it is.
std::string TomlString(const std::string& text) {
  std::ostringstream out;
  const toml::value<std::string> value(text);
  out << toml::toml_formatter(value, toml::format_flags::allow_unicode_strings);
  return out.str();
}

std::string TomlKey(const std::string& key) {
  const bool bare = !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
  });
  return bare ? key : TomlString(key);
}

// ", null = 0.2, after = \"a\", gap = \"1-14\"" for the keys a field holds.
std::string FieldExtrasText(const NamedField& field) {
  std::string out;
  if (field.null_share) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, *field.null_share).ptr;
    std::string share(digits, end);
    // A TOML float needs its point.
    if (share.find_first_of(".e") == std::string::npos) share += ".0";
    out += ", null = " + share;
  }
  if (!field.after.empty()) out += ", after = " + TomlString(field.after);
  if (!field.gap.empty()) out += ", gap = " + TomlString(field.gap);
  return out;
}

// --- Placing ---------------------------------------------------------------

struct Resolved {
  int32_t entry = 0;
  int32_t type_class = 0;
  std::string param1, param2;
  int32_t param3 = 0;
  int32_t base = 0;
};

std::vector<std::string> EntryTexts(int32_t type_class) {
  std::vector<std::string> texts;
  for (const CatalogueEntry& e : EntriesOfClass(type_class)) texts.push_back(e.text);
  return texts;
}

// The classes that offer a choice of that text (entry 0 aside).
std::vector<int32_t> ClassesOffering(std::string_view choice) {
  std::vector<int32_t> found;
  for (int32_t c : kClasses)
    if (FindCatalogueEntry(c, choice) > 0) found.push_back(c);
  return found;
}

// True when entry `index` of the class's list has that base.
bool Offers(int32_t type_class, int32_t index, int32_t base) {
  const auto& entries = EntriesOfClass(type_class);
  return index >= 0 && static_cast<size_t>(index) < entries.size() &&
         entries[static_cast<size_t>(index)].base == base;
}

// The class whose list holds a choice of that index and base, or 0.
int32_t ClassOfStoredChoice(int32_t index, int32_t base) {
  for (int32_t c : kClasses)
    if (index > 0 && Offers(c, index, base)) return c;
  for (int32_t c : NamedOnlyClasses())
    if (index > 0 && Offers(c, index, base)) return c;
  return 0;
}

// "an integer field (Integer)".
std::string ClassPhrase(int32_t type_class, const std::string& type_name) {
  const std::string name = ClassName(type_class);
  std::string out =
      // "uuid" is said with a "you".
      (name.empty() || std::string("aeio").find(name[0]) == std::string::npos ? "a " : "an ") +
      name + " field";
  if (!type_name.empty()) out += " (" + type_name + ")";
  return out;
}

// The choice and its parameters, for a field of class `type_class` (0 when
// neither a data source nor the profile tells it).
Resolved Resolve(const NamedField& field, int32_t type_class, const std::string& type_name,
                 const std::string& where) {
  Resolved r;
  if (field.choice == "Do not update" && type_class == 0) type_class = kClassText;
  if (type_class == 0) {
    const std::vector<int32_t> classes = ClassesOffering(field.choice);
    if (classes.empty()) {
      std::vector<std::string> all;
      for (int32_t c : kClasses)
        for (const std::string& t : EntryTexts(c))
          if (std::find(all.begin(), all.end(), t) == all.end()) all.push_back(t);
      Fail(where,
           "no class offers the choice " + Quoted(field.choice) + Suggestion(field.choice, all));
    }
    if (classes.size() > 1) {
      std::vector<std::string> names;
      for (int32_t c : classes) names.push_back(ClassName(c));
      Fail(where, "the choice " + Quoted(field.choice) + " is offered by the classes " +
                      QuotedList(names) +
                      ": say which with class = \"...\", since no data source tells the "
                      "field's type");
    }
    type_class = classes[0];
  }
  r.type_class = type_class;
  const std::vector<CatalogueEntry>& entries = EntriesOfClass(type_class);
  if (entries.empty()) {
    Fail(where, "a field of type " + type_name +
                    " offers no choices: it cannot be generated, so leave it out or give it "
                    "\"Do not update\"");
  }
  r.entry = FindEntryOfClass(type_class, field.choice);
  if (r.entry < 0) {
    const std::vector<std::string> offered = EntryTexts(type_class);
    Fail(where, "the choice " + Quoted(field.choice) + " is not offered for " +
                    ClassPhrase(type_class, type_name) + "; it offers " + QuotedList(offered) +
                    Suggestion(field.choice, offered));
  }
  const CatalogueEntry& entry = entries[static_cast<size_t>(r.entry)];
  r.base = entry.base;
  std::vector<std::string> labels;
  for (const auto* label : {&entry.param1_label, &entry.param2_label, &entry.param3_label})
    if (*label) labels.push_back(**label);
  for (const NamedParam& param : field.params) {
    if (entry.param1_label && param.label == *entry.param1_label) {
      r.param1 = param.value;
    } else if (entry.param2_label && param.label == *entry.param2_label) {
      r.param2 = param.value;
    } else if (entry.param3_label && param.label == *entry.param3_label) {
      const auto& items = entry.param3_items;
      const auto at = std::find(items.begin(), items.end(), param.value);
      if (at == items.end())
        Fail(where, "unknown " + Quoted(param.label) + " item " + Quoted(param.value) +
                        " for the choice " + Quoted(field.choice) + "; the items are " +
                        QuotedList(items) + Suggestion(param.value, items));
      r.param3 = static_cast<int32_t>(at - items.begin());
    } else if (labels.empty()) {
      Fail(where, "unknown key " + Quoted(param.label) + ": the choice " + Quoted(field.choice) +
                      " takes no parameters");
    } else {
      Fail(where, "unknown key " + Quoted(param.label) + " for the choice " + Quoted(field.choice) +
                      "; it takes " + QuotedList(labels) + Suggestion(param.label, labels));
    }
  }
  return r;
}

// The field slot as the window's choice handler leaves it.
void Store(TFieldStruct& slot, const std::string& name, const Resolved& r) {
  slot.FieldName = name;
  slot.ChoiceIndex = r.entry;
  slot.Param1 = r.param1;
  slot.Param2 = r.param2;
  slot.Param3Index = r.param3;
  slot.ChoiceBase = r.base;
  // What every run works it out to; the window's saved profiles hold it so
  // once a run has been made.
  slot.ChoiceCode = r.entry == 0 ? 0 : ChoiceCodeOf(r.base, r.param3);
}

std::string CannotHold(int count, const char* what, int most) {
  return "names " + std::to_string(count) + " " + what + "; a profile holds at most " +
         std::to_string(most);
}

}  // namespace

std::string ClassName(int32_t type_class) {
  switch (type_class) {
    case kClassText:
      return "text";
    case kClassInteger:
      return "integer";
    case kClassFloat:
      return "float";
    case kClassBoolean:
      return "boolean";
    case kClassCurrency:
      return "currency";
    case kClassDate:
      return "date";
    case kClassTime:
      return "time";
    case kClassDateTime:
      return "datetime";
    default:
      return NamedOnlyClassName(type_class);
  }
}

std::optional<int32_t> ClassOfName(std::string_view name) {
  for (int32_t c : kClasses)
    if (ClassName(c) == name) return c;
  return NamedOnlyClassOfName(name);
}

bool OfferedBySeveralClasses(std::string_view choice) {
  return ClassesOffering(choice).size() > 1;
}

bool IsNamedProfilePath(const std::string& path) {
  if (path.size() < 5) return false;
  return Lower(path.substr(path.size() - 5)) == ".toml";
}

NamedProfile ParseNamedProfile(std::string_view text, const std::string& source) {
  return Reader(source).Read(text);
}

NamedProfile ReadNamedProfileFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EInOutError("Cannot open file " + path + ": " + std::strerror(errno));
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) throw EInOutError("Cannot read file " + path);
  return ParseNamedProfile(buffer.str(), path);
}

std::string NamedProfileText(const NamedProfile& profile) {
  std::string out;
  if (profile.quote_names)
    out += std::string("quote_names = ") + (*profile.quote_names ? "true" : "false") + "\n";
  if (!profile.run.Empty()) {
    const NamedRunOptions& run = profile.run;
    if (!out.empty()) out += "\n";
    out += "[run]\n";
    if (run.order) out += "order = " + TomlString(*run.order) + "\n";
    if (run.commit_every) out += "commit_every = " + std::to_string(*run.commit_every) + "\n";
    if (run.rows_per_insert)
      out += "rows_per_insert = " + std::to_string(*run.rows_per_insert) + "\n";
    if (run.cache_lookups)
      out += std::string("cache_lookups = ") + (*run.cache_lookups ? "true" : "false") + "\n";
    if (run.unique_keys)
      out += std::string("unique_keys = ") + (*run.unique_keys ? "true" : "false") + "\n";
    if (run.bind) out += std::string("bind = ") + (*run.bind ? "true" : "false") + "\n";
  }
  if (!profile.script.Empty()) {
    const NamedScriptFacts& script = profile.script;
    if (!out.empty()) out += "\n";
    out += "[script]\n";
    if (script.quote) out += "quote = " + TomlString(*script.quote) + "\n";
    if (script.folds) out += "folds = " + TomlString(*script.folds) + "\n";
    if (script.backslash_escapes)
      out += std::string("backslash_escapes = ") + (*script.backslash_escapes ? "true" : "false") +
             "\n";
    if (script.bytes) out += "bytes = " + TomlString(*script.bytes) + "\n";
  }
  auto columns = [](const std::vector<std::string>& list) {
    std::string text = "[";
    for (size_t i = 0; i < list.size(); ++i) text += (i ? ", " : "") + TomlString(list[i]);
    return text + "]";
  };
  for (const NamedTable& table : profile.tables) {
    if (!out.empty()) out += "\n";
    out += "[[table]]\nname = " + TomlString(table.name) + "\n";
    out += "records = " + std::to_string(table.records) + "\n";
    out += std::string("delete = ") + (table.delete_existing ? "true" : "false") + "\n";
    if (!table.primary_key.empty()) out += "primary_key = " + columns(table.primary_key) + "\n";
    if (!table.unique.empty()) {
      out += "unique = [";
      for (size_t k = 0; k < table.unique.size(); ++k)
        out += (k ? ", " : "") + columns(table.unique[k]);
      out += "]\n";
    }
    out += "fields = [\n";
    for (const NamedField& field : table.fields) {
      out += "  { name = " + TomlString(field.name);
      if (field.type_class) out += ", class = " + TomlString(ClassName(*field.type_class));
      out += ", choice = " + TomlString(field.choice);
      for (const NamedParam& param : field.params)
        out += ", " + TomlKey(param.label) + " = " + TomlString(param.value);
      out += FieldExtrasText(field);
      out += " },\n";
    }
    out += "]\n";
  }
  return out;
}

void SaveNamedProfileFile(const NamedProfile& profile, const std::string& path) {
  try {
    WriteFileAtomically(path, NamedProfileText(profile));
  } catch (const AtomicWriteError& e) {
    throw EInOutError(e.what());
  }
}

int32_t PlaceNamedProfile(const NamedProfile& profile, ProfileLayout* layout, ProfileState& state) {
  const std::string& source = profile.source;
  std::vector<std::string> listed;
  if (layout) {
    listed = layout->TableNames();
    if (listed.size() >= kMaxTables)
      throw ENamedProfileError(source + ": the data source lists " + std::to_string(listed.size()) +
                               " tables; a profile holds at most " +
                               std::to_string(kMaxTables - 1));
  } else if (profile.tables.size() >= kMaxTables) {
    // Said at the first table there is no room for.
    throw ENamedProfileError(
        Where(source, profile.tables[kMaxTables - 1].line, nullptr, nullptr) +
        CannotHold(static_cast<int>(profile.tables.size()), "tables", kMaxTables - 1));
  }
  state.ClearProfile();
  state.Changed();
  size_t extra_tables = 0;
  std::map<std::string, int64_t> tables_seen;
  for (size_t t = 0; t < profile.tables.size(); ++t) {
    const NamedTable& named = profile.tables[t];
    const std::string table_where = Where(source, named.line, &named.name, nullptr);
    if (auto [at, fresh] = tables_seen.emplace(named.name, named.line); !fresh)
      Fail(table_where, "named a second time (first on line " + std::to_string(at->second) + ")");
    size_t slot = t;
    std::vector<LayoutColumn> columns;
    std::vector<std::string> field_list;
    if (layout) {
      const auto at = std::find(listed.begin(), listed.end(), named.name);
      if (at != listed.end()) {
        slot = static_cast<size_t>(at - listed.begin());
        try {
          columns = layout->Columns(named.name);
        } catch (const KestroveError& e) {
          Fail(table_where, std::string("the table cannot be opened: ") + e.what());
        }
      } else {
        // A table the window does not list (one of another schema,
        // "schema.table") takes the next slot after the listed ones, so the
        // listed tables keep the window's slots; it counts as found when it
        // can be read.
        try {
          columns = layout->Columns(named.name);
        } catch (const KestroveError&) {
          Fail(table_where, "the data source lists no such table" + Suggestion(named.name, listed));
        }
        slot = listed.size() + extra_tables++;
        if (slot + 1 >= kMaxTables)
          Fail(table_where, "with the " + std::to_string(listed.size()) +
                                " tables the data source lists, a profile holds no more than " +
                                std::to_string(kMaxTables - 1 - listed.size()) +
                                " tables of other schemas");
      }
      for (const LayoutColumn& c : columns)
        if (c.type != ftUnknown) field_list.push_back(c.name);
    } else if (named.fields.size() > kMaxFields) {
      Fail(table_where, CannotHold(static_cast<int>(named.fields.size()), "fields", kMaxFields));
    }
    TTableStruct& table = state.Tables[slot];
    table.TableName = layout && slot < listed.size() ? listed[slot] : named.name;
    table.RecordCount = named.records;
    table.DeleteExisting = named.delete_existing ? 1 : 0;

    std::map<std::string, int64_t> fields_seen;
    for (size_t f = 0; f < named.fields.size(); ++f) {
      const NamedField& field = named.fields[f];
      const std::string where = Where(source, field.line, &named.name, &field.name);
      if (auto [at, fresh] = fields_seen.emplace(field.name, field.line); !fresh)
        Fail(where, "named a second time (first on line " + std::to_string(at->second) + ")");
      size_t row = f;
      int32_t type_class = field.type_class.value_or(0);
      std::string type_name;
      int32_t column_size = 0;
      if (layout) {
        const auto at = std::find(field_list.begin(), field_list.end(), field.name);
        if (at == field_list.end()) {
          for (const LayoutColumn& c : columns)
            if (c.name == field.name)
              Fail(where,
                   "the column's data type is unknown to the program, so it is not in "
                   "the field list and cannot be generated");
          Fail(where, "the table has no such field" + Suggestion(field.name, field_list));
        }
        row = static_cast<size_t>(at - field_list.begin());
        if (row >= kMaxFields)
          Fail(where, "it is field " + std::to_string(row + 1) + " of the table; a profile holds " +
                          "the first " + std::to_string(kMaxFields) + " fields only");
        const LayoutColumn& column =
            *std::find_if(columns.begin(), columns.end(),
                          [&](const LayoutColumn& c) { return c.name == field.name; });
        const TypeInfo info = ClassifyType(column.type);
        type_name = info.name;
        column_size = column.size;
        // A class written wins: it is the one way to the currency choices,
        // which no data source reports (money columns are float), and to a
        // column of a type the window cannot generate (a BIGINT).
        if (!field.type_class) type_class = info.type_class;
        // Nothing can be picked for these in the window: the slot stays as it is.
        if ((type_class == kClassUnknown || type_class == kClassNotGenerated) &&
            field.choice == "Do not update" && field.params.empty())
          continue;
      }
      Resolved resolved = Resolve(field, type_class, type_name, where);
      // Random Bytes without a Length fill the column: its size, where the
      // data source tells one.
      if (resolved.base == kBinaryRandom && resolved.param1.empty() && column_size > 0)
        resolved.param1 = std::to_string(column_size);
      Store(table.Fields[row], layout ? field_list[row] : field.name, resolved);
    }
  }
  // Tables placed past the listed ones are visited too: the run goes one
  // slot past the count, as ever.
  return layout ? static_cast<int32_t>(listed.size() + extra_tables)
                : static_cast<int32_t>(profile.tables.size());
}

NamedProfile NameProfile(const ProfileState& state, int32_t table_count, ProfileLayout* layout,
                         std::vector<std::string>* warnings) {
  NamedProfile profile;
  const int32_t last = std::min(table_count, kMaxTables - 1);
  for (int32_t t = 0; t <= last; ++t) {
    const TTableStruct& slot = state.Tables[t];
    const std::string slot_where = "table slot " + std::to_string(t) + ": ";
    if (slot.TableName.empty()) {
      bool touched = slot.RecordCount != 10 || slot.DeleteExisting != 0;
      for (const TFieldStruct& f : slot.Fields)
        touched = touched || !f.FieldName.empty() || f.ChoiceIndex != 0 || f.ChoiceBase != 0;
      if (touched && warnings)
        warnings->push_back(slot_where +
                            "it names no table, so a run skips it; its settings are left out");
      continue;
    }
    const std::string& table_name = slot.TableName;
    const std::string table_where = "table " + Quoted(table_name) + ": ";
    if (!IsValidUtf8(table_name))
      Fail(table_where, "the name is not UTF-8 text, which a TOML file cannot hold");
    if (slot.RecordCount < INT32_MIN || slot.RecordCount > INT32_MAX)
      Fail(table_where,
           "its record count " + std::to_string(slot.RecordCount) + " does not fit in 32 bits");
    std::vector<LayoutColumn> columns;
    if (layout) {
      try {
        columns = layout->Columns(table_name);
      } catch (const KestroveError& e) {
        Fail(table_where, std::string("the table cannot be opened: ") + e.what());
      }
    }
    NamedTable table;
    table.name = table_name;
    table.records = static_cast<int32_t>(slot.RecordCount);
    table.delete_existing = slot.DeleteExisting == 1;
    for (int f = 0; f < kMaxFields; ++f) {
      const TFieldStruct& field = slot.Fields[f];
      const bool empty = field.FieldName.empty() && field.ChoiceIndex == 0 &&
                         field.Param1.empty() && field.Param2.empty() && field.Param3Index == 0 &&
                         field.ChoiceBase == 0 && field.ChoiceCode == 0;
      if (empty) continue;
      const std::string where =
          table_where + "field " +
          (field.FieldName.empty() ? "slot " + std::to_string(f) : Quoted(field.FieldName)) + ": ";
      if (field.FieldName.empty())
        Fail(where,
             "it holds a choice but no field name, which a run would send as an empty "
             "column name");
      if (!IsValidUtf8(field.FieldName) || !IsValidUtf8(field.Param1) || !IsValidUtf8(field.Param2))
        Fail(where, "its name or a parameter is not UTF-8 text, which a TOML file cannot hold");
      if (field.ChoiceBase == 0 && field.ChoiceCode != 0)
        Fail(where, "its choice code " + std::to_string(field.ChoiceCode) +
                        " stands without a choice base, which only a positional profile holds");
      int32_t type_class = 0;
      std::string type_name;
      if (layout) {
        const auto column =
            std::find_if(columns.begin(), columns.end(),
                         [&](const LayoutColumn& c) { return c.name == field.FieldName; });
        if (column == columns.end()) Fail(where, "the data source's table has no such field");
        const TypeInfo info = ClassifyType(column->type);
        type_class = info.type_class;
        type_name = info.name;
      }
      // A choice stored for another class than the column's (a currency
      // choice on a float column) is named with its class.
      bool class_written = false;
      if (field.ChoiceIndex != 0 && !Offers(type_class, field.ChoiceIndex, field.ChoiceBase)) {
        const int32_t stored = ClassOfStoredChoice(field.ChoiceIndex, field.ChoiceBase);
        if (stored == 0 && type_class == 0)
          Fail(where, "choice " + std::to_string(field.ChoiceIndex) + " with base " +
                          std::to_string(field.ChoiceBase) + " is a choice of no class");
        if (stored != 0) {
          class_written = type_class != 0;
          type_class = stored;
          type_name.clear();
        }
      }
      if (type_class == 0) type_class = kClassText;  // "Do not update" without a data source
      const auto& entries = EntriesOfClass(type_class);
      if (field.ChoiceIndex < 0 || static_cast<size_t>(field.ChoiceIndex) >= entries.size())
        Fail(where, "choice " + std::to_string(field.ChoiceIndex) + " is not in the list of " +
                        ClassPhrase(type_class, type_name));
      const CatalogueEntry& entry = entries[static_cast<size_t>(field.ChoiceIndex)];
      if (entry.base != field.ChoiceBase)
        Fail(where, "its stored choice base " + std::to_string(field.ChoiceBase) +
                        " is not that of " + Quoted(entry.text) + " for " +
                        ClassPhrase(type_class, type_name) + " (" + std::to_string(entry.base) +
                        ")");
      NamedField named;
      named.name = field.FieldName;
      named.choice = entry.text;
      if (class_written || OfferedBySeveralClasses(named.choice)) named.type_class = type_class;
      auto param = [&](const std::optional<std::string>& label, const std::string& value,
                       const char* which) {
        if (value.empty()) return;
        if (!label)
          Fail(where, std::string(which) + " holds " + Quoted(value) + ", but the choice " +
                          Quoted(entry.text) + " has no " + which);
        named.params.push_back({*label, value, 0});
      };
      param(entry.param1_label, field.Param1, "Param1");
      param(entry.param2_label, field.Param2, "Param2");
      if (entry.param3_label) {
        if (field.Param3Index < 0 ||
            static_cast<size_t>(field.Param3Index) >= entry.param3_items.size())
          Fail(where, "its Param3 item " + std::to_string(field.Param3Index) +
                          " is not in the list of " + Quoted(entry.text));
        named.params.push_back(
            {*entry.param3_label, entry.param3_items[static_cast<size_t>(field.Param3Index)], 0});
      } else if (field.Param3Index != 0) {
        Fail(where, "its Param3 item " + std::to_string(field.Param3Index) + " stands, but " +
                        Quoted(entry.text) + " has no Param3 list");
      }
      if (field.ChoiceBase != 0 &&
          field.ChoiceCode != ChoiceCodeOf(field.ChoiceBase, field.Param3Index) && warnings)
        warnings->push_back(where + "its stored choice code " + std::to_string(field.ChoiceCode) +
                            " is not yet worked out from its choice; the next run makes it " +
                            std::to_string(ChoiceCodeOf(field.ChoiceBase, field.Param3Index)) +
                            ", as an imported profile holds it");
      table.fields.push_back(std::move(named));
    }
    profile.tables.push_back(std::move(table));
  }
  return profile;
}

size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string NearestName(std::string_view name, const std::vector<std::string>& candidates) {
  auto lower = [](std::string_view s) { return Lower(std::string(s)); };
  const std::string wanted = lower(name);
  // A third of the name's length may be wrong, and at least two characters:
  // further off it is another name, not a typo.
  const size_t most = std::max<size_t>(2, wanted.size() / 3);
  std::string best;
  size_t best_distance = most + 1;
  for (const std::string& candidate : candidates) {
    const size_t d = EditDistance(wanted, lower(candidate));
    if (d < best_distance) {
      best = candidate;
      best_distance = d;
    }
  }
  return best;
}

}  // namespace kestrove
