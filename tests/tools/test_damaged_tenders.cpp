// Tenders damaged in one way each, run through vaktool as a user would: every refusal leaves
// VAK.DBF and VAK.MEM byte for byte as they were and says what is wrong; nothing crashes or
// hangs; nothing is rewritten from data that was misread.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/Files.h"
#include "store/DbfFile.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"
#include "store/Preparation.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

namespace fs = std::filesystem;
using test::Row;
using test::TempDir;

using test::ShellRun;

// Runs vaktool with a time limit (a hang fails the test instead of the whole run); standard
// error comes back with standard output, standard input is empty.
ShellRun Vaktool(const std::string& args) {
  return test::Shell("timeout 60 " + std::string(VAKTOOL) + " " + args + " </dev/null 2>&1");
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// A compound tender of about 60 lines from the sample generator, calculated once.
void MakeTender(const std::string& dir) {
  ASSERT_EQ(Vaktool("sample " + Quoted(dir) + " --lines 60 --type 2 --seed 3").status, 0);
  ASSERT_EQ(Vaktool("calc " + Quoted(dir)).status, 0);
}

struct Snapshot {
  std::string dbf;
  std::string mem;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const std::string& dir) {
  return {ReadWholeFile(JoinPath(dir, "VAK.DBF")).value_or("<none>"), ReadWholeFile(JoinPath(dir, "VAK.MEM")).value_or("<none>")};
}

const DbfField& Field(const char* name) {
  for (const DbfField& f : ItemTableFields()) {
    if (f.name == name) return f;
  }
  throw std::logic_error(name);
}

constexpr size_t kHeaderLength = 32 + 21 * 32 + 1;

// Writes `text`, right-aligned and blank-padded, into a field of record `recno` (1-based).
void Patch(const TempDir& dir, uint32_t recno, const char* field, const std::string& text) {
  std::string bytes = dir.Read("VAK.DBF");
  const DbfField& f = Field(field);
  std::string value = text;
  if (value.size() < static_cast<size_t>(f.length)) value.insert(0, static_cast<size_t>(f.length) - value.size(), ' ');
  bytes.replace(kHeaderLength + (recno - 1) * kItemRecordLength + static_cast<size_t>(f.offset), value.size(), value);
  dir.Write("VAK.DBF", bytes);
}

// The record number of the first item line with a quantity and a price: one the calculation reads.
uint32_t FirstPricedItem(const TempDir& dir) {
  DbfStatus status;
  auto file = DbfFile::Open(dir.File("VAK.DBF"), DbfOpenMode::ReadOnly, status);
  for (uint32_t r = 1; file && r <= file->RecordCount(); ++r) {
    const char* rec = file->Record(r);
    const std::string_view part = FieldBytes(rec, Field("F_PART"));
    if (part == "U1" && ParseNumericField(FieldBytes(rec, Field("F_QQTY"))) != 0 &&
        ParseNumericField(FieldBytes(rec, Field("F_PRIC"))) != 0 && FieldBytes(rec, Field("F_LVL")) != "0" &&
        FieldBytes(rec, Field("F_LVL"))[0] >= FieldBytes(rec, Field("F_NLVL"))[0])
      return r;
  }
  ADD_FAILURE() << "no priced item";
  return 1;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(DamagedTenders, AHeaderThatCannotBeReadWholeStopsTheCalculationBeforeAnyWrite) {
  TempDir dir;
  MakeTender(dir.path());
  const std::string good = dir.Read("VAK.MEM");
  std::string badType = good;
  badType[11 + 32 + 8] = static_cast<char>('Q' | 0x80);  // the second entry's type byte
  const std::vector<std::pair<std::string, std::string>> headers = {
      {"bad type byte", badType}, {"truncated", good.substr(0, good.size() / 2)},
      {"random bytes", std::string("\x11\x95\xfe") + '\0' + "\x7f zz not a header at all ........"}, {"empty", ""}};
  for (const auto& [what, bytes] : headers) {
    dir.Write("VAK.MEM", bytes);
    const Snapshot before = Take(dir.path());
    const ShellRun run = Vaktool("calc " + dir.path());
    EXPECT_EQ(run.status, 1) << what;
    EXPECT_TRUE(Contains(run.out, "공사 정보 화일(VAK.MEM)이 손상되었습니다")) << what << run.out;
    EXPECT_TRUE(Take(dir.path()) == before) << what;
  }
  // Not a regular file: a directory, a FIFO (no hang), an endless device.
  dir.Write("VAK.MEM", good);
  const std::string table = dir.Read("VAK.DBF");
  fs::remove(dir.File("VAK.MEM"));
  fs::create_directory(dir.File("VAK.MEM"));
  ShellRun run = Vaktool("calc " + dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "일반 화일이 아닙니다")) << run.out;
  fs::remove(dir.File("VAK.MEM"));
  ASSERT_EQ(::mkfifo(dir.File("VAK.MEM").c_str(), 0644), 0);
  EXPECT_EQ(Vaktool("calc " + dir.path()).status, 1);
  EXPECT_EQ(Vaktool("prepare " + dir.path()).status, 1);
  fs::remove(dir.File("VAK.MEM"));
  fs::create_symlink("/dev/zero", dir.File("VAK.MEM"));
  EXPECT_EQ(Vaktool("calc " + dir.path()).status, 1);
  EXPECT_EQ(dir.Read("VAK.DBF"), table);
}

TEST(DamagedTenders, ATableWhoseHeaderDisagreesWithItsFieldsIsRefusedAndLeftAlone) {
  TempDir dir;
  MakeTender(dir.path());
  const std::string good = dir.Read("VAK.DBF");
  auto withLe16 = [&](size_t at, int delta) {
    std::string b = good;
    const int v = static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
    b[at] = static_cast<char>((v + delta) & 0xFF);
    b[at + 1] = static_cast<char>((v + delta) >> 8);
    return b;
  };
  std::string fieldShorter = good;
  fieldShorter[32 + 3 * 32 + 16] = 35;  // F_DES 40 -> 35: the fields no longer add up
  std::string fieldsSwapped = good;  // F_DES 35 and F_SIZE 45: the sum holds, the offsets do not
  fieldsSwapped[32 + 3 * 32 + 16] = 35;
  fieldsSwapped[32 + 4 * 32 + 16] = 45;
  const std::vector<std::pair<std::string, std::string>> tables = {
      {"header length one too large", withLe16(8, 1)},
      {"header length one too small", withLe16(8, -1)},
      {"record length ten too large", withLe16(10, 10)},
      {"a field shorter", fieldShorter},
      {"two fields changed", fieldsSwapped},
  };
  for (const auto& [what, bytes] : tables) {
    dir.Write("VAK.DBF", bytes);
    fs::remove_all(dir.File("원본"));
    const Snapshot before = Take(dir.path());
    const ShellRun run = Vaktool("calc " + dir.path() + " --yes");
    EXPECT_EQ(run.status, 1) << what;
    EXPECT_TRUE(Contains(run.out, "자료 화일이 손상되었습니다")) << what << run.out;
    EXPECT_FALSE(Contains(run.out, "다른 사용자")) << what;
    EXPECT_TRUE(Take(dir.path()) == before) << what;
    EXPECT_FALSE(fs::exists(dir.File("원본"))) << what;  // refused before anything was written
  }
}

TEST(DamagedTenders, ACutTableOrACountThatLiesIsShownBeforeItIsWritten) {
  TempDir dir;
  MakeTender(dir.path());
  const std::string good = dir.Read("VAK.DBF");
  std::string lies = good;
  lies[4] = static_cast<char>(static_cast<unsigned char>(lies[4]) + 30);  // more records than the file holds
  const std::vector<std::pair<std::string, std::string>> tables = {
      {"cut inside a record", good.substr(0, kHeaderLength + 30 * kItemRecordLength + 100)},
      {"a count that lies", lies},
  };
  for (const auto& [what, bytes] : tables) {
    dir.Write("VAK.DBF", bytes);
    const Snapshot before = Take(dir.path());
    ShellRun run = Vaktool("calc " + dir.path());
    EXPECT_EQ(run.status, 1) << what;
    EXPECT_TRUE(Contains(run.out, "헤더의 레코드 수") || Contains(run.out, "조각")) << what << run.out;
    EXPECT_TRUE(Contains(run.out, "계속하시겠습니까?")) << what;
    EXPECT_TRUE(Take(dir.path()) == before) << what;
    // Told to go on, the tool writes a consistent table that reads without warnings.
    run = Vaktool("calc " + dir.path() + " --yes");
    EXPECT_EQ(run.status, 0) << what << run.out;
    DbfStatus status;
    auto file = DbfFile::Open(dir.File("VAK.DBF"), DbfOpenMode::ReadOnly, status);
    ASSERT_TRUE(file) << what;
    EXPECT_EQ(file->warning(), "") << what;
  }
}

TEST(DamagedTenders, UnreadableNumbersAreListedAndNotTakenAsZeroWithoutAWord) {
  TempDir dir;
  MakeTender(dir.path());
  const uint32_t item = FirstPricedItem(dir);
  const std::string clean = dir.Read("VAK.DBF");
  for (const std::string& bad : std::vector<std::string>{"************", "1e999", "-", std::string(3, '\0'), "1 2"}) {
    dir.Write("VAK.DBF", clean);
    Patch(dir, item, "F_PRIC", bad);
    const Snapshot before = Take(dir.path());
    ShellRun run = Vaktool("calc " + dir.path());
    EXPECT_EQ(run.status, 1) << bad;
    EXPECT_TRUE(Contains(run.out, "숫자나 레벨을 읽을 수 없는 줄이 1개 있습니다")) << run.out;
    EXPECT_TRUE(Contains(run.out, "F_PRIC")) << run.out;
    EXPECT_TRUE(Take(dir.path()) == before) << bad;
  }
  Patch(dir, item, "F_QQTY", "1e999");
  ShellRun run = Vaktool("calc " + dir.path());
  EXPECT_TRUE(Contains(run.out, "F_QQTY, F_PRIC") || Contains(run.out, "F_QQTY")) << run.out;
  run = Vaktool("calc " + dir.path() + " --yes");
  EXPECT_EQ(run.status, 0) << run.out;
}

TEST(DamagedTenders, ALevelThatIsNotANumberNeverMakesAHeadingOrLosesTheQuantity) {
  TempDir dir;
  test::WriteItemTable(dir.path(), {{"U", 1, '1', "H", 0, 0}, {"U", 2, 'X', "not a level", 482.739, 5}, {"U", 3, '2', "a", 1, 0, 100}});
  test::WriteHeader(dir.path(), "1");
  ASSERT_EQ(Vaktool("prepare " + dir.path()).status, 0);
  DbfStatus status;
  {
    auto file = DbfFile::Open(dir.File("VAK.DBF"), DbfOpenMode::ReadOnly, status);
    ASSERT_TRUE(file);
    EXPECT_EQ(ParseNumericField(FieldBytes(file->Record(2), Field("F_QQTY"))), 482.739L);
  }
  // 0xFF as a level, as damaged media give it.
  Patch(dir, 2, "F_LVL", "\xFF");
  ASSERT_EQ(Vaktool("prepare " + dir.path()).status, 0);
  {
    auto file = DbfFile::Open(dir.File("VAK.DBF"), DbfOpenMode::ReadOnly, status);
    EXPECT_EQ(ParseNumericField(FieldBytes(file->Record(2), Field("F_QQTY"))), 482.739L);
  }
  const ShellRun run = Vaktool("calc " + dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "F_LVL")) << run.out;
}

TEST(DamagedTenders, AmountsThatDoNotFitAreRefusedWithTheirLines) {
  TempDir dir;
  // A heading quantity of 9,999,999 over items of 5e11 each: far beyond any field, and beyond
  // 64 bits when the three parts are summed.
  Row heading{"U", 1, '1', "H", 0, 9999999};
  Row a{"U", 2, '2', "a", 1, 0, 500000000000};
  a.material = 500000000000;
  a.labour = 500000000000;
  a.expense = 500000000000;
  test::WriteItemTable(dir.path(), {heading, a, {"U", 3, '2', "b", 1, 0, 500000000000}});
  test::WriteHeader(dir.path(), "1");
  ASSERT_EQ(Vaktool("prepare " + dir.path()).status, 0);
  const Snapshot before = Take(dir.path());
  const ShellRun run = Vaktool("calc " + dir.path() + " --yes");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "12자리(999,999,999,999)를 넘는 값이 있어 계산 결과를 기록하지 않았습니다")) << run.out;
  EXPECT_TRUE(Contains(run.out, "U 순번 1 「H」")) << run.out;
  EXPECT_TRUE(Take(dir.path()) == before);
}

TEST(DamagedTenders, OpenFailuresSayWhatHappened) {
  TempDir dir;
  test::WriteHeader(dir.path(), "1");
  fs::create_directory(dir.File("VAK.DBF"));
  ShellRun run = Vaktool("calc " + dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "일반 화일이 아닙니다")) << run.out;
  EXPECT_FALSE(Contains(run.out, "다른 사용자"));
  fs::remove(dir.File("VAK.DBF"));
  fs::create_symlink(dir.File("VAK.DBF"), dir.File("VAK.DBF"));  // a link to itself: a loop
  run = Vaktool("dump " + dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "순환")) << run.out;
  fs::remove(dir.File("VAK.DBF"));
  fs::create_symlink(dir.File("gone.dbf"), dir.File("VAK.DBF"));
  run = Vaktool("calc " + dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "화일을 찾을 수 없습니다")) << run.out;
  EXPECT_FALSE(Contains(run.out, "다른 사용자"));

  // Deeply nested queries are refused, not a stack overflow.
  fs::remove(dir.File("VAK.DBF"));
  test::WriteItemTable(dir.path(), {{"U", 1, '1', "a"}});
  run = Vaktool("dump " + dir.path() + " --query '" + std::string(10000, '(') + "F_LVL=\"1\"" + std::string(10000, ')') + "'");
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(Contains(run.out, "조건식이 올바르지 않습니다")) << run.out.substr(0, 300);
  std::string nots;
  for (int i = 0; i < 20000; ++i) nots += ".NOT. ";
  run = Vaktool("dump " + dir.path() + " --query '" + nots + "F_LVL=\"1\"'");
  EXPECT_EQ(run.status, 2);
  run = Vaktool("dump " + dir.path() + " --query '" + std::string(50, '(') + "F_LVL=\"1\"" + std::string(50, ')') + "'");
  EXPECT_EQ(run.status, 0) << run.out.substr(0, 300);
}

TEST(DamagedTenders, APathIsUsedExactlyAsGiven) {
  TempDir dir;
  const std::string blank = dir.File("D ");
  const std::string plain = dir.File("D");
  fs::create_directory(blank);
  fs::create_directory(plain);
  MakeTender(plain);
  const Snapshot other = Take(plain);
  const ShellRun run = Vaktool("calc " + Quoted(blank));
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "\"" + blank + "\"디렉토리에 데이타화일(VAK.DBF)이 없습니다.")) << run.out;
  EXPECT_TRUE(Take(plain) == other);
}

TEST(DamagedTenders, ARefusedStartTouchesNothingNotEvenTheIndexFile) {
  TempDir dir;
  MakeTender(dir.path());
  const std::string index = ReadWholeFile(DataFilePath(dir.path(), "Vak.CDX")).value_or("");
  ASSERT_FALSE(index.empty());
  // A reader holds the table (shared), as the program or another tool would.
  const int fd = ::open(dir.File("VAK.DBF").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_SH | LOCK_NB), 0);
  const Snapshot before = Take(dir.path());
  for (const char* command : {"calc ", "prepare "}) {
    const ShellRun run = Vaktool(command + dir.path());
    EXPECT_EQ(run.status, 1) << command;
    EXPECT_TRUE(Contains(run.out, "다른 사용자가 사용하고 있습니다.")) << run.out;
    EXPECT_EQ(ReadWholeFile(DataFilePath(dir.path(), "Vak.CDX")).value_or(""), index) << command;
    EXPECT_TRUE(Take(dir.path()) == before);
  }
  ::close(fd);
  // An index file that is a directory cannot be rebuilt: the start says so.
  fs::remove(DataFilePath(dir.path(), "Vak.CDX"));
  fs::create_directory(dir.File("Vak.CDX"));
  const ShellRun run = Vaktool("prepare " + dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "색인 화일을 지울 수 없습니다")) << run.out;
  EXPECT_FALSE(Contains(run.out, "다시 만들었습니다"));
}

TEST(DamagedTenders, TheAgencysOriginalsAreKeptOnceAndCanBeRestored) {
  TempDir dir;
  ASSERT_EQ(Vaktool("sample " + dir.path() + " --lines 60 --type 1 --seed 9").status, 0);
  const Snapshot agency = Take(dir.path());
  ShellRun run = Vaktool("calc " + dir.path());
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(Contains(run.out, "발주기관의 원본 화일을 " + dir.File("원본") + " 에 그대로 보관했습니다.")) << run.out;
  EXPECT_EQ(dir.Read("원본/VAK.DBF"), agency.dbf);
  EXPECT_EQ(dir.Read("원본/VAK.MEM"), agency.mem);
  const Snapshot priced = Take(dir.path());
  EXPECT_FALSE(priced == agency);
  // Said once; never overwritten.
  run = Vaktool("calc " + dir.path());
  EXPECT_FALSE(Contains(run.out, "보관했습니다"));
  EXPECT_EQ(dir.Read("원본/VAK.DBF"), agency.dbf);

  // restore asks; without an answer nothing changes.
  run = Vaktool("restore " + dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "되돌리시겠습니까?")) << run.out;
  EXPECT_TRUE(Take(dir.path()) == priced);
  run = Vaktool("restore " + dir.path() + " --yes");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(Take(dir.path()) == agency);
  std::vector<std::string> kept;
  for (const std::string& name : dir.Names()) {
    if (name.rfind("VAK.DBF.", 0) == 0) {
      EXPECT_EQ(dir.Read(name), priced.dbf);
    }
    if (name.rfind("VAK.MEM.", 0) == 0) {
      EXPECT_EQ(dir.Read(name), priced.mem);
    }
    if (name.rfind("VAK.", 0) == 0 && name.size() > 8) kept.push_back(name);
  }
  EXPECT_EQ(kept.size(), 2u);
}

TEST(DamagedTenders, AMediumWhereTheOriginalsCannotBeKeptAsksFirst) {
  TempDir dir;
  ASSERT_EQ(Vaktool("sample " + dir.path() + " --lines 30 --type 1 --seed 9").status, 0);
  dir.Write("원본", "a file where the directory would go");
  const Snapshot before = Take(dir.path());
  ShellRun run = Vaktool("calc " + dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "원본 화일(VAK.DBF, VAK.MEM)을 보관할 수 없습니다")) << run.out;
  EXPECT_TRUE(Take(dir.path()) == before);
  run = Vaktool("calc " + dir.path() + " --yes");
  EXPECT_EQ(run.status, 0) << run.out;
}

TEST(DamagedTenders, SubmitVerifiesOrSaysWhy) {
  TempDir dir;
  MakeTender(dir.File("t"));
  std::filesystem::create_directory(dir.File("medium"));
  ShellRun run = Vaktool("submit " + dir.File("t") + " " + dir.File("medium"));
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(Contains(run.out, "정상적으로 완료 되었습니다.")) << run.out;
  EXPECT_EQ(dir.Read("medium/VAK.DBF"), dir.Read("t/VAK.DBF"));
  // The data directory itself, a medium that is not there, a table held by the program.
  EXPECT_EQ(Vaktool("submit " + dir.File("t") + " " + dir.File("t")).status, 1);
  EXPECT_EQ(Vaktool("submit " + dir.File("t") + " " + dir.File("gone")).status, 1);
  const int fd = ::open(dir.File("t/VAK.DBF").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  run = Vaktool("submit " + dir.File("t") + " " + dir.File("medium"));
  ::close(fd);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "다른 사용자가 사용하고 있습니다.")) << run.out;
}

}  // namespace
}  // namespace vak
