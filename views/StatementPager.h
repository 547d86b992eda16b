// The window of lines that the editing panel shows over the item table: the three views
// (overall summary, construction-part summary, item details) as table queries, and a row
// cache of one slot per grid row that moves by line and by page. Only the lines of one page
// are ever read for display, whatever the statement's size.
//
// No toolkit here: the panel (TVakPanel) draws the slots into its grid.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/ItemTable.h"
#include "store/Xbase.h"

namespace vak {

// The three views of the statement, with the text codes "1", "2", "3" the design names them by.
enum class View : char {
  OverallSummary = '1',  // 총괄집계: the lines of the overall summary
  PartSummary = '2',     // 공사집계: the summary-sheet items of a construction part
  ItemDetails = '3',     // 공사내역: every line of a construction part
};

// Logical columns of the statement grid.
enum GridColumn {
  kColLevel,
  kColName,
  kColSize,
  kColQuantity,
  kColUnit,
  kColPrice,
  kColAmount,
  kColNote,
  kColumnCount
};

// State shared by the main window and the panel.
struct ViewState {
  ProjectType projectType = ProjectType::Unstated;
  std::string curPart;  // the current construction part; empty when none is chosen
  int selPartRow = 1;   // the overall summary row last stood on
  int firstRow = 1;
  int lastRow = 21;           // 21, or 28 on screens wider than 1000 pixels
  uint32_t gotoRecNo = 0;     // where the next page reload starts
  bool onlyUnpriced = false;  // the item details show only the unpriced items and their headings
};

// One grid row: the line it shows, and the texts of its cells (UTF-8).
struct RowSlot {
  bool used = false;  // the design's Tag "VAK"
  uint32_t recno = 0;
  std::string key, lvl, seq, part, mark, fix;
  int kind = 0;  // the line kind (RowKindOf)
  long double qqty = 0, tqty = 0, pric = 0, cost = 0;
  std::array<std::string, kColumnCount> cells;
};

// The 재/노/경 figures of the current line in the item details view, as shown.
struct SplitInfo {
  std::string maUnit, laUnit, eqUnit, totUnit, maAmount, laAmount, eqAmount, totAmount;
};

class StatementPager {
 public:
  StatementPager(TZekTable& items, ViewState& state);

  // Selects a view and loads its first page; returns the grid row to make current.
  int ShowView(View view, const std::string& part);
  // Only the table's filter: "1" the overall summary, "2" all lines of the part.
  void SetViewFilter(View view, const std::string& part);
  void LoadPage(int first);
  void LoadRow(int row);

  bool ScrollLineUp();
  bool ScrollLineDown();
  bool ScrollPageUp();
  bool ScrollPageDown();
  void GoTopPage();
  bool GoBottomPage();  // the last line alone, as the page's first row
  void ReloadAt();
  void ReloadPage();
  // The line at a position of the view's order (1-based), as the page's first row.
  void ShowFromPosition(long position);

  // Makes the slot's line current in the table; false for an empty slot.
  bool GoToSlot(int row);
  // 1-based position of the slot's line among the lines of the view (0 for an empty slot).
  uint32_t PositionOf(int row);
  uint32_t Count();
  // Kind of the current record (RowKindCode).
  int RowKind() const;
  SplitInfo SplitOf(int row);
  // The record of the item details with this sequence number, 0 when there is none. A
  // narrowed view is searched whole.
  uint32_t FindSequence(const std::string& seq);

  // Narrows the view to chosen lines (record numbers) in its order, until it is shown again;
  // an empty list shows every line again. The cursor is left at the top.
  void NarrowTo(const std::vector<uint32_t>& lines);
  bool Narrowed() const;
  // Loads the page on which the line `recno` stands at grid row `row`, as far as the lines
  // above it allow, and returns the row it stands on. A line the view leaves out gives way to
  // the next line shown (the last one at the end); 0 means the top.
  int ShowLineAtRow(uint32_t recno, int row);

  const RowSlot& Slot(int row) const { return slots_[static_cast<size_t>(row)]; }
  View view() const { return view_; }
  const std::string& partText() const { return partText_; }
  const std::string& partName() const { return partName_; }  // name of the part shown (UTF-8)
  const std::string& viewFilter() const { return viewFilter_; }
  ViewState& state() { return state_; }
  TZekTable& items() { return items_; }

 private:
  void FillSlot(RowSlot& slot);
  void ClearSlot(int row) { slots_[static_cast<size_t>(row)] = RowSlot(); }
  std::string Text(int field) const;  // trimmed on the right, UTF-8

  TZekTable& items_;
  ViewState& state_;
  std::vector<RowSlot> slots_;
  View view_ = View::ItemDetails;
  std::string partText_;
  std::string partName_;
  std::string viewFilter_;
  std::vector<uint32_t> chosen_;  // the lines of a narrowed view
  ItemFieldMap f_;                // the item table's fields
};

// The trimmed name after 2n-3 blanks for level n from 2 to 9; other levels: the name alone.
std::string IndentName(const std::string& name, const std::string& level);

}  // namespace vak
