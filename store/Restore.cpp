#include "store/Restore.h"

#include <cerrno>
#include <ctime>
#include <filesystem>

#include "common/FileCommit.h"
#include "common/Files.h"
#include "common/Platform.h"
#include "store/Preparation.h"
#include "store/TenderFiles.h"
#include "store/Xbase.h"

namespace vak {
namespace {

void Fail(UserNotifier& notifier, const std::string& text) {
  notifier.Message(text, "오류", MessageIcon::Error, MessageButtons::Ok);
}

std::string TimeStamp() {
  const std::tm tm = platform::LocalTime(std::time(nullptr));
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &tm);
  return text;
}

// A file's bytes staged beside `target` (synced, unique name); empty on failure.
std::string StageCopy(const std::string& source, const std::string& target) {
  const std::optional<std::string> bytes = ReadWholeFile(source);
  if (!bytes) return std::string();
  FileBeside staged(target);
  staged.Write(*bytes);
  return staged.Stage();
}

// "20261208-043512", then "20261208-043512-2", …: the n-th name a kept copy may take.
std::string KeptSuffix(const std::string& stamp, int n) {
  return stamp + (n == 1 ? std::string() : "-" + std::to_string(n));
}

// The first suffix that neither kept copy has yet, for the question to name.
int FirstFreeSuffix(const std::string& dataDir, const std::string& stamp) {
  int n = 1;
  while (n < 1000 && (FindFileNoCase(dataDir, "VAK.DBF." + KeptSuffix(stamp, n)) ||
                      FindFileNoCase(dataDir, "VAK.MEM." + KeptSuffix(stamp, n))))
    ++n;
  return n;
}

// Keeps a copy of `path` under the first free name of "<path>.<suffix>" from the n-th on: the
// copy is staged first and linked to its name, which fails rather than replace anything.
std::string KeepCopy(const std::string& path, const std::string& stamp, int from) {
  const std::string staged = StageCopy(path, path);
  if (staged.empty()) return std::string();
  std::string kept;
  for (int n = from; n < 1000 && kept.empty(); ++n) {
    const std::string name = path + "." + KeptSuffix(stamp, n);
    if (platform::LinkFile(staged, name))
      kept = name;
    else if (errno != EEXIST)
      break;
  }
  platform::RemoveFile(staged);
  if (!kept.empty()) SyncParentDirectory(kept);
  return kept;
}

std::string BaseName(const std::string& path) { return Utf8(FsPath(path).filename()); }

}  // namespace

std::string KeptCopyName(const std::string& name) { return name + "." + TimeStamp(); }

RestoreResult RestoreOriginals(const std::string& dataDir, UserNotifier& notifier) {
  RestoreResult result;
  if (!TidyDataDirectory(dataDir, notifier)) return result;
  const std::string keep = JoinPath(dataDir, kOriginalsDir);
  // The originals folder is a real folder of the tender, never a link to somewhere else.
  if (const auto st = platform::LinkInfo(keep); !st || !st->directory || MissingDataFile(keep)) {
    Fail(notifier, keep + "\n보관된 원본 화일(VAK.DBF, VAK.MEM)이 없습니다.");
    return result;
  }
  if (const std::string problem = UnreadableTenderProblem(keep); !problem.empty()) {
    Fail(notifier, problem + "\n보관된 원본을 읽을 수 없어 되돌리지 않았습니다. 화일은 그대로입니다.");
    return result;
  }
  const std::string dbf = DataFilePath(dataDir, "VAK.DBF");
  const std::string mem = DataFilePath(dataDir, "VAK.MEM");
  // The table is taken while it is replaced: never under a running program.
  const ExclusiveFileHold hold(dbf);
  if (hold.lockedElsewhere()) {
    Fail(notifier, OpenFailureText(dbf, DbfStatus::Locked));
    return result;
  }
  if (const std::string problem = UnwritableTenderProblem(dataDir); !problem.empty()) {
    Fail(notifier, problem);
    return result;
  }
  // Only files are replaced: a directory carrying a data file's name stops the restore here.
  for (const std::string& path : {dbf, mem}) {
    if (const auto entry = platform::LinkInfo(path); entry && !entry->regular) {
      Fail(notifier, OpenFailureText(path, DbfStatus::NotAFile));
      return result;
    }
  }
  const std::string stamp = TimeStamp();
  const int free = FirstFreeSuffix(dataDir, stamp);
  const std::string question =
      dataDir + "의 VAK.DBF와 VAK.MEM을 발주기관의 원본으로 되돌립니다.\n지금 화일은 VAK.DBF." +
      KeptSuffix(stamp, free) + ", VAK.MEM." + KeptSuffix(stamp, free) + "(으)로 남겨 둡니다. 되돌리시겠습니까?";
  if (notifier.Message(question, "확인", MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes)
    return result;

  const std::string failure =
      dataDir + "\n원본으로 되돌리지 못했습니다 (디스크 공간과 쓰기 권한을 확인하십시오). 화일은 그대로입니다.";
  std::string keptDbf, keptMem;
  auto dropKept = [&] {
    if (!keptDbf.empty()) platform::RemoveFile(keptDbf);
    if (!keptMem.empty()) platform::RemoveFile(keptMem);
  };
  if (FileExists(dbf) && (keptDbf = KeepCopy(dbf, stamp, free)).empty()) {
    Fail(notifier, failure);
    return result;
  }
  if (FileExists(mem) && (keptMem = KeepCopy(mem, stamp, free)).empty()) {
    dropKept();
    Fail(notifier, failure);
    return result;
  }
  FileSetCommit commit(dataDir);
  const std::string stagedDbf = StageCopy(*FindFileNoCase(keep, "VAK.DBF"), dbf);
  if (!stagedDbf.empty()) commit.Add(stagedDbf, dbf);
  const std::string stagedMem = stagedDbf.empty() ? std::string() : StageCopy(*FindFileNoCase(keep, "VAK.MEM"), mem);
  if (!stagedMem.empty()) commit.Add(stagedMem, mem);
  Failure error;
  const ExclusiveFileHold newTable(stagedDbf);  // held as it becomes the table, like F3's and the carry's
  if (stagedMem.empty() || !commit.Commit(&error)) {
    if (commit.recorded()) {
      result.unfinished = true;
      Fail(notifier, UnfinishedCommitText(dataDir, FailureText(error)));
      return result;
    }
    dropKept();
    Fail(notifier, failure);
    return result;
  }
  DeleteMatchingFiles(JoinPath(dataDir, "Vak.CDX"));  // rebuilt at the next start
  result.restored = true;
  result.keptDbf = BaseName(keptDbf);
  result.keptMem = BaseName(keptMem);
  return result;
}

}  // namespace vak
