// vaktool report refuses an output naming one of the tender's files (any case, through a link,
// among the originals) or a directory before touching the tender; its runtime directory goes.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "common/Files.h"
#include "store/MemFile.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> entries;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    entries[e.path()] = ReadWholeFile(e.path()).value_or("<dir>");
  return entries;
}

TEST(ReportOutputs, TheTendersFilesAndDirectoriesAreRefusedUntouched) {
  test::TempDir root, temp;
  const std::string tender = root.File("tender"), originals = tender + "/원본";
  auto vaktool = [&](const std::string& args) {
    return test::Shell("env -u XDG_RUNTIME_DIR TMPDIR=" + temp.path() + " " + VAKTOOL + " " + args +
                       " </dev/null 2>&1");
  };
  ASSERT_EQ(vaktool("sample " + tender + " --lines 120").status, 0);
  fs::create_directory_symlink(tender, root.File("link"));
  const std::string file =
      "\n입찰 자료의 화일 이름(VAK.DBF, VAK.MEM, Vak.CDX, VakRpt…, VAK.DBF.날짜-시각 …)에는 출력 화일을 쓸 수 "
      "없습니다. 다른 이름을 주십시오.\n";
  const std::string dir = "\n디렉토리입니다. 출력 화일의 이름을 주십시오.\n";
  const std::pair<std::string, std::string> cases[] = {
      {originals + "/VAK.DBF", file},  // before the preparation makes the folder
      {root.File("nowhere/out.pdf"), "\n출력 화일을 둘 디렉토리(" + root.File("nowhere") + ")가 없습니다.\n"},
      {"prepare", ""},
      {tender + "/VAK.DBF", file},
      {tender + "/vak.mem", file},
      {originals + "/VAK.DBF", file},
      {tender + "/Vak.CDX", file},
      {tender + "/VakRpt3.DBF", file},
      {root.File("link/원본/Vak.Mem"), file},
      {"/tmp", dir},
      {tender, dir}};
  for (const auto& [output, text] : cases) {
    if (output == "prepare") {
      ASSERT_EQ(vaktool("prepare " + tender).status, 0);
      continue;
    }
    const auto before = Snapshot(tender);
    const test::ShellRun run = vaktool("report " + tender + " --kind statement --pdf " + output);
    EXPECT_EQ(run.status, 1) << output;
    EXPECT_TRUE(run.out.ends_with("[오류] " + output + text)) << run.out;
    EXPECT_EQ(Snapshot(tender), before) << output;
  }
  EXPECT_EQ(vaktool("report " + tender + " --kind cover --pdf " + root.File("c.pdf")).status, 1);  // never calculated
  ProjectHeader header = LoadProjectHeader(tender);
  header.values[kCmnIpmt] = "1234567";
  test::RecordingNotifier notifier;
  ASSERT_TRUE(SaveProjectHeader(tender, header.values, notifier));
  EXPECT_EQ(vaktool("report " + tender + " --kind cover --pdf " + root.File("c.pdf")).status, 0);
  EXPECT_TRUE(fs::is_empty(temp.path()));  // no vaktool-runtime-* left
}

}  // namespace
}  // namespace vak
