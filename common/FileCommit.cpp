#include "common/FileCommit.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/Files.h"

namespace vak {
namespace {

constexpr const char* kRecordHeader = "VAK commit 1";
constexpr const char* kRecordEnd = "end";

// A name relative to the directory: the staged file may lie one subdirectory down (a scratch
// directory), the target lies in the directory itself.
bool SafeRelativeName(const std::string& name, bool subdirectoryAllowed) {
  if (name.empty() || name.front() == '/' || name.find('\n') != std::string::npos ||
      name.find('\t') != std::string::npos)
    return false;
  const size_t slash = name.find('/');
  if (slash != std::string::npos && (!subdirectoryAllowed || name.find('/', slash + 1) != std::string::npos)) return false;
  for (const std::string& part : {name.substr(0, slash), slash == std::string::npos ? std::string("x") : name.substr(slash + 1)}) {
    if (part.empty() || part == "." || part == "..") return false;
  }
  return true;
}

std::string Relative(const std::string& dir, const std::string& path) {
  const std::string prefix = JoinPath(dir, "");
  return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : std::string();
}

std::string RecordPath(const std::string& dir) { return JoinPath(dir, kCommitRecordName); }

std::string ErrorText(int error) { return std::strerror(error ? error : EIO); }

// The renames of a record, in order; each skipped when its staged file is gone already (the
// rename happened before the run was killed).
bool DoMoves(const std::string& dir, const std::vector<std::pair<std::string, std::string>>& moves, std::string* error) {
  for (const auto& [staged, target] : moves) {
    const std::string from = JoinPath(dir, staged);
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) continue;
    if (RenameFile(from, JoinPath(dir, target)) != 0) {
      if (error) *error = JoinPath(dir, target) + ": " + ErrorText(errno);
      return false;
    }
  }
  SyncParentDirectory(RecordPath(dir));
  return true;
}

bool RemoveRecord(const std::string& dir) {
  if (::unlink(RecordPath(dir).c_str()) != 0 && errno != ENOENT) return false;
  SyncParentDirectory(RecordPath(dir));
  return true;
}

}  // namespace

FileSetCommit::FileSetCommit(std::string dir) : dir_(std::move(dir)) {}

FileSetCommit::~FileSetCommit() {
  if (committed_ || recorded_) return;  // a recorded step is the next start's to finish
  for (const auto& move : moves_) ::unlink(JoinPath(dir_, move.first).c_str());
}

void FileSetCommit::Add(const std::string& staged, const std::string& target) {
  moves_.emplace_back(Relative(dir_, staged), Relative(dir_, target));
}

bool FileSetCommit::Commit(std::string* error) {
  std::string record = std::string(kRecordHeader) + "\n";
  for (const auto& [staged, target] : moves_) {
    if (!SafeRelativeName(staged, true) || !SafeRelativeName(target, false)) {
      if (error) *error = dir_ + ": 바꿔 쓸 화일이 자료 디렉토리 밖에 있습니다.";
      return false;
    }
    record += staged + "\t" + target + "\n";
  }
  record += std::string(kRecordEnd) + "\n";
  // The record itself appears in one rename: it is whole, or it is not there.
  FileBeside file(RecordPath(dir_));
  file.Write(record);
  if (file.Commit() != 0) {
    if (error) *error = RecordPath(dir_) + ": " + ErrorText(file.error());
    return false;
  }
  recorded_ = true;
  if (!DoMoves(dir_, moves_, error)) return false;
  committed_ = true;
  if (!RemoveRecord(dir_) && error) *error = RecordPath(dir_) + ": " + ErrorText(errno);
  return true;
}

bool HasInterruptedCommit(const std::string& dir) {
  struct stat st {};
  return ::lstat(RecordPath(dir).c_str(), &st) == 0;
}

InterruptedCommit FinishInterruptedCommit(const std::string& dir, std::string* error) {
  if (!HasInterruptedCommit(dir)) return InterruptedCommit::None;
  std::string bytes;
  if (ReadSmallFile(RecordPath(dir), 1u << 16, bytes) != SmallFileStatus::Ok) {
    if (error) *error = RecordPath(dir) + ": 저장 기록을 읽을 수 없습니다.";
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
    if (!SafeRelativeName(moves.back().first, true) || !SafeRelativeName(moves.back().second, false)) break;
  }
  if (!header || !end || at != bytes.size()) {
    if (error) *error = RecordPath(dir) + ": 이 프로그램의 저장 기록이 아니거나 손상되었습니다.";
    return InterruptedCommit::Failed;
  }
  if (!DoMoves(dir, moves, error)) return InterruptedCommit::Failed;
  if (!RemoveRecord(dir)) {
    if (error) *error = RecordPath(dir) + ": " + ErrorText(errno);
    return InterruptedCommit::Failed;
  }
  return InterruptedCommit::Finished;
}

}  // namespace vak
