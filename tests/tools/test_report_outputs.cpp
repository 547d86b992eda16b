// vaktool report and where it may write: an output that names one of the tender's own files
// (by any case, through a linked directory, among the originals) or a directory is refused
// before the tender is touched, and the runtime directory the tool makes for Qt is gone when
// it ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "common/Files.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

namespace fs = std::filesystem;
using test::Shell;
using test::ShellRun;
using test::TempDir;

// Every entry under `dir`: files with their bytes, directories as "<dir>".
std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    const std::string name = fs::relative(entry.path(), dir).string();
    entries[name] = entry.is_directory() ? "<dir>" : ReadWholeFile(entry.path().string()).value_or("<unreadable>");
  }
  return entries;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class ReportOutputs : public ::testing::Test {
 protected:
  void SetUp() override {
    tender = root.File("tender");
    ASSERT_EQ(Run("sample " + tender + " --lines 120 --seed 7").status, 0);
    fs::create_directory_symlink(tender, root.File("link"));
  }
  // The tool with no runtime directory of the environment's, and $TMPDIR a directory of the test's.
  ShellRun Run(const std::string& args) const {
    return Shell("env -u XDG_RUNTIME_DIR TMPDIR=" + temp.path() + " timeout 120 " + VAKTOOL + " " + args +
                 " </dev/null 2>&1");
  }
  std::string RefusedText(const std::string& output) const {
    return "[오류] " + output + "\n입찰 자료 화일(" + tender + ")에는 출력 화일을 쓸 수 없습니다. 다른 이름을 주십시오.\n";
  }
  TempDir root;
  TempDir temp;
  std::string tender;
};

TEST_F(ReportOutputs, TheTendersOwnFilesAreRefusedBeforeAnythingIsWritten) {
  ASSERT_EQ(Run("prepare " + tender).status, 0);  // the originals in 원본, the index
  ASSERT_TRUE(FileExists(tender + "/원본/VAK.DBF"));
  const auto before = Snapshot(tender);
  const char* const names[] = {"tender/VAK.DBF",     "tender/vak.mem",      "tender/원본/VAK.DBF", "tender/원본/Vak.Mem",
                               "tender/Vak.CDX",     "tender/VakRpt3.DBF",  "tender/vakrpt1.cdx",  "link/VAK.DBF",
                               "link/원본/VAK.MEM",  "tender/VAK.DBF.20261208-043512"};
  for (const char* name : names) {
    const std::string output = root.File(name);
    const ShellRun run = Run("report " + tender + " --kind statement --pdf " + output);
    EXPECT_EQ(run.status, 1) << name;
    EXPECT_TRUE(EndsWith(run.out, RefusedText(output))) << run.out;
    EXPECT_EQ(Snapshot(tender), before) << name;
  }
  // The cover needs no report table, and is refused alike.
  const ShellRun cover = Run("report " + tender + " --kind cover --pdf " + root.File("link/VAK.MEM"));
  EXPECT_EQ(cover.status, 1);
  EXPECT_TRUE(EndsWith(cover.out, RefusedText(root.File("link/VAK.MEM")))) << cover.out;
  EXPECT_EQ(Snapshot(tender), before);
  EXPECT_TRUE(fs::is_empty(temp.path()));
}

TEST_F(ReportOutputs, DirectoriesAndMissingDirectoriesAreRefused) {
  const auto before = Snapshot(tender);  // not prepared yet: no 원본
  const struct {
    std::string output;
    std::string text;
  } cases[] = {
      {"/tmp", "[오류] /tmp\n디렉토리입니다. 출력 화일의 이름을 주십시오.\n"},
      {tender, "[오류] " + tender + "\n디렉토리입니다. 출력 화일의 이름을 주십시오.\n"},
      // 원본 is made by the preparation; a name in it is refused before it could become an original.
      {tender + "/원본/VAK.DBF", "[오류] " + tender + "/원본/VAK.DBF\nPDF 화일을 둘 디렉토리(" + tender + "/원본)가 없습니다.\n"},
      {root.File("no/such.pdf"), "[오류] " + root.File("no/such.pdf") + "\nPDF 화일을 둘 디렉토리(" + root.File("no") + ")가 없습니다.\n"},
  };
  for (const auto& c : cases) {
    const ShellRun run = Run("report " + tender + " --kind overall --pdf " + c.output);
    EXPECT_EQ(run.status, 1) << c.output;
    EXPECT_TRUE(EndsWith(run.out, c.text)) << run.out;
    EXPECT_EQ(Snapshot(tender), before) << c.output;
  }
  EXPECT_FALSE(fs::exists(tender + "/원본"));
  EXPECT_TRUE(fs::is_empty(temp.path()));
}

TEST_F(ReportOutputs, TheRuntimeDirectoryIsRemovedOnEveryWayOut) {
  const ShellRun written = Run("report " + tender + " --kind statement --pdf " + root.File("s.pdf"));
  EXPECT_EQ(written.status, 0) << written.out;
  EXPECT_TRUE(FileExists(root.File("s.pdf")));
  EXPECT_EQ(written.out.find("XDG_RUNTIME_DIR"), std::string::npos) << written.out;
  EXPECT_TRUE(fs::is_empty(temp.path()));

  // /proc takes no new files: the PDF fails once Qt has started, and nothing counts as written.
  const ShellRun failed = Run("report " + tender + " --kind cover --pdf /proc/vak-report.pdf");
  EXPECT_EQ(failed.status, 1) << failed.out;
  EXPECT_TRUE(EndsWith(failed.out, "[오류] /proc/vak-report.pdf\nPDF 화일을 쓰지 못했습니다: 디렉토리가 없거나 그 안에 화일을 "
                                   "만들 수 없습니다. 화일을 만들지 않았습니다.\n"))
      << failed.out;
  EXPECT_EQ(failed.out.find("쪽을 썼습니다"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(temp.path()));

  // A runtime directory named by the environment is the environment's: used and left.
  const std::string own = temp.File("mine");
  fs::create_directory(own);
  fs::permissions(own, fs::perms::owner_all);
  const ShellRun given = Shell("XDG_RUNTIME_DIR=" + own + " TMPDIR=" + temp.path() + " timeout 120 " + VAKTOOL +
                               " report " + tender + " --kind statement --pdf " + root.File("s.pdf") + " </dev/null 2>&1");
  EXPECT_EQ(given.status, 0) << given.out;
  EXPECT_TRUE(fs::is_directory(own));
  EXPECT_EQ(temp.Names(), std::vector<std::string>{"mine"});
}

}  // namespace
}  // namespace vak
