// Error types shared by the whole engine, and the one formatter that turns an
// error's message into the text the standard error display shows.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrove {

// Base of every error the engine raises on purpose; the message is the text
// the user sees (before the full stop the error display may append).
class KestroveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A typed-in number or date that cannot be read:
// "'%s' is not a valid integer value" and its siblings.
class EConvertError : public KestroveError {
 public:
  using KestroveError::KestroveError;
};

// Reading a list that is closed, and other list store failures.
class EListError : public KestroveError {
 public:
  using KestroveError::KestroveError;
};

// Files that cannot be created, opened, read or written.
class EInOutError : public KestroveError {
 public:
  using KestroveError::KestroveError;
};

// The database layer's general error; EODBC (the failed ODBC call, with its
// diagnostic records) derives from it.
class EDatabaseError : public KestroveError {
 public:
  using KestroveError::KestroveError;
};

// A profile or setting that the engine refuses (for example more table slots
// than the profile has).
class EProfileError : public KestroveError {
 public:
  using KestroveError::KestroveError;
};

// The three conversion messages, with the offending text in place of %s.
EConvertError InvalidInteger(const std::string& text);
EConvertError InvalidFloat(const std::string& text);
EConvertError InvalidDate(const std::string& text);

// What the standard error display shows for a message: the message itself,
// with a full stop appended when its last character sorts after ".".
std::string DisplayMessage(const std::string& message);

// Strict conversions used for every typed-in number: optional sign, decimal
// digits, nothing else, within the target's range.
int32_t StrToInt(const std::string& text);
// Decimal text with "." as the mark and an optional exponent.
double StrToFloat(const std::string& text);
// The value of text already known to be [digits][.digits][(e|E)[sign]digits]
// with at least one digit, read with "." as the mark whatever the locale: a
// number beyond a double's range gives infinity, one below it gives 0.
double ReadDecimal(std::string_view text);

}  // namespace kestrove
