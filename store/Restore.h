// The agency's originals put back: VAK.DBF and VAK.MEM replaced, in one commit, by the copies
// kept in the "원본" subdirectory at the first write, once the user agreed. The priced files
// stay beside as kept copies "VAK.DBF.<date>-<time>" (a name that did not exist, made
// exclusively, so no second restore ever overwrites one).
#pragma once

#include <string>

#include "common/UserNotifier.h"

namespace vak {

struct RestoreResult {
  bool restored = false;
  bool unfinished = false;  // the replacement stopped half-way; the next start finishes it
  std::string keptDbf;      // the kept copies' names (in the data directory), empty when none
  std::string keptMem;
};

// Checks the originals as a tender (they must open as the program opens a tender), asks the
// user, keeps the present files, and replaces them. The caller must not hold the table. Every
// refusal and failure is told through `notifier`; then nothing has changed.
RestoreResult RestoreOriginals(const std::string& dataDir, UserNotifier& notifier);

// "VAK.DBF.20261208-043512": the name a kept copy of `name` takes at this moment.
std::string KeptCopyName(const std::string& name);

}  // namespace vak
