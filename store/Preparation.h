// From program start to an item table that is present, indexed and repaired: the data
// preparation when the main window is created, and the start-up pass when it is shown.
#pragma once

#include <string>

#include "common/UserNotifier.h"
#include "store/ItemTable.h"
#include "store/Xbase.h"

namespace vak {

// The subdirectory of the data directory where the agency's files are kept as they came.
inline constexpr const char* kOriginalsDir = "원본";

// The first of the two data files (VAK.DBF, then VAK.MEM) that `dataDir` lacks; nullptr when
// both are there. Names are found without regard to case.
const char* MissingDataFile(const std::string& dataDir);
// "\"DIR\"디렉토리에 데이타화일(VAK.DBF)이 없습니다."
std::string MissingDataFileText(const std::string& dataDir, const char* name);

// Checks VAK.DBF and VAK.MEM, takes the table exclusively, keeps the agency's originals, and
// deletes and rebuilds Vak.CDX (tag F_PS). Sets the environment to hide deleted records and
// compare exactly. On success `items` stays open exclusively, so that nobody can take the
// table before the reorganisation goes on. False, with `startupFlag` cleared and the user
// told, when a data file is missing, the table cannot be taken, is damaged or not a
// statement, the user would not go on after the reader's warnings, or the index cannot be
// rebuilt; nothing is written then.
bool PrepareData(const std::string& dataDir, TXbaseEnv& env, TZekTable& items, UserNotifier& notifier,
                 bool& startupFlag);
// The same, closing the table at the end.
bool PrepareData(const std::string& dataDir, TXbaseEnv& env, UserNotifier& notifier, bool& startupFlag);

// The first time a tender directory is written to, VAK.DBF and VAK.MEM are copied, byte for
// byte, into its "원본" subdirectory (created once, files never overwritten) and the user is
// told once. When the copy cannot be made the user is asked whether to go on without it;
// false when the answer is no.
bool KeepAgencyOriginals(const std::string& dataDir, UserNotifier& notifier);

// The start-up pass over the whole table, in index order: F_NLVL of every line becomes the
// level of the next line of its part code (the last line of a part code keeps its own), and
// headings take their quantity: F_QQTY := F_TQTY where F_LVL < F_NLVL, except on level "0"
// lines, which are never headings and keep the quantity the agency gave them. One progress step per
// line; the progress window is closed at the end. Records are written only when they change.
struct StartupPassResult {
  long levelsRepaired = 0;   // lines whose F_NLVL was wrong or blank
  long quantitiesSet = 0;    // headings whose F_QQTY took F_TQTY
  long quantitiesUnfit = 0;  // headings whose F_TQTY does not fit F_QQTY (left alone, the user told)
  bool failed = false;       // a record could not be written (the user has been told)
};
StartupPassResult RunStartupPass(TZekTable& items, UserNotifier& notifier);

// The project type a statement shows when its header cannot be read: compound when it has
// lines of the overall summary (a part code starting with "T"), else single. Only for
// viewing; nothing is written from it.
ProjectType ProjectTypeOfStatement(const DbfFile& table);

struct ReorganiseReport;

// The program's whole start on a tender directory, for the command-line tool: the data
// preparation, the reorganisation (`items` is then open exclusively) and the start-up pass.
// False when a step failed; the user has been told why.
bool OpenTenderAsTheProgramDoes(const std::string& dataDir, TXbaseEnv& env, TZekTable& items, UserNotifier& notifier,
                                ReorganiseReport* reorganised = nullptr, StartupPassResult* pass = nullptr);

}  // namespace vak
