// Reading the cells of a workbook (.xlsx) or a CSV file, for the price import.
//
// An .xlsx file is a zip archive of XML parts. It is opened with libzip and its parts parsed
// with Expat: both are maintained, in Debian, and made for exactly this (a zip library that
// reads any archive a spreadsheet program writes, zip64 included, and a streaming XML parser
// that reads a sheet of any size without holding its tree). Only what the import needs is
// read: the sheet names, the shared strings and each cell's value, type and formula flag.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vak {

struct SheetCell {
  enum class Kind { Empty, Number, Text, Other };  // Other: a truth value or an error
  Kind kind = Kind::Empty;
  std::string value;     // the number as written ("12345", "1.5E3") or the text (UTF-8)
  bool formula = false;  // the cell holds a formula; `value` is its cached result
};

struct SheetRows {
  std::string name;
  std::vector<std::vector<SheetCell>> rows;  // row by row from the first, cells from column A
};

// Every sheet of an .xlsx workbook; empty, with the reason (Korean) in `problem`, when the file
// is not one.
std::optional<std::vector<SheetRows>> ReadXlsxSheets(const std::string& path, std::string* problem);

// A CSV file as one sheet (named after the file): UTF-8 (with or without a byte-order mark) or,
// when it is not valid UTF-8, code page 949. Every cell is text.
std::optional<SheetRows> ReadCsvSheet(const std::string& path, std::string* problem);

}  // namespace vak
