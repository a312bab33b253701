// The database error dialog: the caller's text, and below a separator the
// diagnostic records of the error, one at a time, with Prev and Next.
#pragma once

#include <QDialog>

#include "db/odbc_error.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kestrove::ui {

class DbErrorDialog : public QDialog {
  Q_OBJECT

 public:
  // The dialog works on its own copy of the error: moving through the
  // records changes nothing the caller sees.
  DbErrorDialog(const EODBC& error, const QString& text, QWidget* parent = nullptr);

  bool DetailsShown() const { return details_shown_; }

  QLabel* Label1;
  QPushButton* Button1;  // OK
  QPushButton* Button2;  // Details >> / Details <<
  QPlainTextEdit* Memo1;
  QLineEdit* Edit1;      // SQLSTATE
  QLineEdit* Edit2;      // native error
  QPushButton* Button3;  // Prev
  QPushButton* Button4;  // Next

 private:
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void ShowDetails(bool shown);
  void ShowRecord();

  EODBC error_;
  bool details_shown_ = false;
};

// Shows the dialog modally and returns when it has been closed.
void ShowDatabaseErrorDialog(const EODBC& error, const QString& text, QWidget* parent);

}  // namespace kestrove::ui
