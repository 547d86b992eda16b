#include "store/TenderFiles.h"

#include <filesystem>
#include <system_error>

#include "common/FileCommit.h"
#include "common/Files.h"
#include "common/Platform.h"
#include "common/Text.h"
#include "store/DbfFile.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"
#include "store/Preparation.h"
#include "store/Xbase.h"

namespace fs = std::filesystem;

namespace vak {
namespace {

// Names of a tender directory the program reads or writes (ASCII case ignored).
bool IsTenderFileName(const std::string& name) {
  const std::string upper = AsciiUpper(name);
  for (const char* fixed : {"VAK.DBF", "VAK.MEM", "VAK.CDX", kCommitRecordName}) {
    if (upper == fixed) return true;
  }
  // Report tables and their indexes (VAKRPT1.DBF ...), kept copies (VAK.DBF.20261208-043512).
  if (upper.rfind("VAKRPT", 0) == 0) return true;
  return upper.rfind("VAK.DBF.", 0) == 0 || upper.rfind("VAK.MEM.", 0) == 0;
}

// A temporary file of one of the tender's files: "<name>.<tag>.new~" (or an older "<name>.new~").
bool IsTenderTempFile(const std::string& name) {
  if (!IsTempFileName(name)) return false;
  const std::string plain = name.substr(0, name.size() - 5);
  return IsTenderFileName(plain) || (plain.size() > 9 && IsTenderFileName(plain.substr(0, plain.size() - 9)));
}

// Two spellings of a data file (VAK.DBF beside vak.dbf): which one is the tender cannot be told.
std::string TwoSpellingsProblem(const std::string& dataDir) {
  for (const char* name : {"VAK.DBF", "VAK.MEM"}) {
    int spellings = 0;
    std::error_code ec;
    for (fs::directory_iterator it(FsPath(dataDir), ec), end; !ec && it != end; it.increment(ec))
      spellings += EqualsNoCase(Utf8(it->path().filename()), name) ? 1 : 0;
    if (spellings > 1)
      return dataDir + "\n" + name +
             " 화일이 대소문자만 다른 이름으로 둘 이상 있습니다. 어느 것이 입찰 자료인지 알 수 없어 열지 않습니다. "
             "하나만 남기십시오.";
  }
  return std::string();
}

bool SameEntry(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

}  // namespace

bool IsOriginalsFolder(const fs::path& dir) {
  return dir.filename() == FsPath(kOriginalsDir) && !MissingDataFile(Utf8(dir.parent_path()));
}

std::string OutputPathProblem(const std::string& output, const std::vector<std::string>& tenderDirs) {
  if (output.empty()) return "출력 화일의 이름이 없습니다.";
  if (platform::ReservedName(output))
    return output +
           "\n장치 이름이거나 다른 화일의 스트림입니다 (CON, NUL, COM1, \"이름:스트림\" …). 출력 화일의 이름을 "
           "주십시오.";
  std::error_code ec;
  const fs::path path = FsPath(platform::WithLongNames(output));  // "__~~~WDC" is 원본
  if (fs::is_directory(path, ec)) return output + "\n디렉토리입니다. 출력 화일의 이름을 주십시오.";
  // A device or pipe carries the name: replacing it would not write the file meant.
  if (fs::exists(path, ec) && !fs::is_regular_file(path, ec))
    return output + "\n일반 화일이 아닙니다 (장치나 파이프입니다). 출력 화일의 이름을 주십시오.";
  const std::string refused = output +
                              "\n입찰 자료의 화일 이름(VAK.DBF, VAK.MEM, Vak.CDX, VakRpt…, VAK.DBF.날짜-시각 …)에는 "
                              "출력 화일을 쓸 수 없습니다. 다른 이름을 주십시오.";
  // A tender's file names are refused wherever they are: any directory may hold a tender.
  for (const std::string& name : {Utf8(path.filename()), Utf8(fs::weakly_canonical(path, ec).filename())}) {
    if (IsTenderFileName(name) || name.rfind(".vak-carry-", 0) == 0) return refused;
  }
  // A file another program holds (a table open in a window) is never replaced.
  if (fs::exists(path, ec) && ExclusiveFileHold(output).lockedElsewhere())
    return output + "\n다른 프로그램이 사용하고 있는 화일입니다. 다른 이름을 주십시오.";
  // The folder it goes to: there, and not a tender's originals folder (never written after the first keep).
  // The folder resolved, not the name: a link as the output is replaced, never written through.
  const std::string folder = Utf8(path.parent_path());
  const fs::path parent = FsPath(platform::ResolvedPath(folder.empty() ? "." : folder));
  if (!fs::is_directory(parent, ec)) return output + "\n출력 화일을 둘 디렉토리(" + Utf8(parent) + ")가 없습니다.";
  for (fs::path p = parent; !p.empty() && p != p.root_path(); p = p.parent_path()) {
    if (IsOriginalsFolder(p))
      return output +
             "\n발주기관의 원본을 보관하는 디렉토리에는 출력 화일을 쓸 수 없습니다. 다른 디렉토리를 고르십시오.";
  }
  for (const std::string& dir : tenderDirs) {
    // An existing output that is one of the tender's files under another name (a hard link).
    bool linked = false;
    for (const char* file : {"VAK.DBF", "VAK.MEM", "Vak.CDX"}) {
      for (const std::string& where : {dir, JoinPath(dir, kOriginalsDir)}) {
        if (const auto found = FindFileNoCase(where, file)) linked = linked || SameEntry(path, FsPath(*found));
      }
    }
    if (linked) return refused;
  }
  return std::string();
}

std::string InterruptedCommitText(const std::string& dataDir, const std::string& detail) {
  // Part of the saved files may be in place already: the record of the save stays, and the
  // next open finishes it. Nothing else is written meanwhile.
  return dataDir + "\n중단된 저장을 마무리하지 못했습니다: " + detail +
         ".\n저장 기록이 남아 있어, 원인을 없앤 뒤 다시 열면 마저 바꿔 씁니다. 그때까지 다른 작업은 하지 않습니다.";
}

std::string UnfinishedCommitText(const std::string& dataDir, const std::string& detail) {
  return dataDir + "\n화일을 바꿔 쓰는 중에 멈췄습니다 (" + detail +
         "). 바꿔 쓸 화일은 모두 디스크에 있으며, 다음에 이 입찰을 열 때 마저 바꿔 씁니다.";
}

bool TidyDataDirectory(const std::string& dataDir, UserNotifier& notifier) {
  const std::optional<std::string> dbf = FindFileNoCase(dataDir, "VAK.DBF");
  // Without the table there is nobody to ask; with a holder, the directory is the holder's.
  const ExclusiveFileHold hold(dbf.value_or(JoinPath(dataDir, "VAK.DBF")));
  if (hold.lockedElsewhere()) return true;
  Failure detail;
  if (FinishInterruptedCommit(dataDir, &detail) == InterruptedCommit::Failed) {
    notifier.Message(InterruptedCommitText(dataDir, FailureText(detail)), "오류", MessageIcon::Error,
                     MessageButtons::Ok);
    return false;
  }
  // Only the program's own names: the temporary files of the data files, the originals and
  // the report tables, and carry scratch folders (a PDF being written beside them is not ours).
  const std::string originals = JoinPath(dataDir, kOriginalsDir);
  std::vector<std::string> leftovers;
  for (const std::string& where : {dataDir, originals}) {
    const std::optional<platform::FileInfo> folder = platform::LinkInfo(where);
    if (!folder || folder->link) continue;
    for (const std::string& name : platform::ListDirectory(where).value_or(std::vector<std::string>())) {
      const std::string path = JoinPath(where, name);
      const std::optional<platform::FileInfo> entry = platform::LinkInfo(path);
      const bool scratch = where == dataDir && name.rfind(".vak-carry-", 0) == 0 && name.size() == 17 && entry &&
                           entry->directory && !entry->link;
      if (IsTenderTempFile(name) || scratch) leftovers.push_back(path);
    }
  }
  for (const std::string& left : leftovers) RemoveTree(left);
  return true;
}

std::string UnwritableTenderProblem(const std::string& dataDir) {
  if (std::string problem = TwoSpellingsProblem(dataDir); !problem.empty()) return problem;
  const fs::path dir = FsPath(platform::ResolvedPath(dataDir));
  if (IsOriginalsFolder(dir))
    return dataDir + "\n발주기관의 원본을 보관하는 디렉토리입니다. 원본은 고치지 않습니다. 입찰 자료 디렉토리(" +
           Utf8(dir.parent_path()) + ")를 여십시오.";
  for (const char* name : {"VAK.DBF", "VAK.MEM"}) {
    const std::string path = DataFilePath(dataDir, name);
    // A dangling or looping link is for the open to report as such.
    if (const auto st = platform::LinkInfo(path); st && st->link && platform::PathInfo(path))
      return path + "\n심볼릭 링크인 자료 화일에는 쓰지 않습니다. 링크가 가리키는 화일이 있는 디렉토리를 여십시오.";
    // A second name (a hard link) may be another tender's file: a write in place would change it too.
    if (const auto st = platform::LinkInfo(path); st && st->regular && st->links > 1)
      return path +
             "\n다른 이름(하드 링크)이 더 있는 자료 화일에는 쓰지 않습니다. 다른 입찰 자료의 화일일 수 있습니다. "
             "화일을 복사해 링크를 끊은 뒤 여십시오.";
    if (const std::string problem = ReadOnlyDataFileProblem(path); !problem.empty()) return problem;
  }
  return std::string();
}

std::string StatementTableProblem(const DbfFile& table) {
  if (!table.warning().empty()) return table.warning();
  if (const std::string missing = MissingItemFields(table.fields()); !missing.empty())
    return "내역 자료 화일의 형식이 아닙니다 (필드 " + missing + "이(가) 없거나 형식이 다릅니다).";
  return std::string();
}

std::string UnreadableTenderProblem(const std::string& dir) {
  if (const char* missing = MissingDataFile(dir)) return MissingDataFileText(dir, missing);
  if (std::string problem = TwoSpellingsProblem(dir); !problem.empty()) return problem;
  const std::string path = DataFilePath(dir, "VAK.DBF");
  DbfStatus status;
  const std::unique_ptr<DbfFile> table = DbfFile::Open(path, DbfOpenMode::ReadOnly, status);
  if (!table) return OpenFailureText(path, status);
  if (const std::string problem = StatementTableProblem(*table); !problem.empty()) return path + "\n" + problem;
  const ProjectHeader header = LoadProjectHeader(dir);
  return header.Whole() ? std::string() : HeaderProblemText(header);
}

std::string ReadOnlyDataFileProblem(const std::string& path) {
  if (const auto st = platform::PathInfo(path); !st || st->writable) return std::string();
  return OpenFailureText(path, DbfStatus::ReadOnly);
}

}  // namespace vak
