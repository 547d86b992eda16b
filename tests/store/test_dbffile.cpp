#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstring>
#include <filesystem>
#include <iterator>

#include "common/Files.h"
#include "store/DbfFile.h"
#include "store/ItemTable.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::Bytes;
using test::TempDir;

const std::vector<DbfField> kSmall = {{"NAME", 'C', 4, 0, 0}, {"QTY", 'N', 8, 2, 0}};

std::unique_ptr<DbfFile> OpenOk(const std::string& path, DbfOpenMode mode = DbfOpenMode::Shared) {
  DbfStatus status;
  std::unique_ptr<DbfFile> f = DbfFile::Open(path, mode, status);
  EXPECT_EQ(status, DbfStatus::Ok);
  return f;
}

std::string Record(const DbfFile& f, const std::string& name, long double qty) {
  std::string r = f.BlankRecord();
  StoreCharacterField(r.data(), f.fields()[0], name);
  EXPECT_TRUE(StoreNumericField(r.data(), f.fields()[1], qty));
  return r;
}

TEST(DbfFile, CreatesAndAppendsByteForByte) {
  TempDir dir;
  ASSERT_EQ(DbfFile::Create(dir.File("T.DBF"), kSmall), DbfStatus::Ok);
  {
    auto f = OpenOk(dir.File("T.DBF"));
    ASSERT_TRUE(f->AppendRecord(Record(*f, "AB", 1.5L).data()));
    ASSERT_TRUE(f->AppendRecord(Record(*f, "\xB0\xA1\xB3\xAA", -12.125L).data()));
  }
  const std::string bytes = dir.Read("T.DBF");
  ASSERT_EQ(bytes.size(), 32u + 2 * 32 + 1 + 2 * 13 + 1);
  EXPECT_EQ(bytes.substr(0, 1), Bytes("03"));
  EXPECT_EQ(bytes.substr(4, 8), Bytes("02000000 6100 0D00"));  // 2 records, header 97, record 13
  EXPECT_EQ(bytes.substr(12, 20), std::string(17, '\0') + Bytes("79 00 00"));
  EXPECT_EQ(bytes[28], '\0');  // no structural index flag: the table travels without its index
  EXPECT_EQ(bytes.substr(32, 32), Bytes("4E414D45 00000000 000000 43 01000000 04 00") + std::string(14, '\0'));
  EXPECT_EQ(bytes.substr(64, 32), Bytes("515459 0000000000000000 4E 05000000 08 02") + std::string(14, '\0'));
  EXPECT_EQ(bytes[96], '\x0D');
  EXPECT_EQ(bytes.substr(97, 13), " AB      1.50");
  EXPECT_EQ(bytes.substr(110, 13), " " + Bytes("B0A1 B3AA") + "  -12.13");  // half away from zero
  EXPECT_EQ(bytes.back(), '\x1A');
}

TEST(DbfFile, NumbersAreRoundedHalfAwayAndRefusedWhenTooWide) {
  const DbfField money{"F_COST", 'N', 12, 0, 1};
  std::string r(13, ' ');
  EXPECT_TRUE(StoreNumericField(r.data(), money, 2.5L));
  EXPECT_EQ(r.substr(1), "           3");
  EXPECT_TRUE(StoreNumericField(r.data(), money, -2.5L));
  EXPECT_EQ(r.substr(1), "          -3");
  EXPECT_TRUE(StoreNumericField(r.data(), money, 999999999999.0L));
  EXPECT_EQ(r.substr(1), "999999999999");
  EXPECT_FALSE(StoreNumericField(r.data(), money, 1000000000000.0L));
  EXPECT_EQ(r.substr(1), "999999999999");                              // untouched
  EXPECT_FALSE(StoreNumericField(r.data(), money, -999999999999.0L));  // 13 characters
  EXPECT_TRUE(StoreNumericField(r.data(), money, -0.4L));
  EXPECT_EQ(r.substr(1), "           0");
  const DbfField quantity{"F_QQTY", 'N', 14, 3, 1};
  std::string q(15, ' ');
  EXPECT_TRUE(StoreNumericField(q.data(), quantity, 0.0625L));  // an exact binary tie
  EXPECT_EQ(q.substr(1), "         0.063");
  EXPECT_TRUE(StoreNumericField(q.data(), quantity, 1.15 * 100));  // a hair under 115
  EXPECT_EQ(q.substr(1), "       115.000");
  EXPECT_TRUE(StoreNumericField(q.data(), quantity, 9999999999.999L));
  EXPECT_EQ(q.substr(1), "9999999999.999");
  EXPECT_FALSE(StoreNumericField(q.data(), quantity, 99999999999.0L));
  EXPECT_FALSE(StoreNumericField(q.data(), quantity, std::numeric_limits<long double>::infinity()));
}

TEST(DbfFile, NumericFieldsReadLeniently) {
  EXPECT_EQ(ParseNumericField("      1.50"), 1.5L);
  EXPECT_EQ(ParseNumericField("     -12.3"), -12.3L);
  EXPECT_EQ(ParseNumericField("          "), 0.0L);
  EXPECT_EQ(ParseNumericField("**********"), 0.0L);
  EXPECT_EQ(ParseNumericField("   abc    "), 0.0L);
  EXPECT_EQ(ParseNumericField(std::string("\0\0\0", 3)), 0.0L);
  EXPECT_EQ(ParseNumericField("  +7"), 7.0L);
  EXPECT_EQ(ParseNumericField("  1,25"), 1.25L);
  EXPECT_EQ(ParseNumericField(" 1 2"), 0.0L);
  EXPECT_EQ(ParseNumericField("12345678901234567890"), 12345678901234567890.0L);
  EXPECT_EQ(ParseNumericField("0.1"), 0.1L);
}

TEST(DbfFile, CharacterFieldsNeverSplitADoubleByteCharacter) {
  const DbfField name{"F_DES", 'C', 5, 0, 0};
  std::string r(5, 'x');
  StoreCharacterField(r.data(), name, Bytes("B0A1 B0A1 B0A1"));  // three characters, six bytes
  EXPECT_EQ(r, Bytes("B0A1 B0A1") + " ");
}

TEST(DbfFile, BadFilesAreRefusedWithoutCrashing) {
  TempDir dir;
  DbfStatus status;
  dir.Write("EMPTY.DBF", "");
  EXPECT_FALSE(DbfFile::Open(dir.File("EMPTY.DBF"), DbfOpenMode::Shared, status));
  EXPECT_EQ(status, DbfStatus::NotATable);
  EXPECT_FALSE(DbfFile::Open(dir.File("NONE.DBF"), DbfOpenMode::Shared, status));
  EXPECT_EQ(status, DbfStatus::NotFound);

  ASSERT_EQ(DbfFile::Create(dir.File("T.DBF"), kSmall), DbfStatus::Ok);
  const std::string good = dir.Read("T.DBF");
  std::string dbase7 = good;
  dbase7[0] = 0x04;
  dir.Write("D7.DBF", dbase7);
  EXPECT_FALSE(DbfFile::Open(dir.File("D7.DBF"), DbfOpenMode::Shared, status));
  std::string fieldsTooLong = good;
  fieldsTooLong[10] = 5;  // record length 5 < 1 + 4 + 8
  dir.Write("FL.DBF", fieldsTooLong);
  EXPECT_FALSE(DbfFile::Open(dir.File("FL.DBF"), DbfOpenMode::Shared, status));
  EXPECT_EQ(status, DbfStatus::Damaged);
  std::string duplicate = good;
  duplicate.replace(64, 3, "NAM");
  duplicate[67] = 'E';
  dir.Write("DUP.DBF", duplicate);
  EXPECT_FALSE(DbfFile::Open(dir.File("DUP.DBF"), DbfOpenMode::Shared, status));
  std::string headerPastEnd = good;
  headerPastEnd[9] = 0x7F;
  dir.Write("HP.DBF", headerPastEnd);
  EXPECT_FALSE(DbfFile::Open(dir.File("HP.DBF"), DbfOpenMode::Shared, status));
}

TEST(DbfFile, RecordCountsThatDisagreeWithTheFileAreReadSensibly) {
  TempDir dir;
  ASSERT_EQ(DbfFile::Create(dir.File("T.DBF"), kSmall), DbfStatus::Ok);
  {
    auto f = OpenOk(dir.File("T.DBF"));
    for (int i = 0; i < 3; ++i) f->AppendRecord(Record(*f, "R" + std::to_string(i), i).data());
  }
  const std::string good = dir.Read("T.DBF");
  std::string more = good;
  more[4] = 9;  // the header claims nine records
  dir.Write("MORE.DBF", more);
  auto f = OpenOk(dir.File("MORE.DBF"));
  EXPECT_EQ(f->RecordCount(), 3u);
  EXPECT_FALSE(f->warning().empty());

  std::string fewer = good;
  fewer[4] = 2;
  dir.Write("FEWER.DBF", fewer);
  EXPECT_EQ(OpenOk(dir.File("FEWER.DBF"))->RecordCount(), 2u);

  // The last record cut short, and no end byte.
  dir.Write("CUT.DBF", good.substr(0, good.size() - 6));
  auto cut = OpenOk(dir.File("CUT.DBF"));
  EXPECT_EQ(cut->RecordCount(), 2u);
  // Appending repairs the file: the cut record is overwritten, the count and end byte follow.
  ASSERT_TRUE(cut->AppendRecord(Record(*cut, "NEW", 4).data()));
  cut.reset();
  const std::string repaired = dir.Read("CUT.DBF");
  EXPECT_EQ(repaired.size(), 97u + 3 * 13 + 1);
  EXPECT_EQ(repaired[4], 3);
  EXPECT_EQ(repaired.substr(97 + 2 * 13, 13), " NEW     4.00");
  EXPECT_EQ(repaired.back(), '\x1A');
}

TEST(DbfFile, HeaderLengthsThatDisagreeWithTheFieldList) {
  TempDir dir;
  ASSERT_EQ(DbfFile::Create(dir.File("T.DBF"), kSmall), DbfStatus::Ok);
  {
    auto f = OpenOk(dir.File("T.DBF"));
    f->AppendRecord(Record(*f, "ABCD", 3).data());
  }
  const std::string good = dir.Read("T.DBF");
  // Padding after the terminator (a longer header): records start at the header length.
  std::string padded = good.substr(0, 97) + std::string(263, '\0') + good.substr(97);
  padded[8] = static_cast<char>((97 + 263) & 0xFF);
  padded[9] = static_cast<char>((97 + 263) >> 8);
  dir.Write("PAD.DBF", padded);
  auto f = OpenOk(dir.File("PAD.DBF"));
  ASSERT_EQ(f->RecordCount(), 1u);
  EXPECT_EQ(FieldBytes(f->Record(1), f->fields()[0]), "ABCD");
  // A 0A terminator, as after a text-mode copy.
  std::string lf = good;
  lf[96] = '\x0A';
  dir.Write("LF.DBF", lf);
  EXPECT_EQ(OpenOk(dir.File("LF.DBF"))->fields().size(), 2u);
  // A record longer than its fields: fields are taken at their offsets, records by length.
  std::string longer = good.substr(0, 97) + good.substr(97, 13) + "  " + "\x1A";
  longer[10] = 15;
  dir.Write("LONG.DBF", longer);
  auto l = OpenOk(dir.File("LONG.DBF"));
  EXPECT_EQ(l->RecordLength(), 15);
  EXPECT_EQ(ParseNumericField(FieldBytes(l->Record(1), l->fields()[1])), 3.0L);
}

TEST(DbfFile, PackRemovesDeletedRecordsInOneStepAndKeepsTheLock) {
  TempDir dir;
  ASSERT_EQ(DbfFile::Create(dir.File("T.DBF"), kSmall), DbfStatus::Ok);
  auto f = OpenOk(dir.File("T.DBF"), DbfOpenMode::Exclusive);
  for (int i = 1; i <= 5; ++i) f->AppendRecord(Record(*f, "R" + std::to_string(i), i).data());
  f->SetDeleted(2, true);
  f->SetDeleted(4, true);
  ASSERT_EQ(f->Pack(), DbfStatus::Ok);
  ASSERT_EQ(f->RecordCount(), 3u);
  EXPECT_EQ(FieldBytes(f->Record(2), f->fields()[0]), "R3  ");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"T.DBF"});
  DbfStatus status;
  EXPECT_FALSE(DbfFile::Open(dir.File("T.DBF"), DbfOpenMode::Shared, status));
  EXPECT_EQ(status, DbfStatus::Locked);
  f.reset();
  const std::string bytes = dir.Read("T.DBF");
  EXPECT_EQ(bytes.size(), 97u + 3 * 13 + 1);
  EXPECT_EQ(bytes[4], 3);
}

TEST(DbfFile, HeaderBytesOthersOwnAreKeptThroughWritesAndPack) {
  TempDir dir;
  ASSERT_EQ(DbfFile::Create(dir.File("T.DBF"), kSmall), DbfStatus::Ok);
  std::string bytes = dir.Read("T.DBF");
  bytes[14] = 1;     // dBASE IV transaction flag
  bytes[20] = 0x33;  // multi-user reserved area
  bytes[28] = 0x01;  // structural index flag as another tool left it
  bytes[29] = 0x4E;  // dBASE's mark for code page 949
  bytes[31] = 0x77;
  bytes[32 + 20] = 0x05;  // a descriptor's work-area byte
  dir.Write("T.DBF", bytes);
  {
    auto f = OpenOk(dir.File("T.DBF"), DbfOpenMode::Exclusive);
    f->AppendRecord(Record(*f, "A", 1).data());
    f->AppendRecord(Record(*f, "B", 2).data());
    f->WriteRecord(1, Record(*f, "C", 3).data());
    f->SetDeleted(2, true);
    ASSERT_EQ(f->Pack(), DbfStatus::Ok);
    EXPECT_EQ(f->CodePageByte(), 0x4E);
  }
  const std::string after = dir.Read("T.DBF");
  for (int i : {14, 20, 28, 29, 31, 32 + 20}) EXPECT_EQ(after[i], bytes[i]) << "header byte " << i;
  EXPECT_EQ(after[4], 1);
  EXPECT_EQ(after.substr(97, 13), " C       3.00");
}

TEST(DbfFile, ExclusiveUseKeepsOtherProgramsOut) {
  TempDir dir;
  ASSERT_EQ(DbfFile::Create(dir.File("T.DBF"), kSmall), DbfStatus::Ok);
  auto holder = OpenOk(dir.File("T.DBF"), DbfOpenMode::Exclusive);
#ifdef _WIN32
  // No fork here: a second open of this program is kept out the same way (the hold belongs
  // to the open file, not to the program), which is what another program meets.
  DbfStatus status;
  auto other = DbfFile::Open(dir.File("T.DBF"), DbfOpenMode::Shared, status);
  EXPECT_FALSE(other);
  EXPECT_EQ(status, DbfStatus::Locked);
#else
  const pid_t child = fork();
  if (child == 0) {
    DbfStatus status;
    auto other = DbfFile::Open(dir.File("T.DBF"), DbfOpenMode::Shared, status);
    _exit(!other && status == DbfStatus::Locked ? 0 : 1);
  }
  int wstatus = 0;
  waitpid(child, &wstatus, 0);
  EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
#endif
  holder.reset();
  EXPECT_TRUE(OpenOk(dir.File("T.DBF")));
}

TEST(DbfFile, ReadersShareAnExclusiveTableBetweenItsWrites) {
  TempDir dir;
  ASSERT_EQ(DbfFile::Create(dir.File("T.DBF"), kSmall), DbfStatus::Ok);
  auto holder = OpenOk(dir.File("T.DBF"), DbfOpenMode::Exclusive);
  const std::string record = holder->BlankRecord();
  ASSERT_TRUE(holder->AppendRecord(record.data()));
  DbfStatus status;
  EXPECT_FALSE(DbfFile::Open(dir.File("T.DBF"), DbfOpenMode::ReadOnly, status));
  holder->ShareWithReadersBetweenWrites();
  auto reader = DbfFile::Open(dir.File("T.DBF"), DbfOpenMode::ReadOnly, status);
  ASSERT_TRUE(reader);
  // Nobody else opens it for writing, or takes it whole.
  EXPECT_FALSE(DbfFile::Open(dir.File("T.DBF"), DbfOpenMode::Exclusive, status));
  EXPECT_EQ(status, DbfStatus::Locked);
  EXPECT_TRUE(ExclusiveFileHold(dir.File("T.DBF")).lockedElsewhere());
  // A write waits for the reader to finish, then the table is shared again.
  std::thread finishing([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    reader.reset();
  });
  EXPECT_TRUE(holder->WriteRecord(1, record.data()));
  finishing.join();
  EXPECT_TRUE(DbfFile::Open(dir.File("T.DBF"), DbfOpenMode::ReadOnly, status));
  EXPECT_FALSE(DbfFile::Open(dir.File("T.DBF"), DbfOpenMode::Exclusive, status));
  // A change of many records keeps readers out until it is in place (or dropped).
  ASSERT_TRUE(holder->BeginStagedChange());
  EXPECT_FALSE(DbfFile::Open(dir.File("T.DBF"), DbfOpenMode::ReadOnly, status));
  holder->AbandonStagedChange();
  EXPECT_TRUE(DbfFile::Open(dir.File("T.DBF"), DbfOpenMode::ReadOnly, status));
}

TEST(DbfFile, AppendingOnAFullDiskFailsWithoutKillingTheProgram) {
  TempDir dir;
  const std::string disk = dir.File("disk");
  std::filesystem::create_directory(disk);
  if (!test::MountSmallDisk(disk, "64k")) GTEST_SKIP() << "cannot mount a small file system here";
  ASSERT_EQ(DbfFile::Create(disk + "/T.DBF", kSmall), DbfStatus::Ok);
  uint32_t appended = 0;
  DbfStatus last = DbfStatus::Ok;
  {
    auto f = OpenOk(disk + "/T.DBF", DbfOpenMode::Exclusive);
    // Far more records than 64 KiB hold: the writes through the mapping would meet a page
    // with no block behind it (SIGBUS) if the space were not reserved first.
    for (int i = 0; i < 10000 && f->AppendRecord(Record(*f, "R", i).data()); ++i) ++appended;
    last = f->LastAppendStatus();
  }
  DbfStatus status;
  auto reread = DbfFile::Open(disk + "/T.DBF", DbfOpenMode::ReadOnly, status);
  const uint32_t count = reread ? reread->RecordCount() : 0;
  const std::string warning = reread ? reread->warning() : "not opened";
  reread.reset();
  test::Unmount(disk);
  EXPECT_GT(appended, 100u);
  EXPECT_LT(appended, 10000u);
  EXPECT_EQ(last, DbfStatus::NoSpace);
  EXPECT_EQ(count, appended);  // every record that was accepted is in the file, and no more
  EXPECT_EQ(warning, "");
}

TEST(DbfFile, HeadersThatDisagreeWithTheirRecordsAreDamagedNotMisread) {
  TempDir dir;
  ASSERT_EQ(DbfFile::Create(dir.File("T.DBF"), kSmall), DbfStatus::Ok);
  {
    auto f = OpenOk(dir.File("T.DBF"));
    for (int i = 0; i < 3; ++i) f->AppendRecord(Record(*f, "R" + std::to_string(i), i).data());
  }
  const std::string good = dir.Read("T.DBF");
  DbfStatus status;
  auto refused = [&](std::string bytes) {
    dir.Write("BAD.DBF", bytes);
    return !DbfFile::Open(dir.File("BAD.DBF"), DbfOpenMode::Shared, status) && status == DbfStatus::Damaged;
  };
  std::string headerLonger = good;
  headerLonger[8] = static_cast<char>(headerLonger[8] + 1);  // the first record's flag read as padding
  EXPECT_TRUE(refused(headerLonger));
  std::string noTerminator = good;
  noTerminator[8] = static_cast<char>(noTerminator[8] - 1);
  EXPECT_TRUE(refused(noTerminator));
  std::string recordLonger = good;
  recordLonger[10] = static_cast<char>(recordLonger[10] + 10);  // the file does not hold such records
  EXPECT_TRUE(refused(recordLonger));
  std::string fieldShorter = good;
  fieldShorter[32 + 16] = 3;  // NAME 4 -> 3: QTY's kept offset no longer agrees
  EXPECT_TRUE(refused(fieldShorter));
  std::string shiftedFlag = good;
  shiftedFlag[97 + 13] = 'Z';  // the second record does not start with a deletion flag
  EXPECT_TRUE(refused(shiftedFlag));
  // The file is left exactly as it was.
  EXPECT_EQ(dir.Read("BAD.DBF"), shiftedFlag);
}

TEST(DbfFile, NumbersTheProgramCannotReadAreToldApart) {
  for (const char* readable : {"", "   ", "12", " -12.50", "+3", "0.001", "12."})
    EXPECT_TRUE(IsReadableNumericField(readable)) << readable;
  for (const char* unreadable : {"************", "1e999", "-", "1 2", "12,5", ".", "x"})
    EXPECT_FALSE(IsReadableNumericField(unreadable)) << unreadable;
  EXPECT_FALSE(IsReadableNumericField(std::string(3, '\0')));
  // A 17-digit quantity in a wide field never overflows the scaled reading.
  long long scaled = 0;
  EXPECT_FALSE(ParseScaledField("12345678901234567", 3, scaled));
  EXPECT_TRUE(ParseScaledField("1234567890123456", 2, scaled));
  EXPECT_EQ(scaled, 123456789012345600LL);
  const DbfField twelve{"F_COST", 'N', 12, 0, 0};
  EXPECT_TRUE(WholeFitsField(twelve, 999999999999LL));
  EXPECT_FALSE(WholeFitsField(twelve, 1000000000000LL));
  EXPECT_TRUE(WholeFitsField(twelve, -99999999999LL));
  EXPECT_FALSE(WholeFitsField(twelve, -100000000000LL));
}

}  // namespace
}  // namespace vak

namespace vak {
namespace {

// A tender in a folder named in Korean with a blank: opened, appended to, changed as a whole
// through a staged copy that replaces the table while it is held, packed, and read again.
TEST(DbfFile, ATableInAKoreanFolderWithABlankIsChangedAndReplacedWhileHeld) {
  TempDir dir;
  const std::string folder = JoinPath(dir.path(), "견적 A");
  ASSERT_TRUE(std::filesystem::create_directory(FsPath(folder)));
  const std::string path = JoinPath(folder, "T.DBF");
  ASSERT_EQ(DbfFile::Create(path, kSmall), DbfStatus::Ok);
  {
    auto f = OpenOk(path, DbfOpenMode::Exclusive);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(f->AppendRecord(Record(*f, "R", i).data()));
    ASSERT_TRUE(f->BeginStagedChange());
    ASSERT_TRUE(f->SetDeleted(2, true));
    ASSERT_TRUE(f->Sync());
    ASSERT_EQ(RenameFile(f->stagedPath(), path), 0);  // over the table this very program holds
    f->AdoptStagedChange();
    EXPECT_EQ(f->Pack(), DbfStatus::Ok);  // rewritten beside it and renamed over it again
    EXPECT_EQ(f->RecordCount(), 2u);
    ASSERT_TRUE(f->AppendRecord(Record(*f, "S", 9).data()));
    DbfStatus status;
    EXPECT_FALSE(DbfFile::Open(path, DbfOpenMode::Shared, status));  // still held after both
    EXPECT_EQ(status, DbfStatus::Locked);
  }
  auto reread = OpenOk(path, DbfOpenMode::ReadOnly);
  ASSERT_EQ(reread->RecordCount(), 3u);
  EXPECT_EQ(ParseNumericField(FieldBytes(reread->Record(2), reread->fields()[1])), 2.0L);
  EXPECT_EQ(FieldBytes(reread->Record(3), reread->fields()[0]), "S   ");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(FsPath(folder)), std::filesystem::directory_iterator()),
            1);  // no copy left behind
}

}  // namespace
}  // namespace vak
