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

}  // namespace kestrove
