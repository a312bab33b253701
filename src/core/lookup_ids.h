// The twelve lookup lists by number, in the order the run loads them, with
// their file names, and the list selectors the generators read them through.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kestrove {

enum LookupListId : int {
  kSurnameList = 0,
  kForenamesMList = 1,
  kForenamesFList = 2,
  kTownList = 3,
  kStreetList = 4,
  kCompanyList = 5,
  kUser1List = 6,  // kUser1List + k for user list k + 1, up to 11
};
constexpr int kLookupListCount = 12;

inline constexpr std::array<const char*, kLookupListCount> kLookupFileNames = {
    "srndata.bin",  "frmdata.bin",  "frfdata.bin",  "twndata.bin",  "strdata.bin",  "cmpdata.bin",
    "usr1data.bin", "usr2data.bin", "usr3data.bin", "usr4data.bin", "usr5data.bin", "usr6data.bin"};

// List selectors 1 to 14: which list and which field a pick reads.
enum ListSelector : int {
  kSelSurname = 1,
  kSelForenameM = 2,
  kSelForenameF = 3,
  kSelTown = 4,
  kSelStreet = 5,
  kSelCompany = 6,
  kSelUser1 = 7,  // 7..12 user lists 1..6, field "Data"
  kSelCounty = 13,
  kSelPostCode = 14,
};

// True for the street address choices (codes 92 to 95), the ones that read
// the street list.
constexpr bool CodeDrawsStreet(int32_t code) {
  return code >= 92 && code <= 95;
}

// The list a selector reads.
constexpr int ListOfSelector(int selector) {
  if (selector >= 1 && selector <= 12) return selector - 1;
  if (selector == 13 || selector == 14) return kTownList;
  return -1;
}

// The records of one list field laid out in a block, read without a call:
// record k's text is a 4-byte length (0 or less for none) and then its
// bytes, at `base + k * stride`. It holds while the list's layout (where its
// block lies, how many records, open or closed) stays as it was: `version`
// points at a number the list changes with its layout, `taken` is the
// number the view was made at.
struct ListSlots {
  const char* base = nullptr;
  size_t stride = 0;
  int32_t count = 0;
  const uint32_t* version = nullptr;
  uint32_t taken = 0;

  bool Current() const { return version && *version == taken; }
  // As the list's own positioned read: kept within the list.
  std::string_view At(int32_t position) const {
    if (count <= 0) return {};
    const int32_t index = position < 0 ? 0 : position >= count ? count - 1 : position;
    const char* slot = base + static_cast<size_t>(index) * stride;
    int32_t length;
    std::memcpy(&length, slot, sizeof length);
    if (length <= 0) return {};
    return {slot + sizeof length, static_cast<size_t>(length)};
  }
};

// What the generators need of the lookup lists: a positioned read. Position
// counts from 0; a position at or past the end reads the last record; an
// empty list reads empty text; a closed list raises EListError. The text
// stays valid until the list is next changed or loaded.
class ListSource {
 public:
  virtual ~ListSource() = default;
  virtual std::string_view PickListValue(int selector, int32_t position) = 0;
  // The selector's field as a block of slots, for reads without a call; a
  // view that is not Current() (the default, and a closed list's) leaves
  // the reads to PickListValue.
  virtual ListSlots SlotsOf(int /*selector*/) { return {}; }
};

}  // namespace kestrove
