// The operating system's services as the rest of the program relies on them, on Linux and on
// Windows alike: the same promises, whichever implementation keeps them.
#include "common/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

#include "common/CodePage.h"
#include "common/Files.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::TempDir;

// A descriptor closed at the end of a scope.
struct Opened {
  explicit Opened(int descriptor) : fd(descriptor) {}
  ~Opened() {
    if (fd >= 0) platform::CloseFile(fd);
  }
  int fd;
};

std::string ReadAll(int fd) {
  std::string bytes;
  char buffer[64];
  for (long n; (n = platform::ReadSome(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<size_t>(n));
  return bytes;
}

TEST(Platform, AHoldKeepsEveryOtherOpenOutUntilItIsLetGo) {
  TempDir dir;
  dir.Write("T.DBF", "table");
  Opened first(platform::OpenFile(dir.File("T.DBF"), platform::Access::ReadWrite));
  Opened second(platform::OpenFile(dir.File("T.DBF"), platform::Access::Read));
  ASSERT_GE(first.fd, 0);
  ASSERT_GE(second.fd, 0);
  ASSERT_TRUE(platform::TryHold(first.fd, platform::Hold::Exclusive));
  errno = 0;
  EXPECT_FALSE(platform::TryHold(second.fd, platform::Hold::Shared));
  EXPECT_EQ(errno, EWOULDBLOCK);
  // The hold keeps out holds, not reads: the program's own copy of a held table still reads.
  EXPECT_EQ(ReadAll(second.fd), "table");
  // Shared between writes: readers come in, a writer does not.
  ASSERT_TRUE(platform::TryHold(first.fd, platform::Hold::Shared));
  EXPECT_TRUE(platform::TryHold(second.fd, platform::Hold::Shared));
  EXPECT_FALSE(platform::TryHold(first.fd, platform::Hold::Exclusive));
  platform::CloseFile(second.fd);
  second.fd = -1;
  EXPECT_TRUE(platform::TryHold(first.fd, platform::Hold::Exclusive));
}

TEST(Platform, ATableHeldByThisProgramIsReplacedInOneStep) {
  TempDir dir;
  dir.Write("T.DBF", "old table");
  dir.Write("T.DBF.new~", "new table");
  Opened held(platform::OpenFile(dir.File("T.DBF"), platform::Access::ReadWrite));
  ASSERT_TRUE(platform::TryHold(held.fd, platform::Hold::Exclusive));
  ASSERT_TRUE(platform::RenameOver(dir.File("T.DBF.new~"), dir.File("T.DBF")));
  EXPECT_EQ(dir.Read("T.DBF"), "new table");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"T.DBF"});
  // The replaced file is gone; its descriptor still closes.
  EXPECT_TRUE(platform::CloseFile(held.fd));
  held.fd = -1;
}

TEST(Platform, AMappedFileIsReplacedOrLeftWholeAndItsViewStillReads) {
  TempDir dir;
  dir.Write("T.DBF", "old table");
  dir.Write("T.DBF.new~", "new table");
  Opened held(platform::OpenFile(dir.File("T.DBF"), platform::Access::ReadWrite));
  ASSERT_TRUE(platform::TryHold(held.fd, platform::Hold::Exclusive));
  std::optional<platform::View> view = platform::MapFile(held.fd, 9, 9, true);
  ASSERT_TRUE(view);
  // Linux replaces it under the view; Windows refuses while the file is mapped, and the
  // program's hold and view stay as they were.
  const bool replaced = platform::RenameOver(dir.File("T.DBF.new~"), dir.File("T.DBF"));
  EXPECT_EQ(std::string(view->data, 9), "old table");
  EXPECT_EQ(dir.Read("T.DBF"), replaced ? "new table" : "old table");
  if (!replaced) {
    EXPECT_TRUE(platform::TryHold(held.fd, platform::Hold::Exclusive));
    EXPECT_TRUE(platform::FlushView(*view, 9, held.fd));
  }
  platform::UnmapFile(*view);
}

TEST(Platform, AWriteAtAnOffsetLeavesThePositionWhereItWas) {
  TempDir dir;
  Opened file(platform::CreateNewFile(dir.File("F")));
  ASSERT_GE(file.fd, 0);
  ASSERT_TRUE(platform::WriteAll(file.fd, "0000", 4));
  ASSERT_TRUE(platform::WriteAt(file.fd, 1, "xy", 2));
  ASSERT_TRUE(platform::WriteAll(file.fd, "tail", 4));
  ASSERT_TRUE(platform::SyncFile(file.fd));
  EXPECT_EQ(dir.Read("F"), "0xy0tail");
  // A new file is never made over an existing name.
  errno = 0;
  EXPECT_LT(platform::CreateNewFile(dir.File("F")), 0);
  EXPECT_EQ(errno, EEXIST);
}

TEST(Platform, ReservedSpaceGrowsTheFileAndAViewWritesIntoIt) {
  TempDir dir;
  dir.Write("F", "abc");
  Opened file(platform::OpenFile(dir.File("F"), platform::Access::ReadWrite));
  ASSERT_EQ(platform::ReserveSpace(file.fd, 3, 5), 0);
  EXPECT_EQ(platform::OpenFileInfo(file.fd)->size, 8u);
  EXPECT_EQ(platform::ReserveSpace(file.fd, 0, 2), 0);  // never shrinks
  EXPECT_EQ(platform::OpenFileInfo(file.fd)->size, 8u);
  std::optional<platform::View> view = platform::MapFile(file.fd, 8, 1 << 20, true);
  ASSERT_TRUE(view);
  ASSERT_GE(view->length, 8u);
  std::copy_n("12345", 5, view->data + 3);
  EXPECT_TRUE(platform::FlushView(*view, 8, file.fd));
  platform::UnmapFile(*view);
  EXPECT_EQ(view->data, nullptr);
  EXPECT_EQ(dir.Read("F"), "abc12345");
  ASSERT_TRUE(platform::SetFileSize(file.fd, 4));
  EXPECT_EQ(dir.Read("F"), "abc1");
}

TEST(Platform, NamesAndLinks) {
  TempDir dir;
  dir.Write("A", "bytes");
  ASSERT_TRUE(platform::LinkFile(dir.File("A"), dir.File("B")));
  EXPECT_EQ(platform::PathInfo(dir.File("A"))->links, 2u);
  EXPECT_TRUE(platform::SameFile(*platform::PathInfo(dir.File("A")), *platform::PathInfo(dir.File("B"))));
  errno = 0;
  EXPECT_FALSE(platform::LinkFile(dir.File("A"), dir.File("B")));  // never over a name
  EXPECT_EQ(errno, EEXIST);
  EXPECT_TRUE(platform::RemoveFile(dir.File("B")));
  EXPECT_FALSE(platform::PathInfo(dir.File("B")));
  EXPECT_EQ(errno, ENOENT);
  const std::string scratch = platform::MakeTempDirectory(dir.File(".vak-carry-"));
  ASSERT_EQ(scratch.size(), dir.File(".vak-carry-").size() + 6);
  EXPECT_TRUE(platform::PathInfo(scratch)->directory);
  EXPECT_TRUE(platform::CanCreateFilesIn(scratch));
}

TEST(Platform, ExtendedPrecisionNumbersAreReadWhole) {
  size_t used = 0;
  EXPECT_EQ(platform::ReadExtended("0.1", used), 0.1L);  // not a double's 0.1
  EXPECT_EQ(used, 3u);
  EXPECT_EQ(platform::ReadExtended("12.5x", used), 12.5L);
  EXPECT_EQ(used, 4u);
  EXPECT_EQ(platform::ReadExtended("-3", used), -3.0L);
  EXPECT_FALSE(platform::ReadExtended(" 1", used));
  EXPECT_FALSE(platform::ReadExtended("+1", used));
  EXPECT_FALSE(platform::ReadExtended("x", used));
  EXPECT_FALSE(platform::ReadExtended("1e99999", used));
  EXPECT_EQ(platform::ReadExtended(std::string(400, '9'), used), 1e400L);
}

TEST(Platform, TheCodePageConvertsTheSameVectorsEverywhere) {
  std::string utf8;
  EXPECT_EQ(platform::Cp949PrefixToUtf8("\x8C\x63", utf8), 2u);  // 똠: an extended (UHC) syllable
  EXPECT_EQ(utf8, "똠");
  utf8.clear();
  EXPECT_EQ(platform::Cp949PrefixToUtf8("A\xB0\xA1\xFF", utf8), 3u);  // stops where no character is
  EXPECT_EQ(utf8, "A가");
  EXPECT_EQ(platform::Utf8ToCp949Whole("견적 A"), std::string("\xB0\xDF\xC0\xFB A"));
  EXPECT_FALSE(platform::Utf8ToCp949Whole("a 😀"));  // no code for it in 949
  EXPECT_FALSE(platform::Utf8ToCp949Whole("\xFF"));
  EXPECT_EQ(platform::Utf8ToCp949Whole(""), std::string());
}

TEST(Platform, AKoreanFolderWithABlankTakesFilesByTheirNames) {
  TempDir dir;
  const std::string folder = JoinPath(dir.path(), "견적 A");
  ASSERT_TRUE(std::filesystem::create_directory(FsPath(folder)));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"견적 A"});
  const std::string header = JoinPath(folder, "VAK.MEM");
  EXPECT_TRUE(ReplaceFileContents(header, "견적"));
  EXPECT_EQ(ReadWholeFile(header), "견적");
  EXPECT_EQ(FindFileNoCase(folder, "vak.mem"), header);  // in the spelling the folder has
  const ExclusiveFileHold hold(header);
  EXPECT_TRUE(hold.held());
  EXPECT_TRUE(ExclusiveFileHold(header).lockedElsewhere());
  EXPECT_TRUE(CopyFileTo(header, JoinPath(folder, "원본 사본")));
  EXPECT_EQ(ReadWholeFile(JoinPath(folder, "원본 사본")), "견적");
}

// Windows takes paths of 260 characters and more only in their extended form; the program
// makes it where it is needed and shows the path as given.
TEST(Platform, AFolderDeeperThanTheOldPathLimitWorksLikeAnyOther) {
  TempDir dir;
  std::string folder = dir.path();
  while (folder.size() < 330) folder = JoinPath(folder, "tender documents 2026 입찰");  // over 260 characters
  ASSERT_TRUE(std::filesystem::create_directories(FsPath(folder)));
  EXPECT_EQ(Utf8(std::filesystem::absolute(FsPath(folder))), folder);
  const std::string header = JoinPath(folder, "VAK.MEM");
  EXPECT_TRUE(ReplaceFileContents(header, "견적"));
  EXPECT_TRUE(ReplaceFileContents(header, "견적 2"));  // a replace over it
  EXPECT_EQ(ReadWholeFile(header), "견적 2");
  EXPECT_EQ(FindFileNoCase(folder, "vak.mem"), header);
  EXPECT_TRUE(CopyFileTo(header, JoinPath(folder, "VAK.CDX")));
  EXPECT_TRUE(DeleteMatchingFiles(JoinPath(folder, "Vak.CDX")));
  EXPECT_FALSE(FindFileNoCase(folder, "VAK.CDX"));
  EXPECT_FALSE(platform::MakeTempDirectory(JoinPath(folder, ".vak-carry-")).empty());
}

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

TEST(Platform, TheExtendedFormIsMadeOnlyForLongFullPaths) {
  const std::string deep = "C:\\" + std::string(240, 'a');
  const std::string unc = "\\\\server\\share\\" + std::string(240, 'b');
  const struct {
    std::string given, windows;
  } cases[] = {
      {"C:\\short\\VAK.DBF", "C:\\short\\VAK.DBF"},
      {"relative\\" + std::string(240, 'r'), "relative\\" + std::string(240, 'r')},
      {deep + "/x/./y/../VAK.DBF. ", "\\\\?\\" + deep + "\\x\\VAK.DBF"},
      {unc + "\\VAK.DBF", "\\\\?\\UNC\\server\\share\\" + std::string(240, 'b') + "\\VAK.DBF"},
      {"\\\\?\\" + deep, "\\\\?\\" + deep},
  };
  for (const auto& c : cases) {
    const std::string expected = kWindows ? c.windows : c.given;
    EXPECT_EQ(platform::LongPathForm(c.given), expected) << c.given;
  }
  EXPECT_EQ(platform::WithoutLongPathForm("\\\\?\\C:\\x"), kWindows ? "C:\\x" : "\\\\?\\C:\\x");
  EXPECT_EQ(platform::WithoutLongPathForm("\\\\?\\UNC\\s\\x"), kWindows ? "\\\\s\\x" : "\\\\?\\UNC\\s\\x");
}

TEST(Platform, DeviceNamesAndStreamsAreNoFileNames) {
  for (const char* reserved : {"NUL", "x\\aux.txt", "C:\\d\\com1", "C:\\d\\Con .csv", "VAK.DBF:x", "VAK.MEM::$DATA",
                               "\\\\.\\NUL", "d/CONOUT$"})
    EXPECT_EQ(platform::ReservedName(reserved), kWindows) << reserved;
  for (const char* name : {"C:\\d\\out.csv", "C:out.csv", "console.csv", "COM10", "결과.csv", "C:"})
    EXPECT_FALSE(platform::ReservedName(name)) << name;
}

// A short (8.3) name is another spelling of a folder or file: the checks by name (the
// originals folder, the tender's file names) see the long one.
TEST(Platform, ShortNamesAreSpelledOut) {
  TempDir dir;
  const std::string originals = JoinPath(dir.path(), "원본");
  ASSERT_TRUE(std::filesystem::create_directory(FsPath(originals)));
  const std::string kept = JoinPath(originals, "VAK.DBF.20261210-042659");
  ASSERT_TRUE(ReplaceFileContents(kept, "x"));
  std::string shortKept = kept;
#ifdef _WIN32
  std::wstring buffer(1024, L'\0');
  const DWORD n = GetShortPathNameW(FsPath(kept).wstring().c_str(), buffer.data(), 1024);
  ASSERT_GT(n, 0u);
  buffer.resize(n);
  shortKept = Utf8(std::filesystem::path(buffer));
  if (shortKept == kept) GTEST_SKIP() << "this file system keeps no short names";
#endif
  EXPECT_EQ(platform::WithLongNames(shortKept), kept);
  EXPECT_EQ(platform::WithLongNames(JoinPath(shortKept, "new.csv")), JoinPath(kept, "new.csv"));  // not there yet
  // Trailing dots and blanks are dropped as Windows drops them: "원본. " is 원본.
  const std::string dotted = JoinPath(dir.path(), "원본. ");
  EXPECT_EQ(platform::WithLongNames(dotted), kWindows ? originals : dotted);
}

}  // namespace
}  // namespace vak
