// The operating system's services on Windows. Each function keeps the promise its POSIX
// counterpart makes to the rest of the program; where Windows keeps it differently, the
// comment says how.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <io.h>
#include <shellapi.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <utility>
#include <vector>

#include "common/Platform.h"

namespace vak::platform {
namespace {

// The errno value with the meaning of a Windows error, so the program has one set of reasons.
int ErrnoFromWindows(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD: return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return EBUSY;
    case ERROR_LOCK_VIOLATION:
    case ERROR_IO_PENDING: return EWOULDBLOCK;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    default: return EIO;
  }
}

// Records the last Windows error in errno; returns `result` for the caller's return.
template <typename T>
T Failed(T result) {
  errno = ErrnoFromWindows(GetLastError());
  return result;
}

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

// The path for a file call: the extended form when it is long (LongPathForm).
std::wstring SystemPath(std::string_view utf8) { return Wide(LongPathForm(utf8)); }

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size, nullptr, nullptr);
  return utf8;
}

// Wine reports no volume (0) for a handle whose file was renamed since it was opened (a
// table that replaced another): an unknown volume is taken to be the one compared with.
bool SameVolume(uint64_t a, uint64_t b) { return a == b || a == 0 || b == 0; }

// Every open lets others read, write, rename and delete the file, as POSIX does. Keeping
// other programs out is the hold's job, not the sharing mode's.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The program's open files. A descriptor is an index here rather than the C runtime's, so
// that a replace can let go of the program's own handle on the file it replaces (Windows
// will not rename over a file that is open) while the descriptor stays valid for its owner:
// it then stands for the replaced file, gone as an unlinked file is on Linux, and only its
// close is left to do. A file still mapped by this program is not let go: its view would
// keep it open all the same, and its owner still reads through it.
class OpenFiles {
 public:
  int Add(HANDLE handle) {
    const std::lock_guard<std::mutex> guard(mutex_);
    for (size_t i = 0; i < handles_.size(); ++i) {
      if (!used_[i]) {
        handles_[i] = handle;
        used_[i] = true;
        views_[i] = 0;
        return static_cast<int>(i);
      }
    }
    handles_.push_back(handle);
    used_.push_back(true);
    views_.push_back(0);
    return static_cast<int>(handles_.size() - 1);
  }
  void AddView(int fd, const void* view) {
    const std::lock_guard<std::mutex> guard(mutex_);
    if (!Valid(fd)) return;
    ++views_[static_cast<size_t>(fd)];
    viewOwners_.emplace_back(view, fd);
  }
  void RemoveView(const void* view) {
    const std::lock_guard<std::mutex> guard(mutex_);
    for (auto it = viewOwners_.begin(); it != viewOwners_.end(); ++it) {
      if (it->first != view) continue;
      --views_[static_cast<size_t>(it->second)];
      viewOwners_.erase(it);
      return;
    }
  }
  HANDLE Get(int fd) {
    const std::lock_guard<std::mutex> guard(mutex_);
    return Valid(fd) ? handles_[static_cast<size_t>(fd)] : INVALID_HANDLE_VALUE;
  }
  // Closes the handle and frees the descriptor; false when it was no open descriptor.
  bool Remove(int fd) {
    const std::lock_guard<std::mutex> guard(mutex_);
    if (!Valid(fd)) return false;
    const HANDLE h = handles_[static_cast<size_t>(fd)];
    used_[static_cast<size_t>(fd)] = false;
    // A view outlives its descriptor (the section keeps the file); it is no longer counted here.
    views_[static_cast<size_t>(fd)] = 0;
    for (size_t i = viewOwners_.size(); i-- > 0;) {
      if (viewOwners_[i].second == fd) viewOwners_.erase(viewOwners_.begin() + static_cast<long>(i));
    }
    return h == INVALID_HANDLE_VALUE || CloseHandle(h);
  }
  // Lets go of every handle on the file with this volume and index; the descriptors stay.
  // None is let go (0 returned) when one of them is mapped.
  int Detach(uint64_t volume, uint64_t index) {
    const std::lock_guard<std::mutex> guard(mutex_);
    std::vector<size_t> onIt;
    for (size_t i = 0; i < handles_.size(); ++i) {
      BY_HANDLE_FILE_INFORMATION st{};
      if (!used_[i] || handles_[i] == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handles_[i], &st)) continue;
      if (!SameVolume(st.dwVolumeSerialNumber, volume) ||
          ((static_cast<uint64_t>(st.nFileIndexHigh) << 32) | st.nFileIndexLow) != index)
        continue;
      if (views_[i] > 0) return 0;
      onIt.push_back(i);
    }
    for (size_t i : onIt) {
      CloseHandle(handles_[i]);
      handles_[i] = INVALID_HANDLE_VALUE;
    }
    return static_cast<int>(onIt.size());
  }

 private:
  bool Valid(int fd) const {
    return fd >= 0 && static_cast<size_t>(fd) < handles_.size() && used_[static_cast<size_t>(fd)];
  }
  std::mutex mutex_;
  std::vector<HANDLE> handles_;
  std::vector<bool> used_;
  std::vector<int> views_;  // views mapped through each descriptor
  std::vector<std::pair<const void*, int>> viewOwners_;
};

OpenFiles& Files() {
  static OpenFiles files;
  return files;
}

HANDLE Handle(int fd) { return Files().Get(fd); }

int Descriptor(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) return Failed(-1);
  return Files().Add(handle);
}

uint64_t Join(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

FileInfo Describe(const BY_HANDLE_FILE_INFORMATION& st, bool entryItself) {
  FileInfo info;
  const DWORD a = st.dwFileAttributes;
  info.directory = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info.link = entryItself && (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  info.regular = !info.directory && !info.link;
  info.writable = (a & FILE_ATTRIBUTE_READONLY) == 0;
  info.size = Join(st.nFileSizeHigh, st.nFileSizeLow);
  info.links = st.nNumberOfLinks;
  // The volume and the file's index name a file as device and inode do.
  info.device = st.dwVolumeSerialNumber;
  info.node = Join(st.nFileIndexHigh, st.nFileIndexLow);
  return info;
}

std::optional<FileInfo> InfoOf(const std::string& path, bool entryItself) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (entryItself ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  // No access asked for: only the attributes are read, and a held file can still be looked at.
  const HANDLE h = CreateFileW(SystemPath(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Failed(std::optional<FileInfo>());
  BY_HANDLE_FILE_INFORMATION st{};
  const bool got = GetFileInformationByHandle(h, &st) != 0;
  const DWORD error = GetLastError();
  CloseHandle(h);
  if (!got) {
    errno = ErrnoFromWindows(error);
    return std::nullopt;
  }
  return Describe(st, entryItself);
}

std::optional<uint64_t> Position(HANDLE h) {
  LARGE_INTEGER zero{}, at{};
  if (!SetFilePointerEx(h, zero, &at, FILE_CURRENT)) return Failed(std::optional<uint64_t>());
  return static_cast<uint64_t>(at.QuadPart);
}

bool MoveTo(HANDLE h, uint64_t offset) {
  LARGE_INTEGER to{};
  to.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(h, to, nullptr, FILE_BEGIN) ? true : Failed(false);
}

// Sets the end of the file, leaving the position where it was (as ftruncate does).
bool SetEnd(HANDLE h, uint64_t size) {
  const std::optional<uint64_t> at = Position(h);
  if (!at || !MoveTo(h, size)) return false;
  const bool set = SetEndOfFile(h) != 0;
  const DWORD error = GetLastError();
  MoveTo(h, *at);
  if (!set) {
    errno = ErrnoFromWindows(error);
    return false;
  }
  return true;
}

}  // namespace

int OpenFile(const std::string& path, Access access) {
  const DWORD rights = access == Access::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  return Descriptor(
      CreateFileW(SystemPath(path).c_str(), rights, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

int CreateNewFile(const std::string& path) {
  // CREATE_NEW fails on any existing entry, a link too: what O_CREAT | O_EXCL | O_NOFOLLOW promises.
  return Descriptor(CreateFileW(SystemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool CloseFile(int fd) {
  if (Files().Remove(fd)) return true;
  errno = EBADF;
  return false;
}

long ReadSome(int fd, char* bytes, size_t size) {
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
  if (!ReadFile(Handle(fd), bytes, want, &got, nullptr)) return Failed(-1L);
  return static_cast<long>(got);
}

bool WriteAll(int fd, const char* p, size_t left) {
  const HANDLE h = Handle(fd);
  while (left > 0) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(left > (1u << 30) ? (1u << 30) : left);
    if (!WriteFile(h, p, chunk, &wrote, nullptr)) return Failed(false);
    if (wrote == 0) {
      errno = EIO;
      return false;
    }
    p += wrote;
    left -= wrote;
  }
  return true;
}

bool WriteAt(int fd, size_t offset, const char* bytes, size_t size) {
  // A write at an offset moves the position of a handle opened for plain (not overlapped)
  // use: it is put back, as pwrite never moves it.
  const HANDLE h = Handle(fd);
  const std::optional<uint64_t> at = Position(h);
  if (!at || !MoveTo(h, offset)) return false;
  const bool wrote = WriteAll(fd, bytes, size);
  return MoveTo(h, *at) && wrote;
}

bool CaseBlindFileNames() { return true; }

namespace {

constexpr std::string_view kExtended = "\\\\?\\", kExtendedUnc = "\\\\?\\UNC\\";
// Below this many bytes of UTF-8 a path has well under MAX_PATH (260) characters, also with
// the "\\*" a folder's listing adds.
constexpr size_t kShortPath = 200;

bool IsSlash(char c) { return c == '/' || c == '\\'; }

// The full path as the system reads it (GetFullPathNameW): made absolute, "." and ".."
// resolved, '/' made '\\', the trailing dots and blanks of each name dropped ("원본." is 원본),
// a network path kept as one. Nothing when the system cannot make it.
std::optional<std::string> FullPath(std::string_view path) {
  const std::wstring wide = Wide(path);
  const DWORD size = wide.empty() ? 0 : GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::nullopt;
  std::wstring full(size, L'\0');
  const DWORD used = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (used == 0 || used >= size) return std::nullopt;
  full.resize(used);
  return Utf8(full);
}

}  // namespace

std::string LongPathForm(std::string_view path) {
  if (path.size() < kShortPath || path.starts_with(kExtended)) return std::string(path);
  const bool drive = path.size() > 2 && path[1] == ':' && IsSlash(path[2]);                       // C:\...
  const bool network = IsSlash(path[0]) && IsSlash(path[1]) && path[2] != '?' && path[2] != '.';  // \\server\share
  const std::optional<std::string> full = drive || network ? FullPath(path) : std::nullopt;
  if (!full) return std::string(path);  // relative, or a device: left to the system
  return drive ? std::string(kExtended) + *full : std::string(kExtendedUnc) + full->substr(2);
}

std::optional<std::vector<std::string>> ListDirectory(const std::string& dir) {
  std::string pattern = dir;
  if (!pattern.empty() && !IsSlash(pattern.back())) pattern += '\\';
  WIN32_FIND_DATAW found;
  const HANDLE h =
      FindFirstFileExW(SystemPath(pattern + "*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_FILE_NOT_FOUND ? std::vector<std::string>()
                                                  : Failed(std::optional<std::vector<std::string>>());
  std::vector<std::string> names;
  do {
    const std::wstring_view name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(Utf8(name));
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return names;
}

namespace {

// The length of the root of a full path: "C:\\" or "\\\\server\\share\\".
size_t RootLength(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':') return 3;
  if (path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1])) {
    size_t at = 2;
    for (int separators = 0; at < path.size(); ++at) {
      if (IsSlash(path[at]) && ++separators == 2) return at + 1;
    }
    return path.size();
  }
  return 0;
}

}  // namespace

std::string WithLongNames(const std::string& given) {
  const std::optional<std::string> full = FullPath(WithoutLongPathForm(given));
  if (!full) return given;
  const std::string& path = *full;
  // Then each name that exists as the folder holds it: a short (8.3) name spelled out, the
  // letters in their case. The first that does not exist ends the lookup.
  const size_t root = RootLength(path);
  std::string out = path.substr(0, root);
  bool exists = root > 0;
  for (size_t at = root; at < path.size();) {
    size_t end = path.find('\\', at);
    if (end == std::string::npos) end = path.size();
    std::string name = path.substr(at, end - at);
    if (exists && !name.empty() && name.find_first_of("*?") == std::string::npos) {
      WIN32_FIND_DATAW found;
      const HANDLE h =
          FindFirstFileExW(SystemPath(out + name).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
      exists = h != INVALID_HANDLE_VALUE;
      if (exists) {
        name = Utf8(found.cFileName);
        FindClose(h);
      }
    }
    out += name;
    if (end < path.size()) out += '\\';
    at = end + 1;
  }
  return out;
}

std::string ResolvedPath(const std::string& path) { return WithLongNames(path); }

bool ReservedName(const std::string& path) {
  if (path.starts_with("\\\\.\\") || path.starts_with("//./")) return true;
  size_t start = path.size();
  while (start > 0 && !IsSlash(path[start - 1])) --start;
  const std::string name = path.substr(start);
  const bool driveRelative = start == 0 && name.size() >= 2 && name[1] == ':';  // "C:out.csv"
  if (name.find(':', driveRelative ? 2 : 0) != std::string::npos) return true;
  // The device names hold with any extension and trailing blanks, in any case.
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices)
    if (base == device) return true;
  return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' && base[3] <= '9';
}

std::string WithoutLongPathForm(std::string path) {
  if (path.starts_with(kExtendedUnc)) return "\\" + path.substr(kExtendedUnc.size() - 1);
  if (path.starts_with(kExtended)) return path.substr(kExtended.size());
  return path;
}

bool SyncFile(int fd) { return FlushFileBuffers(Handle(fd)) ? true : Failed(false); }

std::optional<FileInfo> PathInfo(const std::string& path) { return InfoOf(path, false); }

std::optional<FileInfo> LinkInfo(const std::string& path) { return InfoOf(path, true); }

std::optional<FileInfo> OpenFileInfo(int fd) {
  BY_HANDLE_FILE_INFORMATION st{};
  if (!GetFileInformationByHandle(Handle(fd), &st)) return Failed(std::optional<FileInfo>());
  return Describe(st, false);
}

bool SameFile(const FileInfo& a, const FileInfo& b) { return a.node == b.node && SameVolume(a.device, b.device); }

void CopyPermissions(int, const FileInfo&) {
  // A new file takes its permissions from the folder it is made in, as the file it replaces
  // did: there is no mode or owner to carry over.
}

// The hold is a lock on one byte far past any end a table can have. A lock on the data
// itself would be mandatory on Windows and refuse this very program's other reads of the
// file (a copy, a check); a lock past the end only excludes other holds, as flock does.
constexpr DWORD kHoldOffsetHigh = 0x7FFFFFFF;

bool TryHold(int fd, Hold hold) {
  const HANDLE h = Handle(fd);
  OVERLAPPED at{};
  at.OffsetHigh = kHoldOffsetHigh;
  // Windows stacks locks of one handle instead of converting them: the one held (if any) is
  // let go first. Like flock's conversion on Linux, a failed change leaves nothing held.
  UnlockFileEx(h, 0, 1, 0, &at);
  const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (hold == Hold::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
  if (LockFileEx(h, flags, 0, 1, 0, &at)) return true;
  errno = EWOULDBLOCK;
  return false;
}

int ReserveSpace(int fd, size_t offset, size_t length) {
  // Setting the end of the file gives the file its clusters on NTFS (files are not sparse
  // unless made so): a full disk is reported here, never as a fault in a mapped write.
  const HANDLE h = Handle(fd);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size)) return ErrnoFromWindows(GetLastError());
  const uint64_t end = static_cast<uint64_t>(offset) + length;
  if (end <= static_cast<uint64_t>(size.QuadPart)) return 0;  // posix_fallocate never shrinks
  return SetEnd(h, end) ? 0 : errno;
}

bool SetFileSize(int fd, size_t size) { return SetEnd(Handle(fd), size); }

std::optional<View> MapFile(int fd, size_t fileSize, size_t /*wanted*/, bool writable) {
  // A section larger than the file would make the file that large on the disk: the view is
  // the file's size exactly, and the file is grown (ReserveSpace) before a larger view.
  if (fileSize == 0) {
    errno = EINVAL;
    return std::nullopt;
  }
  const uint64_t length = fileSize;
  const HANDLE section =
      CreateFileMappingW(Handle(fd), nullptr, writable ? PAGE_READWRITE : PAGE_READONLY,
                         static_cast<DWORD>(length >> 32), static_cast<DWORD>(length & 0xFFFFFFFFu), nullptr);
  if (!section) return Failed(std::optional<View>());
  void* p = MapViewOfFile(section, writable ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0, fileSize);
  const DWORD error = GetLastError();
  CloseHandle(section);  // the view keeps the section alive
  if (!p) {
    errno = ErrnoFromWindows(error);
    return std::nullopt;
  }
  Files().AddView(fd, p);
  return View{static_cast<char*>(p), fileSize};
}

void UnmapFile(View& view) {
  if (view.data) {
    Files().RemoveView(view.data);
    UnmapViewOfFile(view.data);
  }
  view = View{};
}

bool FlushView(const View& view, size_t length, int fd) {
  // FlushViewOfFile starts the writing of the pages; FlushFileBuffers waits until they and
  // the file's size are on the disk: together what msync(MS_SYNC) and fsync promise.
  if (!FlushViewOfFile(view.data, length)) return Failed(false);
  return SyncFile(fd);
}

bool RenameOver(const std::string& from, const std::string& to) {
  // MOVEFILE_REPLACE_EXISTING replaces the target in one step on the same volume, as
  // rename(2) does; MOVEFILE_WRITE_THROUGH returns only when the move is on the disk, which
  // is what the directory sync after a rename gives on Linux.
  const std::wstring source = SystemPath(from), target = SystemPath(to);
  constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (MoveFileExW(source.c_str(), target.c_str(), kFlags)) return true;
  const DWORD error = GetLastError();
  // Windows does not replace a file that is open, where Linux lets the holder keep the old
  // file. The program holds the file it replaces itself (the table under a rewrite): its own
  // handles on it are let go and the move tried again. Another program's open stops it.
  const std::optional<FileInfo> replaced = InfoOf(to, true);
  if (error == ERROR_ACCESS_DENIED && replaced && Files().Detach(replaced->device, replaced->node) > 0 &&
      MoveFileExW(source.c_str(), target.c_str(), kFlags))
    return true;
  SetLastError(error);
  return Failed(false);
}

bool LinkFile(const std::string& existing, const std::string& newName) {
  // Fails over an existing name, as link(2) does; the reason is made EEXIST whatever error
  // the system gives for it.
  const std::wstring name = SystemPath(newName);
  if (CreateHardLinkW(name.c_str(), SystemPath(existing).c_str(), nullptr)) return true;
  Failed(false);
  if (GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) errno = EEXIST;
  return false;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(SystemPath(path).c_str()) ? true : Failed(false); }
bool RemoveEmptyDirectory(const std::string& path) {
  return RemoveDirectoryW(SystemPath(path).c_str()) ? true : Failed(false);
}

void SyncDirectory(const std::string&) {
  // Nothing to do, and nothing that could be done: a folder cannot be opened and flushed like
  // a file. The replacing rename is written through (RenameOver), and NTFS logs the changes
  // of names (links made and removed) in its journal before it changes the folder, so after
  // a crash a name is either the old or the new, never lost.
}

bool CanCreateFilesIn(const std::string& dir) {
  // A folder's read-only attribute does not keep files out of it, and what its access list
  // allows shows only when a file is made: an existing folder is taken as writable, and a
  // refusal is reported when the file is written.
  const std::optional<FileInfo> info = PathInfo(dir);
  return info && info->directory;
}

std::string MakeTempDirectory(const std::string& prefix) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static std::random_device device;
  static std::mt19937_64 engine((static_cast<uint64_t>(device()) << 32) ^ device() ^ GetCurrentProcessId());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix;
    for (int i = 0; i < 6; ++i) name.push_back(kLetters[engine() % (sizeof kLetters - 1)]);
    if (CreateDirectoryW(SystemPath(name).c_str(), nullptr)) return name;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  errno = ErrnoFromWindows(GetLastError());
  return std::string();
}

// Windows reports an exceeded quota as a full disk (ERROR_DISK_FULL): there is no other value.
bool IsNoSpace(int error) { return error == ENOSPC; }

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }

std::vector<std::string> ProgramArguments(int argc, char* argv[]) {
  // The narrow argv is in the ANSI code page, which cannot hold every name (a Korean folder
  // on a system set to another language): the wide command line is read instead.
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return args;
}

void UseUtf8Console() {
  // The program writes UTF-8; the console shows it as such (a file gets the bytes as they are).
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
}

bool StandardInputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

std::tm LocalTime(std::time_t when) {
  std::tm tm{};
  localtime_s(&tm, &when);
  return tm;
}

std::optional<long double> ReadExtended(std::string_view text, size_t& used) {
  // MinGW's strtold reads to the full 64-bit mantissa. It also takes what from_chars does not
  // (blanks in front, a "+", "0x", "inf"): those are refused before it reads.
  used = 0;
  const size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
  if (start >= text.size() || !((text[start] >= '0' && text[start] <= '9') || text[start] == '.')) return std::nullopt;
  if (text.size() > start + 1 && text[start] == '0' && (text[start + 1] == 'x' || text[start + 1] == 'X')) {
    used = start + 1;  // from_chars reads the "0" and stops at the "x"
    return text[0] == '-' ? -0.0L : 0.0L;
  }
  const std::string copy(text);
  char* end = nullptr;
  errno = 0;
  const long double value = std::strtold(copy.c_str(), &end);
  used = static_cast<size_t>(end - copy.c_str());
  if (used == 0 || errno == ERANGE) return std::nullopt;
  return value;
}

namespace {

constexpr UINT kCodePage949 = 949;

// The length of the character starting at `i`: a lead byte and its trail, or one byte.
size_t UnitLength(std::string_view bytes, size_t i) {
  const unsigned char c = static_cast<unsigned char>(bytes[i]);
  return (c >= 0x81 && c <= 0xFE && i + 1 < bytes.size()) ? 2 : 1;
}

// Appends the UTF-8 of `cp949`; false, nothing appended, when a byte forms no character.
bool ConvertWhole(std::string_view cp949, std::string& utf8) {
  const int n = static_cast<int>(cp949.size());
  const int size = MultiByteToWideChar(kCodePage949, MB_ERR_INVALID_CHARS, cp949.data(), n, nullptr, 0);
  if (size <= 0) return false;
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(kCodePage949, MB_ERR_INVALID_CHARS, cp949.data(), n, wide.data(), size);
  utf8 += Utf8(wide);
  return true;
}

}  // namespace

std::optional<size_t> Cp949PrefixToUtf8(std::string_view cp949, std::string& utf8) {
  if (!IsValidCodePage(kCodePage949)) return std::nullopt;
  if (cp949.empty() || ConvertWhole(cp949, utf8)) return cp949.size();
  // Something in it forms no character: character by character up to there, as iconv stops.
  size_t at = 0;
  while (at < cp949.size()) {
    const size_t length = UnitLength(cp949, at);
    if (!ConvertWhole(cp949.substr(at, length), utf8)) break;
    at += length;
  }
  return at;
}

std::optional<std::string> Utf8ToCp949Whole(std::string_view utf8) {
  if (!IsValidCodePage(kCodePage949)) return std::nullopt;
  if (utf8.empty()) return std::string();
  const int n = static_cast<int>(utf8.size());
  const int wideSize = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), n, nullptr, 0);
  if (wideSize <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(wideSize), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), n, wide.data(), wideSize);
  // No "best fit": a character without a code of its own is refused, not replaced by a look-alike.
  BOOL usedDefault = FALSE;
  const int size =
      WideCharToMultiByte(kCodePage949, WC_NO_BEST_FIT_CHARS, wide.data(), wideSize, nullptr, 0, nullptr, &usedDefault);
  if (size <= 0 || usedDefault) return std::nullopt;
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(kCodePage949, WC_NO_BEST_FIT_CHARS, wide.data(), wideSize, out.data(), size, nullptr, nullptr);
  return out;
}

}  // namespace vak::platform
