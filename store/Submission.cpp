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

// The copy on the medium reads back as the data directory's file, byte for byte.
bool ReadsBackEqual(const std::string& source, const std::string& copy) {
  const std::optional<std::string> a = ReadWholeFile(source);
  const std::optional<std::string> b = ReadWholeFile(copy);
  return a && b && *a == *b;
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
  try {
    // Old copies go first, so a failed run never leaves the previous submission behind.
    DeleteMatchingFiles(JoinPath(target, "VAK.DBF"));
    DeleteMatchingFiles(JoinPath(target, "VAK.MEM"));
    if (!CopyFileTo(dbf, JoinPath(target, "VAK.DBF")))
      return fail(JoinPath(dataDir, "VAK.DBF 화일을 복사하는데 실패하였습니다."), SubmitOutcome::DbfFailed);
    notifier.ProgressStep();
    if (!CopyFileTo(mem, JoinPath(target, "VAK.MEM")))
      return fail(JoinPath(dataDir, "VAK.MEM 화일을 복사하는데 실패하였습니다."), SubmitOutcome::MemFailed);
  } catch (const FileError&) {
    return fail("디스켓용량이 부족하거나 디스켓이 불량일 수 있습니다.", SubmitOutcome::MediumFailed);
  }
  if (beforeReadBack) beforeReadBack();
  // Read back from the medium: the same bytes, and a table that opens with all its records.
  if (!ReadsBackEqual(dbf, JoinPath(target, "VAK.DBF")) || RecordsOf(JoinPath(target, "VAK.DBF")) != RecordsOf(dbf))
    return fail(JoinPath(dataDir, "VAK.DBF 화일을 복사하는데 실패하였습니다."), SubmitOutcome::VerifyFailed);
  if (!ReadsBackEqual(mem, JoinPath(target, "VAK.MEM")))
    return fail(JoinPath(dataDir, "VAK.MEM 화일을 복사하는데 실패하였습니다."), SubmitOutcome::VerifyFailed);
  notifier.ProgressStep();
  notifier.ProgressClose();
  notifier.Message("정상적으로 완료 되었습니다.", "알림", MessageIcon::Information, MessageButtons::Ok);
  return SubmitOutcome::Verified;
}

}  // namespace vak
