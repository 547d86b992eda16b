// A tender opened as the program opens it, and rows of hand-made statements, for the tests
// of the pricing layer.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/CodePage.h"
#include "common/Files.h"
#include "common/Text.h"
#include "pricing/Calculation.h"
#include "pricing/PriceEntry.h"
#include "pricing/TenderReview.h"
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

// How the test prices an item: single prices on even sequence numbers, split on odd ones.
struct HandPrice {
  bool split;
  long double price, material, labour, expense;
};
inline HandPrice PriceFor(long seq) {
  if (seq % 2 == 0) return {false, static_cast<long double>(1000 + (seq * 37) % 5000), 0, 0, 0};
  return {true, 0, 100.0L + seq, 200.0L + 2 * seq, 3.0L * seq};
}
inline bool Enter(TZekTable& items, const HandPrice& p, UserNotifier& n) {
  return p.split ? WriteSplitPrices(items, p.material, p.labour, p.expense, n) : WriteSinglePrice(items, p.price, n);
}

// Opens the tender as the program does, prices the lines `choose` gives a price, and runs F3
// on every part.
inline void PriceAndCalculate(const std::string& dir, TXbaseEnv& env,
                              const std::function<std::optional<HandPrice>(const TZekTable&)>& choose) {
  RecordingNotifier n;
  TZekTable items(env, n);
  ASSERT_TRUE(OpenTenderAsTheProgramDoes(dir, env, items, n));
  items.Xbase().Query("");
  for (items.Xbase().GoTop(); !items.Eof(); items.Skip(1)) {
    if (!LineStateOf(items).takesPrice || LineStateOf(items).priced) continue;
    if (const std::optional<HandPrice> p = choose(items)) {
      const uint32_t recno = items.RecNo();
      ASSERT_TRUE(Enter(items, *p, n));
      items.Xbase().Go(recno);
    }
  }
  const ProjectType type = ProjectTypeOf(LoadProjectHeader(dir).values[kCmnType]);
  for (const std::string& part : ConstructionParts(items, type))
    ASSERT_TRUE(CalculateStatement(items, {dir, type, part}, n).completed);
  ASSERT_TRUE(items.Close());
}

// Every file under `dir` by its relative path, with its bytes.
inline std::map<std::string, std::string> FilesIn(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    const std::string rel = std::filesystem::relative(entry.path(), dir).string();
    files[rel] = entry.is_regular_file() ? ReadWholeFile(entry.path().string()).value_or("?") : "(dir)";
  }
  return files;
}

inline std::vector<std::string> Records(const std::string& dir) {
  DbfStatus status;
  const auto table = DbfFile::Open(JoinPath(dir, "VAK.DBF"), DbfOpenMode::ReadOnly, status);
  std::vector<std::string> records;
  for (uint32_t r = 1; table && r <= table->RecordCount(); ++r)
    records.emplace_back(table->Record(r), static_cast<size_t>(table->RecordLength()));
  return records;
}

inline const DbfField& F(const char* name) {
  for (const DbfField& f : ItemTableFields()) {
    if (f.name == name) return f;
  }
  throw std::runtime_error(name);
}
inline std::string Get(const std::string& r, const char* name) { return TrimmedText(FieldBytes(r.data(), F(name))); }
inline void WriteRecords(const std::string& dir, const std::vector<std::string>& records) {
  DbfWriter writer(JoinPath(dir, "VAK.DBF"), ItemTableFields());
  for (const std::string& r : records) writer.Add(r.data());
  ASSERT_EQ(writer.Commit(), 0);
}

}  // namespace vak::test
