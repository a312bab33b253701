#include "ui/editors/town_form.h"

#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "core/errors.h"
#include "core/lookup_ids.h"
#include "lookup/list_file.h"
#include "ui/editors/list_grid.h"
#include "ui/editors/list_navigator.h"
#include "ui/error_display.h"
#include "ui/main_form.h"
#include "ui/text.h"
#include "ui/widgets.h"

namespace kestrove::ui {

namespace {

constexpr int kClientWidth = 627;
constexpr int kClientHeight = 459;

const QColor kGrey(128, 128, 128);
const QColor kSilver(192, 192, 192);

const EditorKind& TownKind() {
  static const EditorKind kind{
      "TownForm",
      kTownList,
      "Lookup Table Editor",
      "Town && County Editor",
      {{"Town", 24, "Town"}, {"County", 24, "County"}, {"PostCode", 4, "Post  Code"}},
      "Town",
      "Town and County fields are restricted to 24 chars each.\n\n"
      "Enter only the first two characters of the Post/Zip Code.",
  };
  return kind;
}

template <typename W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(name);
  widget->setGeometry(left, top, width, height);
  return widget;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, colour);
  widget->setPalette(palette);
}

}  // namespace

QString ShownCaption(const QString& text) {
  QString shown;
  shown.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}

TTownForm::TTownForm(TMainForm& owner) : TTownForm(owner, TownKind()) {}

TTownForm::TTownForm(TMainForm& owner, const EditorKind& kind)
    : QDialog(&owner),
      owner_(owner),
      list_(owner.Work().Lists.List(kind.list)),
      path_(owner.Places().WritePath(kLookupFileNames[static_cast<size_t>(kind.list)])),
      sort_key_(kind.sort_key) {
  setObjectName(kind.name);
  setWindowTitle(kind.caption);
  // A fixed dialog border with a title and nothing else: no close box, no
  // system menu.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setModal(true);
  QFont font("MS Sans Serif");
  font.setPointSize(8);
  setFont(font);
  setFixedSize(kClientWidth, kClientHeight);
  BuildControls(kind);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  RunGuarded([this] { FormCreate(); });
  // From here on the grid and the navigator follow the list.
  list_.SetOnChange([this] { ListChanged(); });
}

TTownForm::~TTownForm() {
  list_.SetOnChange(nullptr);
}

void TTownForm::BuildControls(const EditorKind& kind) {
  Grad5 = Place(new GradientFill(kGrey, kSilver, this), "Grad5", 0, 0, kClientWidth, kClientHeight);

  Panel1 = Place(new QFrame(this), "Panel1", 7, 7, 423, 416);
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setFrameShadow(QFrame::Raised);
  Panel1->setAutoFillBackground(true);
  if (kind.tall_guidance)
    Grad6 = Place(new GradientFill(kSilver, kGrey, Panel1), "Grad6", 2, 2, 419, 412);
  else
    Grad6 = Place(new GradientFill(kSilver, kGrey, Panel1), "Grad6", 2, 72, 419, 342);

  RxLabel1 = Place(new QLabel(ShownCaption(kind.title), Panel1), "RxLabel1", 8, 8, 330, 30);
  RxLabel1->setTextFormat(Qt::PlainText);
  {
    QFont big = RxLabel1->font();
    big.setPointSize(15);
    big.setBold(true);
    RxLabel1->setFont(big);
    SetTextColour(RxLabel1, QColor(0, 0, 128));
  }

  SortBox = Place(new QCheckBox("Sort", Panel1), "SortBox", 350, 14, 60, 20);
  SortBox->setChecked(false);

  wwDBNavigator1 = Place(new ListNavigator(list_, Panel1), "wwDBNavigator1", 6, 42, 250, 25);

  wwDataSource1 = new ListModel(list_, kind.columns, this);
  wwDataSource1->setObjectName("wwDataSource1");
  wwDBGrid1 = Place(new ListGrid(*wwDataSource1, owner_.UserPrompts(), Panel1), "wwDBGrid1", 6, 76,
                    411, 332);
  wwDBGrid1->setAccessibleName(ShownCaption(kind.title));
  wwDBNavigator1->BeforeAction = [this] { wwDBGrid1->FinishCellEdit(); };

  const QString guidance = QString::fromLatin1(kind.guidance);
  if (kind.tall_guidance)
    Label2 = Place(new QLabel(guidance, this), "Label2", 442, 12, 176, 404);
  else
    Label2 = Place(new QLabel(guidance, this), "Label2", 442, 12, 176, 160);
  Label2->setTextFormat(Qt::PlainText);
  Label2->setWordWrap(true);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // No background of its own: the window's gradient shows through.
  Label2->setAutoFillBackground(false);
  SetTextColour(Label2, kind.tall_guidance ? QColor(Qt::black) : QColor(0, 0, 128));

  BitBtn1 = Place(new QPushButton("   OK", this), "BitBtn1", 525, 424, 92, 28);
  BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  BitBtn1->setDefault(true);
  BitBtn1->setAutoDefault(true);

  // The window opens in the grid.
  wwDBGrid1->setFocus();

  connect(SortBox, &QCheckBox::toggled, this, Guarded<bool>([this](bool) { SortBoxClick(); }));
  connect(BitBtn1, &QPushButton::clicked, this, Guarded([this] { BitBtn1Click(); }));
}

void TTownForm::FormCreate() {
  Grad5->setVisible(owner_.HiResOn());
  Grad6->setVisible(owner_.HiResOn());
}

void TTownForm::FormClose() {
  // The window no longer shows the list; whoever opened it destroys it once
  // it has closed.
  list_.SetOnChange(nullptr);
}

void TTownForm::SortBoxClick() {
  wwDBGrid1->FinishCellEdit();
  // A closed list only takes note of the key; it sorts at its next load.
  list_.SetSortedField(SortBox->isChecked() ? sort_key_ : std::string());
  ListChanged();
}

void TTownForm::BitBtn1Click() {
  wwDBGrid1->FinishCellEdit();
  // The row still being typed is part of what the user sees, so it is
  // saved too. A save that fails leaves the window open with its edits.
  if (list_.Active()) SettleRow(list_);
  // A file that cannot be written must not hold the user in the window: the
  // old file is left as it was, and the user tries again or leaves.
  for (;;) {
    try {
      // Installed, the user's data folder may not exist yet.
      owner_.Places().MakeWriteFolder();
      SaveListFile(list_, path_);
      break;
    } catch (const EInOutError& error) {
      const QString message =
          FromEngine(DisplayMessage(error.what())) + "\n\nThe list has not been saved.";
      if (!owner_.UserPrompts().RetryListSave(this, message)) {
        done(QDialog::Rejected);
        return;
      }
    }
  }
  accept();
}

void TTownForm::reject() {}

void TTownForm::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TTownForm::ListChanged() {
  wwDBGrid1->Follow();
  wwDBNavigator1->UpdateButtons();
}

}  // namespace kestrove::ui
