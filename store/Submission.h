// The submission medium: VAK.DBF and VAK.MEM copied from the data directory to the medium's
// directory (the root of drive A or B on the agency's systems), each written beside its
// target and renamed, then read back and compared byte for byte, and the copied table opened
// and counted. "정상적으로 완료 되었습니다." only after that succeeded.
#pragma once

#include <functional>
#include <string>

#include "common/UserNotifier.h"

namespace vak {

enum class SubmitOutcome {
  Verified,       // both files on the medium, read back equal, the table opens with its records
  SameDirectory,  // the medium is the data directory or inside it ("원본" too): refused before anything was deleted
  SourceUnreadable,  // the tender would not open in the program (damaged, cut, foreign): nothing copied
  MediumRefused,     // the medium holds a tender open in the program, or a directory where a file goes
  DbfFailed,         // VAK.DBF could not be copied
  MemFailed,         // VAK.MEM could not be copied
  MediumFailed,      // the medium failed (full, removed, read-only) while copying
  VerifyFailed,      // a copy read back differs, or the copied table does not open whole
};

// Copies and verifies; tells the user every outcome with the designed messages (and the
// progress window). `beforeReadBack` runs between the copies and their verification (a test
// seam that can alter the medium).
SubmitOutcome SubmitTender(const std::string& dataDir, const std::string& target, UserNotifier& notifier,
                           const std::function<void()>& beforeReadBack = nullptr);

}  // namespace vak
