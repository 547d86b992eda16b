// vaktool run as a user would, and our files read back by independent xBase readers:
// python3-dbfread and the Perl XBase module (Debian packages).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "common/CodePage.h"
#include "common/Files.h"
#include "common/Numbers.h"
#include "store/DbfFile.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::TempDir;

using test::Shell;
using test::ShellRun;

std::string Vaktool(const std::string& args) { return std::string(VAKTOOL) + " " + args; }

// Every record as our reader sees it: texts decoded and trimmed on the right, numbers with
// three decimals, one line per record, fields separated by tabs.
std::string OurReading(const std::string& path) {
  DbfStatus status;
  auto file = DbfFile::Open(path, DbfOpenMode::ReadOnly, status);
  EXPECT_TRUE(file);
  std::string out;
  for (uint32_t r = 1; file && r <= file->RecordCount(); ++r) {
    std::string line;
    for (const DbfField& f : file->fields()) {
      std::string_view v = FieldBytes(file->Record(r), f);
      if (!line.empty()) line += "\t";
      if (f.type == 'N') {
        char number[64];
        std::snprintf(number, sizeof number, "%.3Lf", ParseNumericField(v));
        line += number;
      } else {
        while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
        line += Cp949ToUtf8(v);
      }
    }
    out += line + "\n";
  }
  return out;
}

// A prepared sample of 600 lines, and our own reading of it.
struct PreparedSample {
  PreparedSample() {
    EXPECT_EQ(Shell(Vaktool("sample " + dir.path() + " --lines 600 --type 2 --seed 5")).status, 0);
    EXPECT_EQ(Shell(Vaktool("prepare " + dir.path())).status, 0);
    ours = OurReading(dir.File("VAK.DBF"));
    EXPECT_GT(ours.size(), 1000u);
  }
  TempDir dir;
  std::string ours;
};

TEST(IndependentReaders, DbfreadReadsTheSampleExactlyAsWeWroteIt) {
  if (!test::ToolAvailable("/usr/bin/python3 -c 'import dbfread'")) GTEST_SKIP() << "python3-dbfread is not installed";
  const PreparedSample sample;
  const TempDir& dir = sample.dir;
  const std::string& ours = sample.ours;
  const ShellRun python = Shell(
      "/usr/bin/python3 -c \"import dbfread, sys\n"
      "t = dbfread.DBF(sys.argv[1], char_decode_errors='strict')\n"
      "assert t.encoding == 'cp949', t.encoding\n"
      "for r in t:\n"
      "    print('\\t'.join('%.3f' % v if f.type == 'N' else v for f, v in zip(t.fields, r.values())))\" " +
      dir.File("VAK.DBF") + " 2>&1");
  ASSERT_EQ(python.status, 0) << python.out.substr(0, 500);
  EXPECT_EQ(python.out, ours);
}

TEST(IndependentReaders, PerlXBaseReadsTheSampleExactlyAsWeWroteIt) {
  if (!test::ToolAvailable("perl -MXBase -e 1")) GTEST_SKIP() << "libdbd-xbase-perl is not installed";
  const PreparedSample sample;
  const TempDir& dir = sample.dir;
  const std::string& ours = sample.ours;
  const ShellRun perl = Shell(
      "perl -MXBase -e 'my $t = XBase->new($ARGV[0]) or die XBase->errstr; "
      "my @types = map { $t->field_type($_) } $t->field_names; "
      "for my $i (0 .. $t->last_record) { my ($del, @v) = $t->get_record($i); next if $del; "
      "print join(\"\\t\", map { $types[$_] eq \"N\" ? sprintf(\"%.3f\", $v[$_]) : $v[$_] } 0 .. $#v), \"\\n\" }' " +
      dir.File("VAK.DBF") + " 2>&1 | iconv -f CP949 -t UTF-8");
  ASSERT_EQ(perl.status, 0) << perl.out.substr(0, 500);
  EXPECT_EQ(perl.out, ours);
}

TEST(IndependentReaders, IndexDumpListsTheSampleInOrder) {
  if (!test::ToolAvailable("command -v index_dump")) GTEST_SKIP() << "index_dump (libdbd-xbase-perl) is not installed";
  const PreparedSample sample;
  const TempDir& dir = sample.dir;
  const ShellRun dump = Shell("index_dump -type=char " + dir.File("VAK.CDX") + " F_PS 2>&1");
  ASSERT_EQ(dump.status, 0);
  std::istringstream lines(dump.out);
  std::string line, previous;
  int count = 0;
  while (std::getline(lines, line)) {
    EXPECT_LE(previous, line.substr(0, 8));
    previous = line.substr(0, 8);
    ++count;
  }
  EXPECT_EQ(count, 600);
}

TEST(Vaktool, DumpPrintsTheVisibleRecordsOfAQuery) {
  TempDir dir;
  test::WriteItemTable(dir.path(),
                       {{"U1", 2, '2', "둘째 줄", 1.5}, {"U2", 1, '1', "다른 공사"}, {"U1", 1, '1', "첫 줄"}});
  test::WriteHeader(dir.path(), "2");
  ASSERT_EQ(Shell(Vaktool("prepare " + dir.path())).status, 0);
  const ShellRun dump = Shell(Vaktool("dump " + dir.path() + " --order 1 --query 'F_PART=\"U1\"'"));
  ASSERT_EQ(dump.status, 0);
  std::istringstream lines(dump.out);
  std::string header, first, second, rest;
  std::getline(lines, header);
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_FALSE(std::getline(lines, rest));
  EXPECT_EQ(header.substr(0, 19), "RECNO\tF_SEQ\tF_LVL\tF");
  EXPECT_EQ(first.substr(0, first.find("\t", 20)), "3\t     1\t1\t2\t첫 줄");
  EXPECT_EQ(second.substr(0, 2), "1\t");
  EXPECT_NE(second.find("\t         1.500\t"), std::string::npos);  // numbers as stored
  EXPECT_EQ(Shell(Vaktool("dump " + dir.path() + " --query 'F_PART=' 2>&1")).status, 2);
}

TEST(Vaktool, PrepareSaysWhatTheProgramWouldSay) {
  TempDir dir;
  test::WriteItemTable(dir.path(), {{"U", 1, '1', "a"}});
  ShellRun run = Shell(Vaktool("prepare " + dir.path() + " 2>&1"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "[확인] \"" + dir.path() + "\"디렉토리에 데이타화일(VAK.MEM)이 없습니다.\n");

  test::WriteHeader(dir.path(), "1");
  DbfStatus status;
  auto holder = DbfFile::Open(dir.File("VAK.DBF"), DbfOpenMode::Exclusive, status);
  ASSERT_TRUE(holder);
  run = Shell(Vaktool("prepare " + dir.path() + " 2>&1"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("다른 사용자가 사용하고 있습니다."), std::string::npos) << run.out;
  holder.reset();
  run = Shell(Vaktool("prepare " + dir.path() + " 2>&1"));
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("VAK.DBF: 1줄"), std::string::npos) << run.out;
}

// A command's help is asked for in any of the usual ways and never taken for a folder's name.
TEST(Vaktool, EachCommandHasItsHelp) {
  TempDir dir;
  for (const std::string args : {"calc --help", "sample -h", "help price", "adjust /tmp --help"}) {
    const ShellRun run = Shell("cd " + dir.path() + " && " + Vaktool(args));
    EXPECT_EQ(run.status, 0) << args;
    const std::string command = args.starts_with("help") ? "price" : args.substr(0, args.find(' '));
    EXPECT_EQ(run.out.rfind("사용법: vaktool " + command + " DIR", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("--yes        묻는 말"), std::string::npos) << run.out;
  }
  const ShellRun run = Shell("cd " + dir.path() + " && " + Vaktool("sample --lines 3 2>&1"));
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.out.find("sample 다음에는 디렉토리가 와야 합니다: --lines"), std::string::npos) << run.out;
  EXPECT_EQ(Shell("cd " + dir.path() + " && " + Vaktool("submit . --yes")).status, 2);  // no medium named "--yes"
  EXPECT_EQ(dir.Names(), std::vector<std::string>{});
}

TEST(Vaktool, SampleRefusesBadOptions) {
  TempDir dir;
  EXPECT_EQ(Shell(Vaktool("sample " + dir.path() + " --type 3 2>&1")).status, 2);
  EXPECT_EQ(Shell(Vaktool("sample " + dir.path() + " --lines x 2>&1")).status, 2);
  EXPECT_EQ(Shell(Vaktool("sample " + dir.path() + " --colour red 2>&1")).status, 2);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{});
  // A tender already there is replaced only when asked for, and never in its originals folder.
  ASSERT_EQ(Shell(Vaktool("sample " + dir.path() + " --lines 40")).status, 0);
  ASSERT_EQ(Shell(Vaktool("prepare " + dir.path() + " --yes")).status, 0);
  const std::string table = dir.Read("VAK.DBF");
  ShellRun run = Shell(Vaktool("sample " + dir.path() + " --lines 60 2>&1"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("이미 있습니다. 견본으로 바꾸려면 --overwrite를 주십시오."), std::string::npos) << run.out;
  EXPECT_EQ(Shell(Vaktool("sample " + dir.File("원본") + " --overwrite 2>&1")).status, 1);
  EXPECT_EQ(dir.Read("VAK.DBF"), table);
  EXPECT_EQ(Shell(Vaktool("sample " + dir.path() + " --lines 60 --overwrite")).status, 0);
  EXPECT_NE(dir.Read("VAK.DBF"), table);
  EXPECT_FALSE(FindFileNoCase(dir.path(), "Vak.CDX"));  // the old table's index is gone with it
}

// A part the tender does not have is refused before anything is calculated; "all" calculates
// every part, so the tender is consistent afterwards.
TEST(Vaktool, CalcTakesThePartsTheTenderHas) {
  PreparedSample sample;
  const TempDir& dir = sample.dir;
  const std::string header = dir.Read("VAK.MEM");
  ShellRun run = Shell(Vaktool("calc " + dir.path() + " --part 4 --yes 2>&1"));
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.out.find("공사 4이(가) 없습니다. 이 입찰 자료의 공사: 1, 2, 3"), std::string::npos) << run.out;
  EXPECT_EQ(dir.Read("VAK.MEM"), header);
  EXPECT_EQ(Shell(Vaktool("check " + dir.path())).status, 1);  // stale before
  EXPECT_EQ(Shell(Vaktool("calc " + dir.path() + " --part all --yes")).status, 0);
  run = Shell(Vaktool("check " + dir.path()));
  EXPECT_NE(run.out.find("— 같습니다"), std::string::npos) << run.out;
}

// The price entry without a window on records of the sample (11 and 20: 교목 식재, 소나무 H3.0,
// twice of ten), what it refuses, and the check's warning of twins priced differently, which
// leaves the exit status as the tender's state makes it.
TEST(Vaktool, PriceAndIdenticalItemsPricedDifferently) {
  TempDir dir;
  ASSERT_EQ(Shell(Vaktool("sample " + dir.path())).status, 0);
  const int unfinished = Shell(Vaktool("check " + dir.path() + " >/dev/null")).status;
  EXPECT_EQ(Shell(Vaktool("price " + dir.path() + " --record 11 --price 12,345 >/dev/null 2>&1")).status, 0);
  EXPECT_EQ(Shell(Vaktool("price " + dir.path() + " --record 20 --split 100,200,30 >/dev/null")).status, 0);
  ShellRun run = Shell(Vaktool("check " + dir.path() + " --json"));
  EXPECT_EQ(run.status, unfinished);
  EXPECT_NE(
      run.out.find("\"identicalItemsPricedDifferently\": [\n    {\"name\": \"교목 식재\", \"spec\": \"소나무 H3.0\", "
                   "\"unit\": \"주\", \"prices\": [\"12345\", \"100+200+30\"], \"records\": [11, 20], "
                   "\"byPrice\": [{\"price\": \"12345\", \"records\": [11]}, {\"price\": \"100+200+30\", "
                   "\"records\": [20]}]}\n  ],"),
      std::string::npos)
      << run.out;
  run = Shell(Vaktool("check " + dir.path()));
  EXPECT_NE(run.out.find("[경고] 동일 품목 단가 상이 1건"), std::string::npos);
  run = Shell(Vaktool("price " + dir.path() + " --record 11 --price 12345 --same-items"));
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("동일 품목 9개에도 썼습니다: 레코드 20, 125, 173, 192, 198, 208, 280, 288, 296\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(Shell(Vaktool("check " + dir.path() + " --json")).out.find("\"identicalItemsPricedDifferently\": [],"),
            std::string::npos);

  const std::string table = dir.Read("VAK.DBF");
  const std::pair<const char*, int> refused[] = {{"--record 1 --price 5", 1},
                                                 {"--record 99999 --price 5", 1},
                                                 {"--record 0 --price 5", 2},
                                                 {"--record 11 --price 1.5", 2},
                                                 {"--record 11 --split 1,2", 2},
                                                 {"--record 11", 2},
                                                 {"--record 11 --price 5 --split 1,2,3", 2},
                                                 {"--record 4294967307 --price 5", 2},
                                                 {"--record 11 --price 1 --price 2", 2}};
  for (const auto& [options, status] : refused)
    EXPECT_EQ(Shell(Vaktool("price " + dir.path() + " " + options + " 2>/dev/null")).status, status) << options;
  EXPECT_EQ(dir.Read("VAK.DBF"), table);

  // A deleted line: the start would pack it away and renumber the rest, so nothing is written.
  TempDir fresh;
  ASSERT_EQ(Shell(Vaktool("sample " + fresh.path())).status, 0);
  std::string bytes = fresh.Read("VAK.DBF");
  const size_t header = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
  const size_t length = static_cast<unsigned char>(bytes[10]) | static_cast<unsigned char>(bytes[11]) << 8;
  bytes[header + 4 * length] = '*';  // record 5
  ASSERT_TRUE(ReplaceFileContents(fresh.File("VAK.DBF"), bytes));
  run = Shell(Vaktool("price " + fresh.path() + " --record 20 --price 5 2>&1"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("지운 줄이 1개 있어"), std::string::npos) << run.out;
  EXPECT_EQ(fresh.Read("VAK.DBF"), bytes);
}

}  // namespace
}  // namespace vak
