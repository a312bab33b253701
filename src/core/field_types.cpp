#include "core/field_types.h"

namespace kestrove {

TypeInfo ClassifyType(TFieldType type) {
  switch (type) {
    case ftUnknown:
      return {"Unknown", kClassUnknown};
    case ftString:
      return {"String", kClassText};
    case ftSmallint:
      return {"SmallInt", kClassInteger};
    case ftInteger:
      return {"Integer", kClassInteger};
    case ftWord:
      return {"Word", kClassInteger};
    case ftBoolean:
      return {"Boolean", kClassBoolean};
    case ftFloat:
      return {"Float", kClassFloat};
    case ftCurrency:
      return {"Currency", kClassCurrency};
    case ftBCD:
      return {"BCD", kClassNotGenerated};
    case ftDate:
      return {"Date", kClassDate};
    case ftTime:
      return {"Time", kClassTime};
    case ftDateTime:
      return {"DateTime", kClassDateTime};
    case ftBytes:
      return {"Byte", kClassInteger};
    case ftBlob:
      return {"BLOB", kClassNotGenerated};
    case ftMemo:
      return {"Memo", kClassText};
    case ftGraphic:
      return {"Graphic", kClassNotGenerated};
    default:
      return {"", kClassUnknown};  // ftVarBytes, ftAutoInc and everything after ftGraphic
  }
}

const std::vector<ChoiceEntry>& ChoiceList(int32_t type_class) {
  static const std::vector<ChoiceEntry> kNone;
  static const std::vector<ChoiceEntry> kText = {
      {"Do not update", 0, 0}, {"Formatted", 1, 0},      {"Increment", 2, 0},
      {"Number", 3, 5},        {"Lookup", 8, 6},         {"Database Lookup", 14, 0},
      {"Choice", 15, 0},       {"Date", 16, 27},         {"Age", 43, 4},
      {"Time", 51, 3},         {"Gender", 54, 2},        {"Forename", 56, 3},
      {"Middlename", 59, 0},   {"Initials", 61, 3},      {"Surname", 64, 0},
      {"Blank", 65, 0},        {"Title", 84, 6},         {"Marital Status", 90, 0},
      {"Spouse Name", 91, 0},  {"Address", 92, 4},       {"Town/City", 96, 0},
      {"County/State", 97, 0}, {"Post/Zip Code", 98, 4}, {"Tel/Fax", 102, 3},
      {"Email", 105, 4},       {"Company", 109, 0},
  };
  static const std::vector<ChoiceEntry> kInteger = {
      {"Do not update", 0, 0}, {"Fixed Value", 200, 0}, {"Random", 201, 0},
      {"Age", 202, 4},         {"Counter", 206, 0},     {"Database Lookup", 207, 0},
  };
  static const std::vector<ChoiceEntry> kFloat = {
      {"Do not update", 0, 0},
      {"Fixed Value", 300, 0},
      {"Random", 301, 0},
      {"Database Lookup", 302, 0},
  };
  static const std::vector<ChoiceEntry> kBoolean = {
      {"Do not update", 0, 0},
      {"Fixed Value", 400, 0},
      {"Random", 401, 4},
  };
  static const std::vector<ChoiceEntry> kCurrency = {
      {"Do not update", 0, 0},
      {"Fixed Value", 500, 0},
      {"Random", 501, 0},
      {"Database Lookup", 502, 0},
  };
  static const std::vector<ChoiceEntry> kDate = {
      {"Do not update", 0, 0}, {"Fixed Date", 600, 0}, {"Random Date", 601, 11}};
  static const std::vector<ChoiceEntry> kTime = {
      {"Do not update", 0, 0}, {"Fixed Time", 700, 0}, {"Random Time", 701, 3}};
  static const std::vector<ChoiceEntry> kDateTime = {
      {"Do not update", 0, 0}, {"Fixed DateTime", 800, 0}, {"Random DateTime", 801, 10}};
  switch (type_class) {
    case kClassText:
      return kText;
    case kClassInteger:
      return kInteger;
    case kClassFloat:
      return kFloat;
    case kClassBoolean:
      return kBoolean;
    case kClassCurrency:
      return kCurrency;
    case kClassDate:
      return kDate;
    case kClassTime:
      return kTime;
    case kClassDateTime:
      return kDateTime;
    default:
      return kNone;
  }
}

}  // namespace kestrove
