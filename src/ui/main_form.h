// The main window: data source, table and field panels, the choice
// catalogue's controls, the run monitor and the menus. Every handler writes
// its part of the profile at once; the engine does the work.
#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/workspace.h"
#include "app/workspace_host.h"
#include "core/clock.h"
#include "db/table.h"
#include "ui/error_display.h"
#include "ui/prompts.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QWidget;

namespace kestrove::ui {

class BlinkLabel;
class GradientButton;
class GradientFill;
class MonitorLabel;

// What the window takes from outside: the clock, the program folder and the
// boxes it shows. Tests supply their own.
struct MainFormEnvironment {
  const Clock* clock = nullptr;
  std::string program_dir;  // with a trailing "/"
  Prompts* prompts = nullptr;
  // Where the lists and the settings file are read and written; unset, all
  // in program_dir (the build folder, tests).
  std::optional<FilePlaces> places;
};

// The window is the run's host: its labels show the run, its event loop
// runs between records, and it asks for logins.
class TMainForm : public QMainWindow, public WorkspaceHost, private LoginPrompter {
  Q_OBJECT

 public:
  explicit TMainForm(const MainFormEnvironment& environment, QWidget* parent = nullptr);
  ~TMainForm() override;

  Workspace& Work() { return *workspace_; }
  ProfileState& State() { return workspace_->State(); }
  bool ProfileReady() const { return profile_ready_; }
  bool HiResOn() const { return hi_res_on_; }
  const std::string& ProgramDir() const { return program_dir_; }
  const FilePlaces& Places() const { return workspace_->Places(); }
  // The boxes and modal windows the window shows go through these.
  Prompts& UserPrompts() { return *environment_.prompts; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  // The run's host. A test's window overrides these to act between records
  // or to see the statements sent.
  int32_t TableListCount() override;
  void CommitPendingEdit() override;
  // The event loop, with the monitor labels brought up to date.
  void ProcessMessages() override;
  void RunEnded(RunOutcome outcome) override;
  void SetCaptions(const std::string& gradient, const std::string& plain) override;
  void ShowRunMonitor() override;
  void HideRunMonitor() override;
  void SetMonitorTable(const std::string& text) override;
  void SetMonitorRecNo(const std::string& text, int32_t record) override;
  void SetSqlMonitor(const std::string& text) override;
  const std::string& SqlMonitor() const override;

 private:
  // Controls, by their names; tests find them by these names too.
  QWidget* MainPanel;
  QLabel* L1;
  QComboBox* dbList;
  QLabel* Label5;
  QCheckBox* PromptBox;
  QLabel* Label2;
  QWidget* TablePanel;
  QLabel *L2, *L3, *FCLabel, *L4, *L5, *L9;
  QComboBox* TableList;
  QLineEdit* TargetTableFrom;
  QCheckBox* DeleteTarget;
  QCheckBox* ShowQuotes;
  BlinkLabel* ProcLabel;
  QLabel* MonitorTable;
  QLabel* MonitorRecNo;
  GradientButton* GenerateBtn;
  QPushButton* AltGenerateBtn;
  QLabel* TableLable;
  QWidget* FieldPanel;
  QLabel *L6, *FTLabel, *L7, *FSLabel, *L8, *FNLabel;
  QListWidget* FieldList;
  QLabel* Label4;
  QListWidget* ChoiceList;
  QLabel* Param3L;
  QComboBox* Param3;
  QLabel* Param1L;
  QLineEdit* Param1;
  QLabel* Param2L;
  QLineEdit* Param2;
  QLabel* HelpLabel;
  QLabel* MaxChars;
  QLabel* Label1;
  MonitorLabel* SQLMonitor;
  GradientFill *Grad1, *Grad2, *Grad3, *Grad4;

  // Menu items.
  QAction *NewProfile, *LoadProfile, *SaveProfile, *Exit;
  QAction *LookupSurname, *LookupForenamesM, *LookupForenamesF, *LookupTown, *LookupStreet,
      *LookupCompany;
  QAction* HiRes;
  std::vector<QAction*> UserTables;  // "Table &1" .. "Table &6"
  QAction *AboutItem, *HelpItem;

  // The handlers, named after their control and event.
  void FormCreate();
  void dbListEnter();
  void dbListChange(int index);
  void TableListChange(int index);
  void TargetTableFromChange(const QString& text);
  void DeleteTargetClick();
  void ShowQuotesClick();
  void PromptBoxClick();
  void FieldListClick(int row);
  void ChoiceListClick(int row);
  void Param1Exit();
  void Param2Exit();
  void Param3Change(int index);
  void GenerateBtnClick();
  void NewProfileClick();
  void LoadProfileClick();
  void SaveProfileClick();
  void ExitClick();
  void LookupListClick(int list);
  void HiResClick();
  void AboutClick();
  void HelpClick();

  // Applies the display style of HiResOn.
  void ApplyStyle();
  // Writes the settings file; false when it cannot be written.
  bool WriteSettings() const;
  // The selected field's slot of the current table; null when none.
  TFieldStruct* SelectedField();

  class Monitor;
  class Reporter;
  class Filling;

  bool AskLogin(const std::string& data_source, std::string& user, std::string& password) override;

  void BuildControls();
  void BuildMenus();
  void ClearProfile();
  void ShowPanels(bool table_panel, bool caution, bool field_panel);
  void EmptyInfoLabels();
  void HideParameters();
  void FillTableList();
  void ShowConnectionFailed();
  void ShowChoiceOf(int entry, const TFieldStruct* field);
  void CommitParam(QLineEdit* edit, std::string TFieldStruct::*param);
  void FlushMonitor();
  void FinishPendingClose();

  MainFormEnvironment environment_;
  std::unique_ptr<Monitor> monitor_;
  std::unique_ptr<Reporter> reporter_;
  std::unique_ptr<Workspace> workspace_;
  std::string program_dir_;
  bool profile_ready_ = false;
  bool hi_res_on_ = false;
  // Set while the window fills its lists itself: their row handlers then
  // ignore the changes. Only a Filling sets it.
  bool updating_ = false;
  bool close_pending_ = false;
  bool exit_pending_ = false;
  bool in_run_ = false;
  // The last data source picked could not be used.
  bool connection_failed_ = false;
  int shown_table_ = -1;  // TableList index whose fields are listed
  int shown_field_ = -1;  // FieldList row shown in the field panel
  std::vector<std::string> data_sources_;
  std::vector<std::string> table_names_;
  std::vector<std::string> field_names_;
  std::vector<TFieldDef> field_defs_;
  QList<QPixmap> menu_images_;
  ErrorDisplayFunction previous_display_;
};

}  // namespace kestrove::ui
