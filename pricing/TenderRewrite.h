// Changes to a tender's prices made whole or not at all: the carry and the amount adjustment
// change prices on a copy of the tender, recalculate every part there, and replace the
// tender's files in one commit only when all of that succeeded.
#pragma once

#include <functional>
#include <string>

#include "common/UserNotifier.h"
#include "store/ItemTable.h"
#include "store/Xbase.h"

namespace vak {

struct TenderRewrite {
  std::string dir;
  // Writes the prices into the copy (open, prepared as the program prepares it). False stops the
  // rewrite with nothing written; the change has told the user why (or the user said no).
  // Messages through `notifier` name the tender, not the copy.
  std::function<bool(TZekTable& items, ProjectType type, UserNotifier& notifier)> change;
  // Looks at the tender amount the recalculation gave before the files are replaced; false
  // stops the rewrite (the check has told the user why).
  std::function<bool(long double tenderAmount)> accept;
};

struct TenderRewriteResult {
  bool completed = false;   // the tender holds the new prices, recalculated
  bool unfinished = false;  // the replacement stopped half-way; the next start finishes it
  long double tenderAmount = 0;
};

// Holds the tender for the whole run (a tender open in the program is refused), copies it,
// lets `change` write into the copy, recalculates every part, and replaces the tender's table,
// index and header in one commit; the agency's originals are kept at this first write.
// Failures are told through `notifier`; the tender is then as it was (unless `unfinished`).
TenderRewriteResult RewriteTender(const TenderRewrite& rewrite, TXbaseEnv& env, UserNotifier& notifier);

}  // namespace vak
