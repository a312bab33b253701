// kestrove-profile import: the positional profile (.prf) of a named one,
// placed on a data source as the window places it.
#include "app/profile_layout.h"
#include "catalogue/named_profile.h"
#include "core/errors.h"
#include "core/key_guard.h"
#include "tools/profile_commands.h"

namespace kestrove::tools {

CLI::App* SetupImport(CLI::App& app, ImportOptions& options) {
  CLI::App* importer =
      app.add_subcommand("import", "write the positional profile (.prf) of a named profile");
  const std::string importer_text =
      "Write the positional profile of a named profile for the data source, as the window\n"
      "would make it for the same choices: tables at their place in the table list, fields\n"
      "at their place in the field list. The window loads it and shows exactly those\n"
      "choices. import of export of a window-made profile gives it back byte for byte.";
  importer->add_option("FILE.toml", options.toml, "the named profile")->required();
  importer->add_option("--dsn", options.dsn, "ODBC data source")->required();
  importer->add_option("-o,--output", options.output, "the .prf file to write")->required();
  importer->footer("\n" + importer_text + "\n" + kProfileExitCodes);
  return importer;
}

void RunImport(const ImportOptions& options) {
  const NamedProfile named = ReadNamedProfileOrFail(options.toml, "read");
  Database db;
  Connect(db, options.dsn);
  DatabaseLayout layout(db);
  auto state = ProfileState::Create();
  int32_t count = 0;
  try {
    count = PlaceNamedProfile(named, &layout, *state);
    FieldExtras extras;
    PlaceFieldExtras(named, *state, extras);
  } catch (const ENamedProfileError& e) {
    throw UsageError(e.what());
  }
  // A positional profile has no room for them: say what is lost.
  std::vector<std::string> lost;
  for (const NamedTable& table : named.tables)
    for (const NamedField& field : table.fields)
      if (field.null_share || !field.after.empty())
        lost.push_back("table \"" + table.name + "\", field \"" + field.name +
                       "\": its \"null\" and \"after\" keys are left out, which a " +
                       "positional profile cannot hold");
  Warn(lost);
  Warn(SharedCounterWarnings(*state, count));
  try {
    SaveProfileFile(*state, count, options.output);
  } catch (const KestroveError& e) {
    throw UsageError(DisplayMessage(e.what()));
  }
}

}  // namespace kestrove::tools
