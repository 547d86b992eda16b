#include "store/DbfFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <thread>

#include "common/CodePage.h"
#include "common/Files.h"
#include "common/Numbers.h"
#include "common/Platform.h"
#include "common/Text.h"

namespace vak {
namespace {

constexpr size_t kFileHeaderSize = 32;
constexpr size_t kDescriptorSize = 32;
constexpr char kEndOfFile = 0x1A;

uint32_t Le32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void PutLe32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutLe16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

void PutToday(unsigned char* header) {
  const std::tm tm = platform::LocalTime(std::time(nullptr));
  header[1] = static_cast<unsigned char>(tm.tm_year % 100);  // as FoxPro writes it
  header[2] = static_cast<unsigned char>(tm.tm_mon + 1);
  header[3] = static_cast<unsigned char>(tm.tm_mday);
}

thread_local int t_lastErrno = 0;

DbfStatus StatusFromErrno(int error) {
  t_lastErrno = error;
  if (platform::IsNoSpace(error)) return DbfStatus::NoSpace;
  switch (error) {
    case ENOENT:
    case ENOTDIR: return DbfStatus::NotFound;
    case EACCES:
    case EPERM:
    case EROFS: return DbfStatus::ReadOnly;
    case EWOULDBLOCK: return DbfStatus::Locked;
    case EISDIR: return DbfStatus::NotAFile;
    default: return DbfStatus::IoError;
  }
}

// Descriptor bytes 12..15: FoxPro and our writer keep each field's offset in the record there.
uint32_t StoredDisplacement(const unsigned char* descriptor) { return Le32(descriptor + 12); }

// Bytes another tool may leave between the descriptor terminator and the first record.
bool IsHeaderPadding(unsigned char c) { return c == 0x00 || c == 0x0D || c == 0x1A; }

}  // namespace

DbfFile::~DbfFile() {
  if (!stagedPath_.empty()) AbandonStagedChange();
  if (touched_) Sync();
  Unmap();
  if (fd_ >= 0) platform::CloseFile(fd_);
}

std::unique_ptr<DbfFile> DbfFile::Open(const std::string& path, DbfOpenMode mode, DbfStatus& status) {
  std::unique_ptr<DbfFile> file(new DbfFile());
  status = file->Load(path, mode);
  if (status != DbfStatus::Ok) file.reset();
  return file;
}

int LastDbfErrno() { return t_lastErrno; }

DbfStatus DbfFile::Load(const std::string& path, DbfOpenMode mode) {
  path_ = path;
  mode_ = mode;
  t_lastErrno = 0;
  const bool writable = mode != DbfOpenMode::ReadOnly;
  // A pipe or device must not be opened for reading (a FIFO would hang): look first.
  const auto before = platform::PathInfo(path);
  if (!before) return StatusFromErrno(errno);
  if (!before->regular) return DbfStatus::NotAFile;
  // A file without any write permission is read-only for the program, whoever runs it.
  if (writable && !before->writable) return DbfStatus::ReadOnly;
  fd_ = platform::OpenFile(path, writable ? platform::Access::ReadWrite : platform::Access::Read);
  if (fd_ < 0) return StatusFromErrno(errno);
  const auto hold = mode == DbfOpenMode::Exclusive ? platform::Hold::Exclusive : platform::Hold::Shared;
  if (!platform::TryHold(fd_, hold)) return StatusFromErrno(errno);
  const auto st = platform::OpenFileInfo(fd_);
  if (!st) return StatusFromErrno(errno);
  // Another program may have put a new table in place (a rename) between the open and the
  // lock: the file locked must still be the one the name gives, or the work would go to a
  // table nobody sees any more.
  const auto now = platform::PathInfo(path);
  if (!now || !platform::SameFile(*now, *st)) {
    platform::CloseFile(fd_);
    fd_ = -1;
    return ++reopened_ < 5 ? Load(path, mode) : StatusFromErrno(EWOULDBLOCK);
  }
  if (!st->regular) return DbfStatus::NotAFile;
  fileSize_ = static_cast<size_t>(st->size);
  if (fileSize_ < kFileHeaderSize + 1) return DbfStatus::NotATable;
  if (!MapFile(writable ? fileSize_ + fileSize_ / 2 + (4u << 20) : fileSize_)) return StatusFromErrno(errno);
  return ParseHeader(fileSize_);
}

bool DbfFile::MapFile(size_t length) {
  const auto view = platform::MapFile(fd_, fileSize_, length, mode_ != DbfOpenMode::ReadOnly);
  if (!view) return false;
  data_ = view->data;
  mapped_ = view->length;
  return true;
}

void DbfFile::Unmap() {
  platform::View view{data_, mapped_};
  platform::UnmapFile(view);
  data_ = nullptr;
  mapped_ = 0;
}

// Shortens the file. The view is let go first and made again afterwards: Windows refuses to
// cut a file under a view that reaches past the new end.
bool DbfFile::CutFile(size_t size) {
  const size_t length = mapped_;
  Unmap();
  const bool cut = platform::SetFileSize(fd_, size);
  const int why = errno;
  fileSize_ = cut ? size : fileSize_;
  if (!MapFile(length)) data_ = nullptr;  // the table can no longer be used; callers see false
  errno = why;
  return cut && data_ != nullptr;
}

DbfStatus DbfFile::ParseHeader(size_t fileSize) {
  const auto* h = reinterpret_cast<const unsigned char*>(data_);
  header_.assign(h, h + kFileHeaderSize);
  const unsigned char version = h[0];
  if (version == 0x04 || version == 0x8C) return DbfStatus::NotATable;  // dBASE 7: another descriptor layout
  const uint32_t headerCount = Le32(h + 4);
  headerLength_ = Le16(h + 8);
  recordLength_ = Le16(h + 10);
  if (headerLength_ < kFileHeaderSize + 1 || headerLength_ > fileSize || recordLength_ < 2) return DbfStatus::NotATable;

  // Descriptors until the terminator (0D, or 0A after a text-mode copy), which must lie
  // inside the header: a header length too small would read the terminator as a record.
  struct Raw {
    DbfField field;
    int highByte;
    uint32_t displacement;
  };
  std::vector<Raw> raw;
  size_t terminator = 0;
  for (size_t at = kFileHeaderSize; at < headerLength_; at += kDescriptorSize) {
    const unsigned char* d = h + at;
    if (d[0] == 0x0D || d[0] == 0x0A) {
      terminator = at;
      break;
    }
    if (at + kDescriptorSize > headerLength_) break;
    Raw r;
    size_t nameLength = 0;
    while (nameLength < 11 && d[nameLength] != 0) ++nameLength;
    r.field.name = TrimmedText(std::string_view(reinterpret_cast<const char*>(d), nameLength));
    r.field.type = static_cast<char>(d[11]);
    r.field.length = d[16];
    r.field.decimals = d[17];
    r.highByte = r.field.type == 'C' ? d[17] : 0;
    r.displacement = StoredDisplacement(d);
    if (r.field.name.empty() || r.field.length == 0) return DbfStatus::NotATable;
    raw.push_back(r);
  }
  if (raw.empty()) return DbfStatus::NotATable;
  if (terminator == 0) return DbfStatus::Damaged;
  // Between the terminator and the records only padding may stand (Visual FoxPro keeps a
  // 263-byte link area there); a record's bytes there mean the header length is wrong.
  size_t padFrom = terminator + 1;
  if ((version == 0x30 || version == 0x31 || version == 0x32) && headerLength_ >= padFrom + 263) padFrom += 263;
  for (size_t i = padFrom; i < headerLength_; ++i) {
    if (!IsHeaderPadding(h[i])) return DbfStatus::Damaged;
  }

  int plain = 1;
  int wide = 1;
  for (const Raw& r : raw) {
    plain += r.field.length;
    wide += r.field.length + 256 * r.highByte;
  }
  // A character field's decimals byte counts as the high byte of its length only when
  // that is what makes the record length come out right.
  const bool useHighBytes = plain != recordLength_ && wide == recordLength_;
  // Writers that keep the fields' offsets (FoxPro, ours) start them at 1; those offsets must
  // then agree with the lengths, or a field length was changed.
  const bool displacementsKept = raw.front().displacement == 1;
  int offset = 1;
  for (Raw& r : raw) {
    if (useHighBytes) r.field.length += 256 * r.highByte;
    if (r.field.type == 'C') r.field.decimals = 0;
    if (displacementsKept && r.displacement != static_cast<uint32_t>(offset)) return DbfStatus::Damaged;
    r.field.offset = offset;
    offset += r.field.length;
    for (const DbfField& f : fields_) {
      if (EqualsNoCase(f.name, r.field.name)) return DbfStatus::NotATable;  // duplicate names
    }
    fields_.push_back(r.field);
  }
  if (offset > recordLength_) return DbfStatus::Damaged;

  const size_t body = fileSize - headerLength_;
  const size_t physical = body / static_cast<size_t>(recordLength_);
  // A record longer than its fields is read only when everything else confirms that length:
  // the fields' offsets were kept and the file holds exactly the records the header counts.
  if (offset != recordLength_) {
    const size_t rest = body - physical * static_cast<size_t>(recordLength_);
    if (!displacementsKept || physical != headerCount || rest > 1) return DbfStatus::Damaged;
  }
  count_ = static_cast<uint32_t>(std::min<size_t>(headerCount, physical));
  // Every record starts with its deletion flag; anything else there means the records are
  // not where the header puts them.
  for (uint32_t r = 1; r <= count_; ++r) {
    const char flag = Record(r)[0];
    if (flag != ' ' && flag != '*') return DbfStatus::Damaged;
  }
  if (headerCount > physical) {
    warning_ += "헤더의 레코드 수(" + std::to_string(headerCount) + ")가 화일에 든 레코드 수(" +
                std::to_string(physical) + ")보다 많습니다. 화일이 잘렸을 수 있습니다. ";
  }
  if (headerCount < physical) {
    warning_ += "헤더의 레코드 수(" + std::to_string(headerCount) + ") 뒤에 레코드가 " +
                std::to_string(physical - headerCount) + "개 더 있습니다. 뒤의 레코드는 읽지 않습니다. ";
  }
  if (headerCount == physical && body - physical * static_cast<size_t>(recordLength_) > 1) {
    warning_ += "화일 끝에 레코드 하나에 못 미치는 조각이 있습니다 (잘린 레코드). ";
  }
  return DbfStatus::Ok;
}

int DbfFile::FieldIndex(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (EqualsNoCase(fields_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

void DbfFile::TouchHeader() {
  if (touched_) return;
  touched_ = true;
  auto* h = reinterpret_cast<unsigned char*>(data_);
  PutToday(h);
  PutLe32(h + 4, count_);  // a header that overstated the records is corrected
}

void DbfFile::ShareWithReadersBetweenWrites() {
  if (mode_ != DbfOpenMode::Exclusive || sharing_ || !stagedPath_.empty()) return;
  sharing_ = true;
  LetReadersBackIn();
}

bool DbfFile::TakeForWrite() {
  if (!sharing_ || !stagedPath_.empty()) return !lockLost_;
  for (int attempt = 0; attempt < 1000 && !lockLost_; ++attempt) {
    if (platform::TryHold(fd_, platform::Hold::Exclusive)) return true;
    // A failed change gives up the shared lock too (Linux): take it again at once, so no
    // other program can open the table for writing meanwhile.
    if (!platform::TryHold(fd_, platform::Hold::Shared))
      lockLost_ = true;
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  StatusFromErrno(EWOULDBLOCK);
  return false;
}

void DbfFile::LetReadersBackIn() {
  if (sharing_ && stagedPath_.empty() && !lockLost_ && !platform::TryHold(fd_, platform::Hold::Shared))
    lockLost_ = true;
}

// A write's own moment of the table: exclusively held while the bytes change.
class WriteMoment {
 public:
  explicit WriteMoment(DbfFile& file) : file_(file), held_(file.TakeForWrite()) {}
  ~WriteMoment() {
    if (held_) file_.LetReadersBackIn();
  }
  explicit operator bool() const { return held_; }

 private:
  DbfFile& file_;
  bool held_;
};

bool DbfFile::WriteRecord(uint32_t recno, const char* bytes) {
  if (mode_ == DbfOpenMode::ReadOnly || recno < 1 || recno > count_) return false;
  const WriteMoment moment(*this);
  if (!moment) return false;
  TouchHeader();
  std::memcpy(const_cast<char*>(Record(recno)), bytes, static_cast<size_t>(recordLength_));
  return true;
}

bool DbfFile::SetDeleted(uint32_t recno, bool deleted) {
  if (mode_ == DbfOpenMode::ReadOnly || recno < 1 || recno > count_) return false;
  const WriteMoment moment(*this);
  if (!moment) return false;
  TouchHeader();
  const_cast<char*>(Record(recno))[0] = deleted ? '*' : ' ';
  return true;
}

bool DbfFile::AppendRecord(const char* bytes) {
  appendStatus_ = DbfStatus::Ok;
  if (mode_ == DbfOpenMode::ReadOnly || !data_) {
    appendStatus_ = DbfStatus::ReadOnly;
    return false;
  }
  const WriteMoment moment(*this);
  if (!moment) {
    appendStatus_ = DbfStatus::Locked;
    return false;
  }
  const size_t newSize = headerLength_ + (count_ + 1) * static_cast<size_t>(recordLength_) + 1;
  // The disk space is reserved for real before the mapping writes into it: a page of a
  // sparse file that cannot be given a block on a full disk would kill the program (SIGBUS).
  if (newSize > fileSize_) {
    const int rc = platform::ReserveSpace(fd_, fileSize_, newSize - fileSize_);
    if (rc != 0) {
      platform::SetFileSize(fd_, fileSize_);  // give back what was taken
      appendStatus_ = StatusFromErrno(rc);
      return false;
    }
  } else if (newSize < fileSize_ && !CutFile(newSize)) {
    appendStatus_ = StatusFromErrno(errno);
    return false;
  }
  const size_t oldSize = fileSize_;
  fileSize_ = newSize;  // the views below may reach this far
  if (newSize > mapped_) {
    Unmap();
    if (!MapFile(newSize * 2) && !MapFile(newSize)) {
      appendStatus_ = StatusFromErrno(errno);
      fileSize_ = oldSize;
      platform::SetFileSize(fd_, fileSize_);
      if (!MapFile(fileSize_)) data_ = nullptr;  // the table can no longer be used; callers see false
      return false;
    }
  }
  TouchHeader();
  ++count_;
  std::memcpy(const_cast<char*>(Record(count_)), bytes, static_cast<size_t>(recordLength_));
  data_[newSize - 1] = kEndOfFile;
  PutLe32(reinterpret_cast<unsigned char*>(data_) + 4, count_);
  return true;
}

DbfStatus DbfFile::Pack() {
  if (mode_ == DbfOpenMode::ReadOnly) return DbfStatus::ReadOnly;
  if (sharing_) return DbfStatus::Locked;  // packs belong to the start, before readers are let in
  uint32_t live = 0;
  for (uint32_t r = 1; r <= count_; ++r) live += IsDeleted(r) ? 0 : 1;
  if (live == count_) return DbfStatus::Ok;

  DbfWriter out(path_, std::string(data_, headerLength_));
  for (uint32_t r = 1; r <= count_; ++r) {
    if (!IsDeleted(r)) out.Add(Record(r));
  }
  if (!Sync()) return StatusFromErrno(errno ? errno : EIO);  // what was posted reaches the disk first
  // The view goes before the rename: Windows does not replace a file that is mapped.
  const size_t length = mapped_;
  Unmap();
  const int fd = out.Commit(true);
  if (fd < 0) {
    const int error = out.error() ? out.error() : EIO;
    if (!MapFile(length)) data_ = nullptr;  // the old table as it was, unless it cannot be seen any more
    return StatusFromErrno(error);
  }
  if (mode_ != DbfOpenMode::Exclusive && !platform::TryHold(fd, platform::Hold::Shared)) {  // converts the lock
    const int error = errno;
    platform::CloseFile(fd);
    return StatusFromErrno(error);
  }
  const auto st = platform::OpenFileInfo(fd);
  if (!st) {
    const int error = errno;
    platform::CloseFile(fd);
    return StatusFromErrno(error);
  }

  // Carry on with the new file, still holding the lock.
  Unmap();
  platform::CloseFile(fd_);
  fd_ = fd;
  fields_.clear();
  warning_.clear();
  touched_ = false;
  fileSize_ = static_cast<size_t>(st->size);
  if (!MapFile(fileSize_ + fileSize_ / 2 + (4u << 20))) return StatusFromErrno(errno);
  return ParseHeader(fileSize_);
}

bool DbfFile::TrimToRecords() {
  if (mode_ == DbfOpenMode::ReadOnly || !data_) return false;
  const size_t size = headerLength_ + count_ * static_cast<size_t>(recordLength_) + 1;
  if (size > fileSize_ && platform::ReserveSpace(fd_, fileSize_, size - fileSize_) != 0) return false;
  if (size < fileSize_ && !CutFile(size)) return false;
  fileSize_ = size;
  touched_ = false;
  TouchHeader();  // the header's count becomes the records read
  data_[size - 1] = kEndOfFile;
  warning_.clear();
  return Sync();
}

bool DbfFile::Sync() {
  if (data_ == nullptr || mode_ == DbfOpenMode::ReadOnly) return true;
  return platform::FlushView(platform::View{data_, mapped_}, fileSize_, fd_);
}

bool DbfFile::BeginStagedChange() {
  if (mode_ != DbfOpenMode::Exclusive || !data_ || !stagedPath_.empty() || lockLost_) return false;
  // Readers are kept out of the table until the copy has replaced it: what they read of the
  // table and of the files changed with it (VAK.MEM) is then either all old or all new.
  if (!TakeForWrite()) return false;
  int error = 0;
  TempFile copy = CreateTempBeside(path_, &error);
  if (copy.fd < 0) {
    StatusFromErrno(error);
    LetReadersBackIn();
    return false;
  }
  auto fail = [&](int why) {
    StatusFromErrno(why ? why : EIO);
    platform::CloseFile(copy.fd);
    platform::RemoveFile(copy.path);
    LetReadersBackIn();
    return false;
  };
  if (!platform::TryHold(copy.fd, platform::Hold::Exclusive)) return fail(errno);
  if (FileFaultFires(FileFault::Write)) return fail(ENOSPC);
  if (!WriteFully(copy.fd, data_, fileSize_)) return fail(errno);
  const auto view = platform::MapFile(copy.fd, fileSize_, mapped_, true);
  if (!view) return fail(errno);
  Unmap();
  data_ = view->data;
  mapped_ = view->length;
  unstagedFd_ = fd_;
  fd_ = copy.fd;
  stagedPath_ = std::move(copy.path);
  return true;
}

void DbfFile::AdoptStagedChange() {
  if (stagedPath_.empty()) return;
  platform::CloseFile(unstagedFd_);  // the lock on the old table goes with it; the copy holds its own
  unstagedFd_ = -1;
  stagedPath_.clear();
  LetReadersBackIn();
}

void DbfFile::AbandonStagedChange() {
  if (stagedPath_.empty()) return;
  Unmap();
  platform::CloseFile(fd_);
  platform::RemoveFile(stagedPath_);
  stagedPath_.clear();
  fd_ = unstagedFd_;
  unstagedFd_ = -1;
  touched_ = false;
  LetReadersBackIn();
  const auto st = platform::OpenFileInfo(fd_);
  fileSize_ = st ? static_cast<size_t>(st->size) : fileSize_;
  fields_.clear();
  warning_.clear();
  if (MapFile(fileSize_ + fileSize_ / 2 + (4u << 20))) ParseHeader(fileSize_);
}

std::string NewTableHeader(const std::vector<DbfField>& fields, unsigned char codePage) {
  if (fields.empty() || fields.size() > 255) return std::string();
  const size_t headerLength = kFileHeaderSize + kDescriptorSize * fields.size() + 1;
  std::string bytes(headerLength, '\0');
  auto* h = reinterpret_cast<unsigned char*>(bytes.data());
  h[0] = 0x03;
  PutToday(h);
  PutLe16(h + 8, static_cast<uint16_t>(headerLength));
  uint32_t offset = 1;
  for (size_t i = 0; i < fields.size(); ++i) {
    const DbfField& f = fields[i];
    if (f.length < 1 || f.length > 254 || f.name.empty() || f.name.size() > 10) return std::string();
    unsigned char* d = h + kFileHeaderSize + kDescriptorSize * i;
    const std::string name = AsciiUpper(f.name);
    std::memcpy(d, name.data(), name.size());
    d[11] = static_cast<unsigned char>(f.type);
    PutLe32(d + 12, offset);
    d[16] = static_cast<unsigned char>(f.length);
    d[17] = static_cast<unsigned char>(f.type == 'C' ? 0 : f.decimals);
    offset += static_cast<uint32_t>(f.length);
  }
  if (offset > 0xFFFF) return std::string();
  PutLe16(h + 10, static_cast<uint16_t>(offset));
  h[29] = codePage;
  bytes[headerLength - 1] = 0x0D;
  return bytes;
}

DbfStatus DbfFile::Create(const std::string& path, const std::vector<DbfField>& fields, unsigned char codePage) {
  DbfWriter writer(path, fields, codePage);
  if (!writer.ok()) return writer.error() ? StatusFromErrno(writer.error()) : DbfStatus::NotATable;
  if (writer.Commit() < 0)
    return StatusFromErrno(writer.error()) == DbfStatus::ReadOnly ? DbfStatus::ReadOnly : DbfStatus::IoError;
  return DbfStatus::Ok;
}

class DbfWriter::Impl : public FileBeside {
 public:
  using FileBeside::FileBeside;
};

DbfWriter::DbfWriter(const std::string& path, const std::vector<DbfField>& fields, unsigned char codePage)
    : DbfWriter(path, NewTableHeader(fields, codePage)) {}

DbfWriter::DbfWriter(const std::string& path, std::string headerBytes) : header_(std::move(headerBytes)) {
  if (header_.size() < kFileHeaderSize + 1) return;
  recordLength_ = Le16(reinterpret_cast<const unsigned char*>(header_.data()) + 10);
  impl_ = std::make_unique<Impl>(path);
  impl_->Write(header_.data(), header_.size());
}

DbfWriter::~DbfWriter() = default;

bool DbfWriter::ok() const { return impl_ && impl_->ok(); }
int DbfWriter::error() const { return impl_ ? impl_->error() : 0; }

void DbfWriter::Add(const char* record) {
  if (!ok()) return;
  impl_->Write(record, recordLength_);
  ++count_;
}

int DbfWriter::Commit(bool keepOpenLocked) {
  if (!ok()) return -1;
  impl_->Write(&kEndOfFile, 1);
  auto* h = reinterpret_cast<unsigned char*>(header_.data());
  PutToday(h);
  PutLe32(h + 4, count_);
  impl_->Rewrite(0, header_.data(), kFileHeaderSize);
  return impl_->Commit(keepOpenLocked, keepOpenLocked);
}

std::string_view FieldBytes(const char* record, const DbfField& field) {
  return std::string_view(record + field.offset, static_cast<size_t>(field.length));
}

long double ParseNumericField(std::string_view bytes) {
  size_t b = 0;
  size_t e = bytes.size();
  while (b < e && (bytes[b] == ' ' || bytes[b] == '\0')) ++b;
  while (e > b && (bytes[e - 1] == ' ' || bytes[e - 1] == '\0')) --e;
  if (b == e) return 0;
  bool negative = false;
  if (bytes[b] == '-' || bytes[b] == '+') {
    negative = bytes[b] == '-';
    ++b;
  }
  // Fast path for plain digits with an optional point: one exact integer, one division.
  unsigned long long digits = 0;
  int digitCount = 0;
  int decimals = -1;
  bool plain = b < e;
  for (size_t i = b; i < e && plain; ++i) {
    const char c = bytes[i];
    if (c >= '0' && c <= '9') {
      digits = digits * 10 + static_cast<unsigned>(c - '0');
      if (++digitCount > 18) plain = false;
      if (decimals >= 0) ++decimals;
    } else if ((c == '.' || c == ',') && decimals < 0) {
      decimals = 0;
    } else {
      plain = false;  // letters, asterisks, inner blanks: not a number
    }
  }
  if (!plain) {
    if (digitCount <= 18) return 0;
    std::string text(bytes.substr(b, e - b));
    for (char& c : text) c = c == ',' ? '.' : c;
    size_t used = 0;
    const std::optional<long double> v = platform::ReadExtended(text, used);
    if (!v || used != text.size()) return 0;
    return negative ? -*v : *v;
  }
  if (digitCount == 0) return 0;
  long double v = static_cast<long double>(digits);
  if (decimals > 0) {
    static const long double kPowers[] = {1,     1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L, 1e9L,
                                          1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L};
    v /= kPowers[decimals];
  }
  if (v == 0) return 0;
  return negative ? -v : v;
}

bool StoreNumericField(char* record, const DbfField& field, long double value) {
  std::string text;
  if (!FixedPointText(value, field.length, field.decimals, text)) return false;
  std::memcpy(record + field.offset, text.data(), text.size());
  return true;
}

bool ParseScaledField(std::string_view bytes, int decimals, long long& scaled) {
  size_t b = 0;
  size_t e = bytes.size();
  while (b < e && bytes[b] == ' ') ++b;
  while (e > b && bytes[e - 1] == ' ') --e;
  bool negative = false;
  if (b < e && bytes[b] == '-') {
    negative = true;
    ++b;
  }
  long long value = 0;
  int digits = 0;
  int fraction = -1;
  for (size_t i = b; i < e; ++i) {
    const char c = bytes[i];
    if (c >= '0' && c <= '9') {
      if (++digits > 17) return false;
      value = value * 10 + (c - '0');
      if (fraction >= 0 && ++fraction > decimals) return false;
    } else if (c == '.' && fraction < 0) {
      fraction = 0;
    } else {
      return false;
    }
  }
  if (digits == 0 && (negative || fraction >= 0)) return false;
  for (int f = fraction < 0 ? 0 : fraction; f < decimals; ++f) {
    if (__builtin_mul_overflow(value, 10LL, &value)) return false;
  }
  scaled = negative ? -value : value;
  return true;
}

bool IsReadableNumericField(std::string_view bytes) {
  size_t b = 0;
  size_t e = bytes.size();
  while (b < e && bytes[b] == ' ') ++b;
  while (e > b && bytes[e - 1] == ' ') --e;
  if (b == e) return true;  // blank: zero
  if (bytes[b] == '-' || bytes[b] == '+') ++b;
  bool digits = false;
  bool point = false;
  for (size_t i = b; i < e; ++i) {
    const char c = bytes[i];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

bool WholeFitsField(const DbfField& field, long long value) {
  int n = value < 0 ? 1 : 0;
  unsigned long long magnitude =
      value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  do {
    ++n;
    magnitude /= 10;
  } while (magnitude != 0);
  return n <= field.length;
}

bool StoreWholeField(char* record, const DbfField& field, long long value) {
  if (field.decimals != 0) return StoreNumericField(record, field, static_cast<long double>(value));
  char digits[24];
  int n = 0;
  unsigned long long magnitude =
      value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) digits[n++] = '-';
  if (n > field.length) return false;
  char* p = record + field.offset;
  std::memset(p, ' ', static_cast<size_t>(field.length - n));
  for (int i = 0; i < n; ++i) p[field.length - 1 - i] = digits[i];
  return true;
}

void StoreCharacterField(char* record, const DbfField& field, std::string_view text) {
  const std::string cut = CutToWidth(text, static_cast<size_t>(field.length));
  char* p = record + field.offset;
  std::memcpy(p, cut.data(), cut.size());
  std::memset(p + cut.size(), ' ', static_cast<size_t>(field.length) - cut.size());
}

}  // namespace vak
