// The list store: cursor, closed lists, editing, sorting, and the positioned
// read of the twelve lookup lists.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <utility>

#include "core/errors.h"
#include "lookup/list_test_util.h"
#include "lookup/lookup_lists.h"
#include "lookup/mem_data.h"

namespace kestrove {
namespace {

using testing::AddRecord;
using testing::Column;
using testing::ExpectError;
using testing::RecIds;
using testing::SurnameList;
using testing::TownList;

using Names = std::vector<std::string>;

// --- Cursor and closed lists ---

TEST(ListStoreCursorTest, MoveByStopsAtEitherEnd) {
  TdxMemData list = SurnameList();
  for (const char* n : {"Adams", "Baker", "Clark", "Dunn"}) AddRecord(list, {n});
  list.First();
  EXPECT_EQ(list.FieldText("Surname"), "Adams");
  list.MoveBy(2);
  EXPECT_EQ(list.FieldText("Surname"), "Clark");
  list.MoveBy(100);
  EXPECT_EQ(list.FieldText("Surname"), "Dunn");
  EXPECT_TRUE(list.IsLast());
  list.MoveBy(INT32_MIN);
  EXPECT_EQ(list.RecNo(), 0);
  list.MoveBy(INT32_MAX);
  EXPECT_EQ(list.RecNo(), 3);
  list.Prior();
  EXPECT_EQ(list.FieldText("surname"), "Clark");  // field names ignore case
}

TEST(ListStoreCursorTest, EmptyListReadsEmptyText) {
  TdxMemData list = SurnameList();
  list.First();
  EXPECT_EQ(list.RecNo(), -1);
  EXPECT_EQ(list.FieldText("Surname"), "");
  EXPECT_EQ(list.RecordCount(), 0);
  EXPECT_EQ(list.RecId(), 0);
}

TEST(ListStoreCursorTest, UnsetValueReadsEmptyText) {
  TdxMemData list = TownList();
  list.Append();
  list.SetFieldText("Town", "Ely");
  list.Post();
  EXPECT_EQ(list.FieldText("County"), "");
  EXPECT_FALSE(list.FieldIsSet(1));
  EXPECT_TRUE(list.FieldIsSet(0));
}

TEST(ListStoreCursorTest, ClosedListRefusesReadsButCountsZero) {
  TdxMemData list("StreetTable", {{"StreetName", 16}}, false);
  const std::string message = "StreetTable: Cannot perform this operation on a closed dataset";
  EXPECT_FALSE(list.Active());
  EXPECT_EQ(list.RecordCount(), 0);
  ExpectError<EListError>([&] { list.First(); }, message);
  ExpectError<EListError>([&] { list.MoveBy(1); }, message);
  ExpectError<EListError>([&] { (void)list.FieldText("StreetName"); }, message);
  ExpectError<EListError>([&] { list.Append(); }, message);
  list.Open();
  EXPECT_NO_THROW(list.First());
}

TEST(ListStoreCursorTest, CloseDropsRecordsAndReopenNumbersFromOne) {
  TdxMemData list = SurnameList();
  AddRecord(list, {"Adams"});
  AddRecord(list, {"Baker"});
  list.Close();
  EXPECT_EQ(list.RecordCount(), 0);
  list.Open();
  AddRecord(list, {"Clark"});
  EXPECT_EQ(RecIds(list), std::vector<int32_t>{1});
}

// --- Editing ---

TEST(ListStoreEditTest, InsertGoesBeforeCurrentAndGetsNextRecId) {
  TdxMemData list = SurnameList();
  AddRecord(list, {"Adams"});
  AddRecord(list, {"Clark"});
  list.Last();
  list.Insert();
  EXPECT_EQ(list.GetState(), TdxMemData::State::Insert);
  EXPECT_EQ(list.RecNo(), 1);
  EXPECT_EQ(list.RecordCount(), 2);  // not stored until posted
  list.SetFieldText("Surname", "Baker");
  list.Post();
  EXPECT_EQ(Column(list), (Names{"Adams", "Baker", "Clark"}));
  EXPECT_EQ(RecIds(list), (std::vector<int32_t>{1, 3, 2}));
  EXPECT_EQ(list.FieldText("Surname"), "Baker");
}

TEST(ListStoreEditTest, TextIsCutToTheFieldWidthAndAtAZeroByte) {
  TdxMemData list = TownList();
  list.Append();
  list.SetFieldText("Town", "Abcdefghijklmnopqrstuvwxyz0123");
  list.SetFieldText("PostCode", "GL50");
  list.SetFieldText("County", std::string("Glouc\0ester", 11));
  list.Post();
  EXPECT_EQ(list.FieldText("Town"), "Abcdefghijklmnopqrstuvwx");
  EXPECT_EQ(list.FieldText("PostCode"), "GL");
  EXPECT_EQ(list.FieldText("County"), "Glouc");

  TdxMemData names = SurnameList();
  names.Append();
  names.SetFieldText("Surname", "ABCDEFGHIJKLMNOPQRST");  // 20 typed, 16 kept
  names.Post();
  EXPECT_EQ(names.FieldText("Surname"), "ABCDEFGHIJKLMNOP");
}

TEST(ListStoreEditTest, MovingPostsAChangedRecordAndDropsAnUntouchedOne) {
  TdxMemData list = SurnameList();
  AddRecord(list, {"Adams"});
  AddRecord(list, {"Baker"});

  list.First();
  list.Insert();  // left without a change: disappears
  list.Next();
  EXPECT_EQ(list.RecordCount(), 2);
  EXPECT_EQ(list.GetState(), TdxMemData::State::Browse);

  list.Append();
  list.SetFieldText("Surname", "Clark");
  list.First();  // changed: posted by the move
  EXPECT_EQ(Column(list), (Names{"Adams", "Baker", "Clark"}));

  list.Edit();
  list.SetFieldText("Surname", "Abbott");
  list.Next();
  EXPECT_EQ(Column(list), (Names{"Abbott", "Baker", "Clark"}));
  EXPECT_EQ(list.FieldText("Surname"), "Baker");
}

TEST(ListStoreEditTest, CancelRestoresAndDeleteRemoves) {
  TdxMemData list = SurnameList();
  for (const char* n : {"Adams", "Baker", "Clark"}) AddRecord(list, {n});
  list.First();
  list.Next();
  list.Edit();
  list.SetFieldText("Surname", "Changed");
  EXPECT_EQ(list.FieldText("Surname"), "Changed");
  list.Cancel();
  EXPECT_EQ(list.FieldText("Surname"), "Baker");

  list.Append();
  list.Cancel();
  EXPECT_EQ(list.FieldText("Surname"), "Baker");  // back where it was

  list.Delete();
  EXPECT_EQ(Column(list), (Names{"Adams", "Clark"}));
  EXPECT_EQ(list.FieldText("Surname"), "Clark");
  list.Delete();
  EXPECT_EQ(list.FieldText("Surname"), "Adams");
  list.Delete();
  EXPECT_EQ(list.RecordCount(), 0);
  EXPECT_EQ(list.RecNo(), -1);
  ExpectError<EListError>([&] { list.Delete(); },
                          "SurnameTable: Cannot perform this operation on an empty dataset");
}

TEST(ListStoreEditTest, SettingAFieldOutsideAnEditIsRefused) {
  TdxMemData list = SurnameList();
  AddRecord(list, {"Adams"});
  ExpectError<EListError>([&] { list.SetFieldText("Surname", "X"); },
                          "SurnameTable: Dataset not in edit or insert mode");
  ExpectError<EListError>([&] { list.SetFieldText("Nope", "X"); },
                          "SurnameTable: Field 'Nope' not found");
}

TEST(ListStoreEditTest, ChangeNotificationsCanBeSuspended) {
  TdxMemData list = SurnameList();
  int calls = 0;
  list.SetOnChange([&] { ++calls; });
  AddRecord(list, {"Adams"});
  EXPECT_GT(calls, 0);
  calls = 0;
  list.DisableControls();
  AddRecord(list, {"Baker"});
  list.First();
  EXPECT_EQ(calls, 0);
  list.EnableControls();
  EXPECT_EQ(calls, 1);

  // Suspended by a guard, they come back however its scope is left.
  for (const bool throws : {false, true}) {
    calls = 0;
    try {
      const ControlsDisabled quiet(list);
      AddRecord(list, {"Cole"});
      if (throws) throw EListError("load failed");
    } catch (const EListError&) {
    }
    EXPECT_EQ(calls, 1) << throws;
    AddRecord(list, {"Dale"});
    EXPECT_GT(calls, 1) << throws;
  }
}

// --- Sorting ---

TEST(ListStoreSortTest, CaseSensitiveOrderPutsCapitalsFirst) {
  TdxMemData list = SurnameList();
  for (const char* n : {"apple", "Zebra", "banana", "Apple"}) AddRecord(list, {n});
  list.SetSortedField("Surname");
  EXPECT_EQ(Column(list), (Names{"Apple", "Zebra", "apple", "banana"}));
  EXPECT_EQ(RecIds(list), (std::vector<int32_t>{4, 2, 1, 3}));
}

TEST(ListStoreSortTest, CaseInsensitiveOrderUsesThePositionTieBreak) {
  // Equal keys end in the order the partitioning leaves them in, not in
  // their original order.
  struct Case {
    Names input;
    Names sorted;
    std::vector<int32_t> ids;
  };
  const std::vector<Case> cases = {
      {{"York", "york", "Ayr", "YORK", "ayr", "Bath", "AYR", "bath"},
       {"AYR", "ayr", "Ayr", "bath", "Bath", "york", "York", "YORK"},
       {7, 5, 3, 8, 6, 2, 1, 4}},
      {{"apple", "Zebra", "banana", "Apple"}, {"apple", "Apple", "banana", "Zebra"}, {1, 4, 3, 2}},
      {{"b", "B", "a", "A", "b", "B"}, {"a", "A", "b", "B", "b", "B"}, {3, 4, 1, 2, 5, 6}},
  };
  for (const Case& c : cases) {
    TdxMemData list = TownList();
    for (const std::string& t : c.input) AddRecord(list, {t, "County of " + t});
    list.SetSortedField("Town");
    EXPECT_EQ(Column(list), c.sorted);
    EXPECT_EQ(RecIds(list), c.ids);
    // Every field travels with its record.
    for (int32_t r = 0; r < list.RecordCount(); ++r)
      EXPECT_EQ(list.StoredText(r, 1), "County of " + std::string(list.StoredText(r, 0)));
  }
}

TEST(ListStoreSortTest, OnlyAsciiLettersAreFolded) {
  TdxMemData list = TownList();
  // 0xE9 (e acute in Latin-1) is not folded and sorts after every ASCII letter.
  for (const char* t : {"\xE9tain", "zulu", "_x", "Alpha"}) AddRecord(list, {t});
  list.SetSortedField("Town");
  EXPECT_EQ(Column(list), (Names{"Alpha", "zulu", "_x", "\xE9tain"}));
}

TEST(ListStoreSortTest, RandomListsComeOutOrderedWithTheirRecIds) {
  std::mt19937 rng(7);
  const std::string letters = "aAbBcCzZ09 -";
  for (int round = 0; round < 40; ++round) {
    for (TdxSortOptions options :
         {TdxSortOptions{0}, TdxSortOptions{soCaseInsensitive}, TdxSortOptions{soDesc}}) {
      TdxMemData list = SurnameList();
      list.SetSortOptions(options);
      const int n = static_cast<int>(rng() % 200);
      Names original;
      for (int i = 0; i < n; ++i) {
        std::string s(rng() % 6, ' ');
        for (char& ch : s) ch = letters[rng() % letters.size()];
        original.push_back(s);
        AddRecord(list, {s});
      }
      list.SetSortedField("Surname");
      auto key = [&](std::string s) {
        if (options & soCaseInsensitive)
          for (char& ch : s) ch = (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 32) : ch;
        return s;
      };
      const Names sorted = Column(list);
      for (size_t i = 1; i < sorted.size(); ++i) {
        if (options & soDesc)
          EXPECT_GE(key(sorted[i - 1]), key(sorted[i]));
        else
          EXPECT_LE(key(sorted[i - 1]), key(sorted[i]));
      }
      const std::vector<int32_t> ids = RecIds(list);
      for (size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(sorted[i], original[ids[i] - 1]);
    }
  }
}

// The partitioning written out plainly, straight recursion into lo..j and
// then i..hi, to hold the store's sort to: equal keys must end exactly where
// this leaves them, with every RecId travelling with its record.
struct RefRecord {
  std::string key;
  int32_t rec_id;
};

int RefCompare(const std::string& a, const std::string& b, TdxSortOptions options) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (options & soCaseInsensitive) {
      if (ca >= 'a' && ca <= 'z') ca = static_cast<unsigned char>(ca - 'a' + 'A');
      if (cb >= 'a' && cb <= 'z') cb = static_cast<unsigned char>(cb - 'a' + 'A');
    }
    if (ca != cb) return (options & soDesc) ? (ca < cb ? 1 : -1) : (ca < cb ? -1 : 1);
  }
  if (a.size() == b.size()) return 0;
  const int r = a.size() < b.size() ? -1 : 1;
  return (options & soDesc) ? -r : r;
}

void RefQuickSort(std::vector<RefRecord>& r, int lo, int hi, TdxSortOptions options) {
  const int p = (lo + hi) / 2;
  const std::string pivot = r[p].key;
  // Record at position x against the pivot: by key, then position against p.
  auto below = [&](int x) {
    const int c = RefCompare(r[x].key, pivot, options);
    return c < 0 || (c == 0 && x < p);
  };
  auto above = [&](int x) {
    const int c = RefCompare(r[x].key, pivot, options);
    return c > 0 || (c == 0 && x > p);
  };
  int i = lo;
  int j = hi;
  do {
    while (below(i)) ++i;
    while (above(j)) --j;
    if (i <= j) {
      std::swap(r[i], r[j]);
      ++i;
      --j;
    }
  } while (i <= j);
  if (lo < j) RefQuickSort(r, lo, j, options);
  if (i < hi) RefQuickSort(r, i, hi, options);
}

TEST(ListStoreSortTest, EqualKeysEndWhereThePlainPartitioningPutsThem) {
  std::mt19937 rng(20240611);
  // Few distinct keys, so most comparisons meet equal keys.
  const std::string letters = "aAbB";
  for (int round = 0; round < 60; ++round) {
    for (TdxSortOptions options : {TdxSortOptions{0}, TdxSortOptions{soCaseInsensitive},
                                   TdxSortOptions{soCaseInsensitive | soDesc}}) {
      TdxMemData list = SurnameList();
      list.SetSortOptions(options);
      std::vector<RefRecord> ref;
      const int n = static_cast<int>(rng() % 300);
      for (int i = 0; i < n; ++i) {
        std::string s(rng() % 3, ' ');
        for (char& ch : s) ch = letters[rng() % letters.size()];
        AddRecord(list, {s});
        ref.push_back({s, i + 1});
      }
      list.SetSortedField("Surname");
      if (n > 1) RefQuickSort(ref, 0, n - 1, options);
      Names keys;
      std::vector<int32_t> ids;
      for (const RefRecord& rec : ref) {
        keys.push_back(rec.key);
        ids.push_back(rec.rec_id);
      }
      ASSERT_EQ(Column(list), keys) << "round " << round << " options " << int(options);
      ASSERT_EQ(RecIds(list), ids) << "round " << round << " options " << int(options);
    }
  }
}

TEST(ListStoreSortTest, SortedListPlacesPostedRecordsByBisection) {
  TdxMemData list = TownList();
  for (const char* t : {"Derby", "bath", "Ayr", "Leeds"}) AddRecord(list, {t});
  list.SetSortedField("Town");
  EXPECT_EQ(Column(list), (Names{"Ayr", "bath", "Derby", "Leeds"}));

  list.First();
  list.Insert();  // inserted at the top, placed by its key when posted
  list.SetFieldText("Town", "Chester");
  list.Post();
  EXPECT_EQ(Column(list), (Names{"Ayr", "bath", "Chester", "Derby", "Leeds"}));
  EXPECT_EQ(list.FieldText("Town"), "Chester");  // the cursor follows it

  AddRecord(list, {"BATH"});  // lands next to its equal, after it
  EXPECT_EQ(Column(list), (Names{"Ayr", "bath", "BATH", "Chester", "Derby", "Leeds"}));

  list.First();
  list.Edit();
  list.SetFieldText("Town", "York");  // changed key: moved
  list.Post();
  EXPECT_EQ(Column(list), (Names{"bath", "BATH", "Chester", "Derby", "Leeds", "York"}));
  EXPECT_EQ(list.RecNo(), 5);

  list.First();
  list.Edit();
  list.SetFieldText("County", "Somerset");  // same key: stays
  list.Post();
  EXPECT_EQ(Column(list).front(), "bath");
  EXPECT_EQ(list.StoredText(0, 1), "Somerset");
}

TEST(ListStoreSortTest, ClearingTheSortFieldKeepsTheOrderAndStopsPlacing) {
  TdxMemData list = SurnameList();
  for (const char* n : {"Clark", "Adams", "Baker"}) AddRecord(list, {n});
  list.SetSortedField("Surname");
  list.SetSortedField("");
  EXPECT_EQ(Column(list), (Names{"Adams", "Baker", "Clark"}));
  AddRecord(list, {"Aaron"});
  EXPECT_EQ(Column(list), (Names{"Adams", "Baker", "Clark", "Aaron"}));
}

TEST(ListStoreSortTest, SameFieldAgainDoesNotResortButOptionsDo) {
  TdxMemData list = SurnameList();
  list.SetSortedField("Surname");
  list.SetSortedField("");
  for (const char* n : {"b", "A", "a"}) AddRecord(list, {n});
  list.SetSortedField("Surname");
  EXPECT_EQ(Column(list), (Names{"A", "a", "b"}));
  list.SetSortOptions(soDesc);
  EXPECT_EQ(Column(list), (Names{"b", "a", "A"}));
}

TEST(ListStoreSortTest, CursorKeepsItsPositionNumber) {
  TdxMemData list = SurnameList();
  for (const char* n : {"Clark", "Adams", "Baker"}) AddRecord(list, {n});
  list.First();
  list.Next();
  list.SetSortedField("Surname");
  EXPECT_EQ(list.RecNo(), 1);
  EXPECT_EQ(list.FieldText("Surname"), "Baker");
}

TEST(ListStoreSortTest, ClosedListOrUnknownFieldOnlyRecordsTheName) {
  TdxMemData closed("StreetTable", {{"StreetName", 16}}, false);
  EXPECT_NO_THROW(closed.SetSortedField("StreetName"));
  EXPECT_EQ(closed.SortedField(), "StreetName");

  TdxMemData list = SurnameList();
  for (const char* n : {"b", "a"}) AddRecord(list, {n});
  list.SetSortedField("NoSuchField");
  EXPECT_EQ(Column(list), (Names{"b", "a"}));
  AddRecord(list, {"0"});
  EXPECT_EQ(Column(list), (Names{"b", "a", "0"}));
}

// --- The twelve lists and PickListValue ---

TEST(ListStorePickTest, TwelveListsWithTheirNamesFieldsAndStates) {
  LookupLists lists;
  const std::vector<std::pair<std::string, Names>> expected = {
      {"SurnameTable", {"Surname"}},     {"ForenamesMTable", {"Forename"}},
      {"ForenamesFTable", {"Forename"}}, {"TownTable", {"Town", "County", "PostCode"}},
      {"StreetTable", {"StreetName"}},   {"CompanyTable", {"Company"}},
      {"User1Table", {"Data"}},          {"User2Table", {"Data"}},
      {"User3Table", {"Data"}},          {"User4Table", {"Data"}},
      {"User5Table", {"Data"}},          {"User6Table", {"Data"}},
  };
  for (int id = 0; id < kLookupListCount; ++id) {
    const TdxMemData& list = lists.List(id);
    EXPECT_EQ(list.Name(), expected[id].first);
    Names fields;
    for (int f = 0; f < list.FieldCount(); ++f) fields.push_back(list.Field(f).name);
    EXPECT_EQ(fields, expected[id].second);
    EXPECT_EQ(list.Active(), id != kStreetList);
    EXPECT_EQ(list.SortOptions(), id == kTownList ? soCaseInsensitive : 0);
    EXPECT_EQ(lists.RecordCount(id), 0);
  }
  EXPECT_EQ(lists.List(kTownList).Field(2).width, 2);
  EXPECT_EQ(lists.List(kCompanyList).Field(0).width, 36);
}

TEST(ListStorePickTest, SelectorsReadTheirFieldAtAndPastTheEnd) {
  LookupLists lists;
  TdxMemData& towns = lists.List(kTownList);
  AddRecord(towns, {"Gloucester", "Gloucestershire", "GL"});
  AddRecord(towns, {"Bath", "Somerset", "BA"});
  AddRecord(towns, {"Truro", "Cornwall", "TR"});
  EXPECT_EQ(lists.PickListValue(kSelTown, 0), "Gloucester");
  EXPECT_EQ(lists.PickListValue(kSelCounty, 1), "Somerset");
  EXPECT_EQ(lists.PickListValue(kSelPostCode, 2), "TR");
  EXPECT_EQ(lists.PickListValue(kSelTown, 3), "Truro");  // at the count
  EXPECT_EQ(lists.PickListValue(kSelCounty, 1000000), "Cornwall");

  for (int selector = 1; selector <= 12; ++selector) {
    if (selector == kSelTown || selector == kSelStreet) continue;
    TdxMemData& list = lists.List(ListOfSelector(selector));
    EXPECT_EQ(lists.PickListValue(selector, 0), "") << selector;  // empty list
    AddRecord(list, {"first " + std::to_string(selector)});
    AddRecord(list, {"second " + std::to_string(selector)});
    EXPECT_EQ(lists.PickListValue(selector, 1), "second " + std::to_string(selector));
    EXPECT_EQ(lists.PickListValue(selector, 5), "second " + std::to_string(selector));
  }
}

// A view of a field's slots reads what PickListValue reads, and goes stale
// with every change that can move the slots or change their number.
TEST(ListStorePickTest, SlotViewsReadAsPicksAndGoStaleWhenTheLayoutChanges) {
  LookupLists lists;
  TdxMemData& towns = lists.List(kTownList);
  AddRecord(towns, {"Gloucester", "Gloucestershire", "GL"});
  AddRecord(towns, {"Bath", "", "BA"});
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"append", [&] { AddRecord(towns, {"Truro", "Cornwall", "TR"}); }},
      {"insert", [&] { towns.First(); towns.Insert(); towns.SetFieldText(0, "Ely"); towns.Post(); }},
      {"delete", [&] { towns.Last(); towns.Delete(); }},
      {"reserve", [&] { towns.Reserve(1000); }},
      {"close", [&] { towns.Close(); }},
      {"open", [&] { towns.Open(); AddRecord(towns, {"Wells", "Somerset", "BA"}); }},
  };
  for (const auto& [name, change] : changes) {
    for (int selector : {kSelTown, kSelCounty, kSelPostCode}) {
      const ListSlots view = lists.SlotsOf(selector);
      ASSERT_EQ(view.Current(), towns.Active()) << name;
      if (!view.Current()) continue;
      for (int32_t p : {-1, 0, 1, 99})
        EXPECT_EQ(view.At(p), lists.PickListValue(selector, p)) << name << " " << selector;
    }
    const ListSlots before = lists.SlotsOf(kSelTown);
    change();
    EXPECT_FALSE(before.Current()) << name;
    EXPECT_EQ(lists.SlotsOf(kSelTown).Current(), towns.Active()) << name;
  }
  EXPECT_FALSE(lists.SlotsOf(kSelStreet).Current());  // closed
}

TEST(ListStorePickTest, ClosedStreetListRaisesUntilLoaded) {
  LookupLists lists;
  ExpectError<EListError>([&] { lists.PickListValue(kSelStreet, 0); },
                          "StreetTable: Cannot perform this operation on a closed dataset");
  EXPECT_EQ(lists.RecordCount(kStreetList), 0);
  lists.Load(kStreetList, "/nonexistent/strdata.bin");  // unreadable: stays closed
  EXPECT_FALSE(lists.List(kStreetList).Active());
}

}  // namespace
}  // namespace kestrove
