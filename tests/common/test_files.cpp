#include <gtest/gtest.h>
#include <cerrno>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "common/Files.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::TempDir;

TEST(NormalizeDir, CollapsesAndDropsTheTrailingSeparatorButKeepsTheDirectory) {
  EXPECT_EQ(NormalizeDir("C:\\DATA\\\\SUB\\"), "C:\\DATA\\SUB");
  EXPECT_EQ(NormalizeDir("A:\\\\"), "A:");
  EXPECT_EQ(NormalizeDir("/home//tender"), "/home/tender");
  // Blanks are part of a name, and relative paths keep naming the same directory.
  EXPECT_EQ(NormalizeDir("  /home/tender/ "), "  /home/tender/ ");
  EXPECT_EQ(NormalizeDir("D "), "D ");
  EXPECT_EQ(NormalizeDir(".\\DATA"), ".\\DATA");
  EXPECT_EQ(NormalizeDir("../tender"), "../tender");
  EXPECT_EQ(NormalizeDir("./tender/"), "./tender");
  EXPECT_EQ(NormalizeDir("/"), "/");
  // A network or extended path keeps its two leading separators where Windows reads them.
#ifdef _WIN32
  EXPECT_EQ(NormalizeDir("\\\\server\\share\\\\x\\"), "\\\\server\\share\\x");
  EXPECT_EQ(NormalizeDir("\\\\?\\C:\\x"), "\\\\?\\C:\\x");
#else
  EXPECT_EQ(NormalizeDir("//server/share//x/"), "/server/share/x");
#endif
  EXPECT_EQ(NormalizeDir(""), "");
}

TEST(JoinPath, UsesThePlatformSeparator) {
  const std::string expected = std::string("/data") + PathSeparator() + "VAK.DBF";
  EXPECT_EQ(JoinPath("/data", "VAK.DBF"), expected);
  EXPECT_EQ(JoinPath(std::string("/data") + PathSeparator(), "VAK.DBF"), expected);
}

TEST(FindFileNoCase, FindsTheAgencysSpelling) {
  TempDir dir;
  dir.Write("VAK.DBF", "x");
  EXPECT_EQ(FindFileNoCase(dir.path(), "Vak.dbf"), dir.File("VAK.DBF"));
  EXPECT_EQ(FindFileNoCase(dir.path(), "VAK.DBF"), dir.File("VAK.DBF"));
  EXPECT_FALSE(FindFileNoCase(dir.path(), "VAK.MEM").has_value());
  EXPECT_EQ(DataFilePath(dir.path(), "VAK.MEM"), dir.File("VAK.MEM"));
  EXPECT_FALSE(FindFileNoCase(dir.File("missing"), "x").has_value());
}

TEST(CopyFileTo, CopiesWholeFilesAndRefusesSamePathOrMissingSource) {
  TempDir dir;
  const std::string bytes("\x00\x1a binary \xff", 12);
  dir.Write("VAK.DBF", bytes);
  EXPECT_TRUE(CopyFileTo(dir.File("VAK.DBF"), dir.File("copy.dbf")));
  EXPECT_EQ(dir.Read("copy.dbf"), bytes);
  dir.Write("copy.dbf", "older and longer content");
  EXPECT_TRUE(CopyFileTo(dir.File("VAK.DBF"), dir.File("copy.dbf")));
  EXPECT_EQ(dir.Read("copy.dbf"), bytes);
  EXPECT_FALSE(CopyFileTo(dir.File("VAK.DBF"), dir.File("VAK.DBF")));
  EXPECT_FALSE(CopyFileTo(dir.File("none.dbf"), dir.File("x.dbf")));
  EXPECT_FALSE(FileExists(dir.File("x.dbf")));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"VAK.DBF", "copy.dbf"}));
}

TEST(CopyFileTo, AWriteFailureIsRaisedAndLeavesNoHalfFile) {
  TempDir dir;
  dir.Write("VAK.DBF", "data");
  EXPECT_THROW(CopyFileTo(dir.File("VAK.DBF"), dir.File("no/such/dir/VAK.DBF")), FileError);
  // A directory is not a file to copy.
  std::filesystem::create_directory(dir.File("adir"));
  EXPECT_FALSE(CopyFileTo(dir.File("adir"), dir.File("x")));
#ifdef _WIN32
  GTEST_SKIP() << test::kNoPosix << ": the read-only directory (mode 0555) is not tried";
#else
  if (geteuid() != 0) {  // root writes anywhere; the read-only case needs an ordinary user
    std::filesystem::create_directory(dir.File("ro"));
    chmod(dir.File("ro").c_str(), 0555);
    EXPECT_THROW(CopyFileTo(dir.File("VAK.DBF"), dir.File("ro/VAK.DBF")), FileError);
  }
#endif
}

TEST(DeleteMatchingFiles, DeletesByMaskAndReportsNoMatch) {
  TempDir dir;
  for (const char* name : {"VakRpt1.DBF", "VakRpt2.DBF", "VAKRPT3.dbf", "VakRpt10.DBF", "VAK.DBF", "Vak.CDX"})
    dir.Write(name, "x");
  std::filesystem::create_directory(dir.File("VakRpt9.DBF"));  // a directory is never deleted
  EXPECT_TRUE(DeleteMatchingFiles(dir.File("VakRpt?.DBF")));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"VAK.DBF", "Vak.CDX", "VakRpt10.DBF", "VakRpt9.DBF"}));
  EXPECT_TRUE(DeleteMatchingFiles(dir.File("Vak.CDX")));
  EXPECT_FALSE(DeleteMatchingFiles(dir.File("Vak.CDX")));  // no match: false, nothing deleted
  EXPECT_FALSE(DeleteMatchingFiles(dir.File("*.MEM")));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"VAK.DBF", "VakRpt10.DBF", "VakRpt9.DBF"}));
  EXPECT_FALSE(DeleteMatchingFiles(dir.File("missing/*.*")));
}

TEST(DeleteMatchingFiles, StarDotStarAlsoMatchesNamesWithoutExtension) {
  TempDir dir;
  for (const char* name : {"VAKChg.DBF", "VAKChg.CDX", "VAKChg", ".hidden", "VAK.DBF"}) dir.Write(name, "x");
  EXPECT_TRUE(DeleteMatchingFiles(dir.File("VAKChg.*")));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{".hidden", "VAK.DBF"}));
  EXPECT_TRUE(DeleteMatchingFiles(dir.File("*.*")));  // ".hidden" matches but is kept
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{".hidden"}));
}

TEST(ReplaceFileContents, ReplacesInOneStepAndKeepsTheOldFileOnFailure) {
  TempDir dir;
  dir.Write("VAK.MEM", "old header");
  EXPECT_TRUE(ReplaceFileContents(dir.File("VAK.MEM"), "new"));
  EXPECT_EQ(dir.Read("VAK.MEM"), "new");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"VAK.MEM"});  // no temporary file left
  // The new file keeps the mode of the one it replaces (a tender kept private stays private).
  if (test::kPosixProcessesAndModes) {
    std::filesystem::permissions(dir.File("VAK.MEM"),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_TRUE(ReplaceFileContents(dir.File("VAK.MEM"), "new"));
    EXPECT_EQ(std::filesystem::status(dir.File("VAK.MEM")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
  // A write, the sync or the rename fails: the old file stays, no temporary file is left.
  for (FileFault fault : {FileFault::Write, FileFault::Sync, FileFault::Rename}) {
    FailNthFileOperation(fault, 1);
    EXPECT_FALSE(ReplaceFileContents(dir.File("VAK.MEM"), "newer"));
    EXPECT_EQ(dir.Read("VAK.MEM"), "new");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"VAK.MEM"});
  }
  // The rename fails: the target is a non-empty directory; the temporary file is removed.
  std::filesystem::create_directory(dir.File("DIR"));
  dir.Write("DIR/inside", "x");
  EXPECT_FALSE(ReplaceFileContents(dir.File("DIR"), "bytes"));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"DIR", "VAK.MEM"}));
  if (!test::kPosixProcessesAndModes) GTEST_SKIP() << test::kNoPosix << ": the kept mode is not tried";
}

}  // namespace
}  // namespace vak

namespace vak {
namespace {

// What the user reads of a system error is Korean, never the C library's English.
TEST(Files, TheSystemsReasonInKorean) {
  EXPECT_EQ(SystemErrorText(ENOSPC), "디스크 공간이 없습니다");
  EXPECT_EQ(SystemErrorText(EROFS), "읽기 전용 디스크입니다");
  EXPECT_EQ(SystemErrorText(EACCES), SystemErrorText(EPERM));
  EXPECT_EQ(SystemErrorText(9999), "시스템 오류 9999");
  EXPECT_EQ(FailureText({FailureCode::Write, "/d/VAK.DBF", ENOSPC}), "/d/VAK.DBF: 디스크 공간이 없습니다");
  EXPECT_EQ(FailureText({FailureCode::Read, "/d/VAK.MEM", 0}), "/d/VAK.MEM: 읽을 수 없습니다");
  EXPECT_EQ(FailureText({FailureCode::OtherRecord, "/d/VAK.COMMIT", EEXIST}),
            "/d/VAK.COMMIT: 다른 작업의 저장 기록이 있습니다");
  EXPECT_EQ(FileError({FailureCode::Read, "/d/x", EACCES}).what(),
            std::string("/d/x: 읽을 수 없습니다 (권한이 없습니다)"));
}

}  // namespace
}  // namespace vak
