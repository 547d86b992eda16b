// Several files of one directory replaced as one step. The new files are written and synced
// beside their targets first (staged); then a small commit record naming them is written and
// synced in the directory, the staged files are renamed over their targets, and the record is
// removed. A run killed anywhere in between leaves either no record (and every target as it
// was) or a whole record, from which the next start finishes the renames (roll forward), so
// files that belong together never disagree.
#pragma once

#include "common/Failure.h"

#include <string>
#include <utility>
#include <vector>

namespace vak {

// The record's name in the directory.
inline constexpr const char* kCommitRecordName = "VAK.COMMIT";

class FileSetCommit {
 public:
  explicit FileSetCommit(std::string dir);
  // Removes the staged files that were not committed.
  ~FileSetCommit();
  FileSetCommit(const FileSetCommit&) = delete;
  FileSetCommit& operator=(const FileSetCommit&) = delete;

  // A staged file (synced already) that replaces `target`; both inside the directory (the
  // staged one may lie in a subdirectory of it).
  void Add(const std::string& staged, const std::string& target);
  // Record, renames, record removed. False with `error` set (a sentence) when the record could
  // not be written (then nothing was replaced) or a rename failed (then the record stays and
  // the next start finishes the step).
  bool Commit(Failure* error = nullptr);
  // Whether a failed Commit got as far as the record (the step will be finished later).
  bool recorded() const { return recorded_; }

 private:
  std::string dir_;
  std::vector<std::pair<std::string, std::string>> moves_;  // names relative to dir_
  bool committed_ = false;
  bool recorded_ = false;
};

enum class InterruptedCommit {
  None,      // no record: nothing to finish
  Finished,  // a record was found and its renames completed
  Failed,    // a record was found and could not be finished (unreadable, or a rename failed)
};
// Finishes what a killed commit in `dir` left; the caller holds the directory's table.
InterruptedCommit FinishInterruptedCommit(const std::string& dir, Failure* error = nullptr);
// Whether `dir` holds a commit record (for a check that changes nothing).
bool HasInterruptedCommit(const std::string& dir);

}  // namespace vak
