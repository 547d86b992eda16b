// A dBASE table file (.DBF): header, field descriptors, fixed-length records.
//
// The file is mapped into memory (shared), so a written record is in the file as soon as
// the call returns, without one system call per record. Reads are lenient with what other
// xBase tools write (record counts that disagree with the file size, a missing end byte,
// odd header lengths); writes are strict. Whole-file rewrites (pack, creation) go to a new
// file beside the old one and are renamed over it, so a failure never leaves half a table.
// Use by another program is kept out by an operating-system lock on the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vak {

struct DbfField {
  std::string name;  // as stored (upper case when we write it)
  char type = 'C';   // C, N, F, D, L, M, ...
  int length = 0;
  int decimals = 0;
  int offset = 0;  // within the record; the deletion flag is byte 0
};

enum class DbfOpenMode { Shared, ReadOnly, Exclusive };

enum class DbfStatus {
  Ok,
  NotFound,   // no such file
  Locked,     // in use by another program
  ReadOnly,   // the file or its directory cannot be written
  NotATable,  // empty, too short, or not a dBASE table we can read
  Damaged,    // a dBASE table whose header disagrees with its fields or its size
  NotAFile,   // a directory or device carries the name
  IoError,    // the operating system refused a read, write or rename
  NoSpace,    // the disk is full
};

// The operating system's reason (errno) for the last failed open, append or pack of this
// thread, 0 when it was not the operating system's.
int LastDbfErrno();

// The code page marks of byte 29: 0x79 is code page 949 (Korean Windows).
inline constexpr unsigned char kCodePage949 = 0x79;

class DbfFile {
 public:
  ~DbfFile();
  DbfFile(const DbfFile&) = delete;
  DbfFile& operator=(const DbfFile&) = delete;

  static std::unique_ptr<DbfFile> Open(const std::string& path, DbfOpenMode mode, DbfStatus& status);

  // Creates an empty table (replacing one that exists, in one step). The flags byte is 0:
  // tables travel without their index file.
  static DbfStatus Create(const std::string& path, const std::vector<DbfField>& fields,
                          unsigned char codePage = kCodePage949);

  const std::string& path() const { return path_; }
  DbfOpenMode mode() const { return mode_; }
  const std::vector<DbfField>& fields() const { return fields_; }
  int FieldIndex(std::string_view name) const;  // ASCII case ignored; -1 when absent
  uint32_t RecordCount() const { return count_; }
  int RecordLength() const { return recordLength_; }
  unsigned char VersionByte() const { return header_[0]; }
  unsigned char CodePageByte() const { return header_[29]; }
  // What the lenient reader had to overlook, for the user or the tool; empty when nothing.
  const std::string& warning() const { return warning_; }

  // Record `recno` (1-based), deletion flag first. Valid until the next append or pack.
  const char* Record(uint32_t recno) const {
    return data_ + headerLength_ + (recno - 1) * static_cast<size_t>(recordLength_);
  }
  bool IsDeleted(uint32_t recno) const { return Record(recno)[0] == '*'; }

  bool WriteRecord(uint32_t recno, const char* bytes);
  bool SetDeleted(uint32_t recno, bool deleted);
  // Appends a record (its deletion flag included); the file grows, the header count follows.
  bool AppendRecord(const char* bytes);
  // Removes the deleted records: the table is rewritten beside the old file and renamed over
  // it; the lock is kept. Nothing happens when there is nothing to remove. After a failure
  // the old file stands as it was and stays open.
  DbfStatus Pack();
  // How the last AppendRecord failed (NoSpace for a full disk).
  DbfStatus LastAppendStatus() const { return appendStatus_; }
  // Makes the file what the reader took it for, after the user agreed: the header counts the
  // records read, and a cut record or records beyond the count are dropped from the end.
  bool TrimToRecords();
  // Flushes the mapping to the disk; false when the operating system reports a failure.
  bool Sync();

  // Lets go of the file's mapping, keeping the file open and held: done before the file is
  // replaced by a rewrite (Windows does not replace a mapped file). No record can be read or
  // written afterwards; the table is to be closed.
  void ReleaseView() { Unmap(); }

  // An exclusive table that readers may share while nothing is written: the lock becomes
  // shared, so another program can read the table (under a shared lock) but none can open it
  // for writing, and every write takes the table back exclusively for its own moment, waiting
  // up to two seconds for readers to finish.
  void ShareWithReadersBetweenWrites();

  // A change of many records made all or nothing (exclusive tables): the table is copied to a
  // new file beside it, taken exclusively, and every write until the change ends goes to the
  // copy, so the table on the disk stays as it was until the copy replaces it. False, nothing
  // changed, when the copy cannot be made (LastDbfErrno says why).
  bool BeginStagedChange();
  // The copy's name, for the commit that renames it over the table; empty when none.
  const std::string& stagedPath() const { return stagedPath_; }
  // The copy has replaced the table: it is the table from now on.
  void AdoptStagedChange();
  // Back to the table as it is on the disk; the copy is removed.
  void AbandonStagedChange();

  // A blank record: live flag, every field blank.
  std::string BlankRecord() const { return std::string(static_cast<size_t>(recordLength_), ' '); }

 private:
  DbfFile() = default;
  DbfStatus Load(const std::string& path, DbfOpenMode mode);
  DbfStatus ParseHeader(size_t fileSize);
  bool MapFile(size_t length);
  void Unmap();
  bool CutFile(size_t size);
  void TouchHeader();
  bool TakeForWrite();
  void LetReadersBackIn();
  friend class WriteMoment;

  std::string path_;
  DbfOpenMode mode_ = DbfOpenMode::Shared;
  int fd_ = -1;
  char* data_ = nullptr;
  size_t mapped_ = 0;  // bytes mapped (may exceed the file size, reserved for appends)
  size_t fileSize_ = 0;
  std::vector<unsigned char> header_;  // bytes 0..31 as read
  std::vector<DbfField> fields_;
  uint32_t count_ = 0;
  size_t headerLength_ = 0;
  int recordLength_ = 0;
  bool touched_ = false;
  int reopened_ = 0;       // opens retried because the name was given a new file meanwhile
  bool sharing_ = false;   // shared lock between writes (ShareWithReadersBetweenWrites)
  bool lockLost_ = false;  // another program took the table during a lock change
  int unstagedFd_ = -1;    // the table itself while a staged change writes to its copy
  std::string stagedPath_;
  DbfStatus appendStatus_ = DbfStatus::Ok;
  std::string warning_;
};

// Writes a whole new table in one pass: records are streamed to a file beside `path`, which
// replaces `path` only when Commit succeeds. Destroyed without Commit, nothing changes.
class DbfWriter {
 public:
  DbfWriter(const std::string& path, const std::vector<DbfField>& fields, unsigned char codePage = kCodePage949);
  // Keeps the header bytes (descriptors and all) of an existing table; for rewriting it.
  DbfWriter(const std::string& path, std::string headerBytes);
  ~DbfWriter();
  DbfWriter(const DbfWriter&) = delete;
  DbfWriter& operator=(const DbfWriter&) = delete;

  bool ok() const;
  void Add(const char* record);
  uint32_t count() const { return count_; }
  // Writes the header count and the end byte, flushes, and renames over `path`. With
  // `keepOpenLocked` the new file's descriptor is returned exclusively locked; otherwise it is
  // closed and 0 returned. -1 on failure.
  int Commit(bool keepOpenLocked = false);
  int error() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
  std::string header_;
  size_t recordLength_ = 0;
  uint32_t count_ = 0;
};

// Header bytes of a new, empty table with these fields (no records, no end byte).
std::string NewTableHeader(const std::vector<DbfField>& fields, unsigned char codePage);

// Field values in the record image.
std::string_view FieldBytes(const char* record, const DbfField& field);
// A numeric field as a number: blanks, asterisks (overflow) and garbage read as 0;
// a leading "+" and a decimal "," are accepted.
long double ParseNumericField(std::string_view bytes);
// Stores a number as right-aligned fixed-point text with the field's decimals, rounded half
// away from zero. False, record untouched, when the whole part does not fit.
bool StoreNumericField(char* record, const DbfField& field, long double value);
// A numeric field holding plain fixed-point text with at most `decimals` decimals, as a whole
// number scaled by 10^decimals ("  12.5" with 3 decimals is 12500); blanks are 0. False for
// anything else (then ParseNumericField decides).
bool ParseScaledField(std::string_view bytes, int decimals, long long& scaled);
// Whether a numeric field holds a number the program can read: blank (zero), or plain
// fixed-point text with an optional sign ("  -12.50"). Asterisks (an overflow another tool
// wrote), exponents, inner blanks and stray bytes are not numbers.
bool IsReadableNumericField(std::string_view bytes);
// Whether a whole number fits a field without decimals (as StoreWholeField writes it).
bool WholeFitsField(const DbfField& field, long long value);
// Stores a whole number in a field without decimals; false, record untouched, when it does
// not fit. The same text StoreNumericField writes, without going through a floating value.
bool StoreWholeField(char* record, const DbfField& field, long long value);
// Stores text blank-padded to the field width; text longer than the field is cut without
// splitting a double-byte character.
void StoreCharacterField(char* record, const DbfField& field, std::string_view text);

}  // namespace vak
