#include "store/Submission.h"

#include <cstdint>
#include <filesystem>
#include <optional>

#include "common/Files.h"
#include "store/DbfFile.h"

namespace vak {
namespace {

constexpr const char* kProgressText = "전산입찰 제출디스켓을 만들고 있습니다.";

bool SameDirectory(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
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
  // The program run from the medium itself: deleting the old copies would delete the tender.
  if (SameDirectory(dataDir, target)) {
    notifier.Message(target + "\n제출할 매체가 작업 중인 자료 디렉토리와 같습니다. 다른 드라이브(디렉토리)를 선택하십시오.",
                     "오류", MessageIcon::Error, MessageButtons::Ok);
    return SubmitOutcome::SameDirectory;
  }
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
  try {
    // Old copies go first, so a failed run never leaves the previous submission behind.
    DeleteMatchingFiles(JoinPath(target, "VAK.DBF"));
    DeleteMatchingFiles(JoinPath(target, "VAK.MEM"));
    if (!table || !FileExists(dbf))
      return fail(JoinPath(dataDir, "VAK.DBF 화일을 복사하는데 실패하였습니다."), SubmitOutcome::DbfFailed);
    if (!ReplaceFileContents(JoinPath(target, "VAK.DBF"), *table)) throw FileError("cannot write VAK.DBF");
    notifier.ProgressStep();
    if (!header || !FileExists(mem))
      return fail(JoinPath(dataDir, "VAK.MEM 화일을 복사하는데 실패하였습니다."), SubmitOutcome::MemFailed);
    if (!ReplaceFileContents(JoinPath(target, "VAK.MEM"), *header)) throw FileError("cannot write VAK.MEM");
  } catch (const FileError&) {
    return fail("디스켓용량이 부족하거나 디스켓이 불량일 수 있습니다.", SubmitOutcome::MediumFailed);
  }
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
