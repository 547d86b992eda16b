#include "common/FileCommit.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>

#include "common/Files.h"
#include "common/Platform.h"
#include "common/Text.h"

namespace vak {
namespace {

constexpr const char* kRecordHeader = "VAK commit 1";
constexpr const char* kRecordEnd = "end";

// The files a record may replace: the tender's table, header and index, nothing else.
bool AllowedTarget(const std::string& name) {
  return EqualsNoCase(name, "VAK.DBF") || EqualsNoCase(name, "VAK.MEM") || EqualsNoCase(name, "VAK.CDX");
}

// Only names the program itself stages: "<target>.<8 letters or digits>.new~" beside the
// target, or the target's name in a carry's scratch directory ".vak-carry-XXXXXX/".
bool OwnStagedName(const std::string& staged, const std::string& target) {
  const size_t slash = staged.find('/');
  if (slash != std::string::npos) {
    const std::string dir = staged.substr(0, slash), name = staged.substr(slash + 1);
    return dir.rfind(".vak-carry-", 0) == 0 && dir.size() == 17 && EqualsNoCase(name, target);
  }
  const std::string suffix = ".new~";
  if (staged.size() != target.size() + 1 + 8 + suffix.size() || staged.compare(0, target.size(), target) != 0 ||
      staged[target.size()] != '.' || staged.compare(staged.size() - suffix.size(), suffix.size(), suffix) != 0)
    return false;
  for (size_t i = target.size() + 1; i < target.size() + 9; ++i) {
    if (!std::isalnum(static_cast<unsigned char>(staged[i]))) return false;
  }
  return true;
}

bool ValidMove(const std::string& staged, const std::string& target) {
  return target.find('/') == std::string::npos && AllowedTarget(target) && OwnStagedName(staged, target);
}

// Where a staged file stands: gone (renamed before the run stopped), the program's own (a
// regular file with one name, reached through no link), or something else under its name.
enum class Staged { Gone, Own, Foreign };
Staged StagedFileState(const std::string& dir, const std::string& staged) {
  const size_t slash = staged.find('/');
  if (slash != std::string::npos) {
    const auto scratch = platform::LinkInfo(JoinPath(dir, staged.substr(0, slash)));
    if (!scratch) return Staged::Gone;
    if (!scratch->directory) return Staged::Foreign;
  }
  const auto file = platform::LinkInfo(JoinPath(dir, staged));
  if (!file) return Staged::Gone;
  // A hard link would move another file's bytes (an original's, the header's) into place.
  return file->regular && file->links == 1 ? Staged::Own : Staged::Foreign;
}

// The target's name as the directory spells it already, or the only spelling there will be:
// a rename must never give a data file a second spelling beside the first.
bool TargetSpelledOnce(const std::string& dir, const std::string& target) {
  const std::optional<std::string> found = FindFileNoCase(dir, target);
  return !found || *found == JoinPath(dir, target);
}

std::string Relative(const std::string& dir, const std::string& path) {
  const std::string prefix = JoinPath(dir, "");
  return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : std::string();
}

std::string RecordPath(const std::string& dir) { return JoinPath(dir, kCommitRecordName); }

void Fail(Failure* failure, FailureCode code, std::string path, int systemError = 0) {
  if (failure) *failure = {code, std::move(path), systemError};
}

// The renames of a record, in order; each skipped when its staged file is gone already (the
// rename happened before the run was killed).
bool DoMoves(const std::string& dir, const std::vector<std::pair<std::string, std::string>>& moves, Failure* error) {
  // Every file is looked at before the first one moves: a foreign one stops the step untouched.
  for (const auto& move : moves) {
    if (StagedFileState(dir, move.first) == Staged::Foreign) {
      Fail(error, FailureCode::NotOurs, JoinPath(dir, move.first));
      return false;
    }
  }
  for (const auto& [staged, target] : moves) {
    const std::string from = JoinPath(dir, staged);
    if (StagedFileState(dir, staged) == Staged::Gone) continue;  // renamed already before the run stopped
    if (RenameFile(from, JoinPath(dir, target)) != 0) {
      Fail(error, FailureCode::Write, JoinPath(dir, target), errno);
      return false;
    }
  }
  SyncParentDirectory(RecordPath(dir));
  return true;
}

bool RemoveRecord(const std::string& dir) {
  if (!platform::RemoveFile(RecordPath(dir)) && errno != ENOENT) return false;
  SyncParentDirectory(RecordPath(dir));
  return true;
}

}  // namespace

FileSetCommit::FileSetCommit(std::string dir) : dir_(std::move(dir)) {}

FileSetCommit::~FileSetCommit() {
  if (committed_ || recorded_) return;  // a recorded step is the next start's to finish
  for (const auto& move : moves_) platform::RemoveFile(JoinPath(dir_, move.first));
}

void FileSetCommit::Add(const std::string& staged, const std::string& target) {
  // The record always writes "/" inside a name (a carry's scratch directory), whatever the
  // system's separator, so a record reads the same everywhere; Windows takes either.
  std::string relative = Relative(dir_, staged);
  std::replace(relative.begin(), relative.end(), PathSeparator(), '/');
  moves_.emplace_back(std::move(relative), Relative(dir_, target));
}

bool FileSetCommit::Commit(Failure* error) {
  std::string record = std::string(kRecordHeader) + "\n";
  for (const auto& [staged, target] : moves_) {
    if (!ValidMove(staged, target)) {
      Fail(error, FailureCode::NotOurs, JoinPath(dir_, staged));
      return false;
    }
    record += staged + "\t" + target + "\n";
  }
  record += std::string(kRecordEnd) + "\n";
  // The record appears whole in one step (a link to a synced file), and never over another
  // run's record: that one is the next start's to finish.
  FileBeside file(RecordPath(dir_));
  file.Write(record);
  const std::string staged = file.Stage();
  const bool linked =
      !staged.empty() && !FileFaultFires(FileFault::Rename) && platform::LinkFile(staged, RecordPath(dir_));
  const int why = linked ? 0 : (errno ? errno : EIO);
  if (!staged.empty()) platform::RemoveFile(staged);
  if (!linked) {
    Fail(error, why == EEXIST ? FailureCode::OtherRecord : FailureCode::Write, RecordPath(dir_), why);
    return false;
  }
  SyncParentDirectory(RecordPath(dir_));
  recorded_ = true;
  if (!DoMoves(dir_, moves_, error)) return false;
  committed_ = true;
  if (!RemoveRecord(dir_)) Fail(error, FailureCode::Write, RecordPath(dir_), errno);
  return true;
}

bool HasInterruptedCommit(const std::string& dir) { return platform::LinkInfo(RecordPath(dir)).has_value(); }

InterruptedCommit FinishInterruptedCommit(const std::string& dir, Failure* error) {
  if (!HasInterruptedCommit(dir)) return InterruptedCommit::None;
  std::string bytes;
  if (ReadSmallFile(RecordPath(dir), 1u << 16, bytes) != SmallFileStatus::Ok) {
    Fail(error, FailureCode::Read, RecordPath(dir));
    return InterruptedCommit::Failed;
  }
  std::vector<std::pair<std::string, std::string>> moves;
  size_t at = 0;
  bool header = false, end = false;
  while (at < bytes.size() && !end) {
    const size_t newline = bytes.find('\n', at);
    if (newline == std::string::npos) break;
    const std::string line = bytes.substr(at, newline - at);
    at = newline + 1;
    if (!header) {
      header = line == kRecordHeader;
      if (!header) break;
      continue;
    }
    if (line == kRecordEnd) {
      end = true;
      continue;
    }
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) break;
    moves.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    if (!ValidMove(moves.back().first, moves.back().second) || !TargetSpelledOnce(dir, moves.back().second)) break;
  }
  if (!header || !end || at != bytes.size()) {
    Fail(error, FailureCode::DamagedRecord, RecordPath(dir));
    return InterruptedCommit::Failed;
  }
  if (!DoMoves(dir, moves, error)) return InterruptedCommit::Failed;
  if (!RemoveRecord(dir)) {
    Fail(error, FailureCode::Write, RecordPath(dir), errno);
    return InterruptedCommit::Failed;
  }
  return InterruptedCommit::Finished;
}

}  // namespace vak
