// The window on an installed layout, for scripts/test-installed:
//   installed_window_check BIN_DIR NAME
// builds the main window exactly as the installed kestrove does, for the
// programs in BIN_DIR (an extracted package's usr/bin) and the process's
// HOME and XDG_DATA_HOME, opens the Surname editor from its menu, adds NAME
// and presses OK. Prints the places and exits 0 when the list and kvsys.dat
// landed in the user's data folder; the script checks the installed files.
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <cstdio>
#include <filesystem>

#include "app/file_places.h"
#include "core/clock.h"
#include "core/lookup_ids.h"
#include "lookup/list_file.h"
#include "lookup/lookup_lists.h"
#include "ui/editors/town_form.h"
#include "ui/fake_prompts.h"
#include "ui/main_form.h"

namespace {

int Fail(const std::string& why) {
  std::fprintf(stderr, "installed_window_check: %s\n", why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kestrove;
  if (argc != 3) return Fail("usage: installed_window_check BIN_DIR NAME");
  QApplication app(argc, argv);
  SystemClock clock;
  testing::FakePrompts prompts;
  ui::MainFormEnvironment environment;
  environment.clock = &clock;
  environment.places = FindFilePlaces(argv[1], ProcessEnvironment());
  environment.program_dir = environment.places->program_dir;
  environment.prompts = &prompts;
  const FilePlaces& places = *environment.places;
  if (!places.installed) return Fail(std::string(argv[1]) + " is not an installed layout");
  std::printf("shared: %s\nuser: %s\n", places.shared_dir.c_str(), places.user_dir.c_str());

  ui::TMainForm form(environment);
  form.show();
  bool saved = false;
  prompts.on_modal = [&](QDialog& dialog) {
    auto* editor = dynamic_cast<ui::TTownForm*>(&dialog);
    if (!editor) return;
    std::printf("editor saves to: %s\n", editor->FilePath().c_str());
    editor->List().Append();
    editor->List().SetFieldText(0, argv[2]);
    editor->List().Post();
    if (auto* ok = editor->findChild<QPushButton*>("BitBtn1")) {
      ok->click();
      saved = editor->result() == QDialog::Accepted;
    }
  };
  // The Lookup menu's Surname item, as a user picks it.
  QAction* surname = nullptr;
  if (auto* menu = form.findChild<QMenu*>("Lookup1"))
    for (QAction* action : menu->actions())
      if (action->text() == "Surname") surname = action;
  if (!surname) return Fail("no Surname item in the Lookup menu");
  surname->trigger();
  if (!prompts.errors.isEmpty()) return Fail(prompts.errors.join("; ").toStdString());
  if (!saved) return Fail("the editor's OK did not save");

  const std::string saved_path = places.user_dir + kLookupFileNames[kSurnameList];
  std::string image;
  if (!ReadWholeFile(saved_path, image)) return Fail("no list saved at " + saved_path);
  if (image.find(argv[2]) == std::string::npos) return Fail(saved_path + " lacks the new name");
  if (!std::filesystem::exists(places.user_dir + kSettingsFileName))
    return Fail("no kvsys.dat in " + places.user_dir);
  return 0;
}
