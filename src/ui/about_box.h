// The About box: the program's name, version and icon.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kestrove::ui {

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QLabel* ProgramIcon;
  QLabel* ProductName;
  QLabel* Version;
  QLabel* Label1;
  QPushButton* BitBtn1;
};

}  // namespace kestrove::ui
