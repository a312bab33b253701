#include "db/bound_insert.h"

#include <dlfcn.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "db/connection.h"
#include "db/odbc_error.h"
#include "db/odbc_internal.h"
#include "db/statement.h"
#include "util/text.h"

namespace kestrove {

namespace {

// The host parameter limit of the SQLite library the driver has loaded,
// asked of an in-memory database; 0 when the library is not loaded here.
int64_t SqliteVariableLimit() {
  void* library = dlopen("libsqlite3.so.0", RTLD_LAZY | RTLD_NOLOAD);
  if (!library) return 0;
  using Open = int (*)(const char*, void**);
  using Limit = int (*)(void*, int, int);
  using Close = int (*)(void*);
  const auto open = reinterpret_cast<Open>(dlsym(library, "sqlite3_open"));
  const auto limit = reinterpret_cast<Limit>(dlsym(library, "sqlite3_limit"));
  const auto close = reinterpret_cast<Close>(dlsym(library, "sqlite3_close"));
  int64_t most = 0;
  void* db = nullptr;
  if (open && limit && close && open(":memory:", &db) == 0) {
    constexpr int kLimitVariableNumber = 9;  // SQLITE_LIMIT_VARIABLE_NUMBER
    most = limit(db, kLimitVariableNumber, -1);
  }
  if (db && close) close(db);
  dlclose(library);
  return most;
}

// The text of a literal that carries its own quotes, '...' with no quote
// inside; false for anything else (a fixed value written as SQL).
bool QuotedInner(std::string_view text, std::string_view& inner) {
  if (text.size() < 2 || text.front() != '\'' || text.back() != '\'') return false;
  inner = text.substr(1, text.size() - 2);
  return inner.find('\'') == std::string_view::npos;
}

bool WholeNumber(std::string_view text, int64_t& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes of X'0a1b' or decode('0a1b','hex') appended to `out`.
bool HexBytes(std::string_view text, std::string& out) {
  std::string_view hex;
  if (text.size() >= 3 && (text[0] == 'X' || text[0] == 'x') && text[1] == '\'' &&
      text.back() == '\'') {
    hex = text.substr(2, text.size() - 3);
  } else if (text.rfind("decode('", 0) == 0 && text.size() > 15 &&
             text.substr(text.size() - 8) == "','hex')") {
    hex = text.substr(8, text.size() - 16);
  } else {
    return false;
  }
  if (hex.size() % 2 != 0) return false;
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
  }
  return true;
}

}  // namespace

int64_t MostParameters(const std::string& dbms, const std::string& dbms_version) {
  if (SameText(dbms, "SQLite")) {
    if (const int64_t most = SqliteVariableLimit(); most > 0) return most;
    // SQLITE_MAX_VARIABLE_NUMBER: 999 before 3.32.0, 32766 since.
    int major = 0, minor = 0;
    const char* p = dbms_version.data();
    const char* end = p + dbms_version.size();
    p = std::from_chars(p, end, major).ptr;
    if (p < end && *p == '.') std::from_chars(p + 1, end, minor);
    return major > 3 || (major == 3 && minor >= 32) ? 32766 : 999;
  }
  // MariaDB and MySQL count a prepared statement's placeholders in 16 bits;
  // so does PostgreSQL's protocol its Bind message's parameters.
  if (SameText(dbms, "MariaDB") || SameText(dbms, "MySQL") || SameText(dbms, "PostgreSQL"))
    return 65535;
  return 0;
}

// One parameter marker of a prepared statement with the buffer bound to it.
struct BoundInserts::Param {
  int16_t c_type = 0, sql_type = 0;
  uint64_t column_size = 0;
  int64_t indicator = 0;
  int64_t integer = 0;
  double real = 0;
  unsigned char bit = 0;
  std::string data;  // char and binary data, its size the bound capacity
};

struct BoundInserts::Prepared {
  std::unique_ptr<DbStatement> statement;
  std::vector<Param> params;
};

// One column of a one-row Insert executed over arrays: `capacity` rows of
// `width` bytes each, and their indicators.
struct BoundInserts::Column {
  int16_t c_type = 0, sql_type = 0;
  size_t width = 0;
  std::vector<char> data;
  std::vector<int64_t> indicators;
};

struct BoundInserts::Arrays {
  std::unique_ptr<DbStatement> statement;
  std::vector<Column> columns;
  size_t capacity = 0;     // rows every column's buffers hold
  uint64_t set_size = 1;   // SQL_ATTR_PARAMSET_SIZE as last set
  std::vector<uint16_t> status;
  uint64_t processed = 0;
};

BoundInserts::BoundInserts(DbConnection& connection) : connection_(connection) {}

BoundInserts::~BoundInserts() {
  Clear();
}

void BoundInserts::Clear() {
  for (auto& [key, prepared] : prepared_) prepared->statement->TryTerminate();
  for (auto& [key, arrays] : arrays_) arrays->statement->TryTerminate();
  prepared_.clear();
  arrays_.clear();
  noted_.clear();
  limit_ = -1;
  arrays_wanted_ = -1;
}

int64_t BoundInserts::Limit() {
  if (limit_ < 0) limit_ = MostParameters(connection_.DbmsName(), connection_.InfoText(SQL_DBMS_VER));
  return limit_;
}

std::unique_ptr<DbStatement> BoundInserts::PrepareMarkers(std::string_view head, int32_t rows,
                                                          size_t columns) {
  std::string text(head);
  for (int32_t row = 0; row < rows; ++row) {
    if (row > 0) text += ",(";
    for (size_t c = 0; c < columns; ++c) text += c == 0 ? "?" : ",?";
    text += ')';
  }
  auto statement = std::make_unique<DbStatement>(connection_);
  // The text goes to the driver as it is: no ":name" is read out of it.
  statement->SQLParsing = false;
  statement->SetSQL(text);
  statement->Prepare();
  return statement;
}

BoundInserts::Prepared& BoundInserts::StatementFor(const std::string& head, int32_t rows,
                                                   int32_t columns) {
  auto& slot = prepared_[{head, rows}];
  if (slot) return *slot;
  auto prepared = std::make_unique<Prepared>();
  prepared->statement = PrepareMarkers(head, rows, static_cast<size_t>(columns));
  prepared->params.resize(static_cast<size_t>(rows) * static_cast<size_t>(columns));
  slot = std::move(prepared);
  return *slot;
}

bool BoundInserts::Execute(const RunStatement& statement) {
  const auto& values = *statement.Values;
  const int32_t columns = statement.Columns;
  if (columns <= 0 || statement.Records <= 0 ||
      values.size() != static_cast<size_t>(statement.Records) * static_cast<size_t>(columns))
    return false;
  const bool postgres = SameText(connection_.DbmsName(), "PostgreSQL");
  // Every value is made ready first, so that a batch is either bound whole
  // or left to its text.
  typed_.clear();
  data_.clear();
  for (const StatementValue& value : values) {
    const std::string& from = value.Aside ? *statement.Aside : statement.Sql;
    const std::string_view text(from.data() + value.Start, value.Size);
    Typed t{SQL_C_CHAR, SQL_VARCHAR, value.Null, 0, 0, data_.size(), 0};
    std::string_view inner;
    switch (value.Class) {
      case ValueClass::kInteger:
      case ValueClass::kLiteral:
        // A window boolean (0, 1, -1) is a whole number too; any other
        // literal is kept in the statement's text.
        t.c_type = SQL_C_SBIGINT, t.sql_type = SQL_BIGINT;
        if (!t.null && !WholeNumber(text, t.integer)) return false;
        break;
      case ValueClass::kFloat: {
        t.c_type = SQL_C_DOUBLE, t.sql_type = SQL_DOUBLE;
        if (t.null) break;
        const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), t.real);
        if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) return false;
        break;
      }
      case ValueClass::kText:
        if (!t.null) data_.append(text);
        break;
      case ValueClass::kDate:
      case ValueClass::kTime:
      case ValueClass::kDateTime:
      case ValueClass::kUuid:
        // Character data the server reads as it reads the literal: a driver
        // told SQL_TYPE_DATE and the like converts the text itself, and
        // refuses the run's 2024/02/15 16:03:12. PostgreSQL gets a uuid as
        // one.
        if (postgres && value.Class == ValueClass::kUuid) t.sql_type = SQL_GUID;
        if (t.null) break;
        if (!QuotedInner(text, inner)) return false;
        data_.append(inner);
        break;
      case ValueClass::kBoolean:
        t.c_type = SQL_C_BIT, t.sql_type = SQL_BIT;
        if (t.null) break;
        if (SameText(text, "TRUE"))
          t.integer = 1;
        else if (!SameText(text, "FALSE"))
          return false;
        break;
      case ValueClass::kBytes:
        t.c_type = SQL_C_BINARY, t.sql_type = SQL_VARBINARY;
        if (!t.null && !HexBytes(text, data_)) return false;
        break;
    }
    t.size = data_.size() - t.at;
    typed_.push_back(t);
  }

  if (arrays_wanted_ < 0) arrays_wanted_ = connection_.MariaDbDriver() ? 1 : 0;
  if (arrays_wanted_ && ExecuteArrays(statement)) return true;

  // Kept from batch to batch, so that its room is not asked for again.
  head_.assign(statement.Sql, 0, statement.HeadSize);
  const std::string& head = head_;
  int32_t per = statement.Records;
  const int64_t limit = Limit();
  if (limit > 0 && int64_t(per) * columns > limit) {
    per = static_cast<int32_t>(std::max<int64_t>(1, limit / columns));
    if (std::find(noted_.begin(), noted_.end(), statement.Table) == noted_.end()) {
      noted_.push_back(statement.Table);
      if (Note)
        Note("table " + statement.Table + ": " + std::to_string(statement.Records) +
             " records of " + std::to_string(columns) + " values are more than the " +
             std::to_string(limit) + " parameters " + connection_.DbmsName() +
             " takes in one statement; sending " + std::to_string(per) + " to a statement");
    }
  }
  for (int32_t first = 0; first < statement.Records; first += per) {
    const int32_t rows = std::min(per, statement.Records - first);
    Prepared& prepared = StatementFor(head, rows, columns);
    const size_t base = static_cast<size_t>(first) * static_cast<size_t>(columns);
    for (size_t k = 0; k < prepared.params.size(); ++k) {
      const Typed& t = typed_[base + k];
      Param& p = prepared.params[k];
      void* buffer = nullptr;
      int64_t length = 0;
      bool rebind = p.c_type != t.c_type || p.sql_type != t.sql_type;
      if (t.null) {
        p.indicator = SQL_NULL_DATA;
      } else if (t.c_type == SQL_C_SBIGINT) {
        p.integer = t.integer;
        p.indicator = 0;
      } else if (t.c_type == SQL_C_DOUBLE) {
        p.real = t.real;
        p.indicator = 0;
      } else if (t.c_type == SQL_C_BIT) {
        p.bit = static_cast<unsigned char>(t.integer);
        p.indicator = 0;
      } else {
        if (t.size > p.data.size()) {
          p.data.resize(std::max<size_t>({t.size, 2 * p.data.size(), 32}));
          rebind = true;
        }
        if (t.size > 0) std::memcpy(p.data.data(), data_.data() + t.at, t.size);
        p.indicator = static_cast<int64_t>(t.size);
      }
      if (!rebind) continue;
      p.c_type = t.c_type, p.sql_type = t.sql_type;
      switch (t.c_type) {
        case SQL_C_SBIGINT:
          buffer = &p.integer;
          break;
        case SQL_C_DOUBLE:
          buffer = &p.real;
          break;
        case SQL_C_BIT:
          buffer = &p.bit;
          break;
        default:
          if (p.data.empty()) p.data.resize(32);
          buffer = p.data.data();
          length = static_cast<int64_t>(p.data.size());
          break;
      }
      p.column_size = length > 0 ? static_cast<uint64_t>(length) : 0;
      prepared.statement->BindParameter(static_cast<uint16_t>(k + 1), p.c_type, p.sql_type,
                                        p.column_size, buffer, length, &p.indicator);
    }
    prepared.statement->ExecuteBound();
  }
  return true;
}

bool BoundInserts::ExecuteArrays(const RunStatement& statement) {
  const size_t columns = static_cast<size_t>(statement.Columns);
  const size_t rows = static_cast<size_t>(statement.Records);
  // An array binds one C type to a column; its char and binary data get
  // the width of its longest value.
  widths_.assign(columns, 1);
  for (size_t c = 0; c < columns; ++c) {
    const Typed& first = typed_[c];
    for (size_t r = 0; r < rows; ++r) {
      const Typed& t = typed_[r * columns + c];
      if (t.c_type != first.c_type || t.sql_type != first.sql_type) return false;
      widths_[c] = std::max(widths_[c], t.size);
    }
  }
  std::string_view head(statement.Sql.data(), statement.HeadSize);
  auto found = arrays_.find(head);
  if (found == arrays_.end()) {
    auto arrays = std::make_unique<Arrays>();
    arrays->statement = PrepareMarkers(head, 1, columns);
    arrays->statement->SetAttribute(SQL_ATTR_PARAM_BIND_TYPE, SQL_PARAM_BIND_BY_COLUMN);
    arrays->statement->SetAttribute(SQL_ATTR_PARAMS_PROCESSED_PTR,
                                    reinterpret_cast<uintptr_t>(&arrays->processed));
    arrays->columns.resize(columns);
    found = arrays_.emplace(std::string(head), std::move(arrays)).first;
  }
  Arrays& a = *found->second;
  DbStatement& st = *a.statement;
  const bool grown = rows > a.capacity;
  if (grown) {
    a.capacity = std::max(rows, 2 * a.capacity);
    a.status.assign(a.capacity, 0);
    st.SetAttribute(SQL_ATTR_PARAM_STATUS_PTR, reinterpret_cast<uintptr_t>(a.status.data()));
  }
  for (size_t c = 0; c < columns; ++c) {
    Column& col = a.columns[c];
    const Typed& first = typed_[c];
    const bool data = first.c_type == SQL_C_CHAR || first.c_type == SQL_C_BINARY;
    const size_t width = data ? widths_[c] : first.c_type == SQL_C_BIT ? 1 : 8;
    if (grown || col.c_type != first.c_type || col.sql_type != first.sql_type ||
        width > col.width) {
      col.c_type = first.c_type, col.sql_type = first.sql_type;
      // Char data gets room to spare, so that a longer value later seldom
      // asks for the buffers again.
      col.width = data ? std::max<size_t>(width + width / 2, 16) : width;
      col.data.assign(a.capacity * col.width, 0);
      col.indicators.assign(a.capacity, 0);
      st.BindParameter(static_cast<uint16_t>(c + 1), col.c_type, col.sql_type,
                       data ? col.width : 0, col.data.data(),
                       static_cast<int64_t>(col.width), col.indicators.data());
    }
    char* out = col.data.data();
    for (size_t r = 0; r < rows; ++r, out += col.width) {
      const Typed& t = typed_[r * columns + c];
      if (t.null) {
        col.indicators[r] = SQL_NULL_DATA;
        continue;
      }
      switch (t.c_type) {
        case SQL_C_SBIGINT:
          std::memcpy(out, &t.integer, sizeof t.integer);
          col.indicators[r] = 0;
          break;
        case SQL_C_DOUBLE:
          std::memcpy(out, &t.real, sizeof t.real);
          col.indicators[r] = 0;
          break;
        case SQL_C_BIT:
          *out = static_cast<char>(t.integer);
          col.indicators[r] = 0;
          break;
        default:
          if (t.size > 0) std::memcpy(out, data_.data() + t.at, t.size);
          col.indicators[r] = static_cast<int64_t>(t.size);
          break;
      }
    }
  }
  if (a.set_size != rows) {
    st.SetAttribute(SQL_ATTR_PARAMSET_SIZE, rows);
    a.set_size = rows;
  }
  a.processed = 0;
  std::fill(a.status.begin(), a.status.begin() + static_cast<ptrdiff_t>(rows),
            static_cast<uint16_t>(SQL_PARAM_UNUSED));
  st.ExecuteBound();
  // A driver that answers success has stored every record; one that did
  // not is an error, never a batch lost without a word.
  for (size_t r = 0; r < rows; ++r) {
    const uint16_t status = a.status[r];
    if (r < a.processed && (status == SQL_PARAM_SUCCESS || status == SQL_PARAM_SUCCESS_WITH_INFO))
      continue;
    throw EODBC(OdbcObject::kStatement, &connection_, SQL_ERROR,
                {TErrorRec{"HY000", 0,
                           "record " + std::to_string(r + 1) + " of " + std::to_string(rows) +
                               " bound to the Insert into " + statement.Table +
                               " was not stored (parameter status " + std::to_string(status) +
                               ")"}});
  }
  return true;
}

}  // namespace kestrove
