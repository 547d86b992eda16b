// A tender opened as the program opens it, and rows of hand-made statements, for the tests
// of the pricing layer.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/CodePage.h"
#include "common/Text.h"
#include "pricing/Calculation.h"
#include "store/MemFile.h"
#include "store/Preparation.h"
#include "store/Reorganise.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"

namespace vak::test {

// A tender opened as the program opens it: prepared, reorganised, start-up pass done.
class Tender {
 public:
  Tender(const std::vector<Row>& rows, const std::string& type) {
    test::WriteItemTable(dir.path(), rows);
    test::WriteHeader(dir.path(), type, "계산 시험");
    bool flag = true;
    EXPECT_TRUE(PrepareData(dir.path(), env, notifier, flag));
    EXPECT_TRUE(ReorganiseItemTable(items, dir.path(), notifier, flag));
    RunStartupPass(items, notifier);
    this->type = type;
  }

  CalculationResult Calculate(const std::string& part = "") {
    return CalculateStatement(items, {dir.path(), ProjectTypeOf(type), part}, notifier);
  }

  // Field values of the line with this name.
  long double Value(const std::string& name, const char* field) {
    items.Xbase().Query("");
    for (items.Xbase().GoTop(); !items.Eof(); items.Skip(1)) {
      if (Cp949ToUtf8(TrimmedText(items.FieldAsString("F_DES"))) == name) return items.FieldAsFloat(field);
    }
    ADD_FAILURE() << "no line " << name;
    return -1;
  }
  long double Cost(const std::string& name) { return Value(name, "F_COST"); }

  // Positions the table on a line for a price entry.
  void GoTo(const std::string& name) {
    items.Xbase().Query("");
    for (items.Xbase().GoTop(); !items.Eof(); items.Skip(1)) {
      if (Cp949ToUtf8(TrimmedText(items.FieldAsString("F_DES"))) == name) return;
    }
    ADD_FAILURE() << "no line " << name;
  }

  std::string Mem(const char* name) { return ReadMemVar(dir.File("VAK.MEM"), name); }

  TempDir dir;
  TXbaseEnv env;
  RecordingNotifier notifier;
  TZekTable items{env, notifier};
  std::string type;
};

inline Row Item(const std::string& part, int seq, char level, const std::string& name, double quantity, double price) {
  Row r{part, seq, level, name, quantity, 0, price};
  return r;
}

inline Row Heading(const std::string& part, int seq, char level, const std::string& name, double headingQuantity = 0) {
  Row r{part, seq, level, name, 0, headingQuantity};
  return r;
}

}  // namespace vak::test
