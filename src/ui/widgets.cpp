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
  setWordWrap(true);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setTextFormat(Qt::PlainText);
}

void MonitorLabel::SetFullText(const QString& text) {
  if (text == full_) return;
  full_ = text;
  // Lay the text out as the label wraps it and keep the lines that fit.
  const QFontMetrics metrics(font());
  const int lines = std::max(1, height() / metrics.lineSpacing());
  QTextLayout layout(text, font());
  layout.beginLayout();
  int shown = 0, end = 0;
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(width());
    if (++shown > lines) break;
    end = line.textStart() + line.textLength();
  }
  layout.endLayout();
  if (end >= text.size()) {
    setText(text);
  } else {
    QString cut = text.left(end);
    const int keep = std::max<qsizetype>(0, cut.size() - 3);
    setText(cut.left(keep) + "...");
  }
}

}  // namespace kestrove::ui
