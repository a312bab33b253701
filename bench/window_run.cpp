// A run from the window, offscreen: connects to DSN, loads PROFILE through
// the Load Profile item, presses Generate and times the run.
//
// Usage: bench_window_run DSN PROFILE LISTS_DIR
// Prints: statements seconds
#include <QAction>
#include <QComboBox>
#include <QFocusEvent>
#include <QMenu>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "core/clock.h"
#include "db/odbc_error.h"
#include "ui/error_display.h"
#include "ui/main_form.h"
#include "ui/prompts.h"
#include "ui/text.h"

namespace {

using namespace kestrove;

// Answers every box at once; errors are printed and counted.
class BenchPrompts : public ui::Prompts {
 public:
  QString profile;
  int errors = 0;
  void ShowError(QWidget*, const QString& message) override {
    std::fprintf(stderr, "%s\n", qPrintable(message));
    ++errors;
  }
  bool ConfirmYesNo(QWidget*, const QString&) override { return true; }
  bool ConfirmOkCancel(QWidget*, const QString&) override { return true; }
  QString OpenProfileName(QWidget*, const QString&) override { return profile; }
  QString SaveProfileName(QWidget*, const QString&) override { return {}; }
  void ShowDatabaseError(QWidget*, const EODBC& error, const QString& text) override {
    std::fprintf(stderr, "%s %s\n", qPrintable(text), error.what());
    ++errors;
  }
  std::optional<ui::LoginAnswer> AskLogin(QWidget*, const QString&) override { return {}; }
  bool RetryListSave(QWidget*, const QString&) override { return false; }
  void ShowModal(QDialog&) override {}
};

// The window's control called `name`; null, and said why, when missing.
template <class T>
T* Find(QWidget& window, const char* name) {
  T* control = window.findChild<T*>(name);
  if (!control) std::fprintf(stderr, "no control %s\n", name);
  return control;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s DSN PROFILE LISTS_DIR\n", argv[0]);
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ui::KestroveApplication app(argc, argv);
  FixedClock clock(1, {2026, 12, 9});
  BenchPrompts prompts;
  prompts.profile = argv[2];
  ui::MainFormEnvironment environment{&clock, std::string(argv[3]) + "/", &prompts, {}};
  ui::TMainForm form(environment);
  form.show();
  auto* db_list = Find<QComboBox>(form, "dbList");
  auto* file_menu = Find<QMenu>(form, "File1");
  auto* generate = Find<QPushButton>(form, "AltGenerateBtn");
  if (!db_list || !file_menu || !generate) return 1;
  // Into the data source box, which lists the data sources, and a pick.
  QFocusEvent tabbed_in(QEvent::FocusIn, Qt::TabFocusReason);
  QCoreApplication::sendEvent(db_list, &tabbed_in);
  const int index = db_list->findText(argv[1]);
  if (index < 0) {
    std::fprintf(stderr, "no data source %s\n", argv[1]);
    return 1;
  }
  db_list->setCurrentIndex(index);
  emit db_list->activated(index);
  bool loaded = false;
  for (QAction* item : file_menu->actions()) {
    if (item->text() == "&Load Profile") {
      item->trigger();
      loaded = true;
    }
  }
  if (!loaded || prompts.errors) return 1;

  const auto start = std::chrono::steady_clock::now();
  generate->click();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (prompts.errors) return 1;
  std::printf("%llu %.3f\n", static_cast<unsigned long long>(form.Work().Run.StatementsExecuted()),
              seconds);
  return 0;
}
