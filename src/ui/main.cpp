// kestrove: the window.
#include <cstdio>
#include <string_view>

#include "app/file_places.h"
#include "app/workspace.h"
#include "core/clock.h"
#include "kestrove_config.h"
#include "ui/error_display.h"
#include "ui/main_form.h"
#include "ui/prompts.h"

namespace {

const char* const kHelp = R"(Usage: kestrove [--help] [--version]

The Kestrove window: fills the tables of an ODBC data source with meaningful
but random test records. Pick a data source, a table, the number of records
and, field by field, a generating choice with its parameters, then press
Generate. Set-ups are saved and loaded as profile files (.prf); the Lookup
and User menus edit the twelve lookup lists the choices draw from.

The window takes Qt's own options as well (for instance -platform offscreen).

Options:
  --help     show this text and exit, without opening the window
  --version  show the program's name and version and exit

Exit codes:
  0    the window was closed
  other  the window could not start (without a display Qt says so and ends
       the program)

Files:
  srndata.bin, frmdata.bin, frfdata.bin, twndata.bin, strdata.bin,
  cmpdata.bin, usr1data.bin .. usr6data.bin
         the twelve lookup list files, loaded before each run and before a
         list's editor opens; the editor's OK saves its list
  kvsys.dat
         the display style (User > Hi Res): one line, 1 or 0
  Run from its build folder, the window reads and writes these files beside
  itself. Installed (a share/kestrove folder beside its bin folder), it reads
  each from $XDG_DATA_HOME/kestrove (by default ~/.local/share/kestrove) when
  the file is there, and otherwise the shipped list from share/kestrove
  (/usr/share/kestrove for /usr/bin/kestrove); every list it saves, and
  kvsys.dat, go to $XDG_DATA_HOME/kestrove, which kestrove-run and
  kestrove-lists read first as well.

Environment:
  ODBCINI        the user's ODBC data source file (unixODBC; default
                 ~/.odbc.ini)
  ODBCSYSINI     the folder of the system odbc.ini and odbcinst.ini (default
                 /etc)
  XDG_DATA_HOME  the user's data folder, installed (default ~/.local/share)

Examples:
  kestrove
         open the window
  ODBCINI=$PWD/odbc.ini kestrove
         open it on the data sources of another odbc.ini
)";

}  // namespace

int main(int argc, char** argv) {
  // Answered before any window exists, so that they need no display.
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::fputs(kestrove::VersionText("kestrove").c_str(), stdout);
      return 0;
    }
  }
  kestrove::ui::KestroveApplication app(argc, argv);
  kestrove::SystemClock clock;
  kestrove::ui::QtPrompts prompts;
  kestrove::ui::MainFormEnvironment environment;
  environment.clock = &clock;
  environment.places = kestrove::ProgramPlaces();
  environment.program_dir = environment.places->program_dir;
  environment.prompts = &prompts;
  kestrove::ui::TMainForm form(environment);
  form.show();
  return app.exec();
}
