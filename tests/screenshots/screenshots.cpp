// Renders the windows in their states into PNG files, offscreen, for the
// README: kestrove_screenshots DSN PROFILE OUTPUT_DIR LISTS_DIR
// The data source is the demo database and the profile its shop profile
// (scripts/screenshots makes and passes them).
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <cstdio>
#include <filesystem>

#include "ui/about_box.h"
#include "ui/db_error_dialog.h"
#include "ui/error_display.h"
#include "ui/fake_prompts.h"
#include "ui/help_form.h"
#include "ui/main_form.h"
#include "ui/text.h"
#include "ui/widgets.h"

namespace {

using namespace kestrove;

void Save(QWidget& widget, const QString& dir, const char* name) {
  QCoreApplication::processEvents();
  const QString path = dir + "/" + name;
  if (!widget.grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  std::printf("%s\n", qPrintable(path));
}

void Pick(QComboBox* combo, const QString& text) {
  const int index = combo->findText(text);
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

void Select(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  if (!found.isEmpty()) list->setCurrentItem(found.first());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s DSN PROFILE OUTPUT_DIR LISTS_DIR\n", argv[0]);
    return 2;
  }
  ui::KestroveApplication app(argc, argv);
  const QString dsn = argv[1];
  const QString out = argv[3];
  QDir().mkpath(out);
  // A program folder of its own, so the settings file lands there.
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "kestrove-screenshots";
  std::filesystem::create_directories(folder);
  for (const auto& entry : std::filesystem::directory_iterator(argv[4]))
    if (entry.path().extension() == ".bin")
      std::filesystem::copy_file(entry.path(), folder / entry.path().filename(),
                                 std::filesystem::copy_options::overwrite_existing);
  std::filesystem::remove(folder / "kvsys.dat");

  FixedClock clock(36000000, {2026, 12, 9});
  testing::FakePrompts prompts;
  ui::MainFormEnvironment environment{&clock, folder.string() + "/", &prompts, {}};
  ui::TMainForm form(environment);
  form.show();
  form.HiRes->trigger();  // the Hi Res style
  Save(form, out, "01-no-data-source.png");

  form.dbListEnter();
  Pick(form.dbList, dsn);
  Save(form, out, "02-connected.png");

  // The shop profile, and one of its fields as the user sees it.
  prompts.open_name = argv[2];
  form.LoadProfile->trigger();
  Pick(form.TableList, "customer");
  Select(form.FieldList, "date_of_birth");
  Save(form, out, "03-field-choice.png");

  // During a run: the picture is taken between two records.
  const auto pump = form.ProcessMessages;
  bool taken = false;
  form.ProcessMessages = [&] {
    pump();
    if (!taken && form.Work().Run.StatementsExecuted() == 120) {
      taken = true;
      form.ProcLabel->SetBlinking(false);
      Save(form, out, "04-running.png");
      form.AltGenerateBtn->click();  // Stop
    }
  };
  form.GenerateBtn->click();
  form.ProcessMessages = pump;
  Save(form, out, "05-stopped.png");
  for (const QString& error : prompts.errors) std::fprintf(stderr, "%s\n", qPrintable(error));

  form.HiRes->trigger();  // the plain style
  Save(form, out, "06-plain-style.png");

  EODBC error(OdbcObject::kStatement, nullptr, -1,
              {{"HY000", 1, "no such table: custmer"}, {"01000", 0, "second diagnostic record"}});
  ui::DbErrorDialog dialog(error, "Cannot obtain Database Lookup using these parameters.", &form);
  dialog.show();
  dialog.Button2->click();
  Save(dialog, out, "07-error-dialog.png");
  dialog.close();

  ui::THelpForm help(&form);
  help.show();
  help.PageButtons[1]->click();  // "Record Generation"
  Save(help, out, "09-help-page.png");
  ui::TAboutBox about(&form);
  about.show();
  Save(about, out, "10-about.png");

  // The town editor over the shipped towns, as it opens in the Hi Res style.
  form.HiRes->trigger();
  prompts.on_modal = [&](QDialog& editor) { Save(editor, out, "08-town-editor.png"); };
  form.LookupTown->trigger();
  prompts.on_modal = nullptr;
  return 0;
}
