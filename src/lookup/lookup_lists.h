// The twelve lookup lists the generators read, with their fields, widths and
// sort options, and the positioned read behind the list selectors.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/lookup_ids.h"
#include "lookup/mem_data.h"

namespace kestrove {

// Name, fields and options of one of the twelve lists, by LookupListId.
struct LookupListKind {
  const char* list_name;     // e.g. "SurnameTable"
  const char* command_name;  // e.g. "surnames", as the command-line tool names it
  const char* file_name;     // e.g. "srndata.bin"
  std::vector<TdxFieldDef> fields;
  TdxSortOptions sort_options;
  bool starts_closed;
};
const LookupListKind& LookupListInfo(int id);
// Id of the list the command-line name stands for, or -1.
int LookupListByCommandName(const std::string& name);

class LookupLists : public ListSource {
 public:
  LookupLists();

  TdxMemData& List(int id);
  const TdxMemData& List(int id) const;
  // LoadListFile: never raises; the list stays as it was when the file
  // cannot be read, and the result is then false.
  bool Load(int id, const std::string& path);
  int32_t RecordCount(int id) const;

  // Goes to the first record, moves `position` on and reads the selector's
  // field: past the end reads the last record, an empty list empty text, a
  // closed list raises EListError.
  std::string_view PickListValue(int selector, int32_t position) override;
  ListSlots SlotsOf(int selector) override;

 private:
  std::array<std::unique_ptr<TdxMemData>, kLookupListCount> lists_;
  // Field index each selector reads, worked out once.
  std::array<int, 15> selector_field_{};
};

}  // namespace kestrove
