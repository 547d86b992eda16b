// The submission medium: copies written beside and renamed, read back and compared, the
// refusals and failures with the designed messages, the data directory never touched.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <filesystem>
#include <fstream>

#include "common/Files.h"
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
    std::filesystem::create_directory(data.File("medium"));
  }
  std::string Medium() const { return data.File("medium"); }
  TempDir data;
  RecordingNotifier notifier;
};

TEST(Submission, CopiesAreVerifiedAndTheSameEveryTime) {
  Tender t;
  t.data.Write("medium/vak.dbf", "an old submission");  // the agency's spelling of an earlier run
  ASSERT_EQ(SubmitTender(t.data.path(), t.Medium(), t.notifier), SubmitOutcome::Verified);
  EXPECT_EQ(t.data.Read("medium/VAK.DBF"), t.data.Read("VAK.DBF"));
  EXPECT_EQ(t.data.Read("medium/VAK.MEM"), t.data.Read("VAK.MEM"));
  EXPECT_FALSE(FileExists(t.data.File("medium/vak.dbf")));  // old copies deleted first
  ASSERT_EQ(t.notifier.messages.size(), 1u);
  EXPECT_EQ(t.notifier.messages[0].text, "정상적으로 완료 되었습니다.");
  EXPECT_EQ(t.notifier.messages[0].caption, "알림");
  EXPECT_EQ(t.notifier.progressTexts, std::vector<std::string>{"전산입찰 제출디스켓을 만들고 있습니다."});
  EXPECT_EQ(t.notifier.progressMaximum, 2);
  EXPECT_EQ(t.notifier.progressCloses, 1);
  const std::string first = t.data.Read("medium/VAK.DBF");
  ASSERT_EQ(SubmitTender(t.data.path(), t.Medium(), t.notifier), SubmitOutcome::Verified);
  EXPECT_EQ(t.data.Read("medium/VAK.DBF"), first);
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
    std::string altered = t.data.Read("medium/VAK.DBF");
    altered[800] ^= 1;  // a bit flipped on the way to the medium
    t.data.Write("medium/VAK.DBF", altered);
  });
  EXPECT_EQ(outcome, SubmitOutcome::VerifyFailed);
  ASSERT_EQ(t.notifier.messages.size(), 1u);
  EXPECT_EQ(t.notifier.messages[0].text, t.data.path() + "/VAK.DBF 화일을 복사하는데 실패하였습니다.");
  EXPECT_EQ(t.notifier.messages[0].caption, "오류");
  EXPECT_EQ(t.notifier.progressCloses, 1);
  EXPECT_EQ(t.data.Read("VAK.DBF"), table);
}

TEST(Submission, AFullMediumIsReportedAndTheDataDirectoryIsUntouched) {
  Tender t;
  const std::string medium = t.Medium();
  if (::mount("tmpfs", medium.c_str(), "tmpfs", 0, "size=8k") != 0) GTEST_SKIP() << "cannot mount a small file system here";
  const std::string table = t.data.Read("VAK.DBF");
  const SubmitOutcome outcome = SubmitTender(t.data.path(), medium, t.notifier);
  bool leftover = false;
  for (const auto& e : std::filesystem::directory_iterator(medium)) leftover = leftover || e.path().extension() == ".new~";
  ::umount(medium.c_str());
  EXPECT_EQ(outcome, SubmitOutcome::MediumFailed);
  ASSERT_EQ(t.notifier.messages.size(), 1u);
  EXPECT_EQ(t.notifier.messages[0].text, "디스켓용량이 부족하거나 디스켓이 불량일 수 있습니다.");
  EXPECT_FALSE(leftover);
  EXPECT_EQ(t.data.Read("VAK.DBF"), table);
}

}  // namespace
}  // namespace vak
