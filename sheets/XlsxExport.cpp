#include "sheets/XlsxExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "common/Files.h"

namespace vak {
namespace {

constexpr std::array<int, 4> kPriceColumns = {kSheetMaterialPrice, kSheetLabourPrice, kSheetExpensePrice, kSheetPrice};
constexpr std::array<int, 4> kAmountColumns = {kSheetMaterialAmount, kSheetLabourAmount, kSheetExpenseAmount, kSheetAmount};

// The cell formats of a workbook.
struct Formats {
  explicit Formats(lxw_workbook* book) {
    title = workbook_add_format(book);
    format_set_bold(title);
    format_set_align(title, LXW_ALIGN_CENTER);
    format_set_bg_color(title, 0xDDE4EE);
    format_set_border(title, LXW_BORDER_THIN);
    // No two formats alike, and none like the default (plain text, which stays nullptr): the
    // library looks a format up anew on every cell it is used for when it equals another.
    for (int level = 0; level < 10; ++level) {
      for (int bold = 0; bold < 2; ++bold) {
        const int indent = std::max(level - 1, 0);
        if (level == 0 || (indent == 0 && !bold)) {
          name[level][bold] = level == 0 ? nullptr : name[0][bold];
          continue;
        }
        lxw_format* f = workbook_add_format(book);
        format_set_indent(f, static_cast<uint8_t>(indent));
        if (bold) format_set_bold(f);
        name[level][bold] = f;
        if (indent == 0) name[0][bold] = f;
      }
    }
    for (int bold = 0; bold < 2; ++bold) {
      quantity[bold] = workbook_add_format(book);
      format_set_num_format(quantity[bold], "#,##0.000");
      amount[bold] = workbook_add_format(book);
      format_set_num_format(amount[bold], "#,##0");
      if (bold) {
        for (lxw_format* f : {quantity[bold], amount[bold]}) format_set_bold(f);
      }
    }
    text[0] = nullptr;
    text[1] = name[0][1];
    fixedPrice = workbook_add_format(book);
    format_set_num_format(fixedPrice, "#,##0");
    format_set_bg_color(fixedPrice, 0xE8E8E8);
    format_set_italic(fixedPrice);
  }
  lxw_format* title;
  lxw_format* name[10][2];
  lxw_format* quantity[2];
  lxw_format* amount[2];
  lxw_format* text[2];
  lxw_format* fixedPrice;
};

void SetUpSheet(lxw_worksheet* sheet, const Formats& formats) {
  // Widths in characters: a Korean character takes about two.
  const double widths[kSheetColumns] = {7, 44, 26, 8, 13, 13, 15, 13, 15, 13, 15, 14, 17, 20, 12, 8, 8};
  for (int c = 0; c < kSheetColumns; ++c) {
    lxw_row_col_options hidden = {1, 0, 0};
    worksheet_set_column_opt(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths[c], nullptr,
                             c >= kSheetParent ? &hidden : nullptr);
  }
  for (int c = 0; c < kSheetColumns; ++c) worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), SheetColumnTitle(c), formats.title);
  worksheet_freeze_panes(sheet, 1, 0);
  worksheet_set_landscape(sheet);
  worksheet_set_paper(sheet, 9);  // A4
  worksheet_repeat_rows(sheet, 0, 0);
  worksheet_fit_to_pages(sheet, 1, 0);
}

// The printed page holds the statement's columns; the key and the helper columns stay on screen.
void SetPrintArea(lxw_worksheet* sheet, size_t rows) {
  worksheet_print_area(sheet, 0, 0, static_cast<lxw_row_t>(rows), kSheetRemark);
}

// Empty texts are left out: a statement has many, and every cell costs time in the file.
void WriteText(lxw_worksheet* sheet, lxw_row_t row, int column, const std::string& text, lxw_format* format) {
  if (!text.empty()) worksheet_write_string(sheet, row, static_cast<lxw_col_t>(column), text.c_str(), format);
}

void WritePart(lxw_worksheet* sheet, const PartSheet& part, const Formats& formats) {
  SetUpSheet(sheet, formats);
  const int lastRow = static_cast<int>(part.lines.size()) + 1;  // sheet rows are 1-based; row 1 holds the titles
  for (size_t i = 0; i < part.lines.size(); ++i) {
    const SheetLine& line = part.lines[i];
    const lxw_row_t row = static_cast<lxw_row_t>(i + 1);
    const int sheetRow = static_cast<int>(i) + 2;
    const int bold = line.heading ? 1 : 0;
    WriteText(sheet, row, kSheetSeq, line.seq, formats.text[bold]);
    worksheet_write_string(sheet, row, kSheetName, line.name.c_str(), formats.name[std::max(line.level, 0)][bold]);
    WriteText(sheet, row, kSheetSpec, line.spec, formats.text[bold]);
    WriteText(sheet, row, kSheetUnit, line.unit, formats.text[bold]);
    if (line.item || line.quantity != 0)
      worksheet_write_number(sheet, row, kSheetQuantity, static_cast<double>(line.quantity), formats.quantity[bold]);
    if (line.item) {
      lxw_format* price = line.fixed ? formats.fixedPrice : formats.amount[0];
      for (int k = 0; k < 3; ++k)
        if (k == 0 || line.prices[static_cast<size_t>(k)] != 0)  // a single price leaves labour and expense empty
          worksheet_write_number(sheet, row, static_cast<lxw_col_t>(kPriceColumns[k]),
                               static_cast<double>(line.prices[k]), price);
      const std::string sum = ColumnLetter(kSheetMaterialPrice) + std::to_string(sheetRow) + "+" +
                              ColumnLetter(kSheetLabourPrice) + std::to_string(sheetRow) + "+" +
                              ColumnLetter(kSheetExpensePrice) + std::to_string(sheetRow);
      if (line.split)
        worksheet_write_formula_num(sheet, row, kSheetPrice, sum.c_str(), price, static_cast<double>(line.prices[3]));
      else
        worksheet_write_number(sheet, row, kSheetPrice, static_cast<double>(line.prices[3]), price);
    }
    for (int k = 0; k < 4; ++k) {
      const std::string formula = AmountFormula(line, kAmountColumns[k], sheetRow, lastRow);
      const double cached = static_cast<double>(line.amounts[k]);
      if (formula.empty())
        worksheet_write_number(sheet, row, static_cast<lxw_col_t>(kAmountColumns[k]), cached, formats.amount[bold]);
      else
        worksheet_write_formula_num(sheet, row, static_cast<lxw_col_t>(kAmountColumns[k]), formula.c_str(),
                                    formats.amount[bold], cached);
    }
    std::string remark = line.remark;
    if (line.fixed) remark = remark.empty() ? "단가고정" : remark + " 단가고정";
    WriteText(sheet, row, kSheetRemark, remark, formats.text[0]);
    worksheet_write_string(sheet, row, kSheetKey, (part.partCode + ":" + std::to_string(line.recno)).c_str(),
                           formats.text[0]);
    if (line.parent >= 0) worksheet_write_number(sheet, row, kSheetParent, line.parent + 2, nullptr);
    if (line.counted != 0) worksheet_write_number(sheet, row, kSheetCounted, line.counted, nullptr);
  }
  SetPrintArea(sheet, part.lines.size() + 1);
  const lxw_row_t totalRow = static_cast<lxw_row_t>(lastRow);
  worksheet_write_string(sheet, totalRow, kSheetName, "합계", formats.name[0][1]);
  for (int k = 0; k < 4; ++k)
    worksheet_write_formula_num(sheet, totalRow, static_cast<lxw_col_t>(kAmountColumns[k]),
                                TotalFormula(kAmountColumns[k], lastRow).c_str(), formats.amount[1],
                                static_cast<double>(part.total[k]));
}

void WriteSummary(lxw_worksheet* sheet, const StatementWorkbook& book, const Formats& formats) {
  SetUpSheet(sheet, formats);
  for (size_t i = 0; i < book.summary.size(); ++i) {
    const SummarySheetLine& line = book.summary[i];
    const lxw_row_t row = static_cast<lxw_row_t>(i + 1);
    worksheet_write_string(sheet, row, kSheetSeq, line.seq.c_str(), formats.text[0]);
    worksheet_write_string(sheet, row, kSheetName, line.name.c_str(), formats.name[1][0]);
    for (int k = 0; k < 4; ++k) {
      const double cached = static_cast<double>(line.amounts[k]);
      if (line.partSheet < 0) {
        worksheet_write_number(sheet, row, static_cast<lxw_col_t>(kAmountColumns[k]), cached, formats.amount[0]);
        continue;
      }
      const PartSheet& part = book.parts[static_cast<size_t>(line.partSheet)];
      const std::string formula = "'" + part.name + "'!" + ColumnLetter(kAmountColumns[k]) +
                                  std::to_string(part.lines.size() + 2);
      worksheet_write_formula_num(sheet, row, static_cast<lxw_col_t>(kAmountColumns[k]), formula.c_str(),
                                  formats.amount[0], cached);
    }
  }
  SetPrintArea(sheet, book.summary.size() + 1);
  const lxw_row_t total = static_cast<lxw_row_t>(book.summary.size() + 1);
  worksheet_write_string(sheet, total, kSheetName, "총입찰금액", formats.name[0][1]);
  const std::string col = ColumnLetter(kSheetAmount);
  worksheet_write_formula_num(sheet, total, kSheetAmount,
                              ("SUM(" + col + "2:" + col + std::to_string(book.summary.size() + 1) + ")").c_str(),
                              formats.amount[1], static_cast<double>(book.tenderAmount));
}

}  // namespace

bool WriteStatementXlsx(const StatementWorkbook& book, const std::string& path, Failure* failure) {
  // The workbook is written to a name of its own beside `path` and put in place when complete.
  std::string temp = path + ".XXXXXX.new~";
  const int fd = ::mkstemps(temp.data(), 5);
  if (fd < 0) {
    if (failure) *failure = {FailureCode::Write, path, errno};
    return false;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);  // a document like any other the user saves, not a private file
  ::close(fd);
  const std::string directory = std::filesystem::path(path).parent_path().string();
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  options.use_zip64 = LXW_TRUE;
  std::string tmpdir = directory.empty() ? std::string(".") : directory;
  options.tmpdir = tmpdir.data();
  lxw_workbook* workbook = workbook_new_opt(temp.c_str(), &options);
  if (!workbook) {
    ::unlink(temp.c_str());
    if (failure) *failure = {FailureCode::Write, path, errno};
    return false;
  }
  const Formats formats(workbook);
  if (!book.summary.empty()) WriteSummary(workbook_add_worksheet(workbook, "총괄집계"), book, formats);
  for (const PartSheet& part : book.parts) WritePart(workbook_add_worksheet(workbook, part.name.c_str()), part, formats);
  const lxw_error closed = workbook_close(workbook);
  const int closeErrno = errno;
  if (closed != LXW_NO_ERROR || ::rename(temp.c_str(), path.c_str()) != 0) {
    const int why = closed != LXW_NO_ERROR ? (closeErrno ? closeErrno : EIO) : errno;
    ::unlink(temp.c_str());
    if (failure) *failure = {FailureCode::Write, path, why};
    return false;
  }
  return true;
}

}  // namespace vak
