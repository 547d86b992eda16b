#include "pricing/TenderRewrite.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/FileCommit.h"
#include "common/Files.h"
#include "common/Platform.h"
#include "common/Text.h"
#include "pricing/Calculation.h"
#include "pricing/TenderReview.h"
#include "store/MemFile.h"
#include "store/Preparation.h"
#include "store/TenderFiles.h"

namespace vak {
namespace {

void Fail(UserNotifier& notifier, const std::string& text) {
  notifier.Message(text, "오류", MessageIcon::Error, MessageButtons::Ok);
}

// A scratch directory beside the target, removed with everything in it.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& beside) {
    path_ = platform::MakeTempDirectory(JoinPath(beside, ".vak-carry-"));
  }
  ~ScratchDir() {
    if (!path_.empty() && !kept_) RemoveTree(path_);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  // Left in place: a commit record names files in it (the next start finishes and removes it).
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  bool kept_ = false;
};

// Every file the carry replaces must be a file (or absent) before the first one is replaced.
bool TargetReplaceable(const std::string& toDir, UserNotifier& notifier) {
  for (const char* name : {"VAK.DBF", "Vak.CDX", "VAK.MEM"}) {
    const std::string to = DataFilePath(toDir, name);
    if (const auto st = platform::LinkInfo(to); st && !st->regular) {
      Fail(notifier, to + "\n일반 화일이 아니어서 바꿔 쓸 수 없습니다.");
      return false;
    }
    if (const std::string problem = ReadOnlyDataFileProblem(to); !problem.empty()) {
      Fail(notifier, problem);
      return false;
    }
  }
  return true;
}

// Messages about the scratch copy name the user's tender, not a directory that is gone when
// they read it.
class TargetNamingNotifier : public UserNotifier {
 public:
  TargetNamingNotifier(UserNotifier& inner, std::string scratch, std::string target)
      : inner_(inner), scratch_(std::move(scratch)), target_(std::move(target)) {}
  MessageAnswer Message(const std::string& text, const std::string& caption, MessageIcon icon,
                        MessageButtons buttons) override {
    return inner_.Message(ReplaceAll(text, scratch_, target_), caption, icon, buttons);
  }
  void ProgressOpen(const std::string& text, long maximum) override { inner_.ProgressOpen(text, maximum); }
  void ProgressStep() override { inner_.ProgressStep(); }
  void ProgressClose() override { inner_.ProgressClose(); }
  void Beep() override { inner_.Beep(); }

 private:
  UserNotifier& inner_;
  std::string scratch_, target_;
};

// Renames the scratch files over the target's in one commit: the table, its index and the
// header are all new, or all as they were. The new table is held while it is put in place.
bool ReplaceTarget(const std::string& scratch, const std::string& toDir, UserNotifier& notifier, bool& unfinished) {
  FileSetCommit commit(toDir);
  for (const char* name : {"VAK.DBF", "Vak.CDX", "VAK.MEM"}) {
    const std::optional<std::string> from = FindFileNoCase(scratch, name);
    if (!from) {
      Fail(notifier, toDir + "\n바꾼 화일을 만들지 못했습니다. 지금 내역은 그대로입니다.");
      return false;
    }
    commit.Add(*from, DataFilePath(toDir, name));
  }
  const ExclusiveFileHold newTable(*FindFileNoCase(scratch, "VAK.DBF"));
  Failure error;
  if (commit.Commit(&error)) return true;
  unfinished = commit.recorded();
  Fail(notifier, unfinished ? UnfinishedCommitText(toDir, FailureText(error))
                            : toDir + "\n화일을 바꿔 쓸 수 없습니다 (" + FailureText(error) +
                                  "). 디스크와 쓰기 권한을 확인하십시오.");
  return false;
}

}  // namespace

TenderRewriteResult RewriteTender(const TenderRewrite& rewrite, TXbaseEnv& env, UserNotifier& notifier) {
  TenderRewriteResult result;
  const std::string toDbf = DataFilePath(rewrite.dir, "VAK.DBF");
  if (!TidyDataDirectory(rewrite.dir, notifier)) {
    result.unfinished = true;  // an earlier save still to be finished: not "as it was"
    return result;
  }

  // The tender is held for the whole run: a tender open in the program is refused, and the
  // program cannot open it meanwhile.
  const ExclusiveFileHold hold(toDbf);
  if (!hold.held()) {
    Fail(notifier, OpenFailureText(toDbf, hold.lockedElsewhere() ? DbfStatus::Locked : DbfStatus::NotFound));
    return result;
  }
  if (!TargetReplaceable(rewrite.dir, notifier)) return result;
  const ProjectHeader header = LoadProjectHeader(rewrite.dir);
  if (!header.Whole()) {
    Fail(notifier, HeaderProblemText(header));
    return result;
  }
  ScratchDir scratch(rewrite.dir);
  if (scratch.path().empty()) {
    Fail(notifier, rewrite.dir + "\n작업 디렉토리를 만들 수 없습니다. 디스크 공간과 쓰기 권한을 확인하십시오.");
    return result;
  }
  try {
    CopyFileTo(toDbf, JoinPath(scratch.path(), "VAK.DBF"));
    CopyFileTo(DataFilePath(rewrite.dir, "VAK.MEM"), JoinPath(scratch.path(), "VAK.MEM"));
    // The scratch copy keeps no originals of its own (the target's are kept when it is
    // replaced): empty stand-ins tell the preparation that they are kept already.
    const std::string keep = JoinPath(scratch.path(), kOriginalsDir);
    std::filesystem::create_directory(FsPath(keep));
    for (const char* name : {"VAK.DBF", "VAK.MEM"}) {
      // Through a path: on Windows the name is then opened as a wide string, Korean and all.
      if (!std::ofstream(FsPath(JoinPath(keep, name))))
        throw FileError({FailureCode::Write, JoinPath(keep, name), errno});
    }
  } catch (const std::exception&) {
    Fail(notifier,
         rewrite.dir +
             "\n작업 사본을 만들 수 없습니다. 디스크 공간과 쓰기 권한을 확인하십시오. 지금 내역은 그대로입니다.");
    return result;
  }

  {
    TargetNamingNotifier toTarget(notifier, scratch.path(), rewrite.dir);
    TZekTable items(env, toTarget);
    if (!OpenTenderAsTheProgramDoes(scratch.path(), env, items, toTarget)) return result;
    const ProjectType type = ProjectTypeOf(header.values[kCmnType]);
    if (!rewrite.change(items, type, toTarget)) {
      items.Close();
      return result;
    }
    const std::vector<std::string> parts = ConstructionParts(items, type);
    notifier.ProgressOpen("모든 공사를 다시 계산하고 있습니다.", static_cast<long>(parts.size()));
    for (const std::string& part : parts) {
      notifier.ProgressStep();
      const CalculationResult calculated = CalculateStatement(items, {scratch.path(), type, part}, toTarget);
      if (!calculated.completed) {
        notifier.ProgressClose();
        items.Close();
        return result;
      }
      result.tenderAmount = calculated.tenderAmount;
    }
    notifier.ProgressClose();
    if (!items.Close()) return result;
  }
  if (rewrite.accept && !rewrite.accept(result.tenderAmount)) return result;
  if (!TargetReplaceable(rewrite.dir, notifier) || !KeepAgencyOriginals(rewrite.dir, notifier) ||
      !ReplaceTarget(scratch.path(), rewrite.dir, notifier, result.unfinished)) {
    if (result.unfinished) scratch.Keep();
    return result;
  }
  result.completed = true;
  return result;
}

}  // namespace vak
