#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "common/CodePage.h"
#include "common/Files.h"
#include "common/Text.h"
#include "store/ItemTable.h"
#include "store/Preparation.h"
#include "store/Reorganise.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"
#include "tools/SampleTender.h"

namespace vak {
namespace {

using test::RecordingNotifier;
using test::Row;
using test::TempDir;

std::string Utf8(std::string_view bytes) { return Cp949ToUtf8(bytes); }

class PreparationTest : public ::testing::Test {
 protected:
  TempDir dir;
  TXbaseEnv env;
  RecordingNotifier notifier;
  bool startupFlag = true;
};

TEST_F(PreparationTest, MissingDataFilesAreReportedAndNothingIsWritten) {
  EXPECT_FALSE(PrepareData(dir.path(), env, notifier, startupFlag));
  EXPECT_FALSE(startupFlag);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "\"" + dir.path() + "\"디렉토리에 데이타화일(VAK.DBF)이 없습니다.");
  EXPECT_EQ(notifier.messages[0].caption, "확인");
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Warning);

  test::WriteItemTable(dir.path(), {{"U", 1, '1', "a"}});
  const std::string before = dir.Read("VAK.DBF");
  notifier.messages.clear();
  startupFlag = true;
  EXPECT_FALSE(PrepareData(dir.path(), env, notifier, startupFlag));
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "\"" + dir.path() + "\"디렉토리에 데이타화일(VAK.MEM)이 없습니다.");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"VAK.DBF"});
  EXPECT_EQ(dir.Read("VAK.DBF"), before);
  // The usual slips get a word of their own: a folder that is not there, a file for a folder.
  EXPECT_EQ(MissingDataFileText(dir.File("nowhere"), "VAK.DBF"),
            "\"" + dir.File("nowhere") +
                "\"디렉토리에 데이타화일(VAK.DBF)이 없습니다.\n그런 디렉토리가 없습니다. 경로를 확인하십시오.");
  EXPECT_NE(MissingDataFileText(dir.File("VAK.DBF"), "VAK.MEM").find("\n디렉토리가 아니라 화일입니다."),
            std::string::npos);
}

TEST_F(PreparationTest, AnEmptyOrDamagedTableIsReportedAndLeftAlone) {
  dir.Write("VAK.DBF", "");
  test::WriteHeader(dir.path(), "1");
  EXPECT_FALSE(PrepareData(dir.path(), env, notifier, startupFlag));
  EXPECT_FALSE(startupFlag);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, dir.File("VAK.DBF") + "\n자료 화일이 손상되었거나 xBase 자료 화일이 아닙니다.");
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"VAK.DBF", "VAK.MEM"}));
  EXPECT_EQ(dir.Read("VAK.DBF"), "");
}

TEST_F(PreparationTest, ATableOfAnotherProgramIsRefused) {
  ASSERT_EQ(DbfFile::Create(dir.File("VAK.DBF"), {{"NAME", 'C', 10, 0, 0}, {"PRICE", 'N', 8, 2, 0}}), DbfStatus::Ok);
  test::WriteHeader(dir.path(), "1");
  const std::string before = dir.Read("VAK.DBF");
  EXPECT_FALSE(PrepareData(dir.path(), env, notifier, startupFlag));
  EXPECT_FALSE(startupFlag);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text,
            dir.File("VAK.DBF") + "\n내역 자료 화일의 형식이 아닙니다 (F_PART, F_SEQ, F_LVL 필드가 없습니다).");
  EXPECT_EQ(dir.Read("VAK.DBF"), before);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"VAK.DBF", "VAK.MEM"}));
}

TEST_F(PreparationTest, AStaleIndexIsReplacedByOneOfTheTable) {
  test::WriteItemTable(dir.path(), {{"U1", 2, '1', "b"}, {"U1", 1, '1', "a"}});
  test::WriteHeader(dir.path(), "2");
  dir.Write("vak.cdx", "stale bytes of a foreign index");
  ASSERT_TRUE(PrepareData(dir.path(), env, notifier, startupFlag));
  EXPECT_TRUE(notifier.messages.empty());
  EXPECT_TRUE(env.Deleted());
  EXPECT_TRUE(env.Exact());
  const std::optional<std::string> cdx = FindFileNoCase(dir.path(), "Vak.CDX");
  ASSERT_TRUE(cdx);
  std::vector<std::pair<std::string, uint32_t>> keys;
  ASSERT_TRUE(ReadCdxKeys(ReadWholeFile(*cdx).value(), "F_PS", keys));
  EXPECT_EQ(keys, (std::vector<std::pair<std::string, uint32_t>>{{"U1     1", 2}, {"U1     2", 1}}));
}

TEST_F(PreparationTest, ATableInUseIsReported) {
  test::WriteItemTable(dir.path(), {{"U", 1, '1', "a"}});
  test::WriteHeader(dir.path(), "1");
#ifdef _WIN32
  // No fork here: the holder is an open of this program, kept apart by its own hold.
  DbfStatus status;
  auto holder = DbfFile::Open(dir.File("VAK.DBF"), DbfOpenMode::Exclusive, status);
  ASSERT_TRUE(holder);
  EXPECT_FALSE(PrepareData(dir.path(), env, notifier, startupFlag));
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, dir.File("VAK.DBF") + "\n다른 사용자가 사용하고 있습니다.");
#else
  const pid_t child = fork();
  if (child == 0) {
    DbfStatus status;
    auto holder = DbfFile::Open(dir.File("VAK.DBF"), DbfOpenMode::Exclusive, status);
    sleep(2);
    _exit(0);
  }
  usleep(300000);  // the other program has taken the table by now
  EXPECT_FALSE(PrepareData(dir.path(), env, notifier, startupFlag));
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, dir.File("VAK.DBF") + "\n다른 사용자가 사용하고 있습니다.");
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
#endif
}

TEST_F(PreparationTest, StartupPassRepairsNextLevelsAndSetsHeadingQuantities) {
  test::WriteItemTable(dir.path(), {
                                       {"U1", 1, '1', "H1", 0, 0, 0, ' ', "", ' '},
                                       {"U1", 2, '2', "H2", 7, 2, 0, ' ', "", '9'},  // wrong F_NLVL, heading quantity 2
                                       {"U1", 3, '3', "item", 4, 0, 0, ' ', "", '3'},
                                       {"U1", 4, '1', "last of U1", 1, 0, 0, ' ', "", '2'},
                                       {"U2", 1, '2', "only line of U2", 3, 5, 0, ' ', "", '5'},
                                       {"U3", 1, '0', "level zero first", 4, 0, 0, ' ', "", '1'},
                                       {"U3", 2, '1', "then level one", 1},
                                       {"U1", 5, '9', "deleted", 0, 0, 0, ' ', "", '9', true},
                                   });
  test::WriteHeader(dir.path(), "2");
  ASSERT_TRUE(PrepareData(dir.path(), env, notifier, startupFlag));
  TZekTable items(env, notifier);
  ReorganiseReport report;
  ASSERT_TRUE(ReorganiseItemTable(items, dir.path(), notifier, startupFlag, &report));
  EXPECT_EQ(report.packedAway, 1u);
  EXPECT_FALSE(report.converted);
  ASSERT_EQ(notifier.progressTexts, std::vector<std::string>{"데이타정보를 확인하고 있습니다."});
  EXPECT_EQ(notifier.progressMaximum, 7);
  const StartupPassResult pass = RunStartupPass(items, notifier);
  EXPECT_EQ(notifier.progressSteps, 7);
  EXPECT_EQ(notifier.progressCloses, 1);
  EXPECT_EQ(pass.quantitiesSet, 1);  // H2: 7 -> 2; H1's F_TQTY is 0 and so is its F_QQTY

  std::vector<std::string> seen;
  for (items.Xbase().GoTop(); !items.Eof(); items.Skip(1)) {
    seen.push_back(Utf8(TrimmedText(items.FieldAsString("F_DES"))) + " " + items.FieldAsString("F_LVL") +
                   items.FieldAsString("F_NLVL") + " " + items.FieldAsString("F_QQTY"));
  }
  // A level "0" line before a level "1" line keeps its quantity: it is never a heading.
  EXPECT_EQ(seen, (std::vector<std::string>{"H1 12 0", "H2 23 2", "item 31 4", "last of U1 11 1",
                                            "only line of U2 22 3", "level zero first 01 4", "then level one 11 1"}));
  EXPECT_EQ(pass.levelsRepaired, 6);  // the level-0 line had its next level right already
}

TEST_F(PreparationTest, ACorrectTableIsNotRewrittenByTheStartupPass) {
  SampleOptions options;
  options.lines = 400;
  ASSERT_TRUE(WriteSampleTender(dir.path(), options));
  // Give the headings their quantity once, as the first start does.
  {
    ASSERT_TRUE(PrepareData(dir.path(), env, notifier, startupFlag));
    TZekTable items(env, notifier);
    ASSERT_TRUE(ReorganiseItemTable(items, dir.path(), notifier, startupFlag));
    RunStartupPass(items, notifier);
  }
  const std::string before = dir.Read("VAK.DBF");
  ASSERT_TRUE(PrepareData(dir.path(), env, notifier, startupFlag));
  TZekTable items(env, notifier);
  ASSERT_TRUE(ReorganiseItemTable(items, dir.path(), notifier, startupFlag));
  const StartupPassResult pass = RunStartupPass(items, notifier);
  items.Close();
  EXPECT_EQ(pass.levelsRepaired, 0);
  EXPECT_EQ(pass.quantitiesSet, 0);
  EXPECT_EQ(dir.Read("VAK.DBF"), before);
  EXPECT_TRUE(notifier.messages.empty());
}

// An old-layout table: no F_NLVL, F_MA, F_LA, F_EQ; a date, a logical, a memo and an extra field.
void WriteOldTable(const TempDir& dir, int records, unsigned char codePage = 0x4E) {
  const std::vector<DbfField> fields = {
      {"F_SEQ", 'N', 6, 0, 0},    {"F_LVL", 'C', 1, 0, 0},  {"F_DES", 'C', 40, 0, 0}, {"F_QQTY", 'N', 14, 3, 0},
      {"F_PRIC", 'C', 12, 0, 0},  {"F_DATE", 'D', 8, 0, 0}, {"F_OK", 'L', 1, 0, 0},   {"F_MEMO", 'M', 10, 0, 0},
      {"F_EXTRA", 'C', 20, 0, 0}, {"F_PART", 'C', 2, 0, 0}, {"F_CODE", 'N', 10, 0, 0}};
  DbfWriter writer(dir.File("VAK.DBF"), fields, codePage);
  std::vector<DbfField> placed = fields;
  int offset = 1;
  for (DbfField& f : placed) {
    f.offset = offset;
    offset += f.length;
  }
  for (int i = 1; i <= records; ++i) {
    std::string r(static_cast<size_t>(offset), ' ');
    StoreNumericField(r.data(), placed[0], i);
    r[static_cast<size_t>(placed[1].offset)] = i == 1 ? '1' : '2';
    StoreCharacterField(r.data(), placed[2], Utf8ToCp949("옛 공종 " + std::to_string(i)).value());
    StoreNumericField(r.data(), placed[3], i * 1.5);
    StoreCharacterField(r.data(), placed[4], "1200");  // text into a numeric field of the new layout
    StoreCharacterField(r.data(), placed[5], "20011231");
    r[static_cast<size_t>(placed[6].offset)] = 'T';
    StoreCharacterField(r.data(), placed[8], "dropped");
    StoreCharacterField(r.data(), placed[9], "U");
    StoreNumericField(r.data(), placed[10], 12345);  // a number into a text field of the new layout
    writer.Add(r.data());
  }
  ASSERT_EQ(writer.Commit(), 0);
}

TEST_F(PreparationTest, AnOldLayoutIsConvertedWithoutLeavingCopiesBehind) {
  WriteOldTable(dir, 100);
  test::WriteHeader(dir.path(), "1");
  // A conversion copy left by another program may hold the only copy of a tender: it is
  // neither used nor deleted.
  dir.Write("VAKChg.DBF", "left over by an earlier upgrade");
  ASSERT_TRUE(PrepareData(dir.path(), env, notifier, startupFlag));
  TZekTable items(env, notifier);
  ReorganiseReport report;
  ASSERT_TRUE(ReorganiseItemTable(items, dir.path(), notifier, startupFlag, &report));
  EXPECT_TRUE(report.converted);
  EXPECT_EQ(notifier.progressMaximum, 200);
  EXPECT_EQ(notifier.progressSteps, 100);
  EXPECT_TRUE(items.Exclusive());
  EXPECT_EQ(items.Xbase().IndexOrd(), 1);
  EXPECT_EQ(static_cast<int>(items.engine()->file().fields().size()), 21);
  EXPECT_EQ(items.Xbase().RecCount(), 100u);
  EXPECT_EQ(items.engine()->file().CodePageByte(), 0x4E);  // the replaced table's mark
  items.Xbase().GoTop();
  items.Skip(1);
  EXPECT_EQ(Utf8(TrimmedText(items.FieldAsString("F_DES"))), "옛 공종 2");
  EXPECT_EQ(items.FieldAsFloat("F_QQTY"), 3.0L);
  EXPECT_EQ(items.FieldAsFloat("F_PRIC"), 1200.0L);
  EXPECT_EQ(TrimmedText(items.FieldAsString("F_CODE")), "12345");
  EXPECT_EQ(items.FieldAsString("F_NLVL"), " ");
  EXPECT_EQ(items.FieldAsFloat("F_MA"), 0.0L);
  RunStartupPass(items, notifier);
  items.Close();
  EXPECT_EQ(notifier.progressSteps, 200);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"VAK.CDX", "VAK.DBF", "VAK.MEM", "VAKChg.DBF", kOriginalsDir}));
  EXPECT_EQ(dir.Read("VAKChg.DBF"), "left over by an earlier upgrade");
  EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(PreparationTest, AFailedConversionKeepsTheAgencysTable) {
  WriteOldTable(dir, 10);
  test::WriteHeader(dir.path(), "1");
  ASSERT_TRUE(PrepareData(dir.path(), env, notifier, startupFlag));
  const std::string before = dir.Read("VAK.DBF");
  FailNthFileOperation(FileFault::Write, 1);  // the new table cannot be written
  TZekTable items(env, notifier);
  EXPECT_FALSE(ReorganiseItemTable(items, dir.path(), notifier, startupFlag));
  EXPECT_FALSE(startupFlag);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "구버전 Vak를 신버전 Vak로 갱신하는데 실패했습니다.");
  EXPECT_EQ(notifier.messages[0].caption, "오류");
  EXPECT_EQ(dir.Read("VAK.DBF"), before);
  EXPECT_EQ(notifier.progressCloses, 1);
  // The next start can go on from here.
  startupFlag = true;
  ASSERT_TRUE(PrepareData(dir.path(), env, notifier, startupFlag));
  ASSERT_TRUE(ReorganiseItemTable(items, dir.path(), notifier, startupFlag));
  EXPECT_EQ(items.Xbase().RecCount(), 10u);
}

TEST_F(PreparationTest, AReadOnlyDataDirectoryIsReported) {
  test::WriteItemTable(dir.path(), {{"U", 1, '1', "a"}});
  test::WriteHeader(dir.path(), "1");
  const std::string mountPoint = dir.File("ro");
  std::filesystem::create_directory(mountPoint);
  if (!test::MountSmallDisk(mountPoint, "1m")) GTEST_SKIP() << "cannot mount here";
  std::filesystem::copy(dir.File("VAK.DBF"), mountPoint + "/VAK.DBF");
  std::filesystem::copy(dir.File("VAK.MEM"), mountPoint + "/VAK.MEM");
  const bool remounted = test::RemountReadOnly(mountPoint, "1m");
  const bool prepared = remounted && PrepareData(mountPoint, env, notifier, startupFlag);
  const std::string after = ReadWholeFile(mountPoint + "/VAK.DBF").value_or("");
  test::Unmount(mountPoint);
  if (!remounted) GTEST_SKIP() << "cannot remount read-only here";
  EXPECT_FALSE(prepared);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text,
            mountPoint + "/VAK.DBF\n자료 화일에 쓸 수 없습니다. 읽기 전용 매체이거나 쓰기 권한이 없습니다.");
  EXPECT_EQ(after, dir.Read("VAK.DBF"));
}

TEST_F(PreparationTest, ARelativeDataDirectoryNamesTheSameDirectoryThroughout) {
  // <tmp>/work is the current directory; the tender is <tmp>/tender, given as "../tender".
  // A tender of the same name below the current directory must not be touched.
  std::filesystem::create_directories(dir.File("work/tender"));
  std::filesystem::create_directory(dir.File("tender"));
  test::WriteItemTable(dir.File("tender"), {{"U", 1, '1', "a"}});
  test::WriteHeader(dir.File("tender"), "1");
  dir.Write("work/tender/Vak.CDX", "the index of another tender");
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.File("work"));
  TZekTable items(env, notifier);
  const bool prepared = PrepareData("../tender", env, items, notifier, startupFlag);
  // The table stays taken until the reorganisation goes on: a reader coming in between is
  // kept out instead of making the start fail half-way.
  DbfStatus status = DbfStatus::Ok;
  const bool readerGotIn = DbfFile::Open(dir.File("tender/VAK.DBF"), DbfOpenMode::ReadOnly, status) != nullptr;
  items.Close();
  std::filesystem::current_path(cwd);
  EXPECT_TRUE(prepared);
  EXPECT_FALSE(readerGotIn);
  EXPECT_EQ(status, DbfStatus::Locked);
  EXPECT_EQ(dir.Read("work/tender/Vak.CDX"), "the index of another tender");
  EXPECT_TRUE(FindFileNoCase(dir.File("tender"), "Vak.CDX"));
}

TEST_F(PreparationTest, TheAgencysOriginalsAreKeptOnceBeforeTheFirstWrite) {
  test::WriteItemTable(dir.path(), {{"U", 1, '1', "a"}, {"U", 2, '2', "b", 1}, {"U", 3, '1', "c", 2}});
  test::WriteHeader(dir.path(), "1");
  const std::string table = dir.Read("VAK.DBF");
  const std::string header = dir.Read("VAK.MEM");
  notifier.recordOriginalsNotice = true;
  TZekTable items(env, notifier);
  ASSERT_TRUE(OpenTenderAsTheProgramDoes(dir.path(), env, items, notifier));
  items.Close();
  EXPECT_NE(dir.Read("VAK.DBF"), table);  // the start-up pass set F_NLVL
  EXPECT_EQ(dir.Read("원본/VAK.DBF"), table);
  EXPECT_EQ(dir.Read("원본/VAK.MEM"), header);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "발주기관의 원본 화일을 " + dir.File("원본") +
                                           " 에 그대로 보관했습니다. 제출할 화일에는 포함되지 않으며, 작업 › "
                                           "\"원본으로 되돌리기...\" (또는 'vaktool restore')로 되돌릴 수 있습니다.");
  EXPECT_EQ(notifier.messages[0].caption, "알림");
  // The next start says nothing and overwrites nothing.
  ASSERT_TRUE(OpenTenderAsTheProgramDoes(dir.path(), env, items, notifier));
  items.Close();
  EXPECT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(dir.Read("원본/VAK.DBF"), table);
}

TEST_F(PreparationTest, ACutTableIsShownAndWrittenOnlyWhenTheUserAgrees) {
  test::WriteItemTable(dir.path(), {{"U", 1, '1', "a"}, {"U", 2, '2', "b", 1}, {"U", 3, '1', "c", 2}});
  test::WriteHeader(dir.path(), "1");
  const std::string whole = dir.Read("VAK.DBF");
  const std::string cut = whole.substr(0, whole.size() - 100);
  dir.Write("VAK.DBF", cut);
  notifier.nextAnswer = MessageAnswer::No;
  EXPECT_FALSE(PrepareData(dir.path(), env, notifier, startupFlag));
  EXPECT_FALSE(startupFlag);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text,
            dir.File("VAK.DBF") +
                "\n헤더의 레코드 수(3)가 화일에 든 레코드 수(2)보다 많습니다. 화일이 잘렸을 수 있습니다. "
                "\n이대로 계속하면 읽을 수 있는 레코드만으로 화일을 고쳐 씁니다. 계속하시겠습니까?");
  EXPECT_EQ(notifier.messages[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(dir.Read("VAK.DBF"), cut);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"VAK.DBF", "VAK.MEM"}));
  notifier.nextAnswer = MessageAnswer::Yes;
  startupFlag = true;
  ASSERT_TRUE(PrepareData(dir.path(), env, notifier, startupFlag));
  DbfStatus status;
  auto file = DbfFile::Open(dir.File("VAK.DBF"), DbfOpenMode::ReadOnly, status);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->RecordCount(), 2u);
  EXPECT_EQ(file->warning(), "");
  EXPECT_EQ(dir.Read("원본/VAK.DBF"), cut);  // the agency's file as it came, damage and all
}

}  // namespace
}  // namespace vak
