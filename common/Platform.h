// The operating system's services the core uses, behind one small interface: opening and
// reading files, the exclusive hold of a table, the shared mapping of a table, reserving
// disk space, replacing a file durably, exclusive temporary files and the conversion of
// code page 949. PlatformPosix.cpp gives them on Linux, PlatformWindows.cpp on Windows;
// CMake builds the one that fits.
//
// A file is an int descriptor on both systems: the system's own here, an index into
// PlatformWindows.cpp's table of HANDLEs on Windows. Paths are UTF-8 strings; the Windows
// side turns them into wide strings at the boundary. Failures return false or -1 and leave
// the reason in errno (a Windows error is translated to the errno value with the same
// meaning), so the rest of the program has one set of reasons to show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vak::platform {

// ---------------------------------------------------------------- opening, reading, writing
enum class Access { Read, ReadWrite };
// Opens an existing file (never creates one); -1 with errno on failure. Never blocks on a
// pipe or device: callers look at what a name is before they read it.
int OpenFile(const std::string& path, Access access);
// A new file, created exclusively: fails (EEXIST) over any existing entry, a link included.
// Read-write.
int CreateNewFile(const std::string& path);
// Closes; false with errno when the system reports a failure of the close itself.
bool CloseFile(int fd);
// Reads up to `size` bytes at the current position; 0 at the end, -1 on failure.
long ReadSome(int fd, char* bytes, size_t size);
// Writes all bytes at the current position, going on after partial writes.
bool WriteAll(int fd, const char* bytes, size_t size);
// Writes all bytes at `offset` without moving the position.
bool WriteAt(int fd, size_t offset, const char* bytes, size_t size);
// Everything written through `fd` is on the disk.
bool SyncFile(int fd);

// Whether the file system takes "vak.dbf" for "VAK.DBF" (Windows) or not (Linux).
bool CaseBlindFileNames();
// The spelling of `path` the system's file calls take whatever its length. Windows refuses
// paths of 260 characters and more unless they are given in the extended form
// "\\?\C:\...", which the system takes literally: so the form is made only for long, fully
// qualified paths, with "." and ".." resolved, '/' made '\\' and the trailing dots and
// blanks of each name dropped, as the system does with a short path. Elsewhere the path as
// given. `WithoutLongPathForm` undoes it for paths shown to the user.
std::string LongPathForm(std::string_view path);
// `path` as the system resolves its names. On Windows the full path (made absolute, "." and
// ".." resolved, the trailing dots and blanks of each name dropped as the system drops them, a
// network path kept) with every existing name spelled as its folder holds it, so that
// "__~~~WDC" and "원본." are seen as the "원본" they name. Unchanged on other systems.
std::string WithLongNames(const std::string& path);
// The absolute path with every link resolved, as far as the path exists (what the checks that
// compare folders look at). On Windows WithLongNames: std::filesystem there takes a network
// path for a relative one.
std::string ResolvedPath(const std::string& path);
// Whether the last name of `path` is no file name on this system: on Windows a device (CON,
// NUL, COM1, "aux.txt", "\\.\..."), or a stream of a file ("VAK.DBF:x").
bool ReservedName(const std::string& path);
std::string WithoutLongPathForm(std::string path);

// ---------------------------------------------------------------- what a name or file is
struct FileInfo {
  bool regular = false;
  bool directory = false;
  bool link = false;      // a symbolic link (only from LinkInfo)
  bool writable = false;  // any write permission at all
  uint64_t size = 0;
  uint64_t links = 1;  // hard links to the file
  uint64_t device = 0, node = 0;
  unsigned mode = 0644;  // permission bits, where the system has them
  unsigned owner = 0, group = 0;
};
// What `path` names, following links; nullopt with errno when nothing can be found.
std::optional<FileInfo> PathInfo(const std::string& path);
// The same for the entry itself: a link is described, not followed.
std::optional<FileInfo> LinkInfo(const std::string& path);
std::optional<FileInfo> OpenFileInfo(int fd);
// Whether two descriptions are of one file (the same device and node).
bool SameFile(const FileInfo& a, const FileInfo& b);
// Gives a new file the permissions (and, where the system has owners, the owner) of `like`.
void CopyPermissions(int fd, const FileInfo& like);

// ---------------------------------------------------------------- holding a table
enum class Hold { Shared, Exclusive };
// Takes or changes the hold on the whole file without waiting; false with errno
// EWOULDBLOCK when another open file holds it in a way that excludes this one. A hold
// belongs to the open file and ends when it is closed.
bool TryHold(int fd, Hold hold);

// ---------------------------------------------------------------- size and space
// Reserves real disk blocks for [offset, offset + length), growing the file: a write into
// a mapping there can then never meet a full disk. Returns 0 or the errno value.
int ReserveSpace(int fd, size_t offset, size_t length);
// Sets the file's size (shrinking or growing); false with errno. A mapped view must not
// reach past a new, smaller end (Windows refuses the cut then).
bool SetFileSize(int fd, size_t size);

// ---------------------------------------------------------------- the shared mapping
struct View {
  char* data = nullptr;
  size_t length = 0;  // bytes mapped; what may be read and written
};
// Maps the file shared, so writes to the view are writes to the file. `wanted` bytes are
// mapped where the system can map past the end (room for appends without a new view);
// otherwise only `fileSize` bytes, as a larger view would lengthen the file on the disk.
// nullopt with errno on failure.
std::optional<View> MapFile(int fd, size_t fileSize, size_t wanted, bool writable);
void UnmapFile(View& view);
// The first `length` bytes of the view are written to the file and the file to the disk.
bool FlushView(const View& view, size_t length, int fd);

// ---------------------------------------------------------------- names
// Renames `from` over `to` in one step: `to` names either the old or the new file, never
// nothing, and the change is on the disk when this returns true (with SyncDirectory).
// Where the system replaces no open file (Windows), this program's own descriptors on `to`
// are let go first (not when one is mapped): they stand for the replaced file and only close.
bool RenameOver(const std::string& from, const std::string& to);
// A second name for an existing file; fails with EEXIST rather than replace anything.
bool LinkFile(const std::string& existing, const std::string& newName);
bool RemoveFile(const std::string& path);
// Removes an empty directory.
bool RemoveEmptyDirectory(const std::string& path);
// Makes the renames and removals in the directory holding `path` durable.
void SyncDirectory(const std::string& path);
// Whether new files can be made in the directory `dir`.
bool CanCreateFilesIn(const std::string& dir);
// The names in `dir`, "." and ".." left out, in no order; nothing when it cannot be read.
std::optional<std::vector<std::string>> ListDirectory(const std::string& dir);
// A new directory "<prefix><6 random letters>", created exclusively; empty on failure.
std::string MakeTempDirectory(const std::string& prefix);

// Whether an errno value says the disk (or the user's share of it, a quota) is full.
bool IsNoSpace(int error);

// ---------------------------------------------------------------- the process
long ProcessId();
// The program's arguments (without its name) in UTF-8, whatever the system's code page.
std::vector<std::string> ProgramArguments(int argc, char* argv[]);
// The console shows the program's UTF-8 output as Korean (Windows); nothing to do elsewhere.
void UseUtf8Console();
bool StandardInputIsTerminal();
std::tm LocalTime(std::time_t when);

// ---------------------------------------------------------------- numbers
// The decimal number at the start of `text` in extended precision (long double), read as
// std::from_chars reads it; `used` gets the characters read. nullopt when there is none or
// it is out of range. (MinGW's from_chars reads a long double only to a double's precision.)
std::optional<long double> ReadExtended(std::string_view text, size_t& used);

// ---------------------------------------------------------------- code page 949
// Converts the longest prefix of `cp949` that forms valid characters to UTF-8, appending to
// `utf8`; returns the bytes consumed. nullopt when the system has no converter for 949.
std::optional<size_t> Cp949PrefixToUtf8(std::string_view cp949, std::string& utf8);
// Converts UTF-8 to code page 949 as a whole; nullopt when a character has no code there
// or the text is not UTF-8.
std::optional<std::string> Utf8ToCp949Whole(std::string_view utf8);

}  // namespace vak::platform
