// Helpers shared by the list store and list file tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "expect_error.h"
#include "lookup/mem_data.h"

namespace kestrove::testing {

inline TdxMemData SurnameList() {
  return TdxMemData("SurnameTable", {{"Surname", 16}});
}
inline TdxMemData TownList() {
  TdxMemData list("TownTable", {{"Town", 24}, {"County", 24}, {"PostCode", 2}});
  list.SetSortOptions(soCaseInsensitive);
  return list;
}

// Appends and posts one record with the given values, field by field.
inline void AddRecord(TdxMemData& list, const std::vector<std::string>& values) {
  list.Append();
  for (size_t f = 0; f < values.size(); ++f) list.SetFieldText(static_cast<int>(f), values[f]);
  list.Post();
}

// The values of field `field` in list order.
inline std::vector<std::string> Column(const TdxMemData& list, int field = 0) {
  std::vector<std::string> out;
  for (int32_t r = 0; r < list.RecordCount(); ++r) out.emplace_back(list.StoredText(r, field));
  return out;
}

inline std::vector<int32_t> RecIds(const TdxMemData& list) {
  std::vector<int32_t> out;
  for (int32_t r = 0; r < list.RecordCount(); ++r) out.push_back(list.StoredRecId(r));
  return out;
}

// Little-endian pieces for building list file images by hand.
inline std::string I32(int32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i)
    s.push_back(static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF));
  return s;
}
inline std::string I16(int16_t v) {
  std::string s;
  s.push_back(static_cast<char>(static_cast<uint16_t>(v) & 0xFF));
  s.push_back(static_cast<char>((static_cast<uint16_t>(v) >> 8) & 0xFF));
  return s;
}
inline const std::string& VersionHeader() {
  static const std::string h =
      std::string("Ver") + std::string("\x66\x66\x66\x66\x66\x66\xF6\x3F", 8);
  return h;
}
// A descriptor: data size, type code, name length + 1, name and zero byte.
inline std::string Desc(const std::string& name, int32_t data_size, int16_t type = 1) {
  return I32(data_size) + I16(type) + I16(static_cast<int16_t>(name.size() + 1)) + name +
         std::string(1, '\0');
}
// A text value: M = characters + 1, the characters and a zero byte.
inline std::string Text(const std::string& value) {
  return I32(static_cast<int32_t>(value.size() + 1)) + value + std::string(1, '\0');
}

}  // namespace kestrove::testing
