#include "lookup/lookup_lists.h"

#include <stdexcept>

#include "core/errors.h"
#include "lookup/list_file.h"

namespace kestrove {

namespace {

const std::array<LookupListKind, kLookupListCount>& ListKinds() {
  static const std::array<LookupListKind, kLookupListCount> kinds = {{
      {"SurnameTable", "surnames", "srndata.bin", {{"Surname", 16}}, 0, false},
      {"ForenamesMTable", "male-forenames", "frmdata.bin", {{"Forename", 16}}, 0, false},
      {"ForenamesFTable", "female-forenames", "frfdata.bin", {{"Forename", 16}}, 0, false},
      {"TownTable",
       "towns",
       "twndata.bin",
       {{"Town", 24}, {"County", 24}, {"PostCode", 2}},
       soCaseInsensitive,
       false},
      {"StreetTable", "streets", "strdata.bin", {{"StreetName", 16}}, 0, true},
      {"CompanyTable", "companies", "cmpdata.bin", {{"Company", 36}}, 0, false},
      {"User1Table", "user1", "usr1data.bin", {{"Data", 24}}, 0, false},
      {"User2Table", "user2", "usr2data.bin", {{"Data", 24}}, 0, false},
      {"User3Table", "user3", "usr3data.bin", {{"Data", 24}}, 0, false},
      {"User4Table", "user4", "usr4data.bin", {{"Data", 24}}, 0, false},
      {"User5Table", "user5", "usr5data.bin", {{"Data", 24}}, 0, false},
      {"User6Table", "user6", "usr6data.bin", {{"Data", 24}}, 0, false},
  }};
  return kinds;
}

// The field each selector reads, by name.
const char* SelectorFieldName(int selector) {
  switch (selector) {
    case kSelSurname:
      return "Surname";
    case kSelForenameM:
    case kSelForenameF:
      return "Forename";
    case kSelTown:
      return "Town";
    case kSelStreet:
      return "StreetName";
    case kSelCompany:
      return "Company";
    case kSelCounty:
      return "County";
    case kSelPostCode:
      return "PostCode";
    default:
      return "Data";
  }
}

}  // namespace

const LookupListKind& LookupListInfo(int id) {
  if (id < 0 || id >= kLookupListCount) throw std::out_of_range("lookup list id");
  return ListKinds()[static_cast<size_t>(id)];
}

int LookupListByCommandName(const std::string& name) {
  for (int id = 0; id < kLookupListCount; ++id)
    if (name == ListKinds()[static_cast<size_t>(id)].command_name) return id;
  return -1;
}

LookupLists::LookupLists() {
  for (int id = 0; id < kLookupListCount; ++id) {
    const LookupListKind& kind = LookupListInfo(id);
    auto list = std::make_unique<TdxMemData>(kind.list_name, kind.fields, !kind.starts_closed);
    list->SetSortOptions(kind.sort_options);
    lists_[static_cast<size_t>(id)] = std::move(list);
  }
  selector_field_.fill(-1);
  for (int selector = 1; selector <= 14; ++selector)
    selector_field_[static_cast<size_t>(selector)] =
        List(ListOfSelector(selector)).FieldIndex(SelectorFieldName(selector));
}

TdxMemData& LookupLists::List(int id) {
  if (id < 0 || id >= kLookupListCount) throw std::out_of_range("lookup list id");
  return *lists_[static_cast<size_t>(id)];
}

const TdxMemData& LookupLists::List(int id) const {
  if (id < 0 || id >= kLookupListCount) throw std::out_of_range("lookup list id");
  return *lists_[static_cast<size_t>(id)];
}

bool LookupLists::Load(int id, const std::string& path) {
  return LoadListFile(List(id), path);
}

int32_t LookupLists::RecordCount(int id) const {
  return List(id).RecordCount();
}

std::string_view LookupLists::PickListValue(int selector, int32_t position) {
  const int id = ListOfSelector(selector);
  if (id < 0) throw EListError("List selector " + std::to_string(selector) + " out of range");
  // The records lie in one block, so a read at any position costs the same.
  return lists_[static_cast<size_t>(id)]->PickText(position,
                                                  selector_field_[static_cast<size_t>(selector)]);
}

ListSlots LookupLists::SlotsOf(int selector) {
  const int id = ListOfSelector(selector);
  if (id < 0) return {};
  return lists_[static_cast<size_t>(id)]->Slots(selector_field_[static_cast<size_t>(selector)]);
}

}  // namespace kestrove
