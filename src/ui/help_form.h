// The help window: seven page buttons and the page shown beside them. Any
// number may be open at once; each shows no page until a button is pressed.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <vector>

class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace kestrove::ui {

class THelpForm : public QDialog {
  Q_OBJECT

 public:
  explicit THelpForm(QWidget* parent = nullptr);

  // The lines of a help page, from the compiled-in resources.
  static QStringList PageLines(const QString& page);

  QWidget* Panel1;
  QWidget* Panel2;
  QPlainTextEdit* Memo1;
  QPushButton* BitBtn1;
  // The page buttons from top to bottom.
  std::vector<QPushButton*> PageButtons;

 private:
  void FormCreate();
  void ShowPage(const QString& page);
};

}  // namespace kestrove::ui
