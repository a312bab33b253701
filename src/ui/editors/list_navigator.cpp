#include "ui/editors/list_navigator.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

#include "ui/editors/list_model.h"
#include "ui/error_display.h"

namespace kestrove::ui {

namespace {

using State = TdxMemData::State;

struct ButtonKind {
  const char* name;
  const char* hint;
};

constexpr std::array<ButtonKind, ListNavigator::kButtonCount> kButtons = {{
    {"wwDBNavigator1First", "Move to first record"},
    {"wwDBNavigator1Prior", "Move to prior record"},
    {"wwDBNavigator1Next", "Move to next record"},
    {"wwDBNavigator1Last", "Move to last record"},
    {"wwDBNavigator1Insert", "Insert new record"},
    {"wwDBNavigator1Delete", "Delete current record"},
    {"wwDBNavigator1Post", "Post changes of current record"},
    {"wwDBNavigator1Cancel", "Cancel changes made to current record"},
    {"wwDBNavigator1SaveBookmark", "Bookmark current record"},
    {"wwDBNavigator1RestoreBookmark", "Go back to saved bookmark"},
}};

// The buttons' glyphs, drawn on a 16 by 16 grid.
QIcon Glyph(int button) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(0, 0, 110);
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  auto triangle = [&](bool left, qreal x) {
    const QPolygonF shape = left ? QPolygonF({{x + 6, 3}, {x + 6, 13}, {x, 8}})
                                 : QPolygonF({{x, 3}, {x, 13}, {x + 6, 8}});
    p.drawPolygon(shape);
  };
  auto ribbon = [&](qreal x) {
    QPainterPath path;
    path.moveTo(x, 2);
    path.lineTo(x + 7, 2);
    path.lineTo(x + 7, 14);
    path.lineTo(x + 3.5, 10.5);
    path.lineTo(x, 14);
    path.closeSubpath();
    p.setBrush(QColor(170, 20, 20));
    p.drawPath(path);
  };
  switch (button) {
    case ListNavigator::kFirst:
      p.drawRect(QRectF(3, 3, 2, 10));
      triangle(true, 6);
      break;
    case ListNavigator::kPrior:
      triangle(true, 5);
      break;
    case ListNavigator::kNext:
      triangle(false, 5);
      break;
    case ListNavigator::kLast:
      triangle(false, 4);
      p.drawRect(QRectF(11, 3, 2, 10));
      break;
    case ListNavigator::kInsert:
      p.drawRect(QRectF(3, 7, 10, 2));
      p.drawRect(QRectF(7, 3, 2, 10));
      break;
    case ListNavigator::kDelete:
      p.drawRect(QRectF(3, 7, 10, 2));
      break;
    case ListNavigator::kPost:
      p.setPen(QPen(QColor(0, 120, 0), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.setBrush(Qt::NoBrush);
      p.drawPolyline(QPolygonF({{3, 8}, {6.5, 12}, {13, 4}}));
      break;
    case ListNavigator::kCancel:
      p.setPen(QPen(QColor(170, 20, 20), 2.2, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(4, 4), QPointF(12, 12));
      p.drawLine(QPointF(12, 4), QPointF(4, 12));
      break;
    case ListNavigator::kSaveBookmark:
      ribbon(4.5);
      break;
    case ListNavigator::kGotoBookmark:
      ribbon(8);
      p.setBrush(ink);
      p.drawPolygon(QPolygonF({{1, 8}, {6, 4}, {6, 12}}));
      break;
  }
  return QIcon(pixmap);
}

}  // namespace

ListNavigator::ListNavigator(TdxMemData& list, QWidget* parent) : QWidget(parent), list_(list) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  for (int i = 0; i < kButtonCount; ++i) {
    auto* button = new QToolButton(this);
    button->setObjectName(kButtons[static_cast<size_t>(i)].name);
    button->setToolTip(kButtons[static_cast<size_t>(i)].hint);
    button->setAccessibleName(kButtons[static_cast<size_t>(i)].hint);
    button->setIcon(Glyph(i));
    button->setFixedSize(25, 25);
    button->setAutoRaise(false);
    row->addWidget(button);
    buttons_[static_cast<size_t>(i)] = button;
    const auto which = static_cast<Button>(i);
    connect(button, &QToolButton::clicked, this, Guarded([this, which] { Press(which); }));
  }
  UpdateButtons();
}

void ListNavigator::Press(Button button) {
  if (!list_.Active()) return;
  if (BeforeAction) BeforeAction();
  switch (button) {
    case kFirst:
      list_.First();
      break;
    case kPrior:
      list_.Prior();
      break;
    case kNext:
      list_.Next();
      break;
    case kLast:
      list_.Last();
      break;
    case kInsert:
      list_.Insert();
      break;
    case kDelete:
      // The navigator deletes at once; only the grid's Ctrl+Delete asks.
      if (!list_.IsEmpty()) list_.Delete();
      break;
    case kPost:
      list_.Post();
      break;
    case kCancel:
      list_.Cancel();
      break;
    case kSaveBookmark:
      if (list_.GetState() != State::Insert) bookmark_ = list_.RecId();
      break;
    case kGotoBookmark: {
      // The bookmark names a record, wherever sorting or inserts have put it.
      SettleRow(list_);
      const int32_t at = FindRecord(list_, bookmark_);
      if (at >= 0) list_.MoveBy(at - list_.RecNo());
      break;
    }
  }
  UpdateButtons();
}

void ListNavigator::UpdateButtons() {
  const bool open = list_.Active();
  const State state = list_.GetState();
  const bool pending = state == State::Insert || state == State::Edit;
  const bool on_record = open && state != State::Insert && list_.RecordCount() > 0;
  std::array<bool, kButtonCount> enabled{};
  enabled[kFirst] = enabled[kPrior] = open && !list_.IsFirst();
  enabled[kNext] = enabled[kLast] = open && !list_.IsLast();
  enabled[kInsert] = open;
  enabled[kDelete] = open && !list_.IsEmpty();
  enabled[kPost] = enabled[kCancel] = open && pending;
  enabled[kSaveBookmark] = on_record;
  // A deleted bookmarked record cannot be gone back to.
  enabled[kGotoBookmark] = open && bookmark_ > 0 && FindRecord(list_, bookmark_) >= 0;
  for (int i = 0; i < kButtonCount; ++i)
    buttons_[static_cast<size_t>(i)]->setEnabled(enabled[static_cast<size_t>(i)]);
}

}  // namespace kestrove::ui
