#include "store/Xbase.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "common/Files.h"
#include "common/Numbers.h"
#include "common/Text.h"

namespace vak {
namespace {

TXbaseEnv* g_env = nullptr;

// The index kinds a table can be opened with; empty takes the table's own compound index.
bool IsIndexKind(const std::string& kind) {
  return kind.empty() || EqualsNoCase(kind, "CDX") || EqualsNoCase(kind, "NTX") || EqualsNoCase(kind, "NSX");
}

}  // namespace

// ---------------------------------------------------------------- TXbaseEnv

TXbaseEnv::TXbaseEnv() {
  if (g_env) throw std::logic_error("Removing extra TXbaseEnv component");
  g_env = this;
}

TXbaseEnv::~TXbaseEnv() {
  if (g_env == this) g_env = nullptr;
}

TXbaseEnv* TXbaseEnv::Instance() { return g_env; }

// ---------------------------------------------------------------- TZekTable

TZekTable::TZekTable(TXbaseEnv& env, UserNotifier& notifier) : env_(env), notifier_(notifier), xbase_(*this) {}

TZekTable::~TZekTable() { Close(); }

bool TZekTable::SetDatabaseName(const std::string& dir) {
  if (Active()) return false;
  databaseName_ = dir;
  return true;
}

bool TZekTable::SetTableName(const std::string& name) {
  if (Active()) return false;
  tableName_ = name;
  return true;
}

bool TZekTable::Close() {
  bool ok = true;
  if (table_) {
    ok = PostPending();
    if (!table_->Flush()) {
      ok = false;
      notifier_.Message(
          table_->file().path() + "\n자료를 디스크에 기록하지 못했습니다. 디스크 공간과 쓰기 권한을 확인하십시오.",
          "오류", MessageIcon::Error, MessageButtons::Ok);
    }
  }
  table_.reset();
  state_ = State::Browse;
  opened_ = false;
  return ok;
}

bool TZekTable::Open(const std::string& dir, const std::string& file, const std::string& kind) {
  if (opened_ || Active()) Close();
  return OpenWith(dir, TrimmedText(file), kind, DbfOpenMode::Shared, false);
}

bool TZekTable::OpenExclusive(const std::string& dir, const std::string& file, const std::string& kind) {
  if (Active()) Close();
  return OpenWith(dir, file, kind, DbfOpenMode::Exclusive, true);
}

bool TZekTable::OpenReadOnly(const std::string& dir, const std::string& file, const std::string& kind) {
  if (Active()) Close();
  return OpenWith(dir, file, kind, DbfOpenMode::ReadOnly, true);
}

bool TZekTable::OpenWith(const std::string& dir, const std::string& file, const std::string& kind, DbfOpenMode mode,
                         bool reportFailure) {
  SetDatabaseName(dir);
  SetTableName(file);
  const std::optional<std::string> path = FindFileNoCase(dir, file);
  if (!path) {
    lastStatus_ = DbfStatus::NotFound;
    return false;
  }
  if (!IsIndexKind(kind)) {
    lastStatus_ = DbfStatus::NotATable;
    return false;
  }
  table_ = XbTable::Open(*path, mode, env_.settings(), lastStatus_);
  if (!table_) {
    if (reportFailure) {
      notifier_.Message(OpenFailureText(*path, lastStatus_), "오류", MessageIcon::Error,
                        MessageButtons::Ok);  // the file's own name
    }
    return false;
  }
  if (!xbase_.filter_.empty()) table_->Query(xbase_.filter_);  // a query set while closed
  opened_ = mode == DbfOpenMode::Shared;
  state_ = State::Browse;
  return true;
}

int TZekTable::FieldIndex(std::string_view name) const { return table_ ? table_->file().FieldIndex(name) : -1; }

const DbfField* TZekTable::FindField(std::string_view name) const {
  const int i = FieldIndex(name);
  return i < 0 ? nullptr : &table_->file().fields()[static_cast<size_t>(i)];
}

const char* TZekTable::RecordForRead() const {
  if (state_ != State::Browse) return buffer_.data();
  return table_ ? table_->Current() : nullptr;
}

std::string_view TZekTable::FieldBytesAt(int index) const {
  const char* record = RecordForRead();
  if (!record || index < 0) return {};
  return FieldBytes(record, table_->file().fields()[static_cast<size_t>(index)]);
}

long double TZekTable::FieldNumberAt(int index) const {
  if (index < 0 || !table_) return 0;
  const DbfField& f = table_->file().fields()[static_cast<size_t>(index)];
  const std::string_view bytes = FieldBytesAt(index);
  if (f.type == 'N' || f.type == 'F') return ParseNumericField(bytes);
  return TextToNumber(std::string(bytes));
}

std::string TZekTable::FieldAsString(std::string_view name) const {
  const int i = FieldIndex(name);
  if (i < 0) return std::string();
  const DbfField& f = table_->file().fields()[static_cast<size_t>(i)];
  if (f.type == 'N' || f.type == 'F') return RecordForRead() ? GeneralNumberText(FieldNumberAt(i)) : std::string();
  if (!RecordForRead()) return f.type == 'C' ? std::string(static_cast<size_t>(f.length), ' ') : std::string();
  return std::string(FieldBytesAt(i));
}

long double TZekTable::FieldAsFloat(std::string_view name) const { return FieldNumberAt(FieldIndex(name)); }

// The field an assignment writes, with an edit started when none is pending; nullptr when
// there is no such field or no record to edit.
const DbfField* TZekTable::FieldToAssign(int index) {
  if (index < 0 || !table_) return nullptr;
  if (state_ == State::Browse) Edit();
  if (state_ == State::Browse) return nullptr;
  return &table_->file().fields()[static_cast<size_t>(index)];
}

static bool IsNumeric(const DbfField& f) { return f.type == 'N' || f.type == 'F'; }

bool TZekTable::SetFieldTextAt(int index, std::string_view text) {
  const DbfField* f = FieldToAssign(index);
  if (!f) return false;
  if (IsNumeric(*f)) return SetFieldNumberAt(index, TextToNumber(std::string(text)));
  StoreCharacterField(buffer_.data(), *f, text);
  changed_ = true;
  return true;
}

bool TZekTable::SetFieldNumberAt(int index, long double value) {
  const DbfField* f = FieldToAssign(index);
  if (!f) return false;
  if (!IsNumeric(*f)) return SetFieldTextAt(index, GeneralNumberText(value));
  if (!StoreNumericField(buffer_.data(), *f, value)) return false;
  changed_ = true;
  return true;
}

bool TZekTable::SetFieldWholeAt(int index, long long value) {
  const DbfField* f = FieldToAssign(index);
  if (!f) return false;
  if (!IsNumeric(*f)) return SetFieldNumberAt(index, static_cast<long double>(value));
  if (!StoreWholeField(buffer_.data(), *f, value)) return false;
  changed_ = true;
  return true;
}

bool TZekTable::SetFieldText(std::string_view name, std::string_view text) {
  return SetFieldTextAt(FieldIndex(name), text);
}

bool TZekTable::SetFieldNumber(std::string_view name, long double value) {
  return SetFieldNumberAt(FieldIndex(name), value);
}

void TZekTable::Edit() {
  if (!table_ || state_ != State::Browse || !table_->Current()) return;
  buffer_.assign(table_->Current(), static_cast<size_t>(table_->file().RecordLength()));
  state_ = State::Edit;
  changed_ = false;
}

void TZekTable::Append() {
  if (!table_) return;
  PostPending();
  buffer_ = table_->file().BlankRecord();
  state_ = State::Insert;
  changed_ = true;
}

bool TZekTable::Post() {
  if (!table_ || state_ == State::Browse) return true;
  const State state = state_;
  state_ = State::Browse;
  if (state == State::Insert) {
    if (table_->Append(buffer_.data())) return true;
    const bool full = table_->file().LastAppendStatus() == DbfStatus::NoSpace;
    notifier_.Message(table_->file().path() + "\n" +
                          (full ? "디스크가 가득 차서 자료를 추가할 수 없습니다." : "자료를 추가할 수 없습니다."),
                      "오류", MessageIcon::Error, MessageButtons::Ok);
    return false;
  }
  // An edit that leaves the record as it was writes nothing.
  const char* current = table_->Current();
  if (!changed_ || (current && std::memcmp(current, buffer_.data(), buffer_.size()) == 0)) return true;
  if (table_->PutRecord(buffer_.data())) return true;
  notifier_.Message(table_->file().path() + "\n자료를 기록할 수 없습니다.", "오류", MessageIcon::Error,
                    MessageButtons::Ok);
  return false;
}

bool TZekTable::PostPending() { return Post(); }

void TZekTable::Cancel() { state_ = State::Browse; }

void TZekTable::Skip(long n) {
  if (!table_) return;
  PostPending();
  table_->Skip(n);
}

bool TZekTable::Eof() const { return !table_ || table_->Eof(); }
bool TZekTable::Bof() const { return !table_ || table_->Bof(); }
uint32_t TZekTable::RecNo() const { return table_ ? table_->RecNo() : 0; }

bool TZekTable::Delete() {
  if (!table_) return false;
  PostPending();
  return table_->Delete(true);
}

// ---------------------------------------------------------------- TXbase

void TXbase::GoTop() {
  if (!owner_.table_) return;
  owner_.PostPending();
  owner_.table_->GoTop();
}

void TXbase::GoBottom() {
  if (!owner_.table_) return;
  owner_.PostPending();
  owner_.table_->GoBottom();
}

bool TXbase::Go(uint32_t recno) {
  if (!owner_.table_) return false;
  owner_.PostPending();
  return owner_.table_->Go(recno);
}

void TXbase::Skip(long n) { owner_.Skip(n); }
bool TXbase::Eof() const { return owner_.Eof(); }
bool TXbase::Bof() const { return owner_.Bof(); }
uint32_t TXbase::RecNo() const { return owner_.RecNo(); }
uint32_t TXbase::RecCount() const { return owner_.table_ ? owner_.table_->RecCount() : 0; }

uint32_t TXbase::Count() {
  if (!owner_.table_) return 0;
  owner_.PostPending();
  return owner_.table_->Count();
}

bool TXbase::SetOrder(int order) {
  if (!owner_.table_) return false;
  owner_.PostPending();
  return owner_.table_->SetOrder(order);
}

int TXbase::IndexOrd() const { return owner_.table_ ? owner_.table_->IndexOrd() : 0; }

bool TXbase::IndexTag(const std::string& file, const std::string& tag, const std::string& key, int option,
                      bool descending, const std::string& condition) {
  // Only the table's own compound index, ascending, without a condition, is supported.
  if (!owner_.table_ || !file.empty() || option != 0 || descending || !condition.empty()) return false;
  owner_.PostPending();
  return owner_.table_->IndexTag(tag, key);
}

bool TXbase::Query(const std::string& expression) {
  filter_ = TrimmedText(expression);
  if (!owner_.table_) return true;
  owner_.PostPending();
  return owner_.table_->Query(filter_);
}

bool TXbase::Seek(const std::string& key) {
  if (!owner_.table_) return false;
  owner_.PostPending();
  return owner_.table_->Seek(key);  // not found: at the end
}

uint32_t TXbase::OrderRecNo() { return owner_.table_ ? owner_.table_->OrderRecNo() : 0; }

bool TXbase::Pack() {
  if (!owner_.table_) return false;
  owner_.PostPending();
  return owner_.table_->Pack() == DbfStatus::Ok;
}

std::string OpenFailureText(const std::string& path, DbfStatus status) {
  std::string why;
  switch (status) {
    case DbfStatus::Ok: return std::string();
    case DbfStatus::Locked: why = "다른 사용자가 사용하고 있습니다."; break;
    case DbfStatus::NotFound: why = "화일을 찾을 수 없습니다 (끊어진 링크이거나 지워진 화일입니다)."; break;
    case DbfStatus::NotAFile: why = "일반 화일이 아닙니다 (디렉토리나 장치입니다)."; break;
    case DbfStatus::NotATable: why = "자료 화일이 손상되었거나 xBase 자료 화일이 아닙니다."; break;
    case DbfStatus::Damaged:
      why =
          "자료 화일이 손상되었습니다 (헤더가 필드 정의나 화일 크기와 맞지 않습니다). 화일을 고치지 않고 그대로 "
          "둡니다.";
      break;
    case DbfStatus::ReadOnly: why = "자료 화일에 쓸 수 없습니다. 읽기 전용 매체이거나 쓰기 권한이 없습니다."; break;
    case DbfStatus::NoSpace: why = "디스크에 빈 공간이 없습니다."; break;
    case DbfStatus::IoError: {
      const int error = LastDbfErrno();
      why = "화일을 열 수 없습니다";
      if (error == ELOOP)
        why += " (심볼릭 링크가 순환합니다)";
      else if (error != 0)
        why += " (" + SystemErrorText(error) + ")";
      why += ".";
      break;
    }
  }
  return path + "\n" + why;
}

bool SoftSeek(TZekTable& table, const std::string& key) { return table.Xbase().Seek(key); }

}  // namespace vak
