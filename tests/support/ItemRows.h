// Item tables built by hand for tests: one Row per statement line.
#pragma once

#include <string>
#include <vector>

namespace vak::test {

struct Row {
  std::string part;  // "U", "U1", "T1"
  int seq = 0;
  char level = '1';
  std::string name;  // UTF-8
  double quantity = 0;
  double headingQuantity = 0;
  double price = 0;
  char fixed = ' ';
  std::string remark;  // F_REMK
  char nextLevel = ' ';
  bool deleted = false;
  std::string unit;     // F_QUNIT (UTF-8)
  double material = 0;  // F_MA0
  double labour = 0;    // F_LA0
  double expense = 0;   // F_EQ0
  double cost = 0;      // F_COST
  std::string bigo;     // F_BIGO (UTF-8)
  std::string code;     // F_CODE
  std::string size;     // F_SIZE, the specification (UTF-8)
};

// Writes VAK.DBF with these rows (in this physical order) into `dir`.
void WriteItemTable(const std::string& dir, const std::vector<Row>& rows, const std::string& name = "VAK.DBF");

// Writes a VAK.MEM with a description and a project type.
void WriteHeader(const std::string& dir, const std::string& type, const std::string& description = "시험 공사");

}  // namespace vak::test
