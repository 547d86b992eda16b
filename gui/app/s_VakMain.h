// The main window: the tool bar with its command panel and view tabs, the information panel
// with the project header, the position strip, the editing panel and the 재/노/경 box.
// Creating the window prepares the data; showing it takes the item table, repairs it and
// opens the first view.
#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

#include <QPointer>

#include "common/UserNotifier.h"
#include "gui/views/S_VakPanel.h"
#include "pricing/IdenticalItems.h"
#include "pricing/PriceHistory.h"
#include "store/Xbase.h"

class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QToolButton;
class QWidget;

namespace vak {

class TFm_VakMain : public QMainWindow, public PanelHost {
  Q_OBJECT

 public:
  // screenWidth decides the page size (21 lines up to 1000 pixels, 28 above); 0 takes the
  // primary screen's width.
  TFm_VakMain(const QString& dataDir, TXbaseEnv& env, UserNotifier& notifier, int screenWidth = 0,
              QWidget* parent = nullptr);
  ~TFm_VakMain() override;

  const QString& DataDir() const { return dataDir_; }
  // False when the data preparation failed: the window is not to be shown.
  bool Prepared() const { return prepared_; }
  bool StartupFlag() const { return startupFlag_; }
  // The show step (run once, right after the window is first shown). False when the table
  // could not be taken; the window then closes.
  bool RunShowStep();
  bool Shown() const { return panel_ != nullptr; }

  TVakPanel* Panel() const { return panel_; }
  TZekTable& Items() { return *items_; }
  ViewState& State() { return state_; }
  QTabWidget* Tabs() const { return tabs_; }
  bool SplitInputMode() const { return splitMode_; }

  // PanelHost
  void SetPositionLabels(const QString& name, const QString& position) override;
  void SetPartLabel(const QString& text) override;
  void ShowSplitInfo(const SplitInfo* info) override;
  void ActivateTab(View view) override;
  QMenu* PopupFor(View view) override;
  void EditCommand() override;
  void FindCommand() override;
  void CloseWindow() override { close(); }
  UserNotifier& Notifier() override { return notifier_; }
  void PriceEntered(const std::string& partCode, LineState before, LineState after, bool changed) override;
  std::vector<uint32_t> IdenticalTo(uint32_t recno) override;
  void StepDone(PriceStep step) override;
  std::string TenderDir() const override { return dataDir_.toStdString(); }

  // Ctrl+Z and Ctrl+Y: the last price entry (a group, a carry, an import or an amount
  // adjustment) taken back, and done again; a beep when there is none.
  void UndoCommand() { ApplyHistory(true); }
  void RedoCommand() { ApplyHistory(false); }
  const PriceHistory& History() const { return history_; }
  void OnlyUnpricedChanged() override;

  // The view commands of the 작업 menu and the tab change as the user makes it.
  void ShowOverallSummary();
  void ShowPartSummary();
  void ShowItemDetails();
  // Ctrl+U and "미입력 항목만 보기": the item details of the unpriced items and their headings
  // only, or of every line again. From a summary it turns to the item details.
  void OnlyUnpricedCommand();
  // F3 and every "내역서계산": calculates the part and shows the current view again.
  void CalculateCommand();
  // The input mode: the tab button pair switches it, the 편집 › "입력형식" dialog chooses it.
  void SetSplitInputMode(bool split);
  void InputTypeCommand();
  // Ctrl+P and every "보고서작성": the report dialog, the view put back afterwards.
  void ReportCommand();
  // Ctrl+I and every "공사정보": the project information dialog.
  void InfoCommand();
  // The 디스켓만들기 command: the drive dialog, the verified copy, the table reopened.
  void DiskCommand();
  void SetDiskDirectoryChooser(std::function<QString(const QString&)> chooser) { diskChooser_ = std::move(chooser); }
  // 편집 › "단가 가져오기...": the other tender's directory, the question whether prices already
  // entered are replaced, the carry with its progress, a summary, the table opened again.
  void CarryCommand();
  void AdjustCommand();
  // The directory dialog of the carry (given the last directory chosen); tests set their own.
  void SetCarryDirectoryChooser(std::function<QString(const QString&)> chooser) { carryChooser_ = std::move(chooser); }
  void ExportCommand();
  void ImportCommand();
  // The workbook prices are imported from, asked for with the last one (a file dialog by default).
  void SetImportFileChooser(std::function<QString(const QString&)> chooser) { importChooser_ = std::move(chooser); }
  // The file the statement is exported to, asked for with the suggested path (a file dialog by default).
  void SetExportFileChooser(std::function<QString(const QString&)> chooser) { exportChooser_ = std::move(chooser); }
  // 작업 › "원본으로 되돌리기...": the agency's VAK.DBF and VAK.MEM back in place (the question,
  // the kept copies and every refusal are the core's), the table prepared and shown again.
  void RestoreCommand();

  // While a pass runs (a command of this window, the show step, or any pass in the progress
  // window) the window takes no input and no command: the events let through to keep it
  // painted would otherwise start one on half-done data. A close waits for the pass's end.
  bool PassRunning() const { return passDepth_ > 0; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildToolBar(QWidget* parent);
  void BuildInfoPanel(QWidget* parent);
  void BuildSplitBox(QWidget* parent);
  void BuildMenus();
  QMenu* BuildPopup(const QString& name, bool details);
  void ReadProjectHeader();
  // The works' name and the data directory in the title tell two windows apart.
  void UpdateWindowTitle();
  void TabChanged(int index);
  void TabEntered(int index);
  QAction* Action(const QString& text, const QString& name, bool enabled);
  void WireCommands();
  // The completeness and staleness of the whole tender, found again from the data.
  void ReviewWholeTender();
  void UpdateStatusLabel();
  // Before a report or a submission: false when the user cancels (or asked to calculate first
  // and a calculation did not complete).
  bool ConfirmFinished(const std::string& what);
  bool CalculateParts(const std::vector<std::string>& parts);
  void TakePartOfSummaryRow();
  std::string PartOfSummaryRow() const;
  void ShowAgainOnTheSameRow(int tab);
  // Closes the table and the panel; the show step opens them again.
  void ReleaseTable();
  // A change of the tender's files (a carry, an import, an amount adjustment): the table is let
  // go, `change` runs, and the table is shown again on the same tab. True when it completed.
  // The change is one step of the undo history, named `what`.
  bool ChangeTenderFiles(const std::string& what, const std::function<bool()>& change);
  void ApplyHistory(bool undo);
  void UpdateUndoActions();
  // "이미 입력한 단가도 바꾸시겠습니까?" before prices come from `from`.
  MessageAnswer AskToReplacePrices(const std::string& from, const std::string& caption);
  // After a completed change: the tender amount shown, the report written, the summary told.
  void ShowPriceChange(const std::string& caption, long double tenderAmount, const std::string& reportName,
                       const std::string& report, std::string summary);
  class PassScope;
  void BeginPass();
  void EndPass();

  QString dataDir_;
  TXbaseEnv& env_;
  UserNotifier& notifier_;
  std::unique_ptr<TZekTable> items_;
  ViewState state_;
  bool prepared_ = false;
  bool startupFlag_ = true;
  bool showStepDone_ = false;
  bool splitMode_ = false;
  int previousTab_ = -1;

  TVakPanel* panel_ = nullptr;
  QWidget* confirm_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QWidget* info_ = nullptr;
  QWidget* splitBox_ = nullptr;
  QString worksName_;  // CMN_DESC, as the information panel shows it
  QLabel* desLabel_ = nullptr;
  QLabel* pathLabel_ = nullptr;
  QLabel* typeLabel_ = nullptr;
  QLabel* partLabel_ = nullptr;
  QLabel* totalLabel_ = nullptr;
  QLabel* bimokLabel_ = nullptr;
  QLabel* positionLabel_ = nullptr;
  QLabel* mtnoLabel_ = nullptr;
  QLabel* cdnoLabel_ = nullptr;
  QLabel* authLabel_ = nullptr;
  QLabel* nameLabel_ = nullptr;
  QLabel* telLabel_ = nullptr;
  QLabel* splitLabels_[8] = {};
  QMenu* mnuChong_ = nullptr;
  QMenu* mnuHead_ = nullptr;
  QMenu* mnuDetail_ = nullptr;
  QMenu* currentPopup_ = nullptr;
  std::function<QString(const QString&)> diskChooser_;
  std::function<QString(const QString&)> carryChooser_;
  std::function<QString(const QString&)> exportChooser_;
  std::function<QString(const QString&)> importChooser_;
  TenderStatus tenderStatus_;
  PriceHistory history_;
  std::unique_ptr<IdenticalItems> identical_;  // built at the first look, dropped with the table
  QLabel* statusLabel_ = nullptr;
  int passDepth_ = 0;
  bool progressPass_ = false;  // a pass of the progress window counts once, however it nests
  bool closeWanted_ = false;   // a close came during a pass
  std::vector<QPointer<QAction>> passDisabled_;
};

}  // namespace vak
