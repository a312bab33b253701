// Finding a window's controls by their names and working them as a user
// does, for the GUI tests.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <stdexcept>
#include <string>

namespace kestrove::testing {

// The control called `name` under `window`. A missing one fails the case,
// and the throw ends it there.
template <class T>
T* Control(QWidget& window, const char* name) {
  T* control = window.findChild<T*>(name);
  if (!control) {
    ADD_FAILURE() << "no control " << name << " in " << window.objectName().toStdString();
    throw std::runtime_error(std::string("no control ") + name);
  }
  return control;
}

// The item of the menu called `menu` with this caption.
inline QAction* MenuItem(QWidget& window, const char* menu, const QString& caption) {
  for (QAction* action : Control<QMenu>(window, menu)->actions())
    if (action->text() == caption) return action;
  ADD_FAILURE() << "no item " << caption.toStdString() << " in " << menu;
  throw std::runtime_error("no menu item " + caption.toStdString());
}

inline void Click(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// Picks an item of a pick-only combo box: the index changes, then the box
// tells what the user chose.
inline void Pick(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}
inline void Pick(QComboBox* combo, const QString& text) {
  const int index = combo->findText(text);
  ASSERT_GE(index, 0) << "no item " << text.toStdString() << " in "
                      << combo->objectName().toStdString();
  Pick(combo, index);
}

// Clicks a list's row, scrolled into view first.
inline void Select(QListWidget* list, int row) {
  QListWidgetItem* item = list->item(row);
  ASSERT_NE(item, nullptr) << "no row " << row << " in " << list->objectName().toStdString();
  list->scrollToItem(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}
inline void Select(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  ASSERT_FALSE(found.isEmpty()) << "no item " << text.toStdString() << " in "
                                << list->objectName().toStdString();
  Select(list, list->row(found.first()));
}

// Types a text over the edit's own, key by key, and presses Return.
inline void Type(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClicks(edit, text);
  QTest::keyClick(edit, Qt::Key_Return);
}
// Pastes a text over the edit's own: one edit, however long the text.
inline void Paste(QLineEdit* edit, const QString& text) {
  QGuiApplication::clipboard()->setText(text);
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

// The focus arriving in a widget, for this reason.
inline void Enter(QWidget* widget, Qt::FocusReason reason) {
  QFocusEvent in(QEvent::FocusIn, reason);
  QCoreApplication::sendEvent(widget, &in);
}

}  // namespace kestrove::testing
