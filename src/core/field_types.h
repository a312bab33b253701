// Column data types, their type classes, and the code ranges of the generator
// families. The choice lists and their bases are the choice catalogue's.
#pragma once

#include <cstdint>

namespace kestrove {

enum TFieldType : int {
  ftUnknown = 0,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
};

// Type classes 1 to 10.
enum TypeClass : int32_t {
  kClassUnknown = 1,
  kClassText = 2,
  kClassInteger = 3,
  kClassFloat = 4,
  kClassBoolean = 5,
  kClassCurrency = 6,
  kClassNotGenerated = 7,
  kClassDate = 8,
  kClassTime = 9,
  kClassDateTime = 10,
};

struct TypeInfo {
  const char* name;  // shown in the field type label; may be empty
  int32_t type_class;
};

// Name shown and type class of a column data type.
TypeInfo ClassifyType(TFieldType type);

// The generator families, by choice code range.
enum class Family {
  kNone,
  kText,      // 1..199
  kInteger,   // 200..299
  kFloat,     // 300..399
  kBoolean,   // 400..499
  kCurrency,  // 500..599
  kDate,      // 600..699
  kTime,      // 700..799
  kDateTime,  // 800..899
};

// The choices only named profiles offer (catalogue/named_choices.h) have
// codes of their own, 900 to 999, past every window family: the window and
// the .prf runs never make one, and a run adds them only when asked to.
enum NamedOnlyCode : int32_t {
  kBigintCounter = 900,
  kBigintRandom = 901,
  kBigintFixed = 902,
  kBigintLookup = 903,
  kBoolRandom = 910,
  kBoolFixed = 911,
  kUuidRandom = 920,
  kBinaryRandom = 930,
};

constexpr bool IsNamedOnlyCode(int32_t code) {
  return code >= 900 && code <= 999;
}

constexpr Family FamilyOfCode(int32_t code) {
  if (code >= 1 && code <= 199) return Family::kText;
  if (code >= 200 && code <= 299) return Family::kInteger;
  if (code >= 300 && code <= 399) return Family::kFloat;
  if (code >= 400 && code <= 499) return Family::kBoolean;
  if (code >= 500 && code <= 599) return Family::kCurrency;
  if (code >= 600 && code <= 699) return Family::kDate;
  if (code >= 700 && code <= 799) return Family::kTime;
  if (code >= 800 && code <= 899) return Family::kDateTime;
  return Family::kNone;
}

}  // namespace kestrove
