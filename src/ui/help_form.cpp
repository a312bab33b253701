#include "ui/help_form.h"

#include <QFile>
#include <QFrame>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>

#include "ui/error_display.h"
#include "ui/widgets.h"

namespace kestrove::ui {

namespace {

struct Page {
  const char* button;  // object name
  const char* caption;
  const char* file;
};

// From top to bottom.
constexpr Page kPages[] = {
    {"PZSpeedButton4", "Introduction", "introduction.txt"},
    {"PZSpeedButton2", "Record Generation", "record_generation.txt"},
    {"PZSpeedButton6", "Lookup Tables", "lookup_tables.txt"},
    {"PZSpeedButton1", "Synchronisation", "synchronisation.txt"},
    {"PZSpeedButton3", "Profiles", "profiles.txt"},
    {"PZSpeedButton7", "Other Issues", "other_issues.txt"},
    {"PZSpeedButton5", "Further Information", "further_information.txt"},
};

}  // namespace

THelpForm::THelpForm(QWidget* parent) : QDialog(parent) {
  setObjectName("HelpForm");
  setWindowTitle("Help");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(627, 459);
  setModal(false);
  QFont font("MS Sans Serif");
  font.setPointSize(8);
  setFont(font);

  auto* panel1 = new QFrame(this);
  panel1->setObjectName("Panel1");
  panel1->setGeometry(10, 13, 124, 423);
  panel1->setFrameShape(QFrame::Panel);
  panel1->setFrameShadow(QFrame::Raised);
  Panel1 = panel1;
  int top = 12;
  for (const Page& page : kPages) {
    auto* button = new QPushButton(page.caption, panel1);
    button->setObjectName(page.button);
    button->setGeometry(6, top, 112, 28);
    button->setFlat(true);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, Qt::blue);
    button->setPalette(palette);
    const QString file = page.file;
    connect(button, &QPushButton::clicked, this, Guarded([this, file] { ShowPage(file); }));
    PageButtons.push_back(button);
    top += 40;
  }

  auto* panel2 = new QFrame(this);
  panel2->setObjectName("Panel2");
  panel2->setGeometry(140, 8, 482, 399);
  panel2->setFrameShape(QFrame::Panel);
  panel2->setFrameShadow(QFrame::Sunken);
  Panel2 = panel2;
  auto* fill = new GradientFill(QColor(210, 220, 235), QColor(150, 170, 200), panel2);
  fill->setObjectName("DCFormFill1");
  fill->setGeometry(0, 0, 482, 399);
  Memo1 = new QPlainTextEdit(panel2);
  Memo1->setObjectName("Memo1");
  Memo1->setGeometry(7, 7, 462, 381);
  Memo1->setReadOnly(true);
  Memo1->setFrameShape(QFrame::NoFrame);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  {
    QPalette palette = Memo1->palette();
    palette.setColor(QPalette::Base, Qt::white);
    Memo1->setPalette(palette);
  }
  Memo1->setAccessibleName("Help page");

  BitBtn1 = new QPushButton("  OK", this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  BitBtn1->setGeometry(530, 419, 92, 28);
  connect(BitBtn1, &QPushButton::clicked, this, Guarded([this] { close(); }));

  FormCreate();
}

void THelpForm::FormCreate() {
  Memo1->clear();
  Panel2->hide();
}

QStringList THelpForm::PageLines(const QString& page) {
  QFile file(":/help/" + page);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();  // the file's last line end
  return lines;
}

void THelpForm::ShowPage(const QString& page) {
  Panel2->show();
  Memo1->clear();
  // One memo line per page line, empty lines included.
  Memo1->setPlainText(PageLines(page).join('\n'));
  Memo1->moveCursor(QTextCursor::Start);
  Memo1->verticalScrollBar()->setValue(0);
}

}  // namespace kestrove::ui
