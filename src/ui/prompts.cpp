#include "ui/prompts.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "ui/db_error_dialog.h"
#include "ui/error_display.h"
#include "ui/login_dialog.h"
#include "ui/text.h"

namespace kestrove::ui {

namespace {

QString ProfileName(QWidget* parent, const QString& folder, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, QString(), folder, "Profiles (*.prf)");
  dialog.setAcceptMode(mode);
  dialog.setDefaultSuffix("prf");
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  // Saving replaces an existing file without asking.
  if (mode == QFileDialog::AcceptSave) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

}  // namespace

void QtPrompts::ShowError(QWidget* parent, const QString& message) {
  QMessageBox box(QMessageBox::Critical, kApplicationTitle, message, QMessageBox::Ok, parent);
  box.exec();
}

bool QtPrompts::ConfirmYesNo(QWidget* parent, const QString& question) {
  return QMessageBox::question(parent, kApplicationTitle, question,
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool QtPrompts::ConfirmOkCancel(QWidget* parent, const QString& question) {
  return QMessageBox::question(parent, kApplicationTitle, question,
                               QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

QString QtPrompts::OpenProfileName(QWidget* parent, const QString& folder) {
  return ProfileName(parent, folder, QFileDialog::AcceptOpen);
}

QString QtPrompts::SaveProfileName(QWidget* parent, const QString& folder) {
  return ProfileName(parent, folder, QFileDialog::AcceptSave);
}

void QtPrompts::ShowDatabaseError(QWidget* parent, const EODBC& error, const QString& text) {
  ShowDatabaseErrorDialog(error, text, parent);
}

std::optional<LoginAnswer> QtPrompts::AskLogin(QWidget* parent, const QString& data_source) {
  LoginDialog dialog(data_source, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  LoginAnswer answer{ToEngine(dialog.UserEdit->text()), {}};
  // The bytes of the password are wiped once copied; the dialog wipes the
  // edit's own text when it goes.
  QByteArray bytes = dialog.PasswordEdit->text().toLocal8Bit();
  answer.password.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
  bytes.fill('\0');
  return answer;
}

bool QtPrompts::RetryListSave(QWidget* parent, const QString& message) {
  QMessageBox box(QMessageBox::Critical, kApplicationTitle, message, QMessageBox::NoButton, parent);
  QPushButton* retry = box.addButton(QMessageBox::Retry);
  box.addButton("Close &Without Saving", QMessageBox::DestructiveRole);
  box.setDefaultButton(retry);
  box.exec();
  return box.clickedButton() == retry;
}

void QtPrompts::ShowModal(QDialog& dialog) {
  dialog.exec();
}

}  // namespace kestrove::ui
