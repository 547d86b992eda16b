// A failure as the core reports it: what went wrong, the file it concerns and the system's
// reason. The core passes this value up; the words a user reads are composed from it in one
// place, FailureText, where the message is shown.
#pragma once

#include <string>

namespace vak {

enum class FailureCode {
  None,
  Read,           // the file could not be read
  Write,          // it could not be written, synced or put in place
  NotOurs,        // a file to be put in place is not one this program made
  OtherRecord,    // another run's save record stands in the directory
  DamagedRecord,  // the save record is not this program's, or is damaged
  BadKey,         // an index key that cannot order the table (fields it lacks, not a text)
};

struct Failure {
  FailureCode code = FailureCode::None;
  std::string path;
  int systemError = 0;  // errno; 0 when the system gave none
  explicit operator bool() const { return code != FailureCode::None; }
};

// The Korean text of a failure: "<path>: <what went wrong>".
std::string FailureText(const Failure& failure);

}  // namespace vak
