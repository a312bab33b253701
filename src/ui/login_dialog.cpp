#include "ui/login_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kestrove::ui {

LoginDialog::LoginDialog(const QString& data_source, QWidget* parent) : QDialog(parent) {
  setObjectName("LoginDialog");
  setWindowTitle("Login: " + data_source);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel("The data source \"" + data_source + "\" asks for a login.", this);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  auto* form = new QFormLayout;
  UserEdit = new QLineEdit(this);
  UserEdit->setObjectName("UserEdit");
  PasswordEdit = new QLineEdit(this);
  PasswordEdit->setObjectName("PasswordEdit");
  PasswordEdit->setEchoMode(QLineEdit::Password);
  form->addRow("&User Name", UserEdit);
  form->addRow("&Password", PasswordEdit);
  layout->addLayout(form);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("Buttons");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  setFixedSize(300, sizeHint().height());
}

LoginDialog::~LoginDialog() {
  // Overwrite the typed password before the edit's memory is released.
  PasswordEdit->setText(QString(PasswordEdit->text().size(), QChar(' ')));
  PasswordEdit->clear();
}

}  // namespace kestrove::ui
