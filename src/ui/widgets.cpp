#include "ui/widgets.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QStyleOptionButton>
#include <QTextLayout>

namespace kestrove::ui {

GradientFill::GradientFill(QColor from, QColor to, QWidget* parent)
    : QWidget(parent), from_(from), to_(to) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GradientFill::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QLinearGradient gradient(0, 0, 0, height());
  gradient.setColorAt(0, from_);
  gradient.setColorAt(1, to_);
  painter.fillRect(rect(), gradient);
}

BlinkLabel::BlinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent), text_(text) {
  timer_.setInterval(400);
  connect(&timer_, &QTimer::timeout, this, [this] {
    lit_ = !lit_;
    setText(lit_ ? text_ : QString());
  });
}

void BlinkLabel::SetBlinking(bool on) {
  lit_ = true;
  setText(text_);
  if (on)
    timer_.start();
  else
    timer_.stop();
}

GradientButton::GradientButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void GradientButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient gradient(0, 0, 0, height());
  const bool down = isDown();
  gradient.setColorAt(0, down ? QColor(0, 40, 120) : QColor(90, 150, 255));
  gradient.setColorAt(1, down ? QColor(60, 120, 230) : QColor(0, 40, 120));
  painter.setPen(QPen(QColor(20, 20, 60), 1));
  painter.setBrush(gradient);
  painter.drawRoundedRect(rect().adjusted(0, 0, -1, -1), 4, 4);
  if (hasFocus()) {
    painter.setPen(QPen(QColor(255, 255, 0), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect().adjusted(3, 3, -4, -4), 3, 3);
  }
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  painter.setPen(isEnabled() ? Qt::white : Qt::gray);
  painter.drawText(rect(), Qt::AlignCenter, text());
}

MonitorLabel::MonitorLabel(QWidget* parent) : QLabel(parent) {
  setWordWrap(false);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setTextFormat(Qt::PlainText);
}

void MonitorLabel::SetFullText(const QString& text) {
  if (text == full_) return;
  full_ = text;
  // Break the text into the label's lines, anywhere in a long word if need
  // be (a column list has no blanks), and end the last line in "..." when
  // the text goes on past it. The end-of-run mark stays in sight.
  static const QString kCompleted = "    Completed";
  const bool completed = text.endsWith(kCompleted);
  const QString body = completed ? text.left(text.size() - kCompleted.size()) : text;
  const QString tail = completed ? kCompleted : QString();
  const QFontMetrics metrics(font());
  const int lines = std::max(1, height() / metrics.lineSpacing());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  QTextLayout layout(body + tail, font());
  layout.setTextOption(option);
  layout.beginLayout();
  QStringList shown;
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(width());
    if (shown.size() == lines - 1) {
      const QString rest = (body + tail).mid(line.textStart());
      if (metrics.horizontalAdvance(rest) <= width()) {
        shown << rest;
      } else {
        const int room = width() - metrics.horizontalAdvance(tail);
        shown << metrics.elidedText(body.mid(line.textStart()), Qt::ElideRight, room) + tail;
      }
      break;
    }
    shown << (body + tail).mid(line.textStart(), line.textLength()).trimmed();
  }
  layout.endLayout();
  setText(shown.join('\n'));
}

void DataSourceBox::showPopup() {
  if (BeforePopup) BeforePopup();
  QComboBox::showPopup();
}

}  // namespace kestrove::ui
