#include "ui/main_form.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <utility>

#include "catalogue/choice_catalogue.h"
#include "catalogue/profile_file.h"
#include "core/errors.h"
#include "core/field_types.h"
#include "core/lookup_ids.h"
#include "db/odbc_error.h"
#include "ui/about_box.h"
#include "ui/editors/list_editors.h"
#include "ui/error_display.h"
#include "ui/help_form.h"
#include "ui/icon.h"
#include "ui/text.h"
#include "ui/widgets.h"

namespace kestrove::ui {

namespace {

constexpr int kClientWidth = 627;
constexpr int kClientHeight = 440;
constexpr const char* kSettingsFile = kSettingsFileName;
constexpr const char* kCommunicationFailure =
    "Communication Failure. Please select another Data Source.";
constexpr const char* kSystemTable =
    "This is a system table and cannot be modified. Please select another.";

// A caption as written, with "\r\n" marking its line breaks.
QString Caption(const char* text) {
  return QString::fromLatin1(text).replace("\r\n", "\n");
}

template <typename W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(name);
  widget->setGeometry(left, top, width, height);
  return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int left, int top, int width,
                  int height = 16) {
  auto* label = Place(new QLabel(Caption(text), parent), name, left, top, width, height);
  label->setTextFormat(Qt::PlainText);
  return label;
}

// A raised panel with its gradient background, which fades from grey to blue
// (or, `upward`, from blue to grey) down the panel.
QFrame* MakePanel(QWidget* parent, const char* name, const QRect& place, GradientFill** fill,
                  const char* fill_name, bool upward) {
  auto* panel =
      Place(new QFrame(parent), name, place.x(), place.y(), place.width(), place.height());
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Raised);
  const QColor grey(60, 60, 70), blue(20, 50, 120);
  *fill = Place(new GradientFill(upward ? blue : grey, upward ? grey : blue, panel), fill_name, 2,
                2, place.width() - 4, place.height() - 4);
  return panel;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, colour);
  widget->setPalette(palette);
}

void SetBold(QWidget* widget) {
  QFont font = widget->font();
  font.setBold(true);
  widget->setFont(font);
}

// The menu images, drawn here: 0 new, 1 load, 2 save, 3 plain style, 4 Hi Res
// style, 5 exit, 6 lookup list, 7 user list, 8 about, 9 help.
QList<QPixmap> MenuImages(QStyle* style) {
  QList<QPixmap> images;
  auto standard = [&](QStyle::StandardPixmap which) {
    images.push_back(style->standardIcon(which).pixmap(16, 16));
  };
  auto screen = [&](bool hi_res) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    QLinearGradient gradient(0, 2, 0, 12);
    gradient.setColorAt(0, hi_res ? QColor(90, 150, 255) : QColor(200, 200, 200));
    gradient.setColorAt(1, hi_res ? QColor(0, 30, 110) : QColor(120, 120, 120));
    painter.setBrush(gradient);
    painter.drawRect(1, 2, 13, 9);
    painter.drawLine(5, 13, 10, 13);
    painter.drawLine(7, 11, 7, 13);
    images.push_back(pixmap);
  };
  standard(QStyle::SP_FileIcon);
  standard(QStyle::SP_DialogOpenButton);
  standard(QStyle::SP_DialogSaveButton);
  screen(false);
  screen(true);
  standard(QStyle::SP_DialogCloseButton);
  standard(QStyle::SP_FileDialogDetailedView);
  standard(QStyle::SP_FileDialogListView);
  standard(QStyle::SP_MessageBoxInformation);
  standard(QStyle::SP_DialogHelpButton);
  return images;
}

}  // namespace

// Marks the window as filling its own controls for as long as it lives, so
// the row handlers ignore the changes the fill makes, a fill that throws too.
class TMainForm::Filling {
 public:
  explicit Filling(TMainForm& form) : flag_(form.updating_), was_(std::exchange(flag_, true)) {}
  ~Filling() { flag_ = was_; }
  Filling(const Filling&) = delete;
  Filling& operator=(const Filling&) = delete;

 private:
  bool& flag_;
  bool was_;
};

// The run's monitor: the labels of the table panel and the statement line.
// The labels change every record, so the texts are kept here and pushed to
// the labels only when the window can show them, a few times a second.
class TMainForm::Monitor {
 public:
  explicit Monitor(TMainForm& form) : form_(form) { since_flush_.start(); }

  void SetCaptions(const std::string& gradient, const std::string& plain) {
    form_.GenerateBtn->setText(QString::fromStdString(gradient));
    form_.AltGenerateBtn->setText(QString::fromStdString(plain));
  }
  void ShowRunMonitor() {
    form_.ProcLabel->show();
    form_.ProcLabel->SetBlinking(true);
    form_.MonitorRecNo->show();
  }
  void HideRunMonitor() {
    form_.ProcLabel->SetBlinking(false);
    form_.ProcLabel->hide();
    form_.MonitorTable->hide();
    form_.MonitorRecNo->hide();
  }
  void SetMonitorTable(const std::string& text) {
    form_.MonitorTable->setText(FromEngine(text));
    form_.MonitorTable->show();
  }
  void SetMonitorRecNo(const std::string& text, int32_t record) {
    recno_ = text;
    dirty_ = true;
    if (record == 0) Flush();
  }
  void SetSqlMonitor(const std::string& text) {
    sql_ = text;
    dirty_ = true;
    if (text.empty()) Flush();
  }
  const std::string& SqlMonitor() const { return sql_; }

  // Pushes the texts to the labels when they changed.
  void Flush() {
    since_flush_.restart();
    if (!dirty_) return;
    dirty_ = false;
    form_.MonitorRecNo->setText(QString::fromStdString(recno_));
    // Only the start of a long statement can be shown.
    constexpr size_t kShown = 2000;
    form_.SQLMonitor->SetFullText(
        FromEngine(sql_.size() > kShown ? sql_.substr(0, kShown) + "..." : sql_));
  }
  void FlushNow() {
    dirty_ = true;
    Flush();
  }
  // Called between records: at most a few label updates a second.
  void Tick() {
    if (dirty_ && since_flush_.elapsed() >= 50) Flush();
  }

 private:
  TMainForm& form_;
  std::string recno_, sql_;
  bool dirty_ = false;
  QElapsedTimer since_flush_;
};

// Database errors that a lookup survives, shown in the error dialog.
class TMainForm::Reporter : public DatabaseErrorReporter {
 public:
  explicit Reporter(TMainForm& form) : form_(form) {}
  void ShowDatabaseError(const EODBC& error, const std::string& text) override {
    form_.environment_.prompts->ShowDatabaseError(&form_, error, FromEngine(text));
  }

 private:
  TMainForm& form_;
};

TMainForm::TMainForm(const MainFormEnvironment& environment, QWidget* parent)
    : QMainWindow(parent), environment_(environment) {
  setObjectName("MainForm");
  monitor_ = std::make_unique<Monitor>(*this);
  reporter_ = std::make_unique<Reporter>(*this);
  workspace_ = std::make_unique<Workspace>(*environment_.clock, *this, *reporter_);
  setWindowTitle(" Kestrove v3.1");
  setWindowIcon(ProgramIcon());
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  QFont font("MS Sans Serif");
  font.setPointSize(8);
  setFont(font);
  menu_images_ = MenuImages(style());
  BuildControls();
  BuildMenus();
  adjustSize();
  setFixedSize(size());
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  workspace_->Db.Connector.WindowHandle = this;
  workspace_->Db.Connector.LoginPrompt = this;
  // Errors no handler catches are shown over this window.
  previous_display_ = SetStandardErrorDisplay([this](const std::string& message) {
    environment_.prompts->ShowError(this, FromEngine(message));
  });
  RunGuarded([this] { FormCreate(); });
}

TMainForm::~TMainForm() {
  SetStandardErrorDisplay(std::move(previous_display_));
}

void TMainForm::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName("Client");
  client->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client);

  // The window background behind the caution text, and the statement line.
  Grad4 = Place(new GradientFill(QColor(20, 40, 90), QColor(70, 110, 170), client), "Grad4", 0, 0,
                kClientWidth, 400);

  // Data source panel.
  MainPanel = MakePanel(client, "MainPanel", QRect(0, 0, 190, 108), &Grad1, "Grad1", false);
  L1 = MakeLabel(MainPanel, "L1", "Data Source", 10, 10, 170);
  auto* data_source_box = Place(new DataSourceBox(MainPanel), "dbList", 10, 28, 170, 22);
  data_source_box->BeforePopup = [this] { RunGuarded([this] { dbListEnter(); }); };
  dbList = data_source_box;
  dbList->setEditable(false);
  dbList->installEventFilter(this);
  L1->setBuddy(dbList);
  Label5 = MakeLabel(MainPanel, "Label5", "Show Login Prompt ?", 10, 68, 140);
  PromptBox = Place(new QCheckBox(MainPanel), "PromptBox", 160, 67, 18, 18);
  PromptBox->setAccessibleName("Show Login Prompt ?");
  Label5->setBuddy(PromptBox);

  Label2 = MakeLabel(client, "Label2",
                     "The list shows the\r\navailable ODBC\r\ndata sources.\r\nA valid Data "
                     "Source\r\nmust be selected\r\nfrom the list. \r\nConnections are "
                     "made\r\nvia ODBC only.\r\n\r\nBefore a Profile can be\r\nloaded or saved, "
                     "a\r\nvalid connection must\r\nbe established.",
                     14, 122, 170, 240);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  // Table panel.
  TablePanel = MakePanel(client, "TablePanel", QRect(0, 108, 190, 292), &Grad2, "Grad2", true);
  L2 = MakeLabel(TablePanel, "L2", "Table Name", 10, 8, 170);
  TableList = Place(new QComboBox(TablePanel), "TableList", 10, 26, 170, 22);
  TableList->setEditable(false);
  TableList->setMaxVisibleItems(20);
  L2->setBuddy(TableList);
  L3 = MakeLabel(TablePanel, "L3", "Field Count", 10, 56, 90);
  FCLabel = MakeLabel(TablePanel, "FCLabel", "", 110, 56, 70);
  SetBold(FCLabel);
  L4 = MakeLabel(TablePanel, "L4", "Nos of Records to Create", 10, 80, 170);
  TargetTableFrom = Place(new QLineEdit(TablePanel), "TargetTableFrom", 10, 98, 90, 20);
  TargetTableFrom->setFrame(false);
  L4->setBuddy(TargetTableFrom);
  L5 = MakeLabel(TablePanel, "L5", "Delete existing data?", 10, 128, 140);
  DeleteTarget = Place(new QCheckBox(TablePanel), "DeleteTarget", 160, 127, 18, 18);
  DeleteTarget->setAccessibleName("Delete existing data?");
  L5->setBuddy(DeleteTarget);
  L9 = MakeLabel(TablePanel, "L9", "Field Names in \" \" ?", 10, 152, 140);
  ShowQuotes = Place(new QCheckBox(TablePanel), "ShowQuotes", 160, 151, 18, 18);
  ShowQuotes->setAccessibleName("Field Names in \" \" ?");
  L9->setBuddy(ShowQuotes);
  ProcLabel = Place(new BlinkLabel("Processing", TablePanel), "ProcLabel", 10, 178, 170, 18);
  ProcLabel->setAlignment(Qt::AlignCenter);
  ProcLabel->setAutoFillBackground(true);
  {
    QPalette palette = ProcLabel->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::yellow);
    ProcLabel->setPalette(palette);
  }
  SetBold(ProcLabel);
  MonitorTable = MakeLabel(TablePanel, "MonitorTable", "", 10, 200, 170);
  MonitorRecNo = MakeLabel(TablePanel, "MonitorRecNo", "", 10, 218, 170);
  for (QLabel* label : {MonitorTable, MonitorRecNo}) {
    SetBold(label);
    SetTextColour(label, QColor(255, 70, 70));
  }
  GenerateBtn = Place(new GradientButton("Generate", TablePanel), "GenerateBtn", 20, 244, 150, 34);
  AltGenerateBtn =
      Place(new QPushButton("   Generate", TablePanel), "AltGenerateBtn", 20, 244, 150, 34);
  AltGenerateBtn->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));

  // Caution text.
  TableLable = MakeLabel(
      client, "TableLable",
      "Select from the list of available Tables and Views.\r\nNote that the program does not "
      "check that a View \r\nis updateable or if any field in a Table has\r\nparticular "
      "constraints.\r\nIt is entirely up to the user to ensure the integrity of\r\nthe data "
      "being generated.\r\n\r\n\r\nCAUTION\r\n\r\nThis program should not be used in systems "
      "where\r\nthere are genuine records since the 'Delete Existing\r\nData' option will NOT "
      "ask for confirmation during\r\nprocessing.\r\n\r\nUse the deletion facility carefully !",
      220, 40, 380, 320);
  TableLable->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  // Field panel.
  FieldPanel = MakePanel(client, "FieldPanel", QRect(190, 0, 437, 400), &Grad3, "Grad3", false);
  L6 = MakeLabel(FieldPanel, "L6", "Field Type", 10, 8, 62);
  FTLabel = MakeLabel(FieldPanel, "FTLabel", "", 74, 8, 90);
  L7 = MakeLabel(FieldPanel, "L7", "Field Size", 180, 8, 62);
  FSLabel = MakeLabel(FieldPanel, "FSLabel", "", 244, 8, 70);
  L8 = MakeLabel(FieldPanel, "L8", "Choices available for the field:", 10, 30, 180);
  FNLabel = MakeLabel(FieldPanel, "FNLabel", "", 192, 30, 236);
  for (QLabel* label : {FCLabel, FTLabel, FSLabel, FNLabel}) SetBold(label);
  FieldList = Place(new QListWidget(FieldPanel), "FieldList", 10, 52, 138, 300);
  FieldList->setAccessibleName("Fields");
  L8->setBuddy(FieldList);
  Label4 = MakeLabel(FieldPanel, "Label4", "Type of \r\nRecord", 156, 52, 130, 30);
  ChoiceList = Place(new QListWidget(FieldPanel), "ChoiceList", 156, 84, 130, 198);
  Label4->setBuddy(ChoiceList);
  Param3L = MakeLabel(FieldPanel, "Param3L", "", 294, 52, 134);
  Param3 = Place(new QComboBox(FieldPanel), "Param3", 294, 70, 134, 22);
  Param3->setEditable(false);
  Param3->setMaxVisibleItems(20);
  Param3->view()->setMinimumWidth(200);  // the longest items are wider than the box
  Param3L->setBuddy(Param3);
  Param1L = MakeLabel(FieldPanel, "Param1L", "", 294, 102, 134);
  Param1 = Place(new QLineEdit(FieldPanel), "Param1", 294, 120, 134, 20);
  Param1->setFrame(false);
  Param1L->setBuddy(Param1);
  Param2L = MakeLabel(FieldPanel, "Param2L", "", 294, 150, 134);
  Param2 = Place(new QLineEdit(FieldPanel), "Param2", 294, 168, 134, 20);
  Param2->setFrame(false);
  Param2L->setBuddy(Param2);
  auto* help_frame = Place(new QFrame(FieldPanel), "HelpFrame", 156, 290, 272, 62);
  help_frame->setFrameShape(QFrame::Panel);
  help_frame->setFrameShadow(QFrame::Raised);
  help_frame->setAutoFillBackground(true);
  HelpLabel = Place(new QLabel(help_frame), "HelpLabel", 4, 2, 264, 58);
  HelpLabel->setWordWrap(true);
  HelpLabel->setTextFormat(Qt::PlainText);
  HelpLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  MaxChars = MakeLabel(FieldPanel, "MaxChars", "Max chars generated by this field.", 10, 358, 418);
  MaxChars->setAlignment(Qt::AlignCenter);
  MaxChars->setAutoFillBackground(true);
  SetTextColour(MaxChars, Qt::blue);
  Label1 = MakeLabel(FieldPanel, "Label1",
                     "If Field Names include spaces, the Field Names in \" \" box must be checked.",
                     10, 378, 418);

  SQLMonitor = Place(new MonitorLabel(client), "SQLMonitor", 6, 402, 615, 36);
  SetTextColour(SQLMonitor, Qt::red);

  // Handlers.
  connect(dbList, &QComboBox::activated, this, Guarded<int>([this](int i) { dbListChange(i); }));
  connect(TableList, &QComboBox::activated, this,
          Guarded<int>([this](int i) { TableListChange(i); }));
  connect(TargetTableFrom, &QLineEdit::textEdited, this,
          Guarded<const QString&>([this](const QString& text) { TargetTableFromChange(text); }));
  connect(DeleteTarget, &QCheckBox::clicked, this, Guarded([this] { DeleteTargetClick(); }));
  connect(ShowQuotes, &QCheckBox::clicked, this, Guarded([this] { ShowQuotesClick(); }));
  connect(PromptBox, &QCheckBox::clicked, this, Guarded([this] { PromptBoxClick(); }));
  connect(FieldList, &QListWidget::currentRowChanged, this, Guarded<int>([this](int row) {
            if (!updating_) FieldListClick(row);
          }));
  connect(ChoiceList, &QListWidget::currentRowChanged, this, Guarded<int>([this](int row) {
            if (!updating_) ChoiceListClick(row);
          }));
  connect(Param1, &QLineEdit::editingFinished, this, Guarded([this] { Param1Exit(); }));
  connect(Param2, &QLineEdit::editingFinished, this, Guarded([this] { Param2Exit(); }));
  connect(Param3, &QComboBox::activated, this, Guarded<int>([this](int i) { Param3Change(i); }));
  connect(GenerateBtn, &QPushButton::clicked, this, Guarded([this] { GenerateBtnClick(); }));
  connect(AltGenerateBtn, &QPushButton::clicked, this, Guarded([this] { GenerateBtnClick(); }));
}

void TMainForm::BuildMenus() {
  auto item = [this](QMenu* menu, const char* text, int image_index, auto handler) {
    QAction* action = menu->addAction(QIcon(menu_images_.value(image_index)), text);
    connect(action, &QAction::triggered, this, Guarded(handler));
    return action;
  };
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("File1");
  NewProfile = item(file, "&New Profile", 0, [this] { NewProfileClick(); });
  file->addSeparator();
  LoadProfile = item(file, "&Load Profile", 1, [this] { LoadProfileClick(); });
  SaveProfile = item(file, "&Save Profile", 2, [this] { SaveProfileClick(); });
  file->addSeparator();
  Exit = item(file, "E&xit", 5, [this] { ExitClick(); });
  LoadProfile->setEnabled(false);
  SaveProfile->setEnabled(false);

  QMenu* lookup = menuBar()->addMenu("&Lookup");
  lookup->setObjectName("Lookup1");
  LookupSurname = item(lookup, "Surname", 6, [this] { LookupListClick(kSurnameList); });
  LookupForenamesM = item(lookup, "Forenames (M)", 6, [this] { LookupListClick(kForenamesMList); });
  LookupForenamesF = item(lookup, "Forenames (F)", 6, [this] { LookupListClick(kForenamesFList); });
  LookupTown = item(lookup, "Town/County", 6, [this] { LookupListClick(kTownList); });
  LookupStreet = item(lookup, "Street", 6, [this] { LookupListClick(kStreetList); });
  LookupCompany = item(lookup, "Company", 6, [this] { LookupListClick(kCompanyList); });

  QMenu* user = menuBar()->addMenu("&User");
  user->setObjectName("User1");
  HiRes = item(user, "Hi Res", 3, [this] { HiResClick(); });
  user->addSeparator();
  for (int k = 0; k < 6; ++k) {
    const std::string text = "Table &" + std::to_string(k + 1);
    UserTables.push_back(
        item(user, text.c_str(), 7, [this, k] { LookupListClick(kUser1List + k); }));
  }

  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("Help1");
  AboutItem = item(help, "&About", 8, [this] { AboutClick(); });
  help->addSeparator();
  HelpItem = item(help, "&Help", 9, [this] { HelpClick(); });
}

// --- 1. Window creation ---

void TMainForm::FormCreate() {
  ClearProfile();
  profile_ready_ = false;
  Work().SetPlaces(environment_.places ? *environment_.places
                                       : FilePlaces::In(environment_.program_dir));
  program_dir_ = Work().ProgramDir();
  Work().Run.RunStopped = true;
  Work().SeedRandom();
  // The style in the settings file, applied as a toggle from the opposite
  // value, so the file is written straight away.
  bool wanted = false;
  std::ifstream settings(Places().ReadPath(kSettingsFile), std::ios::binary);
  if (settings) {
    std::string line;
    std::getline(settings, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    wanted = line == "1";
  }
  hi_res_on_ = !wanted;
  HiResClick();
  ProcLabel->hide();
  MonitorTable->hide();
  MonitorRecNo->hide();
  MaxChars->hide();
  HideParameters();
  ChoiceList->hide();
}

// --- 2, 3. Data sources ---

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  // The box's own drop-down hands the focus back as it closes, and the
  // window manager may activate the window while the drop-down is open:
  // neither is an entering of the box, and a refresh then would lose the pick.
  if (watched == dbList && event->type() == QEvent::FocusIn &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason &&
      !QApplication::activePopupWidget())
    RunGuarded([this] { dbListEnter(); });
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::dbListEnter() {
  data_sources_ = DbEnvironment::Get().ListDataSources();
  dbList->clear();
  for (const std::string& name : data_sources_) dbList->addItem(FromEngine(name));
  // The box keeps showing the data source last picked, connected or not (a
  // failed one stays named beside its error). While one is connected that
  // is no longer listed, no other name may stand in for it.
  const DbConnection& connector = Work().Db.Connector;
  int shown = data_sources_.empty() ? -1 : 0;
  if (!connector.DataSource.empty()) {
    const auto found = std::find(data_sources_.begin(), data_sources_.end(), connector.DataSource);
    if (found != data_sources_.end())
      shown = static_cast<int>(found - data_sources_.begin());
    else if (connector.Connected())
      shown = -1;
  }
  dbList->setCurrentIndex(shown);
}

void TMainForm::dbListChange(int index) {
  if (index < 0 || index >= static_cast<int>(data_sources_.size())) return;
  EmptyInfoLabels();
  Database& db = Work().Db;
  try {
    db.TargetTable.Close();
    db.Connector.Disconnect();
    db.Connector.DataSource = data_sources_[index];
    db.Connector.Connect();
    {
      const Filling filling(*this);
      FieldList->clear();
    }
    field_names_.clear();
    field_defs_.clear();
    shown_field_ = -1;
    FillTableList();
    db.Catalog.MarkStale();
    if (!profile_ready_) ClearProfile();
    ShowPanels(true, true, false);
    profile_ready_ = true;
    LoadProfile->setEnabled(true);
    SaveProfile->setEnabled(true);
    connection_failed_ = false;
  } catch (const EODBC& error) {
    ShowConnectionFailed();
    environment_.prompts->ShowDatabaseError(this, error, kCommunicationFailure);
    DiscardError(error);
  }
}

void TMainForm::ShowConnectionFailed() {
  // Nothing usable is connected, so the window looks as it does without a
  // data source: no tables of the previous connection, no Generate, no
  // profile commands. The profile itself is kept for the next connection.
  connection_failed_ = true;
  {
    const Filling filling(*this);
    TableList->clear();
    FieldList->clear();
    ChoiceList->hide();
  }
  table_names_.clear();
  field_names_.clear();
  field_defs_.clear();
  shown_table_ = -1;
  shown_field_ = -1;
  HideParameters();
  ShowPanels(false, false, false);
  LoadProfile->setEnabled(false);
  SaveProfile->setEnabled(false);
}

void TMainForm::FillTableList() {
  table_names_ = Work().Db.Catalog.TableNames();
  TableList->clear();
  for (const std::string& name : table_names_) TableList->addItem(FromEngine(name));
  TableList->setCurrentIndex(-1);
  shown_table_ = -1;
}

// --- 4 to 7. Table panel ---

void TMainForm::TableListChange(int index) {
  if (index < 0 || index >= static_cast<int>(table_names_.size())) return;
  if (index >= kMaxTables) {
    TableList->setCurrentIndex(shown_table_);
    throw EProfileError("A profile holds the first " + std::to_string(kMaxTables) +
                        " tables of a data source only. Please select another.");
  }
  EmptyInfoLabels();
  ChoiceList->hide();
  Database& db = Work().Db;
  ProfileState& state = State();
  try {
    ShowPanels(true, false, true);
    db.TargetTable.Close();
    {
      const Filling filling(*this);
      FieldList->clear();
    }
    field_names_.clear();
    field_defs_.clear();
    shown_field_ = -1;
    shown_table_ = index;
    db.TargetTable.SetTableName(table_names_[index]);
    state.CurrentTable = index;
    TTableStruct& table = state.Tables[index];
    TargetTableFrom->setText(QString::number(static_cast<int32_t>(table.RecordCount)));
    DeleteTarget->setChecked(table.DeleteExisting == 1);
    db.TargetTable.Open();
    field_names_ = db.TargetTable.FieldNames();
    field_defs_ = db.TargetTable.FieldDefs();
    {
      const Filling filling(*this);
      for (const std::string& name : field_names_) FieldList->addItem(FromEngine(name));
      FieldList->setCurrentRow(-1);
    }
    FCLabel->setText(QString::number(field_names_.size()));
    HelpLabel->clear();
    HideParameters();
    table.TableName = table_names_[index];
  } catch (const EODBC& error) {
    environment_.prompts->ShowDatabaseError(this, error, kSystemTable);
    db.TargetTable.Close();
    {
      const Filling filling(*this);
      FieldList->clear();
    }
    field_names_.clear();
    field_defs_.clear();
    FillTableList();
    DiscardError(error);
  }
}

void TMainForm::TargetTableFromChange(const QString& text) {
  const int32_t count = StrToInt(ToEngine(text));
  State().Tables[State().CurrentTable].RecordCount = count;
}

void TMainForm::DeleteTargetClick() {
  State().Tables[State().CurrentTable].DeleteExisting = DeleteTarget->isChecked() ? 1 : 0;
}

void TMainForm::ShowQuotesClick() {
  // Read by the run as it starts each table.
  Work().Run.ShowQuotes = ShowQuotes->isChecked();
}

void TMainForm::PromptBoxClick() {
  Work().Db.Connector.InfoPrompt = PromptBox->isChecked() ? kDriverPrompt : kDriverComplete;
}

// --- 8 to 11. Field panel ---

TFieldStruct* TMainForm::SelectedField() {
  if (shown_field_ < 0 || shown_field_ >= kMaxFields) return nullptr;
  return &State().Tables[State().CurrentTable].Fields[shown_field_];
}

void TMainForm::FieldListClick(int row) {
  if (row < 0 || row >= static_cast<int>(field_names_.size())) return;
  if (row >= kMaxFields) {
    {
      const Filling filling(*this);
      FieldList->setCurrentRow(shown_field_);
    }
    throw EProfileError("A profile holds the first " + std::to_string(kMaxFields) +
                        " fields of a table only. Please select another.");
  }
  ProfileState& state = State();
  const std::string& name = field_names_[row];
  // The field list leaves out columns of unknown type, so the definition is
  // found by its name rather than by the row.
  TFieldDef def;
  for (const TFieldDef& candidate : field_defs_) {
    if (candidate.Name == name) {
      def = candidate;
      break;
    }
  }
  const TypeInfo info = ClassifyType(def.DataType);
  FTLabel->setText(info.name);
  {
    const Filling filling(*this);
    ChoiceList->clear();
    for (const CatalogueEntry& entry : CatalogueEntries(info.type_class))
      ChoiceList->addItem(entry.text);
    state.CurrentClass = info.type_class;
    ChoiceList->setVisible(ChoiceList->count() > 0);
  }
  FSLabel->setText(QString::number(def.Size));
  FNLabel->setText(FromEngine(name));
  shown_field_ = row;
  TFieldStruct& field = state.Tables[state.CurrentTable].Fields[row];
  {
    const Filling filling(*this);
    ChoiceList->setCurrentRow(field.ChoiceIndex < ChoiceList->count() ? field.ChoiceIndex : -1);
  }
  ShowChoiceOf(field.ChoiceIndex, &field);
}

void TMainForm::ShowChoiceOf(int entry, const TFieldStruct* field) {
  const ChoiceDisplay display = ShowChoice(State(), State().CurrentClass, entry, field);
  MaxChars->hide();
  if (display.clear_param3_items) {
    const Filling filling(*this);
    Param3->clear();
  }
  if (!display.applies) return;
  HelpLabel->setText(FromEngine(display.help_text));
  {
    const Filling filling(*this);
    for (const std::string& item : display.param3_items) Param3->addItem(FromEngine(item));
  }
  auto set_up = [](const ParamDisplay& param, QLabel* label, QWidget* control) {
    label->setVisible(param.visible);
    control->setVisible(param.visible);
    label->setText(param.visible ? FromEngine(param.label) : QString());
    return param.visible;
  };
  if (set_up(display.param1, Param1L, Param1)) Param1->setText(FromEngine(display.param1_text));
  if (set_up(display.param2, Param2L, Param2)) Param2->setText(FromEngine(display.param2_text));
  if (set_up(display.param3, Param3L, Param3)) {
    const Filling filling(*this);
    Param3->setCurrentIndex(display.param3_index < Param3->count() ? display.param3_index : -1);
  }
  if (display.max_chars_visible) {
    MaxChars->setText(FromEngine(display.max_chars_text));
    MaxChars->show();
  }
}

void TMainForm::ChoiceListClick(int row) {
  TFieldStruct* field = SelectedField();
  if (!field || row < 0) return;
  ProfileState& state = State();
  field->FieldName = field_names_[shown_field_];
  field->ChoiceIndex = row;
  field->Param1.clear();
  field->Param2.clear();
  field->Param3Index = 0;
  ShowChoiceOf(row, field);
  const Filling filling(*this);
  if (row != 0) {
    field->ChoiceBase = state.CurrentChoiceBase;
    Param3->setCurrentIndex(field->Param3Index < Param3->count() ? field->Param3Index : -1);
  } else {
    Param3->setCurrentIndex(Param3->count() > 0 ? 0 : -1);
    field->ChoiceBase = 0;
    field->ChoiceCode = 0;
    state.CurrentChoiceBase = 0;
    state.Changed();  // a run under way leaves the field out from the next record
  }
}

void TMainForm::CommitParam(QLineEdit* edit, std::string TFieldStruct::*param) {
  if (TFieldStruct* field = SelectedField()) field->*param = ToEngine(edit->text());
}

void TMainForm::Param1Exit() {
  CommitParam(Param1, &TFieldStruct::Param1);
}

void TMainForm::Param2Exit() {
  CommitParam(Param2, &TFieldStruct::Param2);
}

void TMainForm::Param3Change(int index) {
  if (updating_ || index < 0) return;
  if (TFieldStruct* field = SelectedField()) field->Param3Index = index;
}

// --- 12. The run ---

void TMainForm::GenerateBtnClick() {
  if (in_run_) {
    // A press while the run lets messages run: the stop request.
    Work().Run.GenerateBtnClick();
    return;
  }
  // No run starts against a connection that failed.
  if (connection_failed_) return;
  in_run_ = true;
  try {
    Work().Run.GenerateBtnClick();
  } catch (...) {
    // The run is back to idle and shows where it stood; then the error.
    in_run_ = false;
    FinishPendingClose();
    throw;
  }
  in_run_ = false;
  FinishPendingClose();
}

// --- The run's host ---

int32_t TMainForm::TableListCount() {
  return static_cast<int32_t>(TableList->count());
}

void TMainForm::CommitPendingEdit() {
  if (Param1->hasFocus()) Param1Exit();
  if (Param2->hasFocus()) Param2Exit();
  TargetTableFrom->setFocus();
}

void TMainForm::ProcessMessages() {
  monitor_->Tick();
  QCoreApplication::processEvents();
}

void TMainForm::RunEnded(RunOutcome) {
  // Ended whichever way: the labels show where the run stood.
  monitor_->FlushNow();
}

void TMainForm::SetCaptions(const std::string& gradient, const std::string& plain) {
  monitor_->SetCaptions(gradient, plain);
}
void TMainForm::ShowRunMonitor() {
  monitor_->ShowRunMonitor();
}
void TMainForm::HideRunMonitor() {
  monitor_->HideRunMonitor();
}
void TMainForm::SetMonitorTable(const std::string& text) {
  monitor_->SetMonitorTable(text);
}
void TMainForm::SetMonitorRecNo(const std::string& text, int32_t record) {
  monitor_->SetMonitorRecNo(text, record);
}
void TMainForm::SetSqlMonitor(const std::string& text) {
  monitor_->SetSqlMonitor(text);
}
const std::string& TMainForm::SqlMonitor() const {
  return monitor_->SqlMonitor();
}

bool TMainForm::AskLogin(const std::string& data_source, std::string& user, std::string& password) {
  auto answer = environment_.prompts->AskLogin(this, FromEngine(data_source));
  if (!answer) return false;
  user = std::move(answer->user);
  password = std::move(answer->password);
  return true;
}

void TMainForm::FinishPendingClose() {
  if (exit_pending_) {
    exit_pending_ = close_pending_ = false;
    QTimer::singleShot(0, this, [this] { RunGuarded([this] { ExitClick(); }); });
  } else if (close_pending_) {
    close_pending_ = false;
    QTimer::singleShot(0, this, [this] { close(); });
  }
}

// --- 13 to 15. File menu ---

void TMainForm::ClearProfile() {
  State().ClearProfile();
  ShowPanels(false, false, false);
}

void TMainForm::NewProfileClick() {
  if (!environment_.prompts->ConfirmYesNo(this, "Clear the current profile ?")) return;
  ClearProfile();
  dbList->setCurrentIndex(-1);
  LoadProfile->setEnabled(false);
  SaveProfile->setEnabled(false);
  monitor_->SetSqlMonitor("");
}

void TMainForm::LoadProfileClick() {
  const QString name =
      environment_.prompts->OpenProfileName(this, FromEngine(Places().profile_dir));
  if (name.isEmpty()) return;
  profile_ready_ = false;
  ClearProfile();
  const std::string image = ReadProfileFile(ToEngine(name));
  ShowPanels(true, false, false);
  TableList->setCurrentIndex(-1);
  shown_table_ = -1;
  LoadProfileImage(State(), image);
  profile_ready_ = true;
}

void TMainForm::SaveProfileClick() {
  const QString name =
      environment_.prompts->SaveProfileName(this, FromEngine(Places().profile_dir));
  if (name.isEmpty()) return;
  SaveProfileFile(State(), static_cast<int32_t>(TableList->count()), ToEngine(name));
}

void TMainForm::ExitClick() {
  if (in_run_) {
    // The run is using the database objects: stop it, and exit once the
    // pass has ended.
    exit_pending_ = true;
    if (!Work().Run.RunStopped) Work().Run.GenerateBtnClick();
    return;
  }
  Work().Db.TargetTable.Close();
  Work().Db.Connector.Disconnect();
  close();
}

// --- 16 to 19. Lists, style, help, closing ---

void TMainForm::LookupListClick(int list) {
  {
    const ControlsDisabled quiet(Work().Lists.List(list));
    Work().Lists.Load(list, Places().ReadPath(kLookupFileNames[list]));
  }
  const std::unique_ptr<TTownForm> editor = MakeListEditor(list, *this);
  UserPrompts().ShowModal(*editor);
}

void TMainForm::HiResClick() {
  hi_res_on_ = !hi_res_on_;
  ApplyStyle();
  // The style is a preference: a folder the settings file cannot be
  // written to must not stop the window.
  WriteSettings();
}

void TMainForm::ApplyStyle() {
  const bool hi = hi_res_on_;
  for (QLabel* label : {L1, L2, L3, L4, L5, L6, L7, L8, L9, Param1L, Param2L})
    SetTextColour(label, hi ? Qt::white : Qt::black);
  // The other texts on the gradients follow, so they stay readable.
  for (QLabel* label : {Label2, Label4, Label5, Param3L, Label1, TableLable})
    SetTextColour(label, hi ? Qt::white : Qt::black);
  for (QLabel* label : {FCLabel, FTLabel, FSLabel, FNLabel})
    SetTextColour(label, hi ? Qt::yellow : Qt::red);
  GenerateBtn->setVisible(hi);
  AltGenerateBtn->setVisible(!hi);
  for (GradientFill* fill : {Grad1, Grad2, Grad3, Grad4}) fill->setVisible(hi);
  HiRes->setIcon(QIcon(menu_images_.value(hi ? 4 : 3)));
}

bool TMainForm::WriteSettings() const {
  Places().MakeWriteFolder();
  std::ofstream out(Places().SettingsPath(), std::ios::binary | std::ios::trunc);
  out << (hi_res_on_ ? "1" : "0") << "\r\n";
  out.flush();
  return static_cast<bool>(out);
}

void TMainForm::AboutClick() {
  TAboutBox box(this);
  UserPrompts().ShowModal(box);
}

void TMainForm::HelpClick() {
  // A new window each time, shown without waiting; it goes when closed.
  auto* help = new THelpForm(this);
  help->setAttribute(Qt::WA_DeleteOnClose);
  help->show();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (in_run_) {
    // Closing while the run is using the window's objects: stop it and
    // close once the pass has ended.
    close_pending_ = true;
    if (!Work().Run.RunStopped) Work().Run.GenerateBtnClick();
    event->ignore();
    return;
  }
  WriteSettings();
  event->accept();
}

// --- Panels ---

void TMainForm::ShowPanels(bool table_panel, bool caution, bool field_panel) {
  TablePanel->setVisible(table_panel);
  TableLable->setVisible(caution);
  FieldPanel->setVisible(field_panel);
  Label2->setVisible(!table_panel);
}

void TMainForm::EmptyInfoLabels() {
  for (QLabel* label : {FTLabel, FSLabel, FCLabel, FNLabel}) label->clear();
}

void TMainForm::HideParameters() {
  for (QWidget* widget :
       std::initializer_list<QWidget*>{Param1L, Param1, Param2L, Param2, Param3L, Param3})
    widget->hide();
}

}  // namespace kestrove::ui
