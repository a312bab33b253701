// The login dialog: user name and password for a data source that needs
// them. Nothing typed is kept once the dialog is gone.
#pragma once

#include <QDialog>

class QLineEdit;

namespace kestrove::ui {

class LoginDialog : public QDialog {
  Q_OBJECT

 public:
  LoginDialog(const QString& data_source, QWidget* parent = nullptr);
  ~LoginDialog() override;

  QLineEdit* UserEdit;
  QLineEdit* PasswordEdit;
};

}  // namespace kestrove::ui
