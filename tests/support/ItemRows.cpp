#include "tests/support/ItemRows.h"

#include <stdexcept>

#include "common/CodePage.h"
#include "common/Files.h"
#include "store/DbfFile.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"

namespace vak::test {

void WriteItemTable(const std::string& dir, const std::vector<Row>& rows, const std::string& name) {
  const std::vector<DbfField>& f = ItemTableFields();
  DbfWriter writer(JoinPath(dir, name), f);
  for (const Row& row : rows) {
    std::string r(static_cast<size_t>(kItemRecordLength), ' ');
    if (row.deleted) r[0] = '*';
    StoreNumericField(r.data(), f[0], row.seq);
    r[static_cast<size_t>(f[1].offset)] = row.level;
    r[static_cast<size_t>(f[2].offset)] = row.nextLevel;
    StoreCharacterField(r.data(), f[3], Utf8ToCp949(row.name).value());
    StoreNumericField(r.data(), f[5], row.quantity);
    StoreNumericField(r.data(), f[6], row.headingQuantity);
    StoreNumericField(r.data(), f[8], row.price);
    for (int i : {9, 14, 15, 16, 17, 18, 19}) StoreNumericField(r.data(), f[static_cast<size_t>(i)], 0);
    StoreCharacterField(r.data(), f[11], row.remark);
    StoreCharacterField(r.data(), f[7], Utf8ToCp949(row.unit).value());
    StoreNumericField(r.data(), f[14], row.material);
    StoreNumericField(r.data(), f[15], row.labour);
    StoreNumericField(r.data(), f[16], row.expense);
    r[static_cast<size_t>(f[13].offset)] = row.fixed;
    StoreNumericField(r.data(), f[9], row.cost);
    StoreCharacterField(r.data(), f[10], Utf8ToCp949(row.bigo).value());
    StoreCharacterField(r.data(), f[12], row.code);
    StoreCharacterField(r.data(), f[4], Utf8ToCp949(row.size).value());
    StoreCharacterField(r.data(), f[20], row.part);
    writer.Add(r.data());
  }
  if (writer.Commit() != 0) throw std::runtime_error("cannot write the test table");
}

void WriteHeader(const std::string& dir, const std::string& type, const std::string& description) {
  HeaderValues v;
  v[kCmnDesc] = Utf8ToCp949(description).value();
  v[kCmnType] = type;
  if (!WriteMemFile(JoinPath(dir, "VAK.MEM"), v)) throw std::runtime_error("cannot write VAK.MEM");
}

}  // namespace vak::test
