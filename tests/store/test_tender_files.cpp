// The rules that keep a tender directory whole: outputs never named after its files, what a
// killed run left finished or cleared, the originals put back without losing the priced files.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/FileCommit.h"
#include "common/Files.h"
#include "store/Preparation.h"
#include "store/Restore.h"
#include "store/TenderFiles.h"
#include "store/Xbase.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::RecordingNotifier;
using test::TempDir;

TEST(TenderFiles, OutputsNeverNameATendersOwnFiles) {
  if (!test::kPosixProcessesAndModes)
    GTEST_SKIP() << "Windows: MinGW's std::filesystem cannot make the symbolic links (and a case-blind "
                    "file system the second spellings) this test plants";
  TempDir tender, other;
  tender.Write("VAK.DBF", "table");
  tender.Write("VAK.MEM", "header");
  std::filesystem::create_directory(FsPath(tender.File("원본")));
  tender.Write("원본/VAK.DBF", "original");
  std::filesystem::create_directory_symlink(tender.path(), other.File("via-link"));
  std::filesystem::create_hard_link(tender.File("VAK.MEM"), other.File("header-link.pdf"));
  const std::vector<std::pair<std::string, bool>> cases = {
      {tender.File("VAK.DBF"), false},
      {tender.File("vak.mem"), false},
      {tender.File("Vak.CDX"), false},
      {tender.File("VakRpt3.DBF"), false},
      {tender.File("원본/VAK.DBF"), false},
      {tender.File("VAK.DBF.20261208-043512"), false},
      {other.File("via-link/VAK.DBF"), false},
      {other.File("header-link.pdf"), false},
      {tender.File("VAK.COMMIT"), false},
      {other.path(), false},
      {"/dev/null", false},
      {tender.File("원본/VakRpt1.DBF"), false},
      {tender.File("원본/입찰서.pdf"), false},
      {other.File("nowhere/out.pdf"), false},
      {tender.File("입찰내역서.pdf"), true},
      {other.File("VAK.DBF"), false},
      {tender.File("단가가져오기-결과.csv"), true},
  };
  for (const auto& [path, allowed] : cases) {
    const std::string problem = OutputPathProblem(path, {other.File("nowhere"), tender.path()});
    EXPECT_EQ(problem.empty(), allowed) << path << ": " << problem;
  }
  EXPECT_EQ(OutputPathProblem(tender.File("VAK.DBF"), {tender.path()}),
            tender.File("VAK.DBF") +
                "\n입찰 자료의 화일 이름(VAK.DBF, VAK.MEM, Vak.CDX, VakRpt…, VAK.DBF.날짜-시각 …)에는 출력 화일을 쓸 "
                "수 없습니다. 다른 이름을 주십시오.");
  EXPECT_EQ(OutputPathProblem(other.path(), {tender.path()}),
            other.path() + "\n디렉토리입니다. 출력 화일의 이름을 주십시오.");
}

TEST(TenderFiles, AnInterruptedCommitIsFinishedAndLeftoversCleared) {
  if (!test::kPosixProcessesAndModes)
    GTEST_SKIP() << "Windows: MinGW's std::filesystem cannot make the symbolic links (and a case-blind "
                    "file system the second spellings) this test plants";
  TempDir dir;
  dir.Write("VAK.DBF", "old table");
  dir.Write("VAK.MEM", "old header");
  dir.Write("VAK.DBF.ab12cd34.new~", "new table");
  dir.Write("VAK.MEM.zz99yy88.new~", "new header");
  dir.Write("VAK.MEM.leftover.new~", "half");
  dir.Write("VAK.COMMIT.abcdefgh.new~", "half a record");
  dir.Write("입찰서.pdf.abcdefgh.new~", "a report being written");
  dir.Write(".vak-carry-notes.txt", "the user's own notes");
  std::filesystem::create_directory(FsPath(dir.File("원본")));
  dir.Write("원본/VAK.DBF.abcdefgh.new~", "half an original");
  std::filesystem::create_directory(dir.File(".vak-carry-Q1w2E3"));
  dir.Write(".vak-carry-Q1w2E3/VAK.DBF", "scratch");
  dir.Write("VAK.COMMIT", "VAK commit 1\nVAK.DBF.ab12cd34.new~\tVAK.DBF\nVAK.MEM.zz99yy88.new~\tVAK.MEM\nend\n");
  // The first rename happened before the kill: the record is finished from where it stopped.
  std::filesystem::rename(dir.File("VAK.DBF.ab12cd34.new~"), dir.File("VAK.DBF"));
  RecordingNotifier n;
  ASSERT_TRUE(TidyDataDirectory(dir.path(), n));
  EXPECT_EQ(dir.Read("VAK.DBF"), "new table");
  EXPECT_EQ(dir.Read("VAK.MEM"), "new header");
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{".vak-carry-notes.txt", "VAK.DBF", "VAK.MEM", "원본",
                                                   "입찰서.pdf.abcdefgh.new~"}));
  EXPECT_TRUE(std::filesystem::is_empty(FsPath(dir.File("원본"))));
  EXPECT_TRUE(n.messages.empty());
  // A record that is not ours, or names a path outside the directory, is left alone and said.
  // Only files the program itself staged, and only onto the data files: never a file reached
  // through a link, an original, the other data file or a kept copy.
  std::filesystem::create_directory_symlink("/tmp", dir.File("lnk"));
  for (const std::string record :
       {"VAK commit 1\n../outside\tVAK.DBF\nend\n", "VAK commit 1\nVAK.DBF.x.new~\tVAK.DBF\n", "garbage",
        "VAK commit 1\nlnk/victim.txt\tVAK.MEM\nend\n", "VAK commit 1\n원본/VAK.DBF\tVAK.DBF\nend\n",
        "VAK commit 1\nVAK.DBF\tVAK.MEM\nend\n", "VAK commit 1\nVAK.MEM.ab12cd34.new~\tVAK.DBF.20260101-000000\nend\n",
        "VAK commit 1\n.vak-carry-Q1w2E3/VAK.MEM\tVAK.DBF\nend\n",
        "VAK commit 1\nVAK.DBF.hardlink.new~\tVAK.DBF\nend\n", "VAK commit 1\nvak.dbf.abcdefgh.new~\tvak.dbf\nend\n"}) {
    dir.Write("vak.dbf.abcdefgh.new~", "a second spelling");
    if (!FileExists(dir.File("VAK.DBF.hardlink.new~")))
      std::filesystem::create_hard_link(dir.File("VAK.MEM"), dir.File("VAK.DBF.hardlink.new~"));
    dir.Write("VAK.COMMIT", record);
    RecordingNotifier told;
    EXPECT_FALSE(TidyDataDirectory(dir.path(), told));
    ASSERT_EQ(told.messages.size(), 1u);
    EXPECT_NE(told.messages[0].text.find("중단된 저장을 마무리하지 못했습니다"), std::string::npos);
    EXPECT_EQ(dir.Read("VAK.DBF"), "new table");
    EXPECT_EQ(dir.Read("VAK.MEM"), "new header");
    EXPECT_FALSE(FileExists(dir.File("vak.dbf")) && FileExists(dir.File("VAK.DBF")) &&
                 dir.Read("vak.dbf") != "new table");
  }
}

TEST(TenderFiles, TwoRestoresKeepEveryPricedFileAndDamagedOriginalsAreRefused) {
  TempDir dir;
  test::WriteItemTable(dir.path(), {{"U", 1, '1', "a"}, {"U", 2, '2', "b", 1, 0, 10}});
  test::WriteHeader(dir.path(), "1");
  RecordingNotifier n;
  ASSERT_TRUE(KeepAgencyOriginals(dir.path(), n));
  const std::string original = dir.Read("VAK.DBF");
  dir.Write("VAK.DBF", original + "priced one");  // stands for the priced tender
  const RestoreResult first = RestoreOriginals(dir.path(), n);
  ASSERT_TRUE(first.restored);
  dir.Write("VAK.DBF", original + "priced two");
  const RestoreResult second = RestoreOriginals(dir.path(), n);  // within the same second
  ASSERT_TRUE(second.restored);
  EXPECT_NE(first.keptDbf, second.keptDbf);
  bool askedForTheFreeName = false;  // the question names the copy's real name, not one taken
  for (const auto& m : n.messages)
    askedForTheFreeName |= m.text.find("지금 화일은 " + second.keptDbf + ",") != std::string::npos;
  EXPECT_TRUE(askedForTheFreeName);
  EXPECT_EQ(dir.Read(first.keptDbf), original + "priced one");
  EXPECT_EQ(dir.Read(second.keptDbf), original + "priced two");
  EXPECT_EQ(dir.Read("VAK.DBF"), original);
  EXPECT_EQ(dir.Read("VAK.MEM"), dir.Read("원본/VAK.MEM"));

  // Originals that would not open as a tender: nothing changes.
  dir.Write("VAK.DBF", original + "priced three");
  const std::vector<std::string> before = dir.Names();
  for (const std::string& cut : {std::string(), original.substr(0, original.size() - 100)}) {
    dir.Write("원본/VAK.DBF", cut);
    RecordingNotifier told;
    EXPECT_FALSE(RestoreOriginals(dir.path(), told).restored);
    ASSERT_EQ(told.messages.size(), 1u);
    EXPECT_NE(told.messages[0].text.find("보관된 원본을 읽을 수 없어 되돌리지 않았습니다. 화일은 그대로입니다."),
              std::string::npos);
    EXPECT_EQ(dir.Read("VAK.DBF"), original + "priced three");
    EXPECT_EQ(dir.Names(), before);
  }
  // Answered no: nothing changes either.
  dir.Write("원본/VAK.DBF", original);
  RecordingNotifier no;
  no.nextAnswer = MessageAnswer::No;
  EXPECT_FALSE(RestoreOriginals(dir.path(), no).restored);
  EXPECT_EQ(dir.Names(), before);
}

TEST(TenderFiles, TheOriginalsFolderIsARealFolderAndNeverLeftHalfMade) {
  if (!test::kPosixProcessesAndModes)
    GTEST_SKIP() << "Windows: MinGW's std::filesystem cannot make the symbolic links (and a case-blind "
                    "file system the second spellings) this test plants";
  TempDir dir, elsewhere;
  test::WriteItemTable(dir.path(), {{"U", 1, '1', "a"}});
  test::WriteHeader(dir.path(), "1");
  std::filesystem::create_directory_symlink(elsewhere.path(), FsPath(dir.File("원본")));
  RecordingNotifier n;
  n.nextAnswer = MessageAnswer::No;
  EXPECT_FALSE(KeepAgencyOriginals(dir.path(), n));
  EXPECT_NE(n.messages.at(0).text.find("디렉토리가 아니거나 심볼릭 링크입니다"), std::string::npos);
  EXPECT_TRUE(elsewhere.Names().empty());
  RecordingNotifier restore;
  EXPECT_FALSE(RestoreOriginals(dir.path(), restore).restored);
  EXPECT_EQ(restore.messages.at(0).text, dir.File("원본") + "\n보관된 원본 화일(VAK.DBF, VAK.MEM)이 없습니다.");
  // A copy that fails (a full disk) leaves no folder of ours behind.
  std::filesystem::remove(FsPath(dir.File("원본")));
  FailNthFileOperation(FileFault::Write, 2);
  RecordingNotifier full;
  full.nextAnswer = MessageAnswer::No;
  EXPECT_FALSE(KeepAgencyOriginals(dir.path(), full));
  FailNthFileOperation(FileFault::Write, 0);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"VAK.DBF", "VAK.MEM"}));
}

}  // namespace
}  // namespace vak

namespace vak {
namespace {

// The start writes nothing to what it must not write: another tender's originals folder, data
// files that are links (symbolic or hard), a read-only header.
TEST(TenderFiles, TheStartRefusesWhatItMustNotWrite) {
  if (!test::kPosixProcessesAndModes)
    GTEST_SKIP() << "Windows: MinGW's std::filesystem cannot make the symbolic links (and a case-blind "
                    "file system the second spellings) this test plants";
  TempDir dir, elsewhere;
  test::WriteItemTable(dir.path(), {{"U", 1, '1', "a"}, {"U", 2, '2', "b", 1, 0, 10}});
  test::WriteHeader(dir.path(), "1");
  RecordingNotifier n;
  ASSERT_TRUE(KeepAgencyOriginals(dir.path(), n));
  test::WriteItemTable(elsewhere.path(), {{"U", 1, '1', "a"}});
  test::WriteHeader(elsewhere.path(), "1");
  std::filesystem::create_directory(dir.File("linked"));
  std::filesystem::create_symlink(elsewhere.File("VAK.DBF"), dir.File("linked/VAK.DBF"));
  std::filesystem::copy_file(elsewhere.File("VAK.MEM"), dir.File("linked/VAK.MEM"));
  std::filesystem::create_directory(dir.File("twice"));
  std::filesystem::copy_file(elsewhere.File("VAK.DBF"), dir.File("twice/VAK.DBF"));
  std::filesystem::copy_file(elsewhere.File("VAK.DBF"), dir.File("twice/Vak.dbf"));
  std::filesystem::copy_file(elsewhere.File("VAK.MEM"), dir.File("twice/VAK.MEM"));
  std::filesystem::create_directory(dir.File("hard"));
  std::filesystem::create_hard_link(elsewhere.File("VAK.DBF"), dir.File("hard/VAK.DBF"));
  std::filesystem::copy_file(elsewhere.File("VAK.MEM"), dir.File("hard/VAK.MEM"));
  const std::vector<std::pair<std::string, std::string>> cases = {
      {dir.File("원본"), "\n발주기관의 원본을 보관하는 디렉토리입니다."},
      {dir.File("twice"), "\nVAK.DBF 화일이 대소문자만 다른 이름으로 둘 이상 있습니다."},
      {dir.File("linked"), "/VAK.DBF\n심볼릭 링크인 자료 화일에는 쓰지 않습니다."},
      {dir.File("hard"), "/VAK.DBF\n다른 이름(하드 링크)이 더 있는 자료 화일에는 쓰지 않습니다."},
  };
  for (const auto& [where, text] : cases) {
    const std::string table = ReadWholeFile(JoinPath(where, "VAK.DBF")).value_or("");
    RecordingNotifier told;
    TXbaseEnv env;
    bool startup = true;
    EXPECT_FALSE(PrepareData(where, env, told, startup)) << where;
    ASSERT_EQ(told.messages.size(), 1u);
    EXPECT_NE(told.messages[0].text.find(text), std::string::npos) << told.messages[0].text;
    EXPECT_EQ(ReadWholeFile(JoinPath(where, "VAK.DBF")).value_or(""), table);
    EXPECT_FALSE(FindFileNoCase(where, "Vak.CDX"));
  }
  // A read-only header: the start-up pass would change the table before F3 refuses the header.
  std::filesystem::permissions(dir.File("VAK.MEM"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  RecordingNotifier told;
  TXbaseEnv env;
  bool startup = true;
  EXPECT_FALSE(PrepareData(dir.path(), env, told, startup));
  EXPECT_EQ(told.messages.at(0).text, OpenFailureText(dir.File("VAK.MEM"), DbfStatus::ReadOnly));
}

}  // namespace
}  // namespace vak
