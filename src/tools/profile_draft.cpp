// kestrove-profile draft: a starting named profile guessed from a data
// source's columns.
#include "app/database_schema.h"
#include "catalogue/draft.h"
#include "tools/profile_commands.h"

namespace kestrove::tools {

CLI::App* SetupDraft(CLI::App& app, DraftOptions& options) {
  CLI::App* draft = app.add_subcommand("draft", "write a starting named profile for a data source");
  const std::string draft_text =
      "Write a starting named profile for every table of the data source (views are left\n"
      "out). Choices are guessed from the column names and types: e-mail to Email,\n"
      "surname or last_name to Surname, post codes, towns, counties, phones and dates to\n"
      "theirs, an integer primary key to Counter, a foreign key to a Database Lookup of the\n"
      "column it references. A column without a guess is left out with a comment.";
  draft->add_option("--dsn", options.dsn, "ODBC data source")->required();
  draft->add_option("-o,--output", options.output,
                    "write the profile here (default: standard output)");
  draft->add_option("--schema", options.schema, "draft the tables of this schema only");
  draft->footer("\n" + draft_text + "\n" + kProfileExitCodes);
  return draft;
}

void RunDraft(const DraftOptions& options) {
  Database db;
  Connect(db, options.dsn);
  DatabaseSchema schema(db, options.schema);
  RequireTables(schema, options.schema);
  WriteOut(options.output, DraftProfile(schema, options.dsn));
}

}  // namespace kestrove::tools
