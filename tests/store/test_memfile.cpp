#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <random>

#include "common/Files.h"
#include "store/MemFile.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::Bytes;
using test::RecordingNotifier;
using test::TempDir;

HeaderValues SampleValues() {
  HeaderValues v;
  v[kCmnAuth] = Bytes("C1B6 B4DE C3BB");  // 조달청
  v[kCmnCdno] = "A1";
  v[kCmnCona] = Bytes("C8AB");       // 홍
  v[kCmnDesc] = Bytes("B5B5 B7CE");  // 도로
  v[kCmnIpmt] = "250";
  v[kCmnMaxd] = "0";
  v[kCmnMtno] = "M-1";
  v[kCmnTel] = "02";
  v[kCmnType] = "2";
  return v;
}

// The file of SampleValues, entry by entry: 32-byte header, then the value.
std::string SampleFileBytes() {
  return Bytes(
      "43 4D 4E 5F 41 55 54 48 00 00 00 C3 00 00 00 00 07 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_AUTH
      "C1 B6 B4 DE C3 BB 00"
      "43 4D 4E 5F 43 44 4E 4F 00 00 00 C3 00 00 00 00 03 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_CDNO
      "41 31 00"
      "43 4D 4E 5F 43 4F 4D 50 00 00 00 C3 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_COMP
      "00"
      "43 4D 4E 5F 43 4F 4E 41 00 00 00 C3 00 00 00 00 03 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_CONA
      "C8 AB 00"
      "43 4D 4E 5F 44 45 53 43 00 00 00 C3 00 00 00 00 05 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_DESC
      "B5 B5 B7 CE 00"
      "43 4D 4E 5F 49 50 4D 54 00 00 00 CE 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_IPMT
      "00 00 00 00 00 40 6F 40"
      "43 4D 4E 5F 4D 41 58 44 00 00 00 CE 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_MAXD
      "00 00 00 00 00 00 00 00"
      "43 4D 4E 5F 4D 52 47 00 00 00 00 CE 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_MRG
      "00 00 00 00 00 00 00 00"
      "43 4D 4E 5F 4D 54 4E 4F 00 00 00 C3 00 00 00 00 04 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_MTNO
      "4D 2D 31 00"
      "43 4D 4E 5F 4E 41 4D 45 00 00 00 C3 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_NAME
      "00"
      "43 4D 4E 5F 50 52 54 00 00 00 00 CE 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_PRT
      "00 00 00 00 00 00 00 00"
      "43 4D 4E 5F 54 45 4C 00 00 00 00 C3 00 00 00 00 03 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_TEL
      "30 32 00"
      "43 4D 4E 5F 54 4F 50 00 00 00 00 CE 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_TOP
      "00 00 00 00 00 00 00 00"
      "43 4D 4E 5F 54 59 50 45 00 00 00 C3 00 00 00 00 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_TYPE
      "32 00"
      "43 4D 4E 5F 57 52 49 54 00 00 00 C3 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // CMN_WRIT
      "00");
}

// One character entry as the agency's tools write it.
std::string CharEntry(const std::string& name, const std::string& value) {
  std::string header(32, '\0');
  header.replace(0, name.size(), name);
  header[11] = static_cast<char>(0xC3);
  header[16] = static_cast<char>(value.size() + 1);
  return header + value + '\0';
}

TEST(MemFile, WritesTheFifteenVariablesByteForByte) {
  TempDir dir;
  ASSERT_TRUE(WriteMemFile(dir.File("VAK.MEM"), SampleValues()));
  EXPECT_EQ(dir.Read("VAK.MEM"), SampleFileBytes());
}

TEST(MemFile, ReadsVariablesByNameWithoutRegardToCase) {
  TempDir dir;
  dir.Write("VAK.MEM", SampleFileBytes());
  const std::string path = dir.File("VAK.MEM");
  EXPECT_EQ(ReadMemVar(path, "cmn_desc"), Bytes("B5B5 B7CE"));
  EXPECT_EQ(ReadMemVar(path, "CMN_AUTH"), Bytes("C1B6 B4DE C3BB"));
  EXPECT_EQ(ReadMemVar(path, "CMN_IPMT"), "250");
  EXPECT_EQ(ReadMemVar(path, "CMN_MRG"), "0");
  EXPECT_EQ(ReadMemVar(path, "CMN_COMP"), "");  // stored with length 1: the zero byte alone
  EXPECT_EQ(ReadMemVar(path, "CMN_TYPE"), "2");
  EXPECT_EQ(ReadMemVar(path, "CMN_NONE"), "");
  EXPECT_EQ(ReadMemVar(dir.File("missing.mem"), "CMN_DESC"), "");
}

TEST(MemFile, NumbersComeBackInTheirShortestForm) {
  TempDir dir;
  HeaderValues v = SampleValues();
  v[kCmnIpmt] = "2.5";
  v[kCmnTop] = "999999999999";
  v[kCmnPrt] = "not a number";
  ASSERT_TRUE(WriteMemFile(dir.File("VAK.MEM"), v));
  EXPECT_EQ(ReadMemVar(dir.File("VAK.MEM"), "CMN_IPMT"), "2.5");
  EXPECT_EQ(ReadMemVar(dir.File("VAK.MEM"), "CMN_TOP"), "999999999999");
  EXPECT_EQ(ReadMemVar(dir.File("VAK.MEM"), "CMN_PRT"), "0");
  EXPECT_EQ(LoadProjectHeader(dir.path()).values[kCmnIpmt], "2.5");
}

TEST(MemFile, FirstMatchWinsAndOtherTypesAreSteppedOver) {
  std::string logical(32, '\0');
  logical.replace(0, 5, "FLAG1");
  logical[11] = static_cast<char>('L' | 0x80);
  const std::string bytes = CharEntry("CMN_DESC", "first") + logical + "T" + CharEntry("cmn_desc", "second");
  EXPECT_EQ(ReadMemVarFromBytes(bytes, "CMN_DESC"), "first");
  EXPECT_EQ(ReadMemVarFromBytes(bytes.substr(CharEntry("CMN_DESC", "first").size()), "CMN_DESC"), "second");
}

TEST(MemFile, DamagedFilesReadUpToTheDamage) {
  const std::string good = CharEntry("CMN_DESC", "works") + CharEntry("CMN_TYPE", "2");
  // A lone end-of-file byte after the last entry.
  EXPECT_EQ(ReadMemVarFromBytes(good + "\x1a", "CMN_TYPE"), "2");
  // The last entry cut inside its header or its value.
  EXPECT_EQ(ReadMemVarFromBytes(good.substr(0, good.size() - 1), "CMN_TYPE"), "");
  EXPECT_EQ(ReadMemVarFromBytes(good.substr(0, good.size() - 20), "CMN_DESC"), "works");
  // A length that runs past the end of the file.
  std::string longLength = good;
  longLength[32 + 6 + 16] = static_cast<char>(0xFF);
  EXPECT_EQ(ReadMemVarFromBytes(longLength, "CMN_TYPE"), "");
  EXPECT_EQ(ReadMemVarFromBytes(longLength, "CMN_DESC"), "works");
  // An unknown type letter ends the reading: the length of its value is unknown.
  std::string unknown = CharEntry("CMN_AUTH", "x") + good;
  unknown[11] = static_cast<char>('Q' | 0x80);
  EXPECT_EQ(ReadMemVarFromBytes(unknown, "CMN_DESC"), "");
  // A value without its zero byte is taken whole.
  std::string noZero = CharEntry("CMN_DESC", "abc");
  noZero.back() = 'd';
  EXPECT_EQ(ReadMemVarFromBytes(noZero, "CMN_DESC"), "abcd");
  // A numeric entry cut short.
  std::string number = SampleFileBytes();
  const size_t ipmt = number.find("CMN_IPMT");
  EXPECT_EQ(ReadMemVarFromBytes(number.substr(0, ipmt + 32 + 4), "CMN_IPMT"), "");
  EXPECT_EQ(ReadMemVarFromBytes("", "CMN_DESC"), "");
}

TEST(MemFile, AHeaderIsReadWholeOrNotAtAll) {
  TempDir dir;
  dir.Write("vak.mem", SampleFileBytes() + "\x1a");
  ProjectHeader header = LoadProjectHeader(dir.path());
  EXPECT_EQ(header.status, MemStatus::Ok);
  EXPECT_EQ(header.path, dir.File("vak.mem"));
  EXPECT_EQ(header.values[kCmnDesc], Bytes("B5B5 B7CE"));
  EXPECT_EQ(header.values[kCmnIpmt], "250");
  EXPECT_TRUE(header.present[kCmnWrit]);

  // A variable the agency left out is absent, not a damage.
  dir.Write("vak.mem", CharEntry("CMN_DESC", "works"));
  header = LoadProjectHeader(dir.path());
  EXPECT_EQ(header.status, MemStatus::Ok);
  EXPECT_TRUE(header.present[kCmnDesc]);
  EXPECT_FALSE(header.present[kCmnType]);
  EXPECT_EQ(header.values[kCmnType], "");

  const std::string good = SampleFileBytes();
  std::string badType = good;
  badType[good.find("CMN_TEL") + 11] = static_cast<char>('Q' | 0x80);
  std::string numericDesc = good;
  numericDesc[good.find("CMN_DESC") + 11] = static_cast<char>(0xCE);
  const std::vector<std::pair<std::string, std::string>> damaged = {
      {"one bad type byte", badType},
      {"cut inside a value", good.substr(0, good.size() - 1)},
      {"cut inside an entry header", good.substr(0, good.find("CMN_WRIT") + 10)},
      {"empty", ""},
      {"a header variable of the wrong type", numericDesc},
      {"random bytes", std::string("\x93\x11\xfe\x00garbage that is no header at all, none", 40)},
      {"too large", good + std::string(70000, '\0')},
  };
  for (const auto& [what, bytes] : damaged) {
    dir.Write("vak.mem", bytes);
    header = LoadProjectHeader(dir.path());
    EXPECT_EQ(header.status, MemStatus::Damaged) << what;
    EXPECT_EQ(header.values[kCmnDesc], "") << what;
    EXPECT_FALSE(header.Whole()) << what;
  }
  std::filesystem::remove(dir.File("vak.mem"));
  EXPECT_EQ(LoadProjectHeader(dir.path()).status, MemStatus::Missing);

  // Only a regular file is read: a directory, a FIFO (which would hang a reader) or a link to
  // an endless device never are.
  std::filesystem::create_directory(dir.File("VAK.MEM"));
  EXPECT_EQ(LoadProjectHeader(dir.path()).status, MemStatus::NotAFile);
  std::filesystem::remove(dir.File("VAK.MEM"));
#ifdef _WIN32
  GTEST_SKIP() << test::kNoPosix << ": the FIFO, the link to /dev/zero and the unreadable mode are not tried";
#else
  ASSERT_EQ(::mkfifo(dir.File("VAK.MEM").c_str(), 0644), 0);
  EXPECT_EQ(LoadProjectHeader(dir.path()).status, MemStatus::NotAFile);
  std::filesystem::remove(dir.File("VAK.MEM"));
  std::filesystem::create_symlink("/dev/zero", dir.File("VAK.MEM"));
  EXPECT_EQ(LoadProjectHeader(dir.path()).status, MemStatus::NotAFile);
  std::filesystem::remove(dir.File("VAK.MEM"));
  if (::geteuid() != 0) {  // root reads whatever the modes say
    dir.Write("VAK.MEM", good);
    ::chmod(dir.File("VAK.MEM").c_str(), 0);
    EXPECT_EQ(LoadProjectHeader(dir.path()).status, MemStatus::Unreadable);
  }
#endif
}

TEST(MemFile, AHeaderNotReadWholeIsNeverSavedOver) {
  TempDir dir;
  const std::string cut = SampleFileBytes().substr(0, 100);
  dir.Write("VAK.MEM", cut);
  const ProjectHeader header = LoadProjectHeader(dir.path());
  RecordingNotifier notifier;
  EXPECT_FALSE(SaveOverReadHeader(dir.path(), header, SampleValues(), notifier));
  EXPECT_EQ(dir.Read("VAK.MEM"), cut);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text,
            dir.File("VAK.MEM") +
                "\n공사 정보 화일(VAK.MEM)이 손상되었습니다 (비었거나 잘렸거나 형식이 다릅니다)."
                "\n공사 정보를 읽을 수 없어 내역서계산과 공사정보 저장을 하지 않습니다. 발주기관의 원본 화일을 "
                "확인하십시오.");
  EXPECT_EQ(notifier.messages[0].caption, "오류");
}

TEST(MemFile, SaveReplacesTheAgencysFileAndDropsOtherVariables) {
  TempDir dir;
  dir.Write("vak.mem", CharEntry("CMN_DESC", "old") + CharEntry("CMN_EXTRA", "agency only"));
  RecordingNotifier notifier;
  ASSERT_TRUE(SaveProjectHeader(dir.path(), SampleValues(), notifier));
  EXPECT_TRUE(notifier.messages.empty());
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"vak.mem"});  // the agency's spelling is kept
  EXPECT_EQ(dir.Read("vak.mem"), SampleFileBytes());
  EXPECT_EQ(ReadMemVar(dir.File("vak.mem"), "CMN_EXTRA"), "");
}

TEST(MemFile, AFailedSaveKeepsTheOldFileAndSaysSo) {
  TempDir dir;
  const std::string old = CharEntry("CMN_DESC", "old");
  dir.Write("VAK.MEM", old);
  FailNthFileOperation(FileFault::Write, 1);  // the new file cannot be written
  RecordingNotifier notifier;
  EXPECT_FALSE(SaveProjectHeader(dir.path(), SampleValues(), notifier));
  EXPECT_EQ(dir.Read("VAK.MEM"), old);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "정보 화일(" + dir.File("VAK.MEM") + "를 저장할 수 없습니다.");
  EXPECT_EQ(notifier.messages[0].caption, "오류");
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Error);
}

TEST(MemFile, AFullDiskKeepsTheOldFile) {
  TempDir dir;
  const std::string mount = dir.File("disk");
  std::filesystem::create_directory(mount);
  if (!test::MountSmallDisk(mount, "8k")) GTEST_SKIP() << "cannot mount a small file system here";
  const std::string old = CharEntry("CMN_DESC", "old");
  {
    std::ofstream(mount + "/VAK.MEM", std::ios::binary) << old;
    std::ofstream filler(mount + "/filler", std::ios::binary);
    filler << std::string(64 * 1024, 'x');
  }
  HeaderValues big = SampleValues();
  big[kCmnDesc] = std::string(60000, 'd');
  RecordingNotifier notifier;
  const bool saved = SaveProjectHeader(mount, big, notifier);
  const std::string after = ReadWholeFile(mount + "/VAK.MEM").value_or("");
  const bool leftover = FileExists(mount + "/VAK.MEM.new~");
  test::Unmount(mount);
  EXPECT_FALSE(saved);
  EXPECT_EQ(after, old);
  EXPECT_FALSE(leftover);
  EXPECT_EQ(notifier.messages.size(), 1u);
}

TEST(MemFile, TooLongCharacterValuesAreRefused) {
  TempDir dir;
  HeaderValues v = SampleValues();
  v[kCmnDesc] = std::string(70000, 'x');
  EXPECT_FALSE(WriteMemFile(dir.File("VAK.MEM"), v));
  EXPECT_FALSE(FileExists(dir.File("VAK.MEM")));
}

}  // namespace
}  // namespace vak
