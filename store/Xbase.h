// The table components through which every table of the program is used:
//   TXbaseEnv  - the one set of engine settings of the program;
//   TZekTable  - a table with a current record, fields by name, edit/append/post;
//   TXbase     - the xBase operations of a TZekTable (order, query, seek, pack, counts,
//                table creation, structure).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/UserNotifier.h"
#include "store/ItemTable.h"
#include "store/XbTable.h"

namespace vak {

class TXbaseEnv {
 public:
  // A second environment while one exists throws std::logic_error
  // ("Removing extra TXbaseEnv component").
  TXbaseEnv();
  ~TXbaseEnv();
  TXbaseEnv(const TXbaseEnv&) = delete;
  TXbaseEnv& operator=(const TXbaseEnv&) = delete;
  static TXbaseEnv* Instance();

  bool Deleted() const { return settings_.deleted; }
  void SetDeleted(bool v) { settings_.deleted = v; }
  bool Exact() const { return settings_.exact; }
  void SetExact(bool v) { settings_.exact = v; }

  const EngineSettings& settings() const { return settings_; }

 private:
  EngineSettings settings_;
};

class TZekTable;

class TXbase {
 public:
  explicit TXbase(TZekTable& owner) : owner_(owner) {}

  void GoTop();
  void GoBottom();
  bool Go(uint32_t recno);
  void Skip(long n);
  bool Eof() const;
  bool Bof() const;
  uint32_t RecNo() const;
  uint32_t RecCount() const;
  uint32_t Count();
  bool SetOrder(int order);
  int IndexOrd() const;
  bool IndexTag(const std::string& file, const std::string& tag, const std::string& key, int option = 0,
                bool descending = false, const std::string& condition = std::string());
  // The query survives closing and reopening the table: it is applied again on open.
  bool Query(const std::string& expression);
  const std::string& Filter() const { return filter_; }
  bool Seek(const std::string& key);
  uint32_t OrderRecNo();
  bool Pack();

 private:
  friend class TZekTable;
  TZekTable& owner_;
  std::string filter_;
};

class TZekTable {
 public:
  TZekTable(TXbaseEnv& env, UserNotifier& notifier);
  ~TZekTable();
  TZekTable(const TZekTable&) = delete;
  TZekTable& operator=(const TZekTable&) = delete;

  TXbase& Xbase() { return xbase_; }
  const TXbase& Xbase() const { return xbase_; }

  bool SetDatabaseName(const std::string& dir);
  bool SetTableName(const std::string& name);
  const std::string& DatabaseName() const { return databaseName_; }
  const std::string& TableName() const { return tableName_; }
  bool Opened() const { return opened_; }
  bool Active() const { return table_ != nullptr; }
  bool Exclusive() const { return table_ && table_->file().mode() == DbfOpenMode::Exclusive; }

  // Shared open; false, without a message, when the file is missing or cannot be opened.
  // The file name is trimmed; the directory is used exactly as given.
  bool Open(const std::string& dir, const std::string& file, const std::string& kind);
  // Exclusive open; a table in use elsewhere is reported to the user ("다른 사용자가 사용하고
  // 있습니다."), as are a damaged table and one that cannot be written.
  bool OpenExclusive(const std::string& dir, const std::string& file, const std::string& kind);
  // Read-only open, for looking at a tender without changing it (a lock held by the program is
  // reported as for OpenExclusive).
  bool OpenReadOnly(const std::string& dir, const std::string& file, const std::string& kind);
  // Writes what is pending and closes; a failure to bring the table or its index file to the
  // disk is told to the user and gives false (the table is closed all the same).
  bool Close();
  // Why the last open failed.
  DbfStatus LastStatus() const { return lastStatus_; }
  std::string Warnings() const { return table_ ? table_->Warnings() : std::string(); }

  // --- the record set: fields of the current record (or of the record being edited)
  int FieldIndex(std::string_view name) const;  // 0-based; -1 when absent
  // The item table's fields by what they hold, for a walk over many lines.
  ItemFieldMap FieldMap() const { return ItemFieldMap(table_ ? &table_->file() : nullptr); }
  const DbfField* FindField(std::string_view name) const;
  std::string FieldAsString(std::string_view name) const;  // character fields padded to their width
  long double FieldAsFloat(std::string_view name) const;
  // By index, for passes over many records.
  std::string_view FieldBytesAt(int index) const;
  long double FieldNumberAt(int index) const;

  // Assignments start an edit when none is pending. A number that does not fit its field,
  // or text without its place, is refused (false) and the record is left as it was.
  bool SetFieldText(std::string_view name, std::string_view text);
  bool SetFieldNumber(std::string_view name, long double value);
  bool SetFieldTextAt(int index, std::string_view text);
  bool SetFieldNumberAt(int index, long double value);
  bool SetFieldWholeAt(int index, long long value);  // a whole number, without a floating detour

  void Edit();
  void Append();
  // Writes the pending edit or new record; nothing happens without one. False when the
  // record could not be written (a full disk on an append); the caller stops its pass.
  bool Post();
  void Cancel();
  bool Editing() const { return state_ != State::Browse; }
  void Skip(long n);
  bool Eof() const;
  bool Bof() const;
  uint32_t RecNo() const;
  bool Delete();

  XbTable* engine() { return table_.get(); }
  const XbTable* engine() const { return table_.get(); }
  TXbaseEnv& env() { return env_; }

 private:
  friend class TXbase;
  enum class State { Browse, Edit, Insert };

  bool OpenWith(const std::string& dir, const std::string& file, const std::string& kind, DbfOpenMode mode,
                bool reportFailure);
  const char* RecordForRead() const;
  const DbfField* FieldToAssign(int index);
  bool PostPending();  // before moves: a pending edit is written, an unchanged one dropped

  TXbaseEnv& env_;
  UserNotifier& notifier_;
  TXbase xbase_;
  std::unique_ptr<XbTable> table_;
  std::string databaseName_;
  std::string tableName_;
  bool opened_ = false;
  DbfStatus lastStatus_ = DbfStatus::Ok;
  State state_ = State::Browse;
  std::string buffer_;  // the record being edited or appended
  bool changed_ = false;
};

// What the user is told when a table cannot be opened: the path, a line break and the cause.
// Only a lock held by another program says "다른 사용자가 사용하고 있습니다.".
std::string OpenFailureText(const std::string& path, DbfStatus status);

// Seeks `key` (a prefix of the current order's key); true when found. When not found the
// table stands at its end, as the designed component leaves it whatever soft seek would choose.
bool SoftSeek(TZekTable& table, const std::string& key);

}  // namespace vak
