#include "store/Submission.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "common/FileCommit.h"
#include "common/Files.h"
#include "common/Platform.h"
#include "common/Text.h"
#include "store/DbfFile.h"
#include "store/Preparation.h"
#include "store/TenderFiles.h"
#include "store/Xbase.h"

namespace vak {
namespace {

constexpr const char* kProgressText = "전산입찰 제출디스켓을 만들고 있습니다.";

bool SameDirectory(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(FsPath(a), FsPath(b), ec) && !ec;
}

// Whether `target` lies inside `dir` (any depth), every link resolved.
bool InsideDirectory(const std::string& target, const std::string& dir) {
  namespace fs = std::filesystem;
  const fs::path inner = FsPath(platform::ResolvedPath(target));
  const fs::path outer = FsPath(platform::ResolvedPath(dir));
  for (fs::path p = inner; !p.empty() && p != p.root_path(); p = p.parent_path()) {
    if (SameDirectory(Utf8(p), Utf8(outer))) return true;
  }
  return false;
}

// Why the medium's files cannot be replaced, before anything is deleted; empty when they can.
// Every spelling of the names counts (VAK.DBF and vak.dbf may both be there): a directory where
// a file goes, or a table another program holds. The holds are kept in `holds` while copying.
std::string MediumEntriesProblem(const std::string& target, std::vector<std::unique_ptr<ExclusiveFileHold>>& holds) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(FsPath(target), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = Utf8(it->path().filename());
    const std::string entry = Utf8(it->path());
    if (!EqualsNoCase(name, "VAK.DBF") && !EqualsNoCase(name, "VAK.MEM")) continue;
    if (const auto st = platform::LinkInfo(entry); st && st->directory)
      return entry + "\n제출할 매체에 " + AsciiUpper(name) +
             " 이름의 디렉토리가 있어 화일을 쓸 수 없습니다. 그 디렉토리를 옮기거나 다른 매체를 선택하십시오.";
    holds.push_back(std::make_unique<ExclusiveFileHold>(entry));
    if (holds.back()->lockedElsewhere()) return OpenFailureText(entry, DbfStatus::Locked);
  }
  return std::string();
}

// The medium's message for a failed write: a full or bad diskette only when that is the cause.
std::string MediumFailureText(int error) {
  if (platform::IsNoSpace(error)) error = ENOSPC;
  switch (error) {
    case EROFS:
    case EACCES:
    case EPERM: return "제출할 매체에 쓸 수 없습니다. 쓰기 금지되었거나 쓰기 권한이 없습니다.";
    case ENOSPC:
    case EIO:
    case 0: return "디스켓용량이 부족하거나 디스켓이 불량일 수 있습니다.";
    default: return "디스켓용량이 부족하거나 디스켓이 불량일 수 있습니다. (" + SystemErrorText(error) + ")";
  }
}

// A whole file written to the medium beside its name and renamed over it; the reason (errno)
// when it fails, 0 when it succeeded.
int WriteToMedium(const std::string& path, std::string_view bytes) {
  FileBeside file(path);
  file.Write(bytes);
  return file.Commit() == 0 ? 0 : (file.error() ? file.error() : EIO);
}

uint32_t RecordsOf(const std::string& path) {
  DbfStatus status;
  const auto file = DbfFile::Open(path, DbfOpenMode::ReadOnly, status);
  return file && file->warning().empty() ? file->RecordCount() : UINT32_MAX;
}

}  // namespace

SubmitOutcome SubmitTender(const std::string& dataDir, const std::string& target, UserNotifier& notifier,
                           const std::function<void()>& beforeReadBack) {
  const std::string dbf = DataFilePath(dataDir, "VAK.DBF");
  const std::string mem = DataFilePath(dataDir, "VAK.MEM");
  auto refuse = [&](const std::string& text, SubmitOutcome outcome) {
    notifier.Message(text, "오류", MessageIcon::Error, MessageButtons::Ok);
    return outcome;
  };
  // The program run from the medium itself: deleting the old copies would delete the tender.
  if (SameDirectory(dataDir, target))
    return refuse(
        target + "\n제출할 매체가 작업 중인 자료 디렉토리와 같습니다. 다른 드라이브(디렉토리)를 선택하십시오.",
        SubmitOutcome::SameDirectory);
  // Inside the tender (its originals folder above all): the copies would replace its own files.
  if (InsideDirectory(target, dataDir))
    return refuse(target +
                      "\n제출할 매체가 작업 중인 자료 디렉토리 안(원본 보관 디렉토리 포함)에 있습니다. 다른 "
                      "드라이브(디렉토리)를 선택하십시오.",
                  SubmitOutcome::SameDirectory);
  // Never another tender's files: its originals folder, or a tender directory that keeps one.
  {
    const std::filesystem::path medium = FsPath(platform::ResolvedPath(target));
    const bool originals = IsOriginalsFolder(medium);
    const bool tender = !MissingDataFile(JoinPath(Utf8(medium), kOriginalsDir));
    if (originals || tender)
      return refuse(target + "\n제출할 매체가 다른 입찰 자료 디렉토리" +
                        (originals ? "의 원본 보관 디렉토리" : std::string()) +
                        "입니다. 빈 디스켓(디렉토리)을 선택하십시오.",
                    SubmitOutcome::SameDirectory);
  }
  // A save a killed run left half-done is finished first: the pair sent is the pair that belongs together.
  if (!TidyDataDirectory(dataDir, notifier)) return SubmitOutcome::SourceUnreadable;
  if (HasInterruptedCommit(dataDir))
    return refuse(
        dataDir +
            "\n저장이 중단된 채입니다. 프로그램에서 이 입찰을 닫았다가 다시 열어 저장을 마무리한 뒤 제출하십시오.",
        SubmitOutcome::SourceUnreadable);
  // What would not open in the program is not submitted.
  if (const std::string problem = UnreadableTenderProblem(dataDir); !problem.empty())
    return refuse(problem + "\n이 자료는 제출하지 않습니다.", SubmitOutcome::SourceUnreadable);
  // A tender open in the program on the medium is never overwritten.
  std::vector<std::unique_ptr<ExclusiveFileHold>> mediumHolds;
  if (const std::string problem = MediumEntriesProblem(target, mediumHolds); !problem.empty())
    return refuse(problem, SubmitOutcome::MediumRefused);
  notifier.ProgressOpen(kProgressText, 2);
  notifier.ProgressStep();
  auto fail = [&](const std::string& text, SubmitOutcome outcome) {
    notifier.ProgressClose();
    notifier.Message(text, "오류", MessageIcon::Error, MessageButtons::Ok);
    return outcome;
  };
  // Each file is read once: what is written to the medium is compared with what was read.
  const std::optional<std::string> table = ReadWholeFile(dbf);
  const std::optional<std::string> header = ReadWholeFile(mem);
  // Old copies go first, so a failed run never leaves the previous submission behind.
  DeleteMatchingFiles(JoinPath(target, "VAK.DBF"));
  DeleteMatchingFiles(JoinPath(target, "VAK.MEM"));
  if (!table || !FileExists(dbf))
    return fail(JoinPath(dataDir, "VAK.DBF 화일을 복사하는데 실패하였습니다."), SubmitOutcome::DbfFailed);
  if (const int error = WriteToMedium(JoinPath(target, "VAK.DBF"), *table))
    return fail(MediumFailureText(error), SubmitOutcome::MediumFailed);
  notifier.ProgressStep();
  if (!header || !FileExists(mem))
    return fail(JoinPath(dataDir, "VAK.MEM 화일을 복사하는데 실패하였습니다."), SubmitOutcome::MemFailed);
  if (const int error = WriteToMedium(JoinPath(target, "VAK.MEM"), *header))
    return fail(MediumFailureText(error), SubmitOutcome::MediumFailed);
  if (beforeReadBack) beforeReadBack();
  // Read back from the medium: the same bytes, and a table that opens with all its records.
  if (ReadWholeFile(JoinPath(target, "VAK.DBF")) != table || RecordsOf(JoinPath(target, "VAK.DBF")) != RecordsOf(dbf))
    return fail(JoinPath(dataDir, "VAK.DBF 화일을 복사하는데 실패하였습니다."), SubmitOutcome::VerifyFailed);
  if (ReadWholeFile(JoinPath(target, "VAK.MEM")) != header)
    return fail(JoinPath(dataDir, "VAK.MEM 화일을 복사하는데 실패하였습니다."), SubmitOutcome::VerifyFailed);
  notifier.ProgressStep();
  notifier.ProgressClose();
  notifier.Message("정상적으로 완료 되었습니다.", "알림", MessageIcon::Information, MessageButtons::Ok);
  return SubmitOutcome::Verified;
}

}  // namespace vak
