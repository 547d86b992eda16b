// From program start to an item table that is present, indexed and repaired: the data
// preparation when the main window is created, and the start-up pass when it is shown.
#pragma once

#include <string>

#include "common/UserNotifier.h"
#include "store/Xbase.h"

namespace vak {

// Checks VAK.DBF and VAK.MEM, deletes and rebuilds Vak.CDX (tag F_PS), opens the table at
// order 1 and back. Sets the environment to hide deleted records and compare exactly.
// False when a data file is missing (the user is told, `startupFlag` cleared) or the table
// cannot be taken or indexed (the user is told).
bool PrepareData(const std::string& dataDir, TXbaseEnv& env, UserNotifier& notifier, bool& startupFlag);

// The start-up pass over the whole table, in index order: F_NLVL of every line becomes the
// level of the next line of its part code (the last line of a part code keeps its own), and
// headings take their quantity: F_QQTY := F_TQTY where F_LVL < F_NLVL, except on level "0"
// lines, which are never headings and keep the quantity the agency gave them. One progress step per
// line; the progress window is closed at the end. Records are written only when they change.
struct StartupPassResult {
  long levelsRepaired = 0;  // lines whose F_NLVL was wrong or blank
  long quantitiesSet = 0;   // headings whose F_QQTY took F_TQTY
};
StartupPassResult RunStartupPass(TZekTable& items, UserNotifier& notifier);

struct ReorganiseReport;

// The program's whole start on a tender directory, for the command-line tool: the data
// preparation, the reorganisation (`items` is then open exclusively) and the start-up pass.
// False when a step failed; the user has been told why.
bool OpenTenderAsTheProgramDoes(const std::string& dataDir, TXbaseEnv& env, TZekTable& items, UserNotifier& notifier,
                                ReorganiseReport* reorganised = nullptr, StartupPassResult* pass = nullptr);

}  // namespace vak
