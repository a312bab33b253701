#include "ui/db_error_dialog.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

#include "ui/error_display.h"
#include "ui/text.h"

namespace kestrove::ui {

namespace {

constexpr int kClientWidth = 291;
constexpr int kHeightHidden = 86;  // top of the separator minus 2
constexpr int kHeightShown = 245;  // bottom of Next plus 4

template <typename W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(name);
  widget->setGeometry(left, top, width, height);
  return widget;
}

}  // namespace

DbErrorDialog::DbErrorDialog(const EODBC& error, const QString& text, QWidget* parent)
    : QDialog(parent), error_(error) {
  setObjectName("DbErrorDialog");
  setWindowTitle(QString("Database Error: ") + kApplicationTitle);
  // The small dialog font the fixed places are laid out for.
  QFont small = font();
  small.setPixelSize(11);
  setFont(small);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

  auto* icon = Place(new QLabel(this), "Image1", 12, 12, 32, 32);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
  Label1 = Place(new QLabel(text, this), "Label1", 56, 12, 225, 41);
  Label1->setWordWrap(true);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Button1 = Place(new QPushButton("OK", this), "Button1", 108, 56, 75, 25);
  Button1->setDefault(true);
  Button2 = Place(new QPushButton("Details >>", this), "Button2", 212, 56, 75, 25);
  auto* bevel = Place(new QFrame(this), "Bevel1", 4, 88, 281, 2);
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Sunken);
  Memo1 = Place(new QPlainTextEdit(this), "Memo1", 8, 100, 277, 81);
  Memo1->setReadOnly(true);
  auto* label2 = Place(new QLabel("ODBC Error", this), "Label2", 8, 192, 65, 16);
  label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Edit1 = Place(new QLineEdit(this), "Edit1", 80, 188, 61, 21);
  Edit1->setReadOnly(true);
  label2->setBuddy(Edit1);
  auto* label3 = Place(new QLabel("Database Error", this), "Label3", 144, 192, 73, 16);
  label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Edit2 = Place(new QLineEdit(this), "Edit2", 224, 188, 61, 21);
  Edit2->setReadOnly(true);
  label3->setBuddy(Edit2);
  // The two captions have narrow places of their own.
  QFont caption = font();
  caption.setPixelSize(10);
  caption.setLetterSpacing(QFont::PercentageSpacing, 93);
  label2->setFont(caption);
  label3->setFont(caption);
  Button3 = Place(new QPushButton("Prev", this), "Button3", 108, 216, 75, 25);
  Button4 = Place(new QPushButton("Next", this), "Button4", 212, 216, 75, 25);

  connect(Button1, &QPushButton::clicked, this, Guarded([this] { accept(); }));
  connect(Button2, &QPushButton::clicked, this, Guarded([this] { Button2Click(); }));
  connect(Button3, &QPushButton::clicked, this, Guarded([this] { Button3Click(); }));
  connect(Button4, &QPushButton::clicked, this, Guarded([this] { Button4Click(); }));

  ShowDetails(false);
  error_.SetCurrentIndex(0);
  ShowRecord();
  Button3->setEnabled(false);
  Button4->setEnabled(true);
}

void DbErrorDialog::ShowDetails(bool shown) {
  details_shown_ = shown;
  setFixedSize(kClientWidth, shown ? kHeightShown : kHeightHidden);
  Button2->setText(shown ? "Details <<" : "Details >>");
}

void DbErrorDialog::ShowRecord() {
  if (!error_.HasCurrentRecord()) return;
  const TErrorRec& record = error_.CurrentRecord();
  Memo1->setPlainText(FromEngine(record.Message));
  Edit1->setText(FromEngine(record.SqlState));
  Edit2->setText(QString::number(record.NativeError));
}

void DbErrorDialog::Button2Click() {
  ShowDetails(!details_shown_);
}

void DbErrorDialog::Button4Click() {
  Button3->setEnabled(true);
  Button4->setEnabled(true);
  const int before = error_.CurrentIndex();
  if (error_.NextRecord()) {
    ShowRecord();
  } else {
    error_.SetCurrentIndex(before);
    Button4->setEnabled(false);
  }
}

void DbErrorDialog::Button3Click() {
  Button3->setEnabled(true);
  Button4->setEnabled(true);
  const int before = error_.CurrentIndex();
  if (error_.PreviousRecord()) {
    ShowRecord();
  } else {
    error_.SetCurrentIndex(before);
    Button3->setEnabled(false);
  }
}

void ShowDatabaseErrorDialog(const EODBC& error, const QString& text, QWidget* parent) {
  DbErrorDialog dialog(error, text, parent);
  dialog.exec();
}

}  // namespace kestrove::ui
