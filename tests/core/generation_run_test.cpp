#include "core/generation_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "core/errors.h"
#include "core/lookup_ids.h"
#include "fake_run.h"

namespace kestrove {
namespace {

using testing_support::FakeHost;
using testing_support::FakeServices;

class GenerationRunTest : public testing::Test {
 protected:
  GenerationRunTest() : state(ProfileState::Create()), run(*state, services, host) {
    state->ClearProfile();
    run.ProgramDir = "/opt/kestrove/";
  }

  // Gives field `index` of table `slot` a generated choice.
  TFieldStruct& SetField(int slot, int index, const std::string& name, int32_t base,
                         int32_t param3 = 0) {
    TFieldStruct& f = state->Tables[slot].Fields[index];
    f.FieldName = name;
    f.ChoiceIndex = 1;
    f.ChoiceBase = base;
    f.Param3Index = param3;
    return f;
  }

  std::unique_ptr<ProfileState> state;
  FakeServices services;
  FakeHost host;
  GenerationRun run;
};

TEST_F(GenerationRunTest, CustomerExample) {
  state->Tables[0].TableName = "Customer";
  state->Tables[0].RecordCount = 1;
  SetField(0, 0, "Id", 206);
  SetField(0, 1, "Name", 64);
  services.value = [](int32_t code, auto&, auto&) { return code == 206 ? "17" : "Smith"; };
  run.GenerateBtnClick();
  ASSERT_EQ(services.executed.size(), 1u);
  EXPECT_EQ(services.executed[0], "Insert into Customer (Id,Name) Values (17,'Smith');");
  EXPECT_EQ(host.sql, "Insert into Customer (Id,Name) Values (17,'Smith');    Completed");
}

TEST_F(GenerationRunTest, QuotedFieldNamesLeaveTableNameBare) {
  state->Tables[0].TableName = "People";
  state->Tables[0].RecordCount = 1;
  SetField(0, 0, "First Name", 56);
  SetField(0, 3, "Age", 202);
  run.ShowQuotes = true;
  services.value = [](int32_t code, auto&, auto&) { return code == 56 ? "Anne" : "42"; };
  run.GenerateBtnClick();
  ASSERT_EQ(services.executed.size(), 1u);
  EXPECT_EQ(services.executed[0],
            "Insert into People (\"First Name\",\"Age\") Values ('Anne',42);");
}

TEST_F(GenerationRunTest, ValueQuotingAndEmptyValues) {
  struct Case {
    const char* name;
    std::vector<std::pair<int32_t, std::string>> fields;  // code, value
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"empty text is quoted", {{64, ""}}, {"Insert into T (f0) Values ('');"}},
      {"apostrophe doubled", {{64, "O'Brien"}}, {"Insert into T (f0) Values ('O''Brien');"}},
      {"two apostrophes", {{64, "'a''"}}, {"Insert into T (f0) Values ('''a''''');"}},
      {"only an empty unquoted value sends nothing", {{201, ""}}, {}},
      {"empty unquoted value between others",
       {{201, "1"}, {300, ""}, {64, "x"}},
       {"Insert into T (f0,f1,f2) Values (1,,'x');"}},
      {"typed families unquoted",
       {{401, "True"}, {501, ".50"}, {601, "'2001/05/03'"}},
       {"Insert into T (f0,f1,f2) Values (True,.50,'2001/05/03');"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state->ClearProfile();
    services.executed.clear();
    state->Tables[0].TableName = "T";
    state->Tables[0].RecordCount = 1;
    std::map<int32_t, std::string> values;
    for (size_t i = 0; i < c.fields.size(); ++i) {
      SetField(0, static_cast<int>(i), "f" + std::to_string(i), c.fields[i].first);
      values[c.fields[i].first] = c.fields[i].second;
    }
    services.value = [&](int32_t code, auto&, auto&) { return values[code]; };
    run.GenerateBtnClick();
    EXPECT_EQ(services.executed, c.expected);
  }
}

// The search for quotes goes sixteen bytes at a time and then through the
// bytes left over: a quote is found wherever it falls.
TEST_F(GenerationRunTest, ApostropheIsDoubledAtEveryPositionOfTextsOfEveryLength) {
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 1;
  SetField(0, 0, "f0", 64);
  std::string value;
  services.value = [&](int32_t, auto&, auto&) { return value; };
  for (size_t length = 1; length <= 40; ++length) {
    for (size_t at = 0; at < length; ++at) {
      value.assign(length, 'a');
      value[at] = '\'';
      std::string doubled = value;
      doubled.insert(at, 1, '\'');
      services.executed.clear();
      run.GenerateBtnClick();
      ASSERT_EQ(services.executed,
                std::vector<std::string>{"Insert into T (f0) Values ('" + doubled + "');"})
          << length << " " << at;
    }
  }
}

TEST_F(GenerationRunTest, AllFieldsDoNotUpdateStillDeletesAndCounts) {
  state->Tables[0].TableName = "Orders";
  state->Tables[0].RecordCount = 3;
  state->Tables[0].DeleteExisting = 1;
  state->Tables[0].Fields[0].FieldName = "Id";  // set back to "Do not update": base and code 0
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed, std::vector<std::string>{"Delete from Orders"});
  EXPECT_EQ(host.recno_history, (std::vector<std::string>{"Loading Lookups", "Generating Template",
                                                          "Rec No: 1", "Rec No: 2", "Rec No: 3"}));
}

TEST_F(GenerationRunTest, DeleteWithRecordCountZeroOrNegative) {
  for (int64_t count : {int64_t{0}, int64_t{-5}, int64_t{1} << 32}) {
    SCOPED_TRACE(count);
    services.executed.clear();
    state->Tables[0].TableName = "Orders";
    state->Tables[0].RecordCount = count;  // 2^32 has low 32 bits 0
    state->Tables[0].DeleteExisting = 1;
    SetField(0, 0, "Id", 206);
    run.GenerateBtnClick();
    EXPECT_EQ(services.executed, std::vector<std::string>{"Delete from Orders"});
  }
}

TEST_F(GenerationRunTest, RecordCountUsesLowThirtyTwoBits) {
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = (int64_t{1} << 32) + 3;
  SetField(0, 0, "a", 206);
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed.size(), 3u);
}

TEST_F(GenerationRunTest, DeleteFlagOnlyWhenExactlyOne) {
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 0;
  state->Tables[0].DeleteExisting = 2;
  run.GenerateBtnClick();
  EXPECT_TRUE(services.executed.empty());
}

TEST_F(GenerationRunTest, LoadsTwelveListsInOrderAndTakesCounts) {
  run.GenerateBtnClick();
  const std::vector<std::string> expected = {
      "0:/opt/kestrove/srndata.bin",   "1:/opt/kestrove/frmdata.bin",
      "2:/opt/kestrove/frfdata.bin",   "3:/opt/kestrove/twndata.bin",
      "4:/opt/kestrove/strdata.bin",   "5:/opt/kestrove/cmpdata.bin",
      "6:/opt/kestrove/usr1data.bin",  "7:/opt/kestrove/usr2data.bin",
      "8:/opt/kestrove/usr3data.bin",  "9:/opt/kestrove/usr4data.bin",
      "10:/opt/kestrove/usr5data.bin", "11:/opt/kestrove/usr6data.bin"};
  EXPECT_EQ(services.loads, expected);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(state->LookupCounts[i], 7 + i);
}

TEST_F(GenerationRunTest, NoNamedTableExecutesNothing) {
  run.GenerateBtnClick();
  EXPECT_TRUE(services.executed.empty());
  EXPECT_EQ(host.sql, "    Completed");
  EXPECT_TRUE(run.RunStopped);
  EXPECT_EQ(host.gradient, "Generate");
  EXPECT_EQ(host.plain, "   Generate");
  EXPECT_FALSE(host.monitor_shown);
}

TEST_F(GenerationRunTest, VisitsOneSlotPastTheListedTables) {
  host.listed = 2;
  for (int slot : {0, 2, 3}) {
    state->Tables[slot].TableName = "T" + std::to_string(slot);
    state->Tables[slot].RecordCount = 0;
    state->Tables[slot].DeleteExisting = 1;
  }
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed, (std::vector<std::string>{"Delete from T0", "Delete from T2"}));
}

TEST_F(GenerationRunTest, NeverVisitsPastTheLastSlot) {
  host.listed = 250;
  state->Tables[99].TableName = "Last";
  state->Tables[99].RecordCount = 0;
  state->Tables[99].DeleteExisting = 1;
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed, std::vector<std::string>{"Delete from Last"});
}

// An order of slots, and the Deletes run first in its reverse: T2 refers to
// T0, which refers to T1; slot 3 lies past the listed tables.
TEST_F(GenerationRunTest, SlotOrderAndDeletesFirst) {
  host.listed = 2;
  for (int slot : {0, 1, 2, 3}) {
    state->Tables[slot].TableName = "T" + std::to_string(slot);
    state->Tables[slot].RecordCount = 1;
    state->Tables[slot].DeleteExisting = slot == 0 ? 0 : 1;
    SetField(slot, 0, "a", 206);
  }
  services.value = [](int32_t, auto&, auto&) { return "1"; };
  const auto insert = [](int slot) {
    return "Insert into T" + std::to_string(slot) + " (a) Values (1);";
  };
  run.SlotOrder = {1, 0, 3, 2};
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed, (std::vector<std::string>{"Delete from T1", insert(1), insert(0),
                                                         "Delete from T2", insert(2)}));
  services.executed.clear();
  run.DeletesFirst = true;
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed, (std::vector<std::string>{"Delete from T2", "Delete from T1",
                                                         insert(1), insert(0), insert(2)}));
  EXPECT_EQ(run.StatementsExecuted(), 5u);
  // A stop pressed before a Delete of the first pass (message call 1 comes
  // after loading, 2 before the first Delete) ends the run there.
  services.executed.clear();
  host.message_calls = 0;
  host.on_messages = [&](int call) {
    if (call == 3) run.GenerateBtnClick();
  };
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed, std::vector<std::string>{"Delete from T2"});
}

TEST_F(GenerationRunTest, ChoiceCodesWorkedOutPerTable) {
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 1;
  SetField(0, 0, "a", 3, 2);                        // Number, third Param3 item: code 5
  TFieldStruct& kept = state->Tables[0].Fields[1];  // base 0 keeps whatever code it holds
  kept.FieldName = "b";
  kept.ChoiceCode = 206;
  run.GenerateBtnClick();
  EXPECT_EQ(services.codes_asked, (std::vector<int32_t>{5, 206}));
  EXPECT_EQ(state->Tables[0].Fields[0].ChoiceCode, 5);
}

TEST_F(GenerationRunTest, ScratchStateResetPerTableAndRecord) {
  host.listed = 1;
  for (int slot : {0, 1}) {
    state->Tables[slot].TableName = "T" + std::to_string(slot);
    state->Tables[slot].RecordCount = 2;
    SetField(slot, 0, "a", 64);
  }
  state->TableCounter = 50;
  state->ChoiceItems[16] = "kept";
  std::vector<std::string> seen;
  services.value = [&](int32_t, auto&, auto&) {
    seen.push_back(std::to_string(state->TableCounter) + "/" + state->RecordSync[SyncSurname] +
                   "/" + std::to_string(state->RecordGender) + "/" + state->ChoiceItems[0]);
    state->TableCounter++;
    state->RecordSync[SyncSurname] = "dirty";
    state->RecordGender = 2;
    state->ChoiceItems[0] = "x";
    return "v";
  };
  run.GenerateBtnClick();
  // TableCounter restarts at 1 per table but carries over between records.
  EXPECT_EQ(seen, (std::vector<std::string>{"1//0/", "2//0/x", "1//0/", "2//0/x"}));
  EXPECT_EQ(state->ChoiceItems[16], "kept");
}

TEST_F(GenerationRunTest, StopAfterTheRecordUnderWay) {
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 100;
  state->Tables[1].TableName = "U";
  SetField(0, 0, "a", 206);
  SetField(1, 0, "a", 206);
  host.listed = 2;
  // Message calls: 1 after loading, 2 at the table start, then one per record.
  host.on_messages = [&](int call) {
    if (call == 2 + 3) {  // while record 3 starts
      run.GenerateBtnClick();
      EXPECT_TRUE(run.RunStopped);
      EXPECT_EQ(host.gradient, "Generate");
    }
  };
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed.size(), 3u);  // records 1, 2 and the one under way
  EXPECT_EQ(host.sql, services.executed.back() + "    Completed");
  EXPECT_TRUE(run.RunStopped);
}

// A stop pressed while the lists load (message call 1) or while the table
// starts (call 2) still lets the table's Delete and first record run.
TEST_F(GenerationRunTest, StopBeforeTheFirstRecordStillRunsDeleteAndFirstRecord) {
  for (int press_at : {1, 2}) {
    SCOPED_TRACE(press_at == 1 ? "Loading Lookups" : "Generating Template");
    services.executed.clear();
    host.message_calls = 0;
    state->Tables[0].TableName = "T";
    state->Tables[0].RecordCount = 10;
    state->Tables[0].DeleteExisting = 1;
    SetField(0, 0, "a", 206);
    services.value = [](auto, auto&, auto&) { return "1"; };
    host.on_messages = [&](int call) {
      if (call == press_at) run.GenerateBtnClick();
    };
    run.GenerateBtnClick();
    EXPECT_EQ(services.executed,
              (std::vector<std::string>{"Delete from T", "Insert into T (a) Values (1);"}));
    EXPECT_TRUE(run.RunStopped);
  }
}

TEST_F(GenerationRunTest, TableSettingsEditedWhileTheTableStartsAreUsed) {
  // The window may commit edits while the table start lets messages run;
  // the record count, delete flag and name are read after that point.
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 5;
  SetField(0, 0, "a", 206);
  services.value = [](auto, auto&, auto&) { return "1"; };
  host.on_messages = [&](int call) {
    if (call == 2) {  // "Generating Template"
      state->Tables[0].RecordCount = 2;
      state->Tables[0].DeleteExisting = 1;
      state->Tables[0].TableName = "U";
    }
  };
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed,
            (std::vector<std::string>{"Delete from U", "Insert into U (a) Values (1);",
                                      "Insert into U (a) Values (1);"}));
  EXPECT_EQ(host.recno_history, (std::vector<std::string>{"Loading Lookups", "Generating Template",
                                                          "Rec No: 1", "Rec No: 2"}));
}

TEST_F(GenerationRunTest, PressWhileStoppingResumesInsteadOfNesting) {
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 5;
  SetField(0, 0, "a", 206);
  host.on_messages = [&](int call) {
    if (call == 3) {
      run.GenerateBtnClick();  // stop
      run.GenerateBtnClick();  // and start again before the pass noticed
      EXPECT_FALSE(run.RunStopped);
      EXPECT_EQ(host.gradient, "Stop");
      EXPECT_EQ(host.plain, "   Stop");
    }
  };
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed.size(), 5u);
  EXPECT_EQ(services.loads.size(), 12u);  // no second run started inside the first
  EXPECT_TRUE(run.RunStopped);
}

TEST_F(GenerationRunTest, CaptionsWhileRunning) {
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 1;
  SetField(0, 0, "a", 206);
  services.on_execute = [&](const std::string&) {
    EXPECT_EQ(host.gradient, "Stop");
    EXPECT_EQ(host.plain, "   Stop");
    EXPECT_FALSE(run.RunStopped);
    EXPECT_TRUE(host.monitor_shown);
    EXPECT_EQ(host.table_text, "Table: T");
  };
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed.size(), 1u);
}

TEST_F(GenerationRunTest, GeneratorErrorEndsRunBackInIdle) {
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 5;
  SetField(0, 0, "a", 201);
  int calls = 0;
  services.value = [&](auto, auto&, auto&) -> std::string {
    if (++calls == 3) throw InvalidInteger("");
    return "1";
  };
  try {
    run.GenerateBtnClick();
    FAIL() << "the error should reach the caller";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    EXPECT_EQ(DisplayMessage(e.what()), "'' is not a valid integer value.");
  }
  EXPECT_EQ(services.executed.size(), 2u);
  EXPECT_TRUE(run.RunStopped);
  EXPECT_FALSE(host.monitor_shown);
  EXPECT_EQ(host.gradient, "Generate");
  EXPECT_EQ(host.plain, "   Generate");
  EXPECT_EQ(host.sql, "Insert into T (a) Values (1);");  // no "Completed" after an error
  // The next press starts a fresh run.
  services.value = [](auto, auto&, auto&) { return "9"; };
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed.size(), 7u);
}

TEST_F(GenerationRunTest, ExecuteErrorKeepsFailingStatementShown) {
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 2;
  SetField(0, 0, "a", 64);
  services.on_execute = [](const std::string&) { throw EDatabaseError("rejected"); };
  EXPECT_THROW(run.GenerateBtnClick(), EDatabaseError);
  EXPECT_EQ(host.sql, "Insert into T (a) Values ('v64');");
  EXPECT_TRUE(run.RunStopped);
}

TEST_F(GenerationRunTest, CodeOutsideEveryFamilyAddsNoValue) {
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 1;
  SetField(0, 0, "a", 900);
  SetField(0, 1, "b", 64);
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed, std::vector<std::string>{"Insert into T (a,b) Values ('v64');"});
}

// A named run: the named-only codes add their literal as it comes, every
// name goes through the quoting, and the whole-number columns are reported
// once the table's records are sent.
TEST_F(GenerationRunTest, NamedRunAddsNamedOnlyValuesAndQuotesNames) {
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 2;
  state->Tables[0].DeleteExisting = 1;
  state->Tables[1].TableName = "Empty";
  state->Tables[1].RecordCount = 0;
  SetField(1, 0, "n", 206);
  SetField(0, 0, "a", 930);
  SetField(0, 1, "b", 64);
  SetField(0, 2, "c", 206);
  SetField(0, 3, "d", kBigintCounter);
  host.listed = 1;
  services.value = [](int32_t code, auto&, auto&) { return code == 930 ? "X'0a'" : "1"; };
  run.NamedChoices = true;
  run.QuoteName = [](const std::string& n) { return "[" + n + "]"; };
  run.GenerateBtnClick();
  const std::string insert = "Insert into [T] ([a],[b],[c],[d]) Values (X'0a','1',1,1);";
  EXPECT_EQ(services.executed, (std::vector<std::string>{"Delete from [T]", insert, insert}));
  EXPECT_EQ(services.filled, std::vector<std::string>{"T: c d"});
}

TEST(StatementHeadTest, EmptyWhenNothingGenerated) {
  auto state = ProfileState::Create();
  state->Tables[0].TableName = "T";
  EXPECT_EQ(GenerationRun::StatementHead(state->Tables[0], false), "");
  state->Tables[0].Fields[255].FieldName = "z";
  state->Tables[0].Fields[255].ChoiceCode = 64;
  EXPECT_EQ(GenerationRun::StatementHead(state->Tables[0], false), "Insert into T (z) Values (");
}

}  // namespace
}  // namespace kestrove

namespace kestrove {
namespace {

// The fields in use are worked out once per table, and again after a change
// to the profile made while pending messages run: a choice set back to "Do
// not update" leaves its field out from the next record, and a profile
// loaded meanwhile is used from then on.
TEST_F(GenerationRunTest, ChangesDuringTheRunAreSeenAtTheNextRecord) {
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 3;
  SetField(0, 0, "a", 64);
  SetField(0, 1, "b", 90);
  host.on_messages = [this](int call) {
    // Calls: lists, table start, then one per record.
    if (call == 4) {  // record 2
      TFieldStruct& b = state->Tables[0].Fields[1];
      b.ChoiceBase = b.ChoiceCode = 0;
      state->Changed();
    }
    if (call == 5) {  // record 3: field c switched on as a profile load would
      TFieldStruct& c = state->Tables[0].Fields[2];
      c.ChoiceCode = 206;
      state->Changed();
    }
  };
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed,
            (std::vector<std::string>{"Insert into T (a,b) Values ('v64','v90');",
                                      "Insert into T (a,b) Values ('v64');",
                                      "Insert into T (a,b) Values ('v64',v206);"}));
}

}  // namespace
}  // namespace kestrove

namespace kestrove {
namespace {

// Where the data source reads a backslash in a literal as an escape, every
// backslash of a text value is doubled as well as its quotes, so that list
// data such as "x\" cannot end its literal early; elsewhere the literal stays
// as it was. The data source is asked only for a value that holds one.
TEST_F(GenerationRunTest, BackslashesDoubledWhereTheDataSourceEscapes) {
  struct Case {
    bool escapes;
    std::string a, b;
    std::string expected;
    int questions;
  };
  const std::vector<Case> cases = {
      {true, "x\\", ",1);DROP TABLE victim;--",
       "Insert into T (a,b,n) Values ('x\\\\',',1);DROP TABLE victim;--',7);", 1},
      {false, "x\\", ",1);DROP TABLE victim;--",
       "Insert into T (a,b,n) Values ('x\\',',1);DROP TABLE victim;--',7);", 1},
      {true, "a\\'b\\\\", "O'Brien",
       "Insert into T (a,b,n) Values ('a\\\\''b\\\\\\\\','O''Brien',7);", 1},
      {true, "plain", "O'Brien", "Insert into T (a,b,n) Values ('plain','O''Brien',7);", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    state->ClearProfile();
    services.executed.clear();
    services.backslash_questions = 0;
    services.backslash_escapes = c.escapes;
    state->Tables[0].TableName = "T";
    state->Tables[0].RecordCount = 1;
    SetField(0, 0, "a", 8);
    SetField(0, 1, "b", 9);
    SetField(0, 2, "n", 206);
    services.value = [&](int32_t code, auto&, auto&) {
      return code == 8 ? c.a : code == 9 ? c.b : std::string("7");
    };
    run.GenerateBtnClick();
    EXPECT_EQ(services.executed, std::vector<std::string>{c.expected});
    EXPECT_EQ(services.backslash_questions, c.questions);
  }
}

// A run that would draw a street address asks, once the lists are loaded and
// before any statement, whether the street list is open; the list's closed
// error ends the run there, with nothing deleted.
TEST_F(GenerationRunTest, ClosedStreetListEndsTheRunBeforeTheDelete) {
  state->Tables[0].TableName = "Person";
  state->Tables[0].RecordCount = 2;
  state->Tables[0].DeleteExisting = 1;
  SetField(0, 0, "id", 206);
  state->Tables[1].TableName = "Address";
  state->Tables[1].RecordCount = 2;
  SetField(1, 0, "street", 92, 2);  // code 94: street address up to 1999
  host.listed = 2;
  services.on_require_list = [](int) {
    throw EListError("StreetTable: Cannot perform this operation on a closed dataset");
  };
  try {
    run.GenerateBtnClick();
    ADD_FAILURE() << "the run went on";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "StreetTable: Cannot perform this operation on a closed dataset");
  }
  EXPECT_EQ(services.lists_required, std::vector<int>{kStreetList});
  EXPECT_TRUE(services.executed.empty());
  EXPECT_EQ(services.loads.size(), 12u);  // the lists were loaded first
  EXPECT_TRUE(run.RunStopped);

  // Without a street to draw (no record to make, or no street field), the
  // list is not asked after.
  const std::vector<std::pair<int64_t, int32_t>> quiet = {{0, 92}, {-5, 95}, {3, 91}, {3, 96}};
  for (const auto& [records, base] : quiet) {
    services.lists_required.clear();
    state->Tables[1].RecordCount = records;
    SetField(1, 0, "street", base);
    run.GenerateBtnClick();
    EXPECT_TRUE(services.lists_required.empty()) << records << " " << base;
  }
}

// ChoiceBase + Param3Index wraps around in 32 bits: a sum past the range is
// a code of no family, so the field adds nothing (no undefined behaviour).
TEST(ChoiceCode, SumWrapsAroundInThirtyTwoBits) {
  const std::vector<std::tuple<int32_t, int32_t, int32_t>> cases = {
      {64, 2, 66},
      {2147483647, 1, -2147483647 - 1},
      {-2147483647 - 1, -1, 2147483647},
      {2147483647, 2147483647, -2},
  };
  for (const auto& [base, param3, code] : cases) {
    TFieldStruct field;
    field.ChoiceBase = base;
    field.Param3Index = param3;
    UpdateChoiceCode(field);
    EXPECT_EQ(field.ChoiceCode, code) << base << " + " << param3;
  }
}

}  // namespace
}  // namespace kestrove

namespace kestrove {
namespace {

// Records sent several to an Insert: the value lists of the one-record run,
// in order, N to a statement with the rest in the last; records without
// values left out; a stop sends what was collected.
TEST_F(GenerationRunTest, RowsPerInsertSendsTheOneRecordRunsValueLists) {
  state->Tables[0].TableName = "T";
  state->Tables[0].RecordCount = 7;
  SetField(0, 0, "a", 202);
  state->Tables[1].TableName = "U";
  state->Tables[1].RecordCount = 2;
  state->Tables[1].DeleteExisting = 1;
  SetField(1, 0, "b", 56);
  host.listed = 2;
  // Records 3 and 6 of T have an empty value, so no value list at all.
  int asked = 0;
  services.value = [&](int32_t code, auto&, auto&) -> std::string {
    if (code == 56) return "it's";
    ++asked;
    return asked == 3 || asked == 6 ? "" : std::to_string(asked);
  };
  struct Case {
    int32_t rows_per_insert;
    int stop_at_message;  // 0: no stop
    std::vector<std::string> statements;
    std::vector<int32_t> records;
  };
  const Case cases[] = {
      {1,
       0,
       {"Insert into T (a) Values (1);", "Insert into T (a) Values (2);",
        "Insert into T (a) Values (4);", "Insert into T (a) Values (5);",
        "Insert into T (a) Values (7);", "Delete from U", "Insert into U (b) Values ('it''s');",
        "Insert into U (b) Values ('it''s');"},
       {1, 1, 1, 1, 1, 1, 1}},
      {2,
       0,
       {"Insert into T (a) Values (1),(2);", "Insert into T (a) Values (4),(5);",
        "Insert into T (a) Values (7);", "Delete from U",
        "Insert into U (b) Values ('it''s'),('it''s');"},
       {2, 2, 1, 2}},
      {3,
       0,
       {"Insert into T (a) Values (1),(2),(4);", "Insert into T (a) Values (5),(7);",
        "Delete from U", "Insert into U (b) Values ('it''s'),('it''s');"},
       {3, 2, 2}},
      {100,
       0,
       {"Insert into T (a) Values (1),(2),(4),(5),(7);", "Delete from U",
        "Insert into U (b) Values ('it''s'),('it''s');"},
       {5, 2}},
      // Messages run once after the lists load and once at each table start
      // before the records: the 4th call is record 2's, so the stop comes
      // after record 2 and its statement holds records 1 and 2.
      {3, 4, {"Insert into T (a) Values (1),(2);"}, {2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("rows per insert " + std::to_string(c.rows_per_insert));
    asked = 0;
    services.executed.clear();
    services.insert_records.clear();
    host.message_calls = 0;
    host.on_messages = [&](int call) {
      if (call == c.stop_at_message) run.GenerateBtnClick();
    };
    run.RowsPerInsert = c.rows_per_insert;
    run.GenerateBtnClick();
    EXPECT_EQ(services.executed, c.statements);
    EXPECT_EQ(services.insert_records, c.records);
    EXPECT_EQ(run.StatementsExecuted(), c.statements.size());
    EXPECT_EQ(host.sql, c.statements.back() + "    Completed");
  }
}

// What the host hears, in order, for the run's ways through a table: typed,
// so that no front end reads a statement's text back.
TEST_F(GenerationRunTest, HostHearsTypedEventsInOrder) {
  struct Case {
    const char* name;
    int32_t rows_per_insert;
    bool deletes_first;
    int stop_at_message;  // 0: no stop
    bool fail;            // the second Insert is rejected
    std::vector<std::string> events;
  };
  const std::vector<Case> cases = {
      {"one statement a record",
       1,
       false,
       0,
       false,
       {"table 0 A 2", "delete A", "insert A 1", "record 1", "insert A 1", "record 2",
        "table 1 B 1", "insert B 1", "record 1", "ended completed"}},
      {"records two to a statement",
       2,
       false,
       0,
       false,
       {"table 0 A 2", "delete A", "record 1", "insert A 2", "record 2", "table 1 B 1", "record 1",
        "insert B 1", "ended completed"}},
      {"deletes first",
       1,
       true,
       0,
       false,
       {"table 0 A 0", "delete A", "table 0 A 2", "insert A 1", "record 1", "insert A 1",
        "record 2", "table 1 B 1", "insert B 1", "record 1", "ended completed"}},
      // Message call 3 is record 1's.
      {"stopped",
       1,
       false,
       3,
       false,
       {"table 0 A 2", "delete A", "insert A 1", "record 1", "ended stopped"}},
      {"failed",
       1,
       false,
       0,
       true,
       {"table 0 A 2", "delete A", "insert A 1", "record 1", "insert A 1", "ended failed"}},
  };
  host.listed = 1;
  for (int slot : {0, 1}) {
    state->Tables[slot].TableName = slot == 0 ? "A" : "B";
    state->Tables[slot].RecordCount = 2 - slot;
    SetField(slot, 0, "a", 206);
  }
  state->Tables[0].DeleteExisting = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.events.clear();
    host.message_calls = 0;
    host.on_messages = [&](int call) {
      if (call == c.stop_at_message) run.GenerateBtnClick();
    };
    int inserts = 0;
    services.on_execute = [&](const std::string& sql) {
      if (c.fail && sql.rfind("Insert", 0) == 0 && ++inserts == 2) throw EDatabaseError("no");
    };
    run.RowsPerInsert = c.rows_per_insert;
    run.DeletesFirst = c.deletes_first;
    if (c.fail)
      EXPECT_THROW(run.GenerateBtnClick(), EDatabaseError);
    else
      run.GenerateBtnClick();
    EXPECT_EQ(host.events, c.events);
  }
}

}  // namespace
}  // namespace kestrove

namespace kestrove {
namespace {

// Cycle keys that own Customer's LastHire: NULL in the Insert, set by an
// Update keyed on the name the record made, inside a Begin and a Commit.
class FakeCycles : public CycleKeys {
 public:
  std::string name;
  bool Owns(int slot, int field) const override { return slot == 0 && field == 2; }
  void Before(int slot, bool, std::vector<CycleStatement>& out) override {
    if (slot == 0) out.push_back({StatementKind::kBegin, "BEGIN"});
  }
  void TableStarting(int, const TTableStruct&, int32_t) override {}
  bool InsertsNull(int) override { return true; }
  void AppendValue(int, std::string&) override {}
  void RecordMade(const RecordValues& values) override {
    if (name.empty()) name = values.Value(1);
  }
  void Filled(int slot, std::vector<Due>& out) override {
    if (slot == 1)
      out.push_back({"Customer", {{{"LastHire", "5", false}, {{"Name", name, true}}}}});
  }
  void AfterFilled(int slot, std::vector<CycleStatement>& out) override {
    if (slot == 1) out.push_back({StatementKind::kCommit, "COMMIT"});
  }
};

TEST_F(GenerationRunTest, CycleKeysInsertNullAndSetTheKeyByAnUpdateWrittenAsTheInserts) {
  state->Tables[0].TableName = "Customer";
  state->Tables[0].RecordCount = 1;
  SetField(0, 0, "Id", 206);
  SetField(0, 1, "Name", 64);
  SetField(0, 2, "LastHire", 207);
  state->Tables[1].TableName = "hire";
  state->Tables[1].RecordCount = 1;
  SetField(1, 0, "Id", 206);
  host.listed = 2;
  run.SlotOrder = {0, 1};
  run.DeletesFirst = true;
  FakeCycles cycles;
  run.Cycles = &cycles;
  services.backslash_escapes = true;
  services.value = [](int32_t code, auto&, auto&) { return code == 206 ? "5" : "O'Br\\ien"; };
  run.GenerateBtnClick();
  EXPECT_EQ(services.executed,
            (std::vector<std::string>{
                "BEGIN", "Insert into Customer (Id,Name,LastHire) Values (5,'O''Br\\\\ien',NULL);",
                "Insert into hire (Id) Values (5);",
                "Update Customer Set LastHire = 5 Where Name = 'O''Br\\\\ien'", "COMMIT"}));
  EXPECT_EQ(std::count(services.codes_asked.begin(), services.codes_asked.end(), 207), 0);
}

}  // namespace
}  // namespace kestrove
