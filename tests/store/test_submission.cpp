// The submission medium: copies written beside and renamed, read back and compared, the
// refusals and failures with the designed messages, the data directory never touched.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/Files.h"
#include "common/Platform.h"
#include "store/DbfFile.h"
#include "store/Submission.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::RecordingNotifier;
using test::TempDir;

struct Tender {
  Tender() {
    std::vector<test::Row> rows;
    for (int i = 1; i <= 40; ++i) rows.push_back({"U", i, '1', "line " + std::to_string(i), 1, 0, 10});
    test::WriteItemTable(data.path(), rows);
    test::WriteHeader(data.path(), "1");
    std::filesystem::create_directory(outside.File("medium"));
  }
  std::string Medium() const { return outside.File("medium"); }
  TempDir data, outside;
  RecordingNotifier notifier;
};

TEST(Submission, CopiesAreVerifiedAndTheSameEveryTime) {
  Tender t;
  t.outside.Write("medium/vak.dbf", "an old submission");  // the agency's spelling of an earlier run
  ASSERT_EQ(SubmitTender(t.data.path(), t.Medium(), t.notifier), SubmitOutcome::Verified);
  EXPECT_EQ(t.outside.Read("medium/VAK.DBF"), t.data.Read("VAK.DBF"));
  EXPECT_EQ(t.outside.Read("medium/VAK.MEM"), t.data.Read("VAK.MEM"));
  // Old copies deleted first (where names are case-blind, the listing below shows the spelling).
  if (!platform::CaseBlindFileNames()) {
    EXPECT_FALSE(FileExists(t.outside.File("medium/vak.dbf")));
  }
  ASSERT_EQ(t.notifier.messages.size(), 1u);
  EXPECT_EQ(t.notifier.messages[0].text, "정상적으로 완료 되었습니다.");
  EXPECT_EQ(t.notifier.messages[0].caption, "알림");
  EXPECT_EQ(t.notifier.progressTexts, std::vector<std::string>{"전산입찰 제출디스켓을 만들고 있습니다."});
  EXPECT_EQ(t.notifier.progressMaximum, 2);
  EXPECT_EQ(t.notifier.progressCloses, 1);
  const std::string first = t.outside.Read("medium/VAK.DBF");
  ASSERT_EQ(SubmitTender(t.data.path(), t.Medium(), t.notifier), SubmitOutcome::Verified);
  EXPECT_EQ(t.outside.Read("medium/VAK.DBF"), first);
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(t.Medium())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"VAK.DBF", "VAK.MEM"}));  // nothing half-written left
}

TEST(Submission, TheDataDirectoryAsTheMediumIsRefusedBeforeAnythingIsDeleted) {
  Tender t;
  const std::string table = t.data.Read("VAK.DBF");
  const std::string header = t.data.Read("VAK.MEM");
  EXPECT_EQ(SubmitTender(t.data.path(), t.data.path() + "/.", t.notifier), SubmitOutcome::SameDirectory);
  EXPECT_EQ(t.data.Read("VAK.DBF"), table);
  EXPECT_EQ(t.data.Read("VAK.MEM"), header);
  ASSERT_EQ(t.notifier.messages.size(), 1u);
  EXPECT_EQ(t.notifier.messages[0].caption, "오류");
  EXPECT_EQ(t.notifier.progressTexts.size(), 0u);
}

TEST(Submission, ACopyThatReadsBackDifferentIsAFailedCopy) {
  Tender t;
  const std::string table = t.data.Read("VAK.DBF");
  const SubmitOutcome outcome = SubmitTender(t.data.path(), t.Medium(), t.notifier, [&] {
    std::string altered = t.outside.Read("medium/VAK.DBF");
    altered[800] ^= 1;  // a bit flipped on the way to the medium
    t.outside.Write("medium/VAK.DBF", altered);
  });
  EXPECT_EQ(outcome, SubmitOutcome::VerifyFailed);
  ASSERT_EQ(t.notifier.messages.size(), 1u);
  EXPECT_EQ(t.notifier.messages[0].text, t.data.File("VAK.DBF") + " 화일을 복사하는데 실패하였습니다.");
  EXPECT_EQ(t.notifier.messages[0].caption, "오류");
  EXPECT_EQ(t.notifier.progressCloses, 1);
  EXPECT_EQ(t.data.Read("VAK.DBF"), table);
}

TEST(Submission, AFullMediumIsReportedAndTheDataDirectoryIsUntouched) {
  Tender t;
  const std::string medium = t.Medium();
  if (!test::MountSmallDisk(medium, "8k")) GTEST_SKIP() << "cannot mount a small file system here";
  const std::string table = t.data.Read("VAK.DBF");
  const SubmitOutcome outcome = SubmitTender(t.data.path(), medium, t.notifier);
  bool leftover = false;
  for (const auto& e : std::filesystem::directory_iterator(medium))
    leftover = leftover || e.path().extension() == ".new~";
  test::Unmount(medium);
  EXPECT_EQ(outcome, SubmitOutcome::MediumFailed);
  ASSERT_EQ(t.notifier.messages.size(), 1u);
  EXPECT_EQ(t.notifier.messages[0].text, "디스켓용량이 부족하거나 디스켓이 불량일 수 있습니다.");
  EXPECT_FALSE(leftover);
  EXPECT_EQ(t.data.Read("VAK.DBF"), table);
}

// Every refusal comes before anything on the medium is deleted, and names the real cause.
TEST(Submission, UnsafeMediaAndDamagedTendersAreRefused) {
  Tender t;
  t.outside.Write("medium/VAK.MEM", "the last submission");
  std::filesystem::create_directory(FsPath(t.data.File("원본")));
  std::filesystem::create_directory(t.data.File("sub"));
  const std::string table = t.data.Read("VAK.DBF");
  const std::string header = t.data.Read("VAK.MEM");
  for (const std::string& inside : {t.data.File("원본"), t.data.File("sub")}) {
    RecordingNotifier n;
    EXPECT_EQ(SubmitTender(t.data.path(), inside, n), SubmitOutcome::SameDirectory);
    EXPECT_EQ(n.messages.at(0).text, inside +
                                         "\n제출할 매체가 작업 중인 자료 디렉토리 안(원본 보관 디렉토리 포함)에 "
                                         "있습니다. 다른 드라이브(디렉토리)를 선택하십시오.");
  }
  // A directory where a file goes, and a tender the program holds on the medium.
  std::filesystem::create_directory(t.outside.File("medium/vak.dbf"));
  RecordingNotifier dir;
  EXPECT_EQ(SubmitTender(t.data.path(), t.Medium(), dir), SubmitOutcome::MediumRefused);
  EXPECT_EQ(dir.messages.at(0).text, t.outside.File("medium/vak.dbf") +
                                         "\n제출할 매체에 VAK.DBF 이름의 디렉토리가 있어 화일을 쓸 수 없습니다. 그 "
                                         "디렉토리를 옮기거나 다른 매체를 선택하십시오.");
  std::filesystem::remove(t.outside.File("medium/vak.dbf"));
  t.outside.Write("medium/VAK.DBF", table);
  t.outside.Write("medium/vak.dbf", table);  // the held one is the other spelling
  if (!platform::CaseBlindFileNames()) {     // a second spelling is the same file on Windows
    DbfStatus status;
    const auto held = DbfFile::Open(t.outside.File("medium/vak.dbf"), DbfOpenMode::Exclusive, status);
    ASSERT_TRUE(held);
    RecordingNotifier n;
    EXPECT_EQ(SubmitTender(t.data.path(), t.Medium(), n), SubmitOutcome::MediumRefused);
    EXPECT_EQ(n.messages.at(0).text, t.outside.File("medium/vak.dbf") + "\n다른 사용자가 사용하고 있습니다.");
    EXPECT_TRUE(FileExists(t.outside.File("medium/VAK.DBF")));
  }
  EXPECT_EQ(t.outside.Read("medium/VAK.MEM"), "the last submission");
  // Tenders the program would not open: a table cut short, a foreign file, a cut header.
  const std::vector<std::pair<std::string, std::string>> damages = {{"VAK.DBF", table.substr(0, table.size() - 300)},
                                                                    {"VAK.DBF", "not a table at all, just text"},
                                                                    {"VAK.MEM", header.substr(0, header.size() - 5)}};
  for (const auto& [name, bytes] : damages) {
    t.data.Write(name, bytes);
    RecordingNotifier n;
    EXPECT_EQ(SubmitTender(t.data.path(), t.Medium(), n), SubmitOutcome::SourceUnreadable) << bytes.size();
    EXPECT_NE(n.messages.at(0).text.find("\n이 자료는 제출하지 않습니다."), std::string::npos);
    EXPECT_EQ(t.outside.Read("medium/VAK.MEM"), "the last submission");
    t.data.Write("VAK.DBF", table);
    t.data.Write("VAK.MEM", header);
  }
  // A link planted beside the medium's files is never followed; a failed write keeps nothing half.
  if (!test::kPosixProcessesAndModes)
    GTEST_SKIP() << "Windows: a second spelling of a name and planted symbolic links (which MinGW's "
                    "std::filesystem cannot make) are not tried";
  t.outside.Write("victim", "outside the medium");
  for (const char* planted : {"medium/VAK.DBF.new~", "medium/VAK.MEM.new~"})
    std::filesystem::create_symlink(t.outside.File("victim"), t.outside.File(planted));
  ASSERT_EQ(SubmitTender(t.data.path(), t.Medium(), t.notifier), SubmitOutcome::Verified);
  EXPECT_EQ(t.outside.Read("victim"), "outside the medium");
  FailNthFileOperation(FileFault::Write, 2);
  RecordingNotifier full;
  EXPECT_EQ(SubmitTender(t.data.path(), t.Medium(), full), SubmitOutcome::MediumFailed);
  EXPECT_EQ(full.messages.at(0).text, "디스켓용량이 부족하거나 디스켓이 불량일 수 있습니다.");
  for (const auto& e : std::filesystem::directory_iterator(t.Medium()))
    EXPECT_FALSE(IsTempFileName(e.path().filename().string()) && !e.is_symlink()) << e.path();
}

}  // namespace
}  // namespace vak
