// The lookup list file format: "Ver", the version 1.4 as a double, the field
// count, the field descriptors and then the records up to the end of the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/mem_data.h"

namespace kestrove {

// Replaces the list's records with those of the file. Raises nothing: when
// the file cannot be read the list is left exactly as it was and the result
// is false; a damaged file yields what could be read up to the damage.
bool LoadListFile(TdxMemData& list, const std::string& path);

// Writes the list's stored records to the file, replacing it. Does nothing
// for a closed list. Raises EInOutError "Cannot create file <path>" or
// "Stream write error".
void SaveListFile(TdxMemData& list, const std::string& path);

// The two halves of the above, on memory images.
void ParseListImage(TdxMemData& list, std::string_view image);
std::string BuildListImage(const TdxMemData& list);

// Reads a whole regular file into memory; false when it cannot be opened or
// read (nothing else is reported).
bool ReadWholeFile(const std::string& path, std::string& contents);

// What a list file holds, as the file says it, for inspection tools.
struct ListFileDescriptor {
  std::string name;
  int32_t data_size = 0;
  int16_t type_code = 0;
};
struct ListFileInfo {
  bool has_signature = false;
  double version = 0;
  int32_t declared_count = 0;                   // N as written
  std::vector<ListFileDescriptor> descriptors;  // those wholly present
  int64_t complete_records = 0;                 // records read before the end or damage
  bool damaged = false;                         // reading stopped inside a record
};
// Walks a file image the way the reader does, with every descriptor taken as
// its own field (values are counted, not kept).
ListFileInfo InspectListImage(std::string_view image);

}  // namespace kestrove
