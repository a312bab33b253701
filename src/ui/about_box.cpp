#include "ui/about_box.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "ui/error_display.h"
#include "ui/icon.h"

namespace kestrove::ui {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("About");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setModal(true);
  setFixedSize(298, 180);

  auto* panel = new QFrame(this);
  panel->setObjectName("Panel1");
  panel->setGeometry(8, 8, 282, 128);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);

  ProgramIcon = new QLabel(panel);
  ProgramIcon->setObjectName("ProgramIcon");
  ProgramIcon->setGeometry(10, 10, 32, 32);
  ProgramIcon->setPixmap(ProgramPixmap(32));

  ProductName = new QLabel("Kestrove", panel);
  ProductName->setObjectName("ProductName");
  ProductName->setGeometry(52, 8, 160, 40);
  QFont big("DejaVu Sans");
  big.setPixelSize(26);
  big.setBold(true);
  big.setItalic(true);
  ProductName->setFont(big);
  QPalette blue = ProductName->palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  ProductName->setPalette(blue);

  Version = new QLabel("3", panel);
  Version->setObjectName("Version");
  Version->setGeometry(200, 0, 76, 100);
  Version->setAlignment(Qt::AlignRight | Qt::AlignTop);
  QFont huge("DejaVu Sans");
  huge.setPixelSize(84);
  huge.setBold(true);
  Version->setFont(huge);
  QPalette grey = Version->palette();
  grey.setColor(QPalette::WindowText, QColor(150, 150, 150));
  Version->setPalette(grey);

  Label1 = new QLabel("v3.1", panel);
  Label1->setObjectName("Label1");
  Label1->setGeometry(56, 50, 100, 20);
  QFont bold = font();
  bold.setBold(true);
  Label1->setFont(bold);

  BitBtn1 = new QPushButton("  OK", this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  BitBtn1->setGeometry(206, 144, 84, 28);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, Guarded([this] { accept(); }));
}

}  // namespace kestrove::ui
