// The reorganisation of the item table each time the statement is shown: taken into
// exclusive use, cleaned of deleted records, and converted when it still has the old layout.
#pragma once

#include <string>

#include "common/UserNotifier.h"
#include "store/Xbase.h"

namespace vak {

inline constexpr const char* kCheckingDataText = "데이타정보를 확인하고 있습니다.";

// The data work of SetInit. True: `items` is open exclusively on VAK.DBF, packed, of the
// current layout, at order 1 when the table has its index, and the progress window is open
// (one step per record, twice that after a conversion) for the start-up pass to go on.
// False: the user has been told why; `startupFlag` is cleared when a conversion failed.
//
// A conversion never leaves the directory without the agency's data: the new table is
// written beside VAK.DBF and renamed over it only when complete, so VAK.DBF always holds
// either the old table or the complete new one.
struct ReorganiseReport {
  uint32_t packedAway = 0;  // deleted records removed
  bool converted = false;   // an old-layout table was converted
};
bool ReorganiseItemTable(TZekTable& items, const std::string& dataDir, UserNotifier& notifier, bool& startupFlag,
                         ReorganiseReport* report = nullptr);

// Writes a new table of the current layout at `newPath` (replacing what is there only when
// complete) with every record of an old-layout table: numbers as numbers, texts as texts;
// other field types, fields the layout lacks and values it cannot take are skipped. One
// progress step per record; the old table's view is let go before the new table replaces it (it
// is to be closed then). False when the new table cannot be written.
bool ConvertOldItemTable(DbfFile& old, const std::string& newPath, UserNotifier& notifier);

}  // namespace vak
