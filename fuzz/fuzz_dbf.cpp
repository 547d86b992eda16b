// Fuzz target: any bytes as VAK.DBF. The table is opened, walked in both orders with a query,
// every field read; nothing may crash, hang or read outside the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/Files.h"
#include "store/ItemTable.h"
#include "store/XbTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/vak-fuzz-" + std::to_string(getpid()) + ".DBF";
  if (!vak::ReplaceFileContents(path, std::string(reinterpret_cast<const char*>(data), size))) return 0;
  vak::EngineSettings settings;
  settings.deleted = true;
  settings.exact = true;
  vak::DbfStatus status;
  std::unique_ptr<vak::XbTable> table = vak::XbTable::Open(path, vak::DbfOpenMode::Exclusive, settings, status);
  if (!table) return 0;
  const auto& fields = table->file().fields();
  table->Query("SubStr(F_PART,1,1)=\"T\" .or. F_PART=\"U1\"");  // may not compile: then no query
  for (table->GoTop(); !table->Eof(); table->Skip(1)) {
    for (const vak::DbfField& f : fields) {
      if (f.type == 'N') (void)vak::ParseNumericField(vak::FieldBytes(table->Current(), f));
    }
  }
  if (table->IndexTag(vak::kItemTag, vak::kItemKey)) {  // only where F_PART and F_SEQ exist
    table->Seek("U1");
    table->Skip(1);
  }
  table->GoBottom();
  table->Skip(-3);
  return 0;
}
