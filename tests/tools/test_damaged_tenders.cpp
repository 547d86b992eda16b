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
#include <functional>

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
  return {ReadWholeFile(JoinPath(dir, "VAK.DBF")).value_or("<none>"),
          ReadWholeFile(JoinPath(dir, "VAK.MEM")).value_or("<none>")};
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
      {"bad type byte", badType},
      {"truncated", good.substr(0, good.size() / 2)},
      {"random bytes", std::string("\x11\x95\xfe") + '\0' + "\x7f zz not a header at all ........"},
      {"empty", ""}};
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
  std::string fieldsSwapped = good;     // F_DES 35 and F_SIZE 45: the sum holds, the offsets do not
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
  test::WriteItemTable(
      dir.path(), {{"U", 1, '1', "H", 0, 0}, {"U", 2, 'X', "not a level", 482.739, 5}, {"U", 3, '2', "a", 1, 0, 100}});
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
  run = Vaktool("dump " + dir.path() + " --query '" + std::string(10000, '(') + "F_LVL=\"1\"" +
                std::string(10000, ')') + "'");
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(Contains(run.out, "조건식이 올바르지 않습니다")) << run.out.substr(0, 300);
  std::string nots;
  for (int i = 0; i < 20000; ++i) nots += ".NOT. ";
  run = Vaktool("dump " + dir.path() + " --query '" + nots + "F_LVL=\"1\"'");
  EXPECT_EQ(run.status, 2);
  run =
      Vaktool("dump " + dir.path() + " --query '" + std::string(50, '(') + "F_LVL=\"1\"" + std::string(50, ')') + "'");
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
  ShellRun run = Vaktool("submit " + dir.File("t") + " " + dir.File("medium") + " --yes");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(Contains(run.out, "정상적으로 완료 되었습니다.")) << run.out;
  EXPECT_EQ(dir.Read("medium/VAK.DBF"), dir.Read("t/VAK.DBF"));
  // The data directory itself, a medium that is not there, a table held by the program.
  EXPECT_EQ(Vaktool("submit " + dir.File("t") + " " + dir.File("t")).status, 1);
  EXPECT_EQ(Vaktool("submit " + dir.File("t") + " " + dir.File("gone")).status, 1);
  const int fd = ::open(dir.File("t/VAK.DBF").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  run = Vaktool("submit " + dir.File("t") + " " + dir.File("medium") + " --yes");
  ::close(fd);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "다른 사용자가 사용하고 있습니다.")) << run.out;
}

}  // namespace
}  // namespace vak

namespace vak {
namespace {

// Gives every item that takes a price a single unit price (1000 + its record number), as the
// price entry writes it, and calculates the three parts.
void PriceAndCalculate(const std::string& dir) {
  {
    DbfStatus status;
    auto file = DbfFile::Open(JoinPath(dir, "VAK.DBF"), DbfOpenMode::Exclusive, status);
    ASSERT_TRUE(file);
    for (uint32_t r = 1; r <= file->RecordCount(); ++r) {
      std::string rec(file->Record(r), kItemRecordLength);
      auto bytes = [&](const char* name) { return FieldBytes(rec.data(), Field(name)); };
      if (!TakesPrice(bytes("F_LVL")[0], bytes("F_NLVL")[0], ParseNumericField(bytes("F_QQTY")) != 0, bytes("F_3SW"),
                      bytes("F_PART")))
        continue;
      ASSERT_TRUE(StoreNumericField(rec.data(), Field("F_PRIC"), 1000 + r));
      ASSERT_TRUE(StoreNumericField(rec.data(), Field("F_MA0"), 1000 + r));
      ASSERT_TRUE(file->WriteRecord(r, rec.data()));
    }
  }
  for (const char* part : {"1", "2", "3"}) ASSERT_EQ(Vaktool("calc " + Quoted(dir) + " --part " + part).status, 0);
}

// The record number of the first line of part code `part` that passes `test`.
uint32_t FirstRecord(const TempDir& dir, const std::function<bool(const char*)>& test) {
  DbfStatus status;
  auto file = DbfFile::Open(dir.File("VAK.DBF"), DbfOpenMode::ReadOnly, status);
  for (uint32_t r = 1; file && r <= file->RecordCount(); ++r) {
    if (test(file->Record(r))) return r;
  }
  ADD_FAILURE() << "no such line";
  return 1;
}

// An earlier bill "old", priced and calculated, and the same bill "new" as the agency issues it.
void OldAndNewBill(const TempDir& dir) {
  MakeTender(dir.File("old"));
  PriceAndCalculate(dir.File("old"));
  ASSERT_EQ(Vaktool("sample " + Quoted(dir.File("new")) + " --lines 60 --type 2 --seed 3").status, 0);
}

TEST(TenderCheck, ACompleteCalculatedTenderPassesAndEveryDamageIsReported) {
  TempDir clean;
  MakeTender(clean.File("t"));
  PriceAndCalculate(clean.File("t"));
  ShellRun run = Vaktool("check " + Quoted(clean.File("t")));
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(Contains(run.out, "결과: 완성 — 단가를 받는 항목")) << run.out;
  run = Vaktool("check " + Quoted(clean.File("t")) + " --json");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(Contains(run.out, "\"complete\": true,\n  \"consistent\": true,")) << run.out;
  if (test::ToolAvailable("python3 -c pass")) {
    const ShellRun json = test::Shell(
        "timeout 60 " + std::string(VAKTOOL) + " check " + Quoted(clean.File("t")) +
        " --json | python3 -c 'import json,sys; d=json.load(sys.stdin); print(len(d[\"parts\"]), d[\"unpriced\"])'");
    EXPECT_EQ(json.out, "3 0\n");
  }

  struct Damage {
    const char* what;
    std::function<void(TempDir&)> make;
    const char* reported;
  };
  auto partLine = [](const char* part,
                     const std::function<bool(std::string_view, std::string_view, std::string_view)>& more) {
    return [=](const char* rec) {
      return FieldBytes(rec, Field("F_PART")) == part &&
             more(FieldBytes(rec, Field("F_LVL")), FieldBytes(rec, Field("F_NLVL")), FieldBytes(rec, Field("F_QQTY")));
    };
  };
  auto item = partLine("U1", [](auto lvl, auto nlvl, auto qty) {
    return lvl != "0" && lvl[0] >= nlvl[0] && ParseNumericField(qty) >= 2;
  });
  auto heading = partLine("U2", [](auto lvl, auto nlvl, auto) { return lvl[0] < nlvl[0] && lvl != "0"; });
  const std::vector<Damage> damages = {
      {"an unpriced item",
       [&](TempDir& d) {
         Patch(d, FirstRecord(d, item), "F_PRIC", "0");
         Patch(d, FirstRecord(d, item), "F_MA0", "0");
       },
       "(미입력 1개)"},
      {"an item amount", [&](TempDir& d) { Patch(d, FirstRecord(d, item), "F_COST", "1"); },
       "금액이 수량 × 단가(원 미만 버림)와 다른 항목: 1줄"},
      {"a heading total", [&](TempDir& d) { Patch(d, FirstRecord(d, heading), "F_LA", "5"); },
       "합계가 아래 줄들의 합과 맞지 않는 공종: 1줄"},
      {"a summary line",
       [&](TempDir& d) {
         Patch(d, FirstRecord(d, [](const char* r) { return FieldBytes(r, Field("F_PART")) == "T2"; }), "F_COST", "7");
       },
       "총괄집계의 공사 줄이 공사 합계와 다릅니다."},
      {"the tender amount",
       [&](TempDir& d) {
         HeaderValues v = LoadProjectHeader(d.path()).values;
         v[kCmnIpmt] = "12345";
         ASSERT_TRUE(WriteMemFile(d.File("VAK.MEM"), v));
       },
       "총입찰금액(CMN_IPMT): 저장 12,345"},
      {"a value over the limits", [&](TempDir& d) { Patch(d, FirstRecord(d, item), "F_PRIC", "999999999999"); },
       "12자리(999,999,999,999)를 넘는 값"},
      {"an unreadable number", [&](TempDir& d) { Patch(d, FirstRecord(d, item), "F_PRIC", "****"); },
       "숫자나 레벨을 읽을 수 없는 줄: 1줄"},
  };
  for (const Damage& damage : damages) {
    TempDir d;
    for (const char* name : {"VAK.DBF", "VAK.MEM"}) d.Write(name, clean.Read(std::string("t/") + name));
    damage.make(d);
    const Snapshot before = Take(d.path());
    run = Vaktool("check " + Quoted(d.path()));
    EXPECT_EQ(run.status, 1) << damage.what << "\n" << run.out;
    EXPECT_TRUE(Contains(run.out, damage.reported)) << damage.what << "\n" << run.out;
    EXPECT_TRUE(Contains(run.out, "결과: 미완성")) << damage.what;
    EXPECT_TRUE(Take(d.path()) == before) << damage.what;  // only read
    EXPECT_FALSE(FileExists(d.File("Vak.CDX"))) << damage.what;
  }
}

TEST(TenderCheck, ATenderThatCannotBeReadEndsWithTwo) {
  TempDir dir;
  MakeTender(dir.File("t"));
  EXPECT_EQ(Vaktool("check " + Quoted(dir.File("none"))).status, 2);
  ShellRun run = Vaktool("check " + Quoted(dir.File("t")) + " --frobnicate");
  EXPECT_EQ(run.status, 2);
  const int fd = ::open(dir.File("t/VAK.DBF").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  run = Vaktool("check " + Quoted(dir.File("t")));
  ::close(fd);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(Contains(run.out, "다른 사용자가 사용하고 있습니다.")) << run.out;
  dir.Write("t/VAK.MEM", "garbage");
  run = Vaktool("check " + Quoted(dir.File("t")));
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(Contains(run.out, "손상")) << run.out;
}

TEST(TenderCarry, TheCommandCarriesEveryPriceReportsAndLeavesTheSourceAlone) {
  TempDir dir;
  OldAndNewBill(dir);
  const Snapshot source = Take(dir.File("old"));
  ShellRun run = Vaktool("carry " + Quoted(dir.File("old")) + " " + Quoted(dir.File("new")) + " --report " +
                         Quoted(dir.File("r.csv")));
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(Contains(run.out,
                       ", 수량 변경 0, 유지 0, 신규 0, 단위 변경 0, 원본 단가 없음 0, 원본 단가 읽을 수 없음 0, 한도 "
                       "초과 0, 삭제됨 0\n"))
      << run.out;
  EXPECT_TRUE(Take(dir.File("old")) == source);
  EXPECT_EQ(dir.Read("r.csv").rfind("\xEF\xBB\xBF결과,", 0), 0u);
  // The same prices, the same amounts: the new bill is now what the old one is.
  run = Vaktool("check " + Quoted(dir.File("new")));
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(LoadProjectHeader(dir.File("new")).values[kCmnIpmt], LoadProjectHeader(dir.File("old")).values[kCmnIpmt]);
  // Refusals.
  run = Vaktool("carry " + Quoted(dir.File("new")) + " " + Quoted(dir.File("new")));
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "같은 화일입니다")) << run.out;
  EXPECT_EQ(Vaktool("carry " + Quoted(dir.File("old"))).status, 2);
  // An unfinished tender replaces what the medium holds only when the user says so.
  ASSERT_EQ(Vaktool("sample " + Quoted(dir.File("bare")) + " --lines 60 --type 2 --seed 3").status, 0);
  std::filesystem::create_directory(dir.File("medium"));
  run = Vaktool("submit " + Quoted(dir.File("new")) + " " + Quoted(dir.File("medium")));
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_FALSE(Contains(run.out, "입찰서가 완성되지 않았습니다")) << run.out;
  const std::string finished = dir.Read("medium/VAK.DBF");
  run = Vaktool("submit " + Quoted(dir.File("bare")) + " " + Quoted(dir.File("medium")));
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_TRUE(Contains(run.out, "[확인] 입찰서가 완성되지 않았습니다: 단가를 입력하지 않은 항목 ")) << run.out;
  EXPECT_EQ(dir.Read("medium/VAK.DBF"), finished);
  run = Vaktool("submit " + Quoted(dir.File("bare")) + " " + Quoted(dir.File("medium")) + " --yes");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(dir.Read("medium/VAK.DBF"), dir.Read("bare/VAK.DBF"));
}

}  // namespace
}  // namespace vak

namespace vak {
namespace {

// Ordinary mistakes that used to lose a tender: each is refused, or keeps every file.
TEST(TenderSafety, OutputsMediaRestoresAndUnreadablePricesLoseNothing) {
  TempDir dir;
  OldAndNewBill(dir);
  const Snapshot old = Take(dir.File("old"));
  const std::string originals = dir.Read("old/원본/VAK.DBF");

  // The originals folder or any folder of the tender is no medium.
  ShellRun run = Vaktool("submit " + Quoted(dir.File("old")) + " " + Quoted(dir.File("old/원본")));
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "원본 보관 디렉토리 포함")) << run.out;
  EXPECT_EQ(dir.Read("old/원본/VAK.DBF"), originals);

  // A carry report never replaces a tender's file, nor goes into a directory; checked first.
  const Snapshot fresh = Take(dir.File("new"));
  for (const std::string& report :
       {dir.File("new/VAK.DBF"), dir.File("old/VAK.MEM"), dir.File("new/원본/VAK.DBF"), dir.path()}) {
    run = Vaktool("carry " + Quoted(dir.File("old")) + " " + Quoted(dir.File("new")) + " --report " + Quoted(report));
    EXPECT_EQ(run.status, 1) << report;
    EXPECT_TRUE(Take(dir.File("new")) == fresh) << report;
    EXPECT_TRUE(Take(dir.File("old")) == old) << report;
  }

  // A source price that cannot be read is named; without --yes nothing is carried.
  DbfStatus status;
  {
    auto file = DbfFile::Open(dir.File("old/VAK.DBF"), DbfOpenMode::Exclusive, status);
    ASSERT_TRUE(file);
    uint32_t priced = 1;
    while (priced < file->RecordCount() && ParseNumericField(FieldBytes(file->Record(priced), Field("F_PRIC"))) == 0)
      ++priced;
    std::string rec(file->Record(priced), kItemRecordLength);
    StoreCharacterField(rec.data(), Field("F_PRIC"), "12a4x");
    ASSERT_TRUE(file->WriteRecord(priced, rec.data()));
  }
  run = Vaktool("carry " + Quoted(dir.File("old")) + " " + Quoted(dir.File("new")));
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "단가를 읽을 수 없는 항목이 1개 있습니다")) << run.out;
  EXPECT_TRUE(Take(dir.File("new")) == fresh);
  run = Vaktool("carry " + Quoted(dir.File("old")) + " " + Quoted(dir.File("new")) + " --yes");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(Contains(run.out, "원본 단가 읽을 수 없음 1,")) << run.out;

  // Two restores in one second: every priced file is kept under a name of its own.
  const Snapshot carried = Take(dir.File("new"));
  ASSERT_EQ(Vaktool("restore " + Quoted(dir.File("new")) + " --yes").status, 0);
  ASSERT_EQ(Vaktool("restore " + Quoted(dir.File("new")) + " --yes").status, 0);
  int keptCarried = 0, kept = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.File("new"))) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("VAK.DBF.", 0) != 0) continue;
    ++kept;
    keptCarried += dir.Read("new/" + name) == carried.dbf ? 1 : 0;
  }
  EXPECT_EQ(kept, 2);
  EXPECT_EQ(keptCarried, 1);
}

}  // namespace
}  // namespace vak
