// Prompts for the GUI tests: every box answers at once as the case says,
// and what was asked is recorded.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/odbc_error.h"
#include "ui/prompts.h"

namespace kestrove::testing {

struct ShownDatabaseError {
  QString text;
  std::vector<TErrorRec> records;
};

class FakePrompts : public ui::Prompts {
 public:
  QStringList errors;
  QStringList questions;
  bool answer = true;
  QString open_name, save_name;
  QString last_folder;
  std::vector<ShownDatabaseError> database_errors;
  std::optional<ui::LoginAnswer> login;
  int logins_asked = 0;
  // Called as an error is shown, to look at the window at that moment.
  std::function<void()> on_error;
  // The windows shown modally, by object name; `on_modal` may work the
  // window while it is "open" (it is shown, not run modally, meanwhile).
  QStringList modals;
  std::function<void(QDialog&)> on_modal;
  // The failed list saves shown; `retry_save` answers each (no answer:
  // close without saving).
  QStringList save_failures;
  std::function<bool()> retry_save;

  void ShowError(QWidget*, const QString& message) override {
    errors << message;
    if (on_error) on_error();
  }
  bool ConfirmYesNo(QWidget*, const QString& question) override {
    questions << question;
    return answer;
  }
  bool ConfirmOkCancel(QWidget*, const QString& question) override {
    questions << question;
    return answer;
  }
  QString OpenProfileName(QWidget*, const QString& folder) override {
    last_folder = folder;
    return open_name;
  }
  QString SaveProfileName(QWidget*, const QString& folder) override {
    last_folder = folder;
    return save_name;
  }
  void ShowDatabaseError(QWidget*, const EODBC& error, const QString& text) override {
    database_errors.push_back({text, error.Records()});
  }
  std::optional<ui::LoginAnswer> AskLogin(QWidget*, const QString&) override {
    ++logins_asked;
    return login;
  }
  bool RetryListSave(QWidget*, const QString& message) override {
    save_failures << message;
    return retry_save && retry_save();
  }
  void ShowModal(QDialog& dialog) override {
    modals << dialog.objectName();
    dialog.show();
    if (on_modal) on_modal(dialog);
    dialog.hide();
  }
};

}  // namespace kestrove::testing
