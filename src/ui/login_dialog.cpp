#include "ui/login_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

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
  // Overwrite the typed password before its memory is released. Setting
  // another text would release the edit's buffer unwiped; so the buffer is
  // taken over first (the text shares it), the edit let go of it, and then
  // it is overwritten in place, alone and not copied.
  QString typed = PasswordEdit->text();
  PasswordEdit->setText(QString());
  std::fill(typed.begin(), typed.end(), QChar(u'\0'));
}

}  // namespace kestrove::ui
