// The editing panel: the statement grid, the panel's own scroll bar (the position in the
// filtered statement), and the three views with their paging and keys. The lines come from
// StatementPager; this class draws them and turns keys and scroll bar actions into moves.
#pragma once

#include <QWidget>

#include <functional>
#include <optional>

#include "common/UserNotifier.h"
#include "gui/pricing/s_VakLineInsert.h"
#include "gui/views/S_ZekGrid.h"
#include "pricing/PriceEntry.h"
#include "pricing/PriceHistory.h"
#include "pricing/TenderReview.h"
#include "views/StatementPager.h"

class QMenu;
class QScrollBar;

namespace vak {

// What the panel asks of the main window around it.
class PanelHost {
 public:
  virtual ~PanelHost() = default;
  virtual void SetPositionLabels(const QString& name, const QString& position) = 0;
  virtual void SetPartLabel(const QString& text) = 0;
  virtual void ShowSplitInfo(const SplitInfo* info) = 0;  // nullptr hides the 재/노/경 box
  virtual void ActivateTab(View view) = 0;                // without the tab-change steps
  virtual QMenu* PopupFor(View view) = 0;
  virtual void EditCommand() = 0;  // the unit price entry of the current mode
  virtual void FindCommand() = 0;
  virtual void CloseWindow() = 0;
  virtual UserNotifier& Notifier() = 0;
  // A price entry was written on a line of `partCode`; `changed` when its record changed.
  virtual void PriceEntered(const std::string& partCode, LineState before, LineState after, bool changed) = 0;
  // The free items identical to record `recno` (itself left out).
  virtual std::vector<uint32_t> IdenticalTo(uint32_t recno) = 0;
  // A price entry is done: one step to undo.
  virtual void StepDone(PriceStep step) = 0;
  // The tender's data directory, where a group of entries is committed.
  virtual std::string TenderDir() const = 0;
  // The item details turned to, or away from, the unpriced items only (ViewState::onlyUnpriced).
  virtual void OnlyUnpricedChanged() = 0;
};

class TVakPanel : public QWidget {
  Q_OBJECT

 public:
  TVakPanel(TZekTable& items, ViewState& state, PanelHost& host, QWidget* parent = nullptr);

  void ShowView(View view, const std::string& part);
  void SetViewFilter(View view, const std::string& part) { pager_.SetViewFilter(view, part); }
  void LoadPage(int first);
  void ReloadAt();
  // The work search: the find dialog, the result list, and the view moved to the item chosen.
  // `dataDir` holds the find options file.
  void SearchWorks(const std::string& dataDir);
  void ReloadPage();
  void ScrollLineUp();
  void ScrollLineDown();
  void ScrollPageUp();
  void ScrollPageDown();
  void ShowRowInfo(int col, int row);
  void ShowPosition(int row);
  void DrillDown();
  // Unit price entry on the current row: one price, or material/labour/expense.
  void EditUnitPrice();
  void EditSplitPrice();
  // What follows the dialog: the limits (checked even after "취소"), the write when accepted,
  // the page reload and the move to the next row.
  // With `toSameItems` the identical free items get the price too, in the same step.
  void ApplyUnitPrice(long double price, bool accepted, bool toSameItems = false);
  void ApplySplitPrices(long double material, long double labour, long double expense, bool accepted,
                        bool toSameItems = false);
  int RowKind();  // of the line in the current row
  // Shows line `recno` (or the next one shown) at `row` of the page, the cursor on it.
  void ShowLine(uint32_t recno, int row);
  // The next line of the view after the current one that takes a price and has none, wrapping
  // at the end; a beep when there is none.
  void JumpToNextUnpriced();
  // The item details of only the unpriced items with their headings, or of every line again;
  // the cursor stays on its line (or, when that one is left out, the next line shown). With
  // nothing left to price the user is told and the view stays whole.
  void ShowOnlyUnpriced(bool on);
  // A line's price changed: the unpriced view chooses its lines again at the next move, so
  // the line priced stays in sight during its entry.
  void LinePriceChanged() { linesStale_ = true; }

  TZekGrid* XGrid() const { return grid_; }
  QScrollBar* ScrollBar() const { return scrollBar_; }
  StatementPager& pager() { return pager_; }
  View view() const { return pager_.view(); }
  int ScrollState() const { return scrollState_; }

 private:
  void Render();
  bool KeyDown(QKeyEvent* event);
  void ScrollAction(int action);
  void ThumbReleased();
  void SetCurrentRow(int row);
  int LastUsedRow() const;
  // The common start of both edits: false (and the cursor moved on) for a line that takes no price.
  bool StartPriceEdit();
  // The line under the cursor as the price dialogs name it.
  PricedLine CurrentLine();
  // The common end: the page shows the stored values and, after an entry written, the cursor
  // moves on (after "취소" or a refused price it stays where it was).
  void FinishPriceEdit(bool moveOn);
  void MoveToNextRow();
  // Writes the entry on the current line (and its identical items) as one step, and tells the
  // host how each line's standing changed. False when the line was not written.
  bool WritePriceEntry(const EnteredPrice& entry, bool toSameItems);
  // One line of it: how its standing changed, told to the host once the entry has landed;
  // nullopt when refused (told through `notifier`).
  struct LineEntered {
    std::string partCode;
    LineState before, after;
    bool changed = false;
  };
  std::optional<LineEntered> WriteLine(uint32_t recno, const EnteredPrice& entry, UserNotifier& notifier);
  // Narrows the item details to the unpriced items and their headings; false, the user told and
  // the toggle off, when none is left.
  bool ChooseUnpricedLines();
  // After a move: the lines chosen again when a price changed since.
  void AfterMove();

  TZekTable& items_;
  ViewState& state_;
  PanelHost& host_;
  StatementPager pager_;
  TZekGrid* grid_;
  QScrollBar* scrollBar_;
  int scrollState_ = 0;
  bool rendering_ = false;
  uint32_t afterEntryRecNo_ = 0;  // the line a price entry moved the cursor to; F8 starts there
  bool linesStale_ = false;       // a price changed since the unpriced lines were chosen
};

}  // namespace vak
