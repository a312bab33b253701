// kestrove: the window.
#include "app/workspace.h"
#include "core/clock.h"
#include "ui/error_display.h"
#include "ui/main_form.h"
#include "ui/prompts.h"

int main(int argc, char** argv) {
  kestrove::ui::KestroveApplication app(argc, argv);
  kestrove::SystemClock clock;
  kestrove::ui::QtPrompts prompts;
  kestrove::ui::MainFormEnvironment environment;
  environment.clock = &clock;
  environment.program_dir = kestrove::ProgramFolder();
  environment.prompts = &prompts;
  kestrove::ui::TMainForm form(environment);
  form.show();
  return app.exec();
}
