// Renders the windows in their states into PNG files, offscreen, for the
// README: kestrove_screenshots DSN PROFILE OUTPUT_DIR LISTS_DIR
// The data source is the demo database and the profile its shop profile
// (scripts/screenshots makes and passes them).
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

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

// The window's control called `name`; the pictures cannot be made without it.
template <class T>
T* Find(QWidget& window, const char* name) {
  T* control = window.findChild<T*>(name);
  if (!control) {
    std::fprintf(stderr, "no control %s\n", name);
    std::exit(1);
  }
  return control;
}

// A menu command, by its menu and caption.
void Menu(QWidget& window, const char* menu, const QString& caption) {
  for (QAction* action : Find<QMenu>(window, menu)->actions()) {
    if (action->text() == caption) {
      action->trigger();
      return;
    }
  }
  std::fprintf(stderr, "no item %s in %s\n", qPrintable(caption), menu);
  std::exit(1);
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

// The window with a moment of its own after each of the run's message
// pumps, for the picture taken during a run.
class ShotForm : public ui::TMainForm {
 public:
  using TMainForm::TMainForm;
  std::function<void()> after_pump;

 protected:
  void ProcessMessages() override {
    TMainForm::ProcessMessages();
    if (after_pump) after_pump();
  }
};

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
  ShotForm form(environment);
  form.show();
  QWidget& client = *form.centralWidget();
  Menu(form, "User1", "Hi Res");  // the Hi Res style
  Save(form, out, "01-no-data-source.png");

  // Into the data source box, which lists the data sources, and a pick.
  auto* db_list = Find<QComboBox>(client, "dbList");
  QFocusEvent tabbed_in(QEvent::FocusIn, Qt::TabFocusReason);
  QCoreApplication::sendEvent(db_list, &tabbed_in);
  Pick(db_list, dsn);
  Save(form, out, "02-connected.png");

  // The shop profile, and one of its fields as the user sees it.
  prompts.open_name = argv[2];
  Menu(form, "File1", "&Load Profile");
  Pick(Find<QComboBox>(client, "TableList"), "customer");
  Select(Find<QListWidget>(client, "FieldList"), "date_of_birth");
  Save(form, out, "03-field-choice.png");

  // During a run: the picture is taken between two records.
  bool taken = false;
  form.after_pump = [&] {
    if (!taken && form.Work().Run.StatementsExecuted() == 120) {
      taken = true;
      Find<ui::BlinkLabel>(client, "ProcLabel")->SetBlinking(false);
      Save(form, out, "04-running.png");
      Find<QPushButton>(client, "GenerateBtn")->click();  // Stop
    }
  };
  Find<QPushButton>(client, "GenerateBtn")->click();
  form.after_pump = nullptr;
  Save(form, out, "05-stopped.png");
  for (const QString& error : prompts.errors) std::fprintf(stderr, "%s\n", qPrintable(error));

  Menu(form, "User1", "Hi Res");  // the plain style
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
  Menu(form, "User1", "Hi Res");
  prompts.on_modal = [&](QDialog& editor) { Save(editor, out, "08-town-editor.png"); };
  Menu(form, "Lookup1", "Town/County");
  prompts.on_modal = nullptr;
  return 0;
}
