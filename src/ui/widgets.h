// Small widgets of the main window: the gradient background of a panel, the
// blinking "Processing" label, the gradient Generate button, the statement
// monitor that shows long statements cut short, and the data source box.
#pragma once

#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kestrove::ui {

// A panel background that fades from one colour to another, top to bottom.
class GradientFill : public QWidget {
  Q_OBJECT

 public:
  GradientFill(QColor from, QColor to, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor from_, to_;
};

// A label that blinks its text while blinking is on.
class BlinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit BlinkLabel(const QString& text, QWidget* parent = nullptr);
  void SetBlinking(bool on);
  bool Blinking() const { return timer_.isActive(); }

 private:
  QTimer timer_;
  QString text_;
  bool lit_ = true;
};

// The gradient Generate button of the Hi Res style.
class GradientButton : public QPushButton {
  Q_OBJECT

 public:
  explicit GradientButton(const QString& text, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A word-wrapped label that shows as much of a long text as fits, ending
// in "..." when it is cut.
class MonitorLabel : public QLabel {
  Q_OBJECT

 public:
  explicit MonitorLabel(QWidget* parent = nullptr);
  // The whole text; what is shown is cut to the label's lines.
  void SetFullText(const QString& text);
  const QString& FullText() const { return full_; }

 private:
  QString full_;
};

// A pick-only combo box that is filled afresh just before its drop-down
// opens. A click may reach the box before it has the focus (the window
// manager activates the window only after the press), and a box that is
// still empty then would open nothing.
class DataSourceBox : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;
  std::function<void()> BeforePopup;
  void showPopup() override;
};

}  // namespace kestrove::ui
