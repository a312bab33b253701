// The run services of a real run: values from the generators, lookup lists
// from the list store, statements handed to whatever executes them (the
// connection's statement, or a file in a dry run).
#pragma once

#include <functional>
#include <string>

#include "core/run_services.h"
#include "generators/generators.h"
#include "lookup/lookup_lists.h"

namespace kestrove {

class StandardRunServices : public RunServices {
 public:
  StandardRunServices(Generators& generators, LookupLists& lists)
      : generators_(generators), lists_(lists) {}

  std::function<void(const std::string&)> execute = [](const std::string&) {};
  std::function<void()> process_messages = [] {};

  std::string GenerateValue(int32_t code, const std::string& param1,
                            const std::string& param2) override {
    return generators_.Generate(code, param1, param2);
  }
  void ExecuteStatement(const std::string& sql) override { execute(sql); }
  void LoadLookupList(int list, const std::string& path) override { lists_.Load(list, path); }
  int32_t LookupRecordCount(int list) override { return lists_.RecordCount(list); }
  void ProcessMessages() override { process_messages(); }

 private:
  Generators& generators_;
  LookupLists& lists_;
};

}  // namespace kestrove
