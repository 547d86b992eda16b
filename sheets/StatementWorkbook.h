// The priced statement as a workbook: one sheet per construction part (the overall summary
// first in a compound project), each line with its texts, unit prices and amounts, and the
// amounts as spreadsheet formulas that compute what the calculation computes, with the
// program's stored amounts as their cached values.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/ItemTable.h"
#include "store/Xbase.h"

namespace vak {

// The columns of a statement sheet, left to right.
enum SheetColumn {
  kSheetSeq,       // 순번
  kSheetName,      // 공종명
  kSheetSpec,      // 규격
  kSheetUnit,      // 단위
  kSheetQuantity,  // 수량 (a heading: its own quantity, which multiplies)
  kSheetMaterialPrice,
  kSheetMaterialAmount,
  kSheetLabourPrice,
  kSheetLabourAmount,
  kSheetExpensePrice,
  kSheetExpenseAmount,
  kSheetPrice,   // 합계 단가 (F_PRIC)
  kSheetAmount,  // 합계 금액 (F_COST)
  kSheetRemark,  // 비고
  kSheetKey,     // 키: part code and record number, "U1:123"
  kSheetParent,  // the sheet row of the heading the line adds to (hidden)
  kSheetCounted, // how often the part's total counts the line (hidden)
  kSheetColumns
};
const char* SheetColumnTitle(int column);
// "A", "B", … for a column index.
std::string ColumnLetter(int column);

struct SheetLine {
  uint32_t recno = 0;
  std::string seq;
  std::string name, spec, unit, remark;  // UTF-8
  int level = 0;          // 0 to 9; -1 without a level digit
  bool heading = false;
  bool item = false;      // an item with a quantity: its amounts are quantity × unit price
  bool fixed = false;     // 단가고정
  bool split = false;     // material, labour and expense add up to the unit price
  long double quantity = 0;  // an item's F_QQTY, a heading's F_TQTY
  std::array<long long, 4> prices{};   // material, labour, expense, total (F_MA0, F_LA0, F_EQ0, F_PRIC)
  std::array<long long, 4> amounts{};  // F_MA, F_LA, F_EQ, F_COST as stored
  int parent = -1;   // index of the heading line it adds to
  int counted = 0;   // how often the part's total counts it
};

struct PartSheet {
  std::string name;      // the sheet's name
  std::string partCode;  // "U1"
  std::string part;      // "1"
  std::vector<SheetLine> lines;
  std::array<long long, 4> total{};  // the part's total from the stored amounts
};

struct SummarySheetLine {
  std::string seq, name;
  int partSheet = -1;  // the part sheet whose total it shows; -1: its stored amounts
  std::array<long long, 4> amounts{};
};

struct StatementWorkbook {
  std::vector<SummarySheetLine> summary;  // empty unless the project has an overall summary
  std::vector<PartSheet> parts;
  long long tenderAmount = 0;
};

// Reads the statement (every part, in statement order) from an open tender.
StatementWorkbook ReadStatementWorkbook(TZekTable& items, ProjectType type);

// A sheet name a spreadsheet takes: at most 31 characters, none of []:*?/\, unique among `taken`.
std::string SheetName(const std::string& wanted, const std::vector<std::string>& taken);

// The formula of an amount column on sheet row `row` (1-based; row 1 holds the titles) of a
// line; `lastRow` is the sheet's last line row. Empty for a line whose amounts are values.
std::string AmountFormula(const SheetLine& line, int column, int row, int lastRow);
// The formula of the part's total in an amount column.
std::string TotalFormula(int column, int lastRow);

}  // namespace vak
