#include "catalogue/check_facts.h"

#include <cctype>
#include <vector>

namespace kestrove {

namespace {

enum class Kind { kName, kWord, kNumber, kString, kOperator, kComma };

struct Token {
  Kind kind;
  std::string text;  // a name unquoted, a string with its quotes, a word upper-cased
};

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool IsKeyword(const std::string& upper) {
  for (const char* k : {"AND", "OR", "NOT", "BETWEEN", "IN", "ANY", "ARRAY", "IS", "NULL", "CHECK",
                        "DATE", "TIMESTAMP", "TIME", "LIKE"})
    if (upper == k) return true;
  return false;
}

// Tokens with the parentheses and brackets dropped: the simple forms read
// the same without them, and any other form fails on what is left.
bool Tokenize(const std::string& text, std::vector<Token>* out) {
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (std::isspace(static_cast<unsigned char>(c)) || c == '(' || c == ')' || c == '[' ||
        c == ']') {
      ++i;
    } else if (c == ':' && i + 1 < text.size() && text[i + 1] == ':') {
      // A PostgreSQL cast: the type name (of one or more words, with its
      // length and array marks) is dropped.
      i += 2;
      while (i < text.size() && text[i] == ' ') ++i;
      if (i < text.size() && text[i] == '"') {
        i = text.find('"', i + 1);
        if (i == std::string::npos) return false;
        ++i;
      }
      for (;;) {
        size_t k = i;
        while (k < text.size() && IsWordChar(text[k])) ++k;
        const std::string word = Upper(text.substr(i, k - i));
        i = k;
        size_t next = i;
        while (next < text.size() && text[next] == ' ') ++next;
        size_t end = next;
        while (end < text.size() && IsWordChar(text[end])) ++end;
        const std::string more = Upper(text.substr(next, end - next));
        if (more == "VARYING" || more == "PRECISION" || more == "WITHOUT" || more == "WITH" ||
            more == "TIME" || more == "ZONE") {
          i = end;
          continue;
        }
        break;
      }
      if (i < text.size() && text[i] == '(') {
        i = text.find(')', i);
        if (i == std::string::npos) return false;
        ++i;
      }
      while (i + 1 < text.size() && text[i] == '[' && text[i + 1] == ']') i += 2;
    } else if (c == '\'') {
      std::string s = "'";
      ++i;
      for (; i < text.size(); ++i) {
        if (text[i] == '\'' && i + 1 < text.size() && text[i + 1] == '\'') {
          s += "''";
          ++i;
        } else if (text[i] == '\'') {
          break;
        } else {
          s += text[i];
        }
      }
      if (i >= text.size()) return false;
      ++i;
      out->push_back({Kind::kString, s + "'"});
    } else if (c == '"' || c == '`') {
      const size_t end = text.find(c, i + 1);
      if (end == std::string::npos) return false;
      out->push_back({Kind::kName, text.substr(i + 1, end - i - 1)});
      i = end + 1;
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '.' ||
               (c == '-' && i + 1 < text.size() &&
                std::isdigit(static_cast<unsigned char>(text[i + 1])) &&
                (out->empty() || out->back().kind == Kind::kOperator ||
                 out->back().kind == Kind::kWord || out->back().kind == Kind::kComma))) {
      size_t k = i + 1;
      while (k < text.size() &&
             (std::isdigit(static_cast<unsigned char>(text[k])) || text[k] == '.'))
        ++k;
      out->push_back({Kind::kNumber, text.substr(i, k - i)});
      i = k;
    } else if (IsWordChar(c)) {
      size_t k = i;
      while (k < text.size() && IsWordChar(text[k])) ++k;
      const std::string word = text.substr(i, k - i);
      const std::string upper = Upper(word);
      out->push_back(IsKeyword(upper) ? Token{Kind::kWord, upper} : Token{Kind::kName, word});
      i = k;
    } else if (c == ',') {
      out->push_back({Kind::kComma, ","});
      ++i;
    } else {
      std::string op(1, c);
      if (i + 1 < text.size() && (text[i + 1] == '=' || (c == '<' && text[i + 1] == '>')))
        op += text[i + 1];
      out->push_back({Kind::kOperator, op});
      i += op.size();
    }
  }
  return true;
}

bool IsConstant(const Token& t) {
  return t.kind == Kind::kNumber || t.kind == Kind::kString;
}

std::string Unquoted(const std::string& constant) {
  if (constant.size() < 2 || constant.front() != '\'') return constant;
  std::string out;
  for (size_t i = 1; i + 1 < constant.size(); ++i) {
    out += constant[i];
    if (constant[i] == '\'') ++i;
  }
  return out;
}

// > becomes <, and so on, for a constant written before the column.
std::string Mirrored(const std::string& op) {
  if (op == ">") return "<";
  if (op == "<") return ">";
  if (op == ">=") return "<=";
  if (op == "<=") return ">=";
  return op;
}

}  // namespace

std::optional<ColumnCheck> ParseCheck(const std::string& text) {
  std::vector<Token> tokens;
  if (!Tokenize(text, &tokens)) return std::nullopt;
  size_t i = 0;
  if (i < tokens.size() && tokens[i].kind == Kind::kWord && tokens[i].text == "CHECK") ++i;
  ColumnCheck check;
  check.facts.text = text;
  auto at = [&](size_t k) -> const Token* { return k < tokens.size() ? &tokens[k] : nullptr; };
  // Drops DATE or TIMESTAMP before a string: a typed literal.
  auto constant = [&](size_t& k) -> std::optional<std::string> {
    if (at(k) && at(k)->kind == Kind::kWord &&
        (at(k)->text == "DATE" || at(k)->text == "TIMESTAMP" || at(k)->text == "TIME") &&
        at(k + 1) && at(k + 1)->kind == Kind::kString)
      ++k;
    if (!at(k) || !IsConstant(*at(k))) return std::nullopt;
    return tokens[k++].text;
  };
  auto same_column = [&](const std::string& name) {
    if (check.column.empty()) check.column = name;
    return check.column == name;
  };
  bool any = false;
  while (i < tokens.size()) {
    std::string op, value;
    size_t k = i;
    if (at(k) && at(k)->kind == Kind::kName) {
      if (!same_column(tokens[k].text)) return std::nullopt;
      ++k;
      if (at(k) && at(k)->kind == Kind::kWord && at(k)->text == "BETWEEN") {
        ++k;
        const auto low = constant(k);
        if (!low || !at(k) || at(k)->text != "AND") return std::nullopt;
        ++k;
        const auto high = constant(k);
        if (!high) return std::nullopt;
        check.facts.low = *low;
        check.facts.high = *high;
        check.facts.low_open = check.facts.high_open = false;
      } else if (at(k) && (at(k)->text == "IN" ||
                           (at(k)->text == "=" && at(k + 1) && at(k + 1)->text == "ANY"))) {
        k += at(k)->text == "IN" ? 1 : 2;
        if (at(k) && at(k)->text == "ARRAY") ++k;
        std::vector<std::string> allowed;
        for (;;) {
          const auto v = constant(k);
          if (!v) return std::nullopt;
          allowed.push_back(Unquoted(*v));
          if (!at(k) || at(k)->kind != Kind::kComma) break;
          ++k;
        }
        check.facts.allowed = std::move(allowed);
      } else if (at(k) && at(k)->kind == Kind::kOperator) {
        op = tokens[k++].text;
        const auto v = constant(k);
        if (!v) return std::nullopt;
        value = *v;
      } else {
        return std::nullopt;
      }
    } else {
      const auto v = constant(k);
      if (!v || !at(k) || at(k)->kind != Kind::kOperator) return std::nullopt;
      op = Mirrored(tokens[k++].text);
      if (!at(k) || at(k)->kind != Kind::kName || !same_column(tokens[k].text)) return std::nullopt;
      ++k;
      value = *v;
    }
    if (op == ">=" || op == ">") {
      check.facts.low = value;
      check.facts.low_open = op == ">";
    } else if (op == "<=" || op == "<") {
      check.facts.high = value;
      check.facts.high_open = op == "<";
    } else if (op == "=") {
      check.facts.allowed = {Unquoted(value)};
    } else if (!op.empty()) {
      return std::nullopt;
    }
    any = true;
    i = k;
    if (i < tokens.size()) {
      if (tokens[i].kind != Kind::kWord || tokens[i].text != "AND") return std::nullopt;
      ++i;
    }
  }
  if (!any) return std::nullopt;
  return check;
}

}  // namespace kestrove
