// kestrove-profile export: the named profile of a positional one.
#include "app/profile_layout.h"
#include "catalogue/named_profile.h"
#include "core/key_guard.h"
#include "tools/profile_commands.h"

namespace kestrove::tools {

CLI::App* SetupExport(CLI::App& app, ExportOptions& options) {
  CLI::App* exporter =
      app.add_subcommand("export", "write the named profile of a positional profile (.prf)");
  const std::string exporter_text =
      "Write the named profile of a positional profile's listed slots. With --dsn the\n"
      "fields' types come from the data source, and every table and field must exist there;\n"
      "without it they come from the stored choices. Slots that name no table are left out\n"
      "with a warning, since a run skips them.";
  exporter->add_option("FILE.prf", options.prf, "the positional profile")->required();
  exporter->add_option("--dsn", options.dsn, "ODBC data source to take the field types from");
  exporter->add_option("-o,--output", options.output,
                       "write the profile here (default: standard output)");
  exporter->footer("\n" + exporter_text + "\n" + kProfileExitCodes);
  return exporter;
}

void RunExport(const ExportOptions& options) {
  auto state = ProfileState::Create();
  const int32_t count = LoadPositionalProfile(*state, options.prf, /*hint_named=*/false);
  std::vector<std::string> warnings;
  NamedProfile named;
  if (options.dsn) {
    Database db;
    Connect(db, *options.dsn);
    DatabaseLayout layout(db);
    named = NameProfile(*state, count, &layout, &warnings);
  } else {
    named = NameProfile(*state, count, nullptr, &warnings);
  }
  for (std::string& w : SharedCounterWarnings(*state, count)) warnings.push_back(std::move(w));
  Warn(warnings);
  WriteOut(options.output, NamedProfileText(named));
}

}  // namespace kestrove::tools
