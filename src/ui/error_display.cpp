#include "ui/error_display.h"

#include <QMessageBox>
#include <exception>

#include "core/errors.h"
#include "db/odbc_error.h"
#include "ui/text.h"

namespace kestrove::ui {

namespace {

void PlainErrorBox(const std::string& message) {
  QMessageBox box(QMessageBox::Critical, kApplicationTitle, FromEngine(message), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

ErrorDisplayFunction& Display() {
  static ErrorDisplayFunction display = PlainErrorBox;
  return display;
}

void ShowCurrentException() noexcept {
  try {
    throw;
  } catch (const EODBC& error) {
    ShowStandardError(error.what());
    // A lost connection is torn down once the error has been shown.
    DiscardError(error);
  } catch (const std::exception& error) {
    ShowStandardError(error.what());
  } catch (...) {
    ShowStandardError("Unknown error");
  }
}

}  // namespace

void ShowStandardError(const std::string& message) {
  try {
    Display()(DisplayMessage(message));
  } catch (...) {
    // The display itself failed; there is nowhere left to show it.
  }
}

ErrorDisplayFunction SetStandardErrorDisplay(ErrorDisplayFunction display) {
  ErrorDisplayFunction previous = std::move(Display());
  Display() = display ? std::move(display) : ErrorDisplayFunction(PlainErrorBox);
  return previous;
}

void RunGuarded(const std::function<void()>& handler) noexcept {
  try {
    handler();
  } catch (...) {
    ShowCurrentException();
  }
}

KestroveApplication::KestroveApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(kApplicationTitle);
}

bool KestroveApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowCurrentException();
    return false;
  }
}

}  // namespace kestrove::ui
