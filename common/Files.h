// File helpers: copying, deleting by mask, directory names, and the safe replacement of a
// file (write beside it, then rename over it) that every writer of the data files uses.
#pragma once

#include "common/Failure.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vak {

// The system's reason for a failed file operation (an errno value), in the words a user of
// this program reads: never the C library's English.
std::string SystemErrorText(int error);

// A read or write failure that CopyFileTo passes on to its caller.
class FileError : public std::runtime_error {
 public:
  explicit FileError(Failure failure) : std::runtime_error(FailureText(failure)), failure_(std::move(failure)) {}
  const Failure& failure() const { return failure_; }

 private:
  Failure failure_;
};

// std::filesystem's path of a UTF-8 string, and a path's UTF-8 string. Every name in the
// program is UTF-8; a plain std::string given to std::filesystem is read in the ANSI code
// page on Windows, which cannot hold every Korean name.
std::filesystem::path FsPath(std::string_view utf8);
std::string Utf8(const std::filesystem::path& path);

// The platform's path separator ("/" here, "\" on Windows).
char PathSeparator();
std::string JoinPath(std::string_view dir, std::string_view name);

// The existing entry of `dir` whose name equals `name` without regard to ASCII case
// ("Vak.dbf" finds "VAK.DBF"), as a full path; nullopt when there is none. The agency's
// files come from a case-blind file system, so every data file is looked up this way.
std::optional<std::string> FindFileNoCase(std::string_view dir, std::string_view name);
// The path of `name` in `dir`: the existing entry found without regard to case, else dir/name.
std::string DataFilePath(std::string_view dir, std::string_view name);

// Copies source to destination when the paths differ and the source exists; false otherwise.
// The copy is written beside the destination and renamed over it, so a failure never leaves
// a half-written destination. Read and write failures throw FileError.
bool CopyFileTo(const std::string& source, const std::string& destination);

// Deletes the files matching the last path element of `mask` ("*" and "?", ASCII case
// ignored, "*.*" also matching names without a point). Names starting with "." and
// directories are skipped. False when nothing matched or a deletion failed.
bool DeleteMatchingFiles(const std::string& mask);
// Removes `path` with everything in it; a link in it is removed, never followed. False when
// something stays.
bool RemoveTree(const std::string& path);

// Doubled separators collapsed and one trailing separator dropped; nothing else changes:
// blanks and relative parts ("../tender", "./tender") are kept, so the path names the same
// directory as before.
std::string NormalizeDir(std::string_view path);

// A new file beside `path`, "<path>.<random>.new~", created exclusively: never through a
// planted link, never over an existing entry. It takes the mode and owner of `modeOf` (by
// default `path` itself) when that exists, so a replaced file keeps who may read it. Its
// descriptor (read-write) and name; fd -1 with `error` (errno) set when none could be made.
struct TempFile {
  int fd = -1;
  std::string path;
};
TempFile CreateTempBeside(const std::string& path, int* error = nullptr, const std::string& modeOf = std::string());
// Whether a directory entry's name is one CreateTempBeside makes (a run killed while writing
// leaves such files behind).
bool IsTempFileName(std::string_view name);

// The one way a data file is replaced: the new content is written to a file of its own beside
// it (CreateTempBeside), flushed to the disk, and renamed over it, and the rename is made
// durable. Destroyed without a successful Commit (or Stage), the new file is removed and
// `path` is left as it was. Writers that must change several files together Stage each and
// rename them in one FileSetCommit.
class FileBeside {
 public:
  // `modeOf`: the file whose mode and owner the new one takes (default: `path`).
  explicit FileBeside(std::string path, const std::string& modeOf = std::string());
  ~FileBeside();
  FileBeside(const FileBeside&) = delete;
  FileBeside& operator=(const FileBeside&) = delete;

  bool ok() const { return fd_ >= 0 && error_ == 0; }
  // The operating system's reason (errno) for the first failure, 0 when none.
  int error() const { return error_; }
  const std::string& path() const { return path_; }
  // Appends bytes (buffered).
  void Write(const char* bytes, size_t size);
  void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
  // Overwrites bytes already written (a header's record count).
  void Rewrite(size_t at, const char* bytes, size_t size);
  // Everything written so far is on the disk.
  bool Sync();
  // Syncs, renames over `path` and makes the rename durable. With `keepOpen` the new file's
  // descriptor is handed to the caller (exclusively locked first when `lock`); otherwise it
  // is closed and 0 returned. -1 on failure.
  int Commit(bool keepOpen = false, bool lock = false);
  // Syncs and closes the new file and hands its name to the caller, who renames it (or
  // removes it); empty on failure (then nothing is left behind).
  std::string Stage();

 private:
  void Flush();
  std::string path_;
  std::string temp_;
  std::string buffer_;
  int fd_ = -1;
  int error_ = 0;
};

// Test seam: the n-th write, sync or rename (counted from now, 1 = the next) made through the
// file helpers fails as a full or failing disk would. 0 disarms. Tests only.
enum class FileFault { Write, Sync, Rename };
void FailNthFileOperation(FileFault kind, int n);
// Whether this operation is the one chosen to fail (counts it).
bool FileFaultFires(FileFault kind);
// How many operations of the kind went through the seam so far, to aim at the last ones.
long FileOperationsSoFar(FileFault kind);
// rename(2) through the seam.
int RenameFile(const std::string& from, const std::string& to);

// Flushes the directory entry changes (renames) of the directory holding `path`.
void SyncParentDirectory(const std::string& path);

// Replaces `path` with `bytes` in one step: the bytes go to a new file beside it, are flushed
// to the disk, and the new file is renamed over the old one. On any failure the old file is
// left as it was and no temporary file remains.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

// Whole file into memory; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// How reading a small data file went.
enum class SmallFileStatus { Ok, Missing, NotAFile, TooLarge, Unreadable };
// A regular file of at most `limit` bytes, read whole. Directories, pipes and devices are
// refused without being opened for reading, so a FIFO cannot hang the caller and a link to
// /dev/zero cannot fill the memory.
SmallFileStatus ReadSmallFile(const std::string& path, size_t limit, std::string& bytes);

bool FileExists(const std::string& path);

// A file held exclusively (flock) for the lifetime of the object, so that a program that takes
// it (the program holds VAK.DBF while a tender is open) cannot in the meantime, and one that
// holds it already is found. A file that cannot be opened is simply not held.
class ExclusiveFileHold {
 public:
  explicit ExclusiveFileHold(const std::string& path);
  ~ExclusiveFileHold();
  ExclusiveFileHold(const ExclusiveFileHold&) = delete;
  ExclusiveFileHold& operator=(const ExclusiveFileHold&) = delete;
  bool held() const { return fd_ >= 0; }
  bool lockedElsewhere() const { return lockedElsewhere_; }

 private:
  int fd_;
  bool lockedElsewhere_ = false;
};

// Writes all bytes to a file descriptor, going on after interrupted and partial writes.
bool WriteFully(int fd, const char* bytes, size_t size);

}  // namespace vak
