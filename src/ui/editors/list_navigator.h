// The record navigator: ten buttons that move through the list, insert,
// delete, post and cancel, and save and return to a bookmark. Each button is
// enabled exactly while its action can be done on the list.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "lookup/mem_data.h"

class QToolButton;

namespace kestrove::ui {

class ListNavigator : public QWidget {
  Q_OBJECT

 public:
  enum Button {
    kFirst,
    kPrior,
    kNext,
    kLast,
    kInsert,
    kDelete,
    kPost,
    kCancel,
    kSaveBookmark,
    kGotoBookmark,
  };
  static constexpr int kButtonCount = 10;

  ListNavigator(TdxMemData& list, QWidget* parent = nullptr);

  QToolButton* ButtonOf(Button button) const { return buttons_[button]; }
  // Runs before every action, so an open cell edit reaches the list first.
  std::function<void()> BeforeAction;
  // Sets each button's enabling from the list's state.
  void UpdateButtons();
  // A button's action, as its click runs it.
  void Press(Button button);

 private:
  TdxMemData& list_;
  std::array<QToolButton*, kButtonCount> buttons_{};
  // Hidden record number of the bookmarked record; 0 for none.
  int32_t bookmark_ = 0;
};

}  // namespace kestrove::ui
