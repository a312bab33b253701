// Every box the windows show and wait on goes through this interface: the
// window gets the Qt implementation, tests a fake that answers and records.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "db/secret.h"

class QDialog;
class QWidget;

namespace kestrove {
class EODBC;
}

namespace kestrove::ui {

// What the login dialog was given. The password is wiped when an answer
// goes, so that no copy of it is left behind.
struct LoginAnswer {
  std::string user;
  std::string password;
  ~LoginAnswer() { WipeSecret(password); }
};

class Prompts {
 public:
  virtual ~Prompts() = default;
  // The standard error display: an error box titled with the application
  // title, showing `message` as it stands.
  virtual void ShowError(QWidget* parent, const QString& message) = 0;
  // A confirmation with Yes and No; true for Yes.
  virtual bool ConfirmYesNo(QWidget* parent, const QString& question) = 0;
  // A confirmation with OK and Cancel; true for OK.
  virtual bool ConfirmOkCancel(QWidget* parent, const QString& question) = 0;
  // The profile dialogs ("Profiles (*.prf)", default suffix prf, starting
  // in `folder`); an empty name when cancelled.
  virtual QString OpenProfileName(QWidget* parent, const QString& folder) = 0;
  virtual QString SaveProfileName(QWidget* parent, const QString& folder) = 0;
  // The database error dialog, modal.
  virtual void ShowDatabaseError(QWidget* parent, const EODBC& error, const QString& text) = 0;
  // The login dialog for a data source; nothing when cancelled.
  virtual std::optional<LoginAnswer> AskLogin(QWidget* parent, const QString& data_source) = 0;
  // A list file that could not be written: `message` says why and that the
  // list was not saved. True to try again, false to close the editor
  // without saving.
  virtual bool RetryListSave(QWidget* parent, const QString& message) = 0;
  // Shows a window of the program's own modally (the list editors, the
  // About box) and returns once it has closed.
  virtual void ShowModal(QDialog& dialog) = 0;
};

// The real boxes.
class QtPrompts : public Prompts {
 public:
  void ShowError(QWidget* parent, const QString& message) override;
  bool ConfirmYesNo(QWidget* parent, const QString& question) override;
  bool ConfirmOkCancel(QWidget* parent, const QString& question) override;
  QString OpenProfileName(QWidget* parent, const QString& folder) override;
  QString SaveProfileName(QWidget* parent, const QString& folder) override;
  void ShowDatabaseError(QWidget* parent, const EODBC& error, const QString& text) override;
  std::optional<LoginAnswer> AskLogin(QWidget* parent, const QString& data_source) override;
  bool RetryListSave(QWidget* parent, const QString& message) override;
  void ShowModal(QDialog& dialog) override;
};

}  // namespace kestrove::ui
