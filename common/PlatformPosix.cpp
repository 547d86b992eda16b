// The operating system's services on Linux and other POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>

#include "common/Platform.h"

namespace vak::platform {

int OpenFile(const std::string& path, Access access) {
  // O_NONBLOCK: a FIFO put in a file's place must not hang the open.
  return ::open(path.c_str(), (access == Access::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
}

int CreateNewFile(const std::string& path) {
  return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}

bool CloseFile(int fd) { return ::close(fd) == 0; }

long ReadSome(int fd, char* bytes, size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

bool WriteAll(int fd, const char* p, size_t left) {
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

bool WriteAt(int fd, size_t offset, const char* bytes, size_t size) {
  return ::pwrite(fd, bytes, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

bool SyncFile(int fd) { return ::fsync(fd) == 0; }

bool CaseBlindFileNames() { return false; }

std::string LongPathForm(std::string_view path) { return std::string(path); }

std::optional<std::vector<std::string>> ListDirectory(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return std::nullopt;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(d)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(d);
  return names;
}
std::string WithoutLongPathForm(std::string path) { return path; }
std::string WithLongNames(const std::string& path) { return path; }

std::string ResolvedPath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p(path);
  return std::filesystem::weakly_canonical(std::filesystem::absolute(p, ec), ec).string();
}
bool ReservedName(const std::string&) { return false; }

namespace {

FileInfo Describe(const struct stat& st) {
  FileInfo info;
  info.regular = S_ISREG(st.st_mode);
  info.directory = S_ISDIR(st.st_mode);
  info.link = S_ISLNK(st.st_mode);
  info.writable = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  info.size = static_cast<uint64_t>(st.st_size);
  info.links = static_cast<uint64_t>(st.st_nlink);
  info.device = static_cast<uint64_t>(st.st_dev);
  info.node = static_cast<uint64_t>(st.st_ino);
  info.mode = st.st_mode & 07777;
  info.owner = st.st_uid;
  info.group = st.st_gid;
  return info;
}

}  // namespace

std::optional<FileInfo> PathInfo(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return Describe(st);
}

std::optional<FileInfo> LinkInfo(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
  return Describe(st);
}

std::optional<FileInfo> OpenFileInfo(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::nullopt;
  return Describe(st);
}

bool SameFile(const FileInfo& a, const FileInfo& b) { return a.device == b.device && a.node == b.node; }

void CopyPermissions(int fd, const FileInfo& like) {
  if (::fchown(fd, like.owner, like.group) != 0) {
    // Only the owner's own program runs here as a rule; another owner cannot be given.
  }
  ::fchmod(fd, like.mode);
}

bool TryHold(int fd, Hold hold) { return ::flock(fd, (hold == Hold::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0; }

int ReserveSpace(int fd, size_t offset, size_t length) {
  return ::posix_fallocate(fd, static_cast<off_t>(offset), static_cast<off_t>(length));
}

bool SetFileSize(int fd, size_t size) { return ::ftruncate(fd, static_cast<off_t>(size)) == 0; }

std::optional<View> MapFile(int fd, size_t /*fileSize*/, size_t wanted, bool writable) {
  // A view past the end costs only addresses here: appends need no new view until it is full.
  void* p = ::mmap(nullptr, wanted, writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) return std::nullopt;
  return View{static_cast<char*>(p), wanted};
}

void UnmapFile(View& view) {
  if (view.data) ::munmap(view.data, view.length);
  view = View{};
}

bool FlushView(const View& view, size_t length, int fd) {
  return ::msync(view.data, length, MS_SYNC) == 0 && ::fsync(fd) == 0;
}

bool RenameOver(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

bool LinkFile(const std::string& existing, const std::string& newName) {
  return ::link(existing.c_str(), newName.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }
bool RemoveEmptyDirectory(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

void SyncDirectory(const std::string& path) {
  // A rename is durable only once the directory holding the names is flushed too.
  const std::string dir = std::filesystem::path(path).parent_path().string();
  const int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

bool CanCreateFilesIn(const std::string& dir) { return ::access(dir.c_str(), W_OK | X_OK) == 0; }

std::string MakeTempDirectory(const std::string& prefix) {
  std::string name = prefix + "XXXXXX";
  return ::mkdtemp(name.data()) ? name : std::string();
}

bool IsNoSpace(int error) { return error == ENOSPC || error == EDQUOT; }

long ProcessId() { return static_cast<long>(::getpid()); }

std::vector<std::string> ProgramArguments(int argc, char* argv[]) {
  return std::vector<std::string>(argv + 1, argv + argc);  // UTF-8 already, as the locale is
}

void UseUtf8Console() {}

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) != 0; }

std::tm LocalTime(std::time_t when) {
  std::tm tm{};
  localtime_r(&when, &tm);
  return tm;
}

std::optional<long double> ReadExtended(std::string_view text, size_t& used) {
  long double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  used = static_cast<size_t>(result.ptr - text.data());
  if (result.ec != std::errc()) return std::nullopt;
  return value;
}

namespace {

// glibc's "CP949" is the Windows code page (Qt/ICU's "CP949" is IBM's, a different one).
constexpr const char* kCodePage = "CP949";

// One conversion descriptor per direction and thread, opened on first use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as possible; returns the number of input bytes consumed. Stops at an
  // invalid or unconvertible sequence.
  size_t Convert(std::string_view in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[1024];
    while (srcLeft > 0) {
      char* dst = buffer;
      size_t dstLeft = sizeof buffer;
      const size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<size_t>(dst - buffer));
      if (rc == static_cast<size_t>(-1) && errno != E2BIG) break;
    }
    return in.size() - srcLeft;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::optional<size_t> Cp949PrefixToUtf8(std::string_view cp949, std::string& utf8) {
  thread_local Converter conv("UTF-8", kCodePage);
  if (!conv.valid()) return std::nullopt;
  return conv.Convert(cp949, utf8);
}

std::optional<std::string> Utf8ToCp949Whole(std::string_view utf8) {
  thread_local Converter conv(kCodePage, "UTF-8");
  if (!conv.valid()) return std::nullopt;
  std::string out;
  out.reserve(utf8.size());
  if (conv.Convert(utf8, out) != utf8.size()) return std::nullopt;
  return out;
}

}  // namespace vak::platform
