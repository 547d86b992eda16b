#include "common/Files.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

#include "common/Platform.h"
#include "common/Text.h"

namespace fs = std::filesystem;

namespace vak {

std::string SystemErrorText(int error) {
  if (error == EWOULDBLOCK) error = EAGAIN;  // one value on Linux, two on Windows
  if (error != ENOSPC && platform::IsNoSpace(error)) return "디스크 사용 한도를 넘었습니다";
  switch (error) {
    case ENOSPC: return "디스크 공간이 없습니다";
    case EACCES:
    case EPERM: return "권한이 없습니다";
    case EROFS: return "읽기 전용 디스크입니다";
    case ENOENT: return "화일이나 디렉토리가 없습니다";
    case EEXIST: return "같은 이름이 이미 있습니다";
    case EISDIR: return "디렉토리입니다";
    case ENOTDIR: return "디렉토리가 아닙니다";
    case EBUSY:
    case ETXTBSY: return "다른 프로그램이 사용 중입니다";
    case EXDEV: return "다른 디스크로는 옮길 수 없습니다";
    case ENAMETOOLONG: return "이름이 너무 깁니다";
    case ELOOP: return "링크가 너무 많이 이어집니다";
    case EMFILE:
    case ENFILE: return "열린 화일이 너무 많습니다";
    case EAGAIN: return "다른 프로그램이 잠가 두었습니다";
    case EIO: return "디스크를 읽거나 쓰는 중 오류가 났습니다";
    default: return "시스템 오류 " + std::to_string(error);
  }
}
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Iterative matcher with one backtrack point for the last "*".
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool MaskMatches(std::string_view pattern, std::string_view name) {
  if (WildcardMatch(pattern, name)) return true;
  // As on the agency's system, "NAME.*" also finds a NAME without any extension.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" && name.find('.') == std::string_view::npos) {
    return WildcardMatch(pattern.substr(0, pattern.size() - 2), name);
  }
  return false;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool WriteFully(int fd, const char* bytes, size_t size) { return platform::WriteAll(fd, bytes, size); }

fs::path FsPath(std::string_view utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string Utf8(const fs::path& path) {
  const std::u8string bytes = path.u8string();
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

char PathSeparator() { return static_cast<char>(fs::path::preferred_separator); }

std::string JoinPath(std::string_view dir, std::string_view name) {
  std::string out(dir);
  if (!out.empty() && out.back() != PathSeparator()) out.push_back(PathSeparator());
  out.append(name);
  return out;
}

std::optional<std::string> FindFileNoCase(std::string_view dir, std::string_view name) {
  const std::string exact = JoinPath(dir, name);
  const bool exists = platform::PathInfo(exact).has_value();
  if (exists && !platform::CaseBlindFileNames()) return exact;
  // Where names are case-blind (Windows), the exact spelling "exists" in any case: the
  // directory tells the spelling the file really has.
  std::optional<std::string> found;
  for (const std::string& entry :
       platform::ListDirectory(dir.empty() ? "." : std::string(dir)).value_or(std::vector<std::string>())) {
    if (entry == name) return exact;
    if (!found && EqualsNoCase(entry, name)) found = JoinPath(dir, entry);
  }
  return found ? found : (exists ? std::optional<std::string>(exact) : std::nullopt);
}

std::string DataFilePath(std::string_view dir, std::string_view name) {
  return FindFileNoCase(dir, name).value_or(JoinPath(dir, name));
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(FsPath(path), ec);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  const int fd = platform::OpenFile(path, platform::Access::Read);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  // Read straight into the string, in the size the file has (and on, should it have grown).
  size_t size = 0;
  if (const auto info = platform::OpenFileInfo(fd); info && info->regular)
    bytes.resize(static_cast<size_t>(info->size));
  for (;;) {
    if (size == bytes.size()) bytes.resize(bytes.size() + (1u << 16));
    const long n = platform::ReadSome(fd, bytes.data() + size, bytes.size() - size);
    if (n < 0) {
      platform::CloseFile(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    size += static_cast<size_t>(n);
  }
  platform::CloseFile(fd);
  bytes.resize(size);
  return bytes;
}

SmallFileStatus ReadSmallFile(const std::string& path, size_t limit, std::string& bytes) {
  bytes.clear();
  const auto named = platform::PathInfo(path);
  if (!named) return (errno == ENOENT || errno == ENOTDIR) ? SmallFileStatus::Missing : SmallFileStatus::Unreadable;
  if (!named->regular) return SmallFileStatus::NotAFile;
  if (named->size > limit) return SmallFileStatus::TooLarge;
  const int fd = platform::OpenFile(path, platform::Access::Read);
  if (fd < 0) return (errno == ENOENT || errno == ENOTDIR) ? SmallFileStatus::Missing : SmallFileStatus::Unreadable;
  const auto opened = platform::OpenFileInfo(fd);
  SmallFileStatus status = SmallFileStatus::Ok;
  if (!opened) {
    status = SmallFileStatus::Unreadable;
  } else if (!opened->regular) {  // replaced between the two looks
    status = SmallFileStatus::NotAFile;
  } else {
    char buffer[8192];
    for (;;) {
      const long n = platform::ReadSome(fd, buffer, sizeof buffer);
      if (n < 0) {
        status = SmallFileStatus::Unreadable;
        break;
      }
      if (n == 0) break;
      bytes.append(buffer, static_cast<size_t>(n));
      if (bytes.size() > limit) {
        status = SmallFileStatus::TooLarge;
        break;
      }
    }
  }
  platform::CloseFile(fd);
  if (status != SmallFileStatus::Ok) bytes.clear();
  return status;
}

void SyncParentDirectory(const std::string& path) { platform::SyncDirectory(path); }

namespace {

struct FaultPlan {
  int countdown[3] = {0, 0, 0};
  long seen[3] = {0, 0, 0};
};
FaultPlan& Faults() {
  static FaultPlan plan;
  return plan;
}

// Random letters for temporary names: unpredictable, so a link cannot be planted in advance,
// and O_EXCL refuses one planted anyway.
std::string RandomTag() {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static std::random_device device;
  static std::mt19937_64 engine((static_cast<uint64_t>(device()) << 32) ^ device() ^
                                static_cast<uint64_t>(platform::ProcessId()));
  std::string tag(8, 'x');
  for (char& c : tag) c = kLetters[engine() % (sizeof kLetters - 1)];
  return tag;
}

constexpr std::string_view kTempSuffix = ".new~";

}  // namespace

void FailNthFileOperation(FileFault kind, int n) { Faults().countdown[static_cast<int>(kind)] = n; }

long FileOperationsSoFar(FileFault kind) { return Faults().seen[static_cast<int>(kind)]; }

bool FileFaultFires(FileFault kind) {
  ++Faults().seen[static_cast<int>(kind)];
  int& left = Faults().countdown[static_cast<int>(kind)];
  if (left <= 0) return false;
  return --left == 0;
}

int RenameFile(const std::string& from, const std::string& to) {
  if (FileFaultFires(FileFault::Rename)) {
    errno = EIO;
    return -1;
  }
  return platform::RenameOver(from, to) ? 0 : -1;
}

TempFile CreateTempBeside(const std::string& path, int* error, const std::string& modeOf) {
  TempFile temp;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp.path = path + "." + RandomTag() + std::string(kTempSuffix);
    temp.fd = platform::CreateNewFile(temp.path);
    if (temp.fd >= 0) {
      if (const auto like = platform::PathInfo(modeOf.empty() ? path : modeOf); like && like->regular)
        platform::CopyPermissions(temp.fd, *like);
      return temp;
    }
    if (errno != EEXIST) break;
  }
  if (error) *error = errno;
  temp.path.clear();
  return temp;
}

bool IsTempFileName(std::string_view name) {
  return name.size() > kTempSuffix.size() && name.substr(name.size() - kTempSuffix.size()) == kTempSuffix;
}

FileBeside::FileBeside(std::string path, const std::string& modeOf) : path_(std::move(path)) {
  TempFile temp = CreateTempBeside(path_, &error_, modeOf);
  fd_ = temp.fd;
  temp_ = std::move(temp.path);
}

FileBeside::~FileBeside() {
  if (fd_ >= 0) {
    platform::CloseFile(fd_);
    platform::RemoveFile(temp_);
  }
}

void FileBeside::Flush() {
  if (ok() && !buffer_.empty()) {
    if (FileFaultFires(FileFault::Write)) {
      error_ = ENOSPC;
    } else if (!WriteFully(fd_, buffer_.data(), buffer_.size())) {
      error_ = errno ? errno : EIO;
    }
  }
  buffer_.clear();
}

void FileBeside::Write(const char* bytes, size_t size) {
  if (!ok()) return;
  buffer_.append(bytes, size);
  if (buffer_.size() >= (1u << 20)) Flush();
}

void FileBeside::Rewrite(size_t at, const char* bytes, size_t size) {
  Flush();
  if (ok() && !platform::WriteAt(fd_, at, bytes, size)) error_ = errno ? errno : EIO;
}

bool FileBeside::Sync() {
  Flush();
  if (ok() && FileFaultFires(FileFault::Sync)) error_ = EIO;
  if (ok() && !platform::SyncFile(fd_)) error_ = errno ? errno : EIO;
  return ok();
}

int FileBeside::Commit(bool keepOpen, bool lock) {
  if (!Sync()) return -1;
  if (lock && !platform::TryHold(fd_, platform::Hold::Exclusive)) error_ = errno;
  if (ok() && RenameFile(temp_, path_) != 0) error_ = errno;
  if (!ok()) return -1;
  SyncParentDirectory(path_);
  const int fd = fd_;
  fd_ = -1;
  if (keepOpen) return fd;
  platform::CloseFile(fd);  // synced and in place already: a late close error changes nothing on the disk
  return 0;
}

std::string FileBeside::Stage() {
  if (!Sync()) return std::string();
  const int fd = fd_;
  fd_ = -1;
  if (!platform::CloseFile(fd)) {
    error_ = errno;
    platform::RemoveFile(temp_);
    return std::string();
  }
  return temp_;
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
  FileBeside file(path);
  file.Write(bytes);
  return file.Commit() == 0;
}

ExclusiveFileHold::ExclusiveFileHold(const std::string& path) : fd_(-1) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    fd_ = platform::OpenFile(path, platform::Access::Read);
    if (fd_ < 0) {
      // Windows: another program opened the file sharing nothing; it holds it as surely as a lock.
      lockedElsewhere_ = errno == EBUSY;
      return;
    }
    if (!platform::TryHold(fd_, platform::Hold::Exclusive)) {
      platform::CloseFile(fd_);
      fd_ = -1;
      lockedElsewhere_ = true;
      return;
    }
    // Held only when the file locked is still the one the name gives (not replaced meanwhile).
    const auto held = platform::OpenFileInfo(fd_);
    const auto named = platform::PathInfo(path);
    if (held && named && platform::SameFile(*held, *named)) return;
    platform::CloseFile(fd_);
    fd_ = -1;
  }
}

ExclusiveFileHold::~ExclusiveFileHold() {
  if (fd_ >= 0) platform::CloseFile(fd_);
}

bool CopyFileTo(const std::string& source, const std::string& destination) {
  if (source == destination || !FileExists(source)) return false;
  const int in = platform::OpenFile(source, platform::Access::Read);
  if (in < 0) throw FileError({FailureCode::Read, source, errno});
  // Streamed in blocks: a table of a million lines is not held in memory twice.
  FileBeside out(destination, FileExists(destination) ? destination : source);
  std::string block(1u << 20, '\0');
  long got = 0;
  while ((got = platform::ReadSome(in, block.data(), block.size())) != 0) {
    if (got < 0) {
      const int why = errno;
      platform::CloseFile(in);
      throw FileError({FailureCode::Read, source, why});
    }
    out.Write(block.data(), static_cast<size_t>(got));
  }
  platform::CloseFile(in);
  if (out.Commit() != 0) throw FileError({FailureCode::Write, destination, errno});
  return true;
}

bool DeleteMatchingFiles(const std::string& mask) {
  size_t cut = mask.size();
  while (cut > 0 && !IsSeparator(mask[cut - 1])) --cut;
  const std::string dirPart = mask.substr(0, cut);  // as passed, separator included
  const std::string pattern = mask.substr(cut);
  const std::string searchDir = dirPart.empty() ? std::string(".") : dirPart;

  // Collect first: the directory is not changed while it is being read.
  std::vector<std::string> doomed;
  bool found = false;
  for (const std::string& name : platform::ListDirectory(searchDir).value_or(std::vector<std::string>())) {
    if (!MaskMatches(pattern, name)) continue;
    found = true;
    const std::optional<platform::FileInfo> info = platform::PathInfo(dirPart + name);
    if (name.front() != '.' && !(info && info->directory)) doomed.push_back(name);
  }
  for (const std::string& name : doomed) {
    if (!platform::RemoveFile(dirPart + name)) return false;
  }
  return found;
}

bool RemoveTree(const std::string& path) {
  // The entry itself, not what a link names: a link is removed like a file.
  const std::optional<platform::FileInfo> info = platform::LinkInfo(path);
  if (!info) return errno == ENOENT;
  if (!info->directory || info->link) return platform::RemoveFile(path) || platform::RemoveEmptyDirectory(path);
  bool whole = true;
  for (const std::string& name : platform::ListDirectory(path).value_or(std::vector<std::string>()))
    whole = RemoveTree(JoinPath(path, name)) && whole;
  return platform::RemoveEmptyDirectory(path) && whole;
}

std::string NormalizeDir(std::string_view path) {
  // A network path ("\\server\share") or an extended one ("\\?\C:\") starts with two
  // separators on Windows; they are kept, and only the doubled ones after them are made one.
  const size_t keep = platform::CaseBlindFileNames() && path.size() > 2 && IsSeparator(path[0]) &&
                              IsSeparator(path[1]) && !IsSeparator(path[2])
                          ? 2
                          : 0;
  std::string dir(path.substr(keep));
  dir = ReplaceAll(dir, "\\\\", "\\");
  dir = ReplaceAll(dir, "//", "/");  // Windows takes "/" as a separator too
  dir.insert(0, path.substr(0, keep));
  if (dir.size() > 1 && IsSeparator(dir.back())) dir.pop_back();
  return dir;
}

}  // namespace vak
