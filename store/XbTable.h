// One open table of our xBase engine: the DBF file, its orders (tags), a query, and a
// cursor that moves through the records the query lets through, in the current order.
//
// An order is a vector of record numbers sorted by the tag's key, built in one pass when
// first used. The records that pass the query (and are not deleted, when deleted records are
// hidden) are collected once per query and order, so Count and every move are O(1) and a
// seek is a binary search. Adding a tag writes the compound index file beside the table so
// other xBase tools see the order too.
#pragma once

#include "common/Failure.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/Cdx.h"
#include "store/DbfFile.h"
#include "store/Expression.h"

namespace vak {

// The engine's settings, shared by every open table (held by TXbaseEnv).
struct EngineSettings {
  bool deleted = false;  // hide deleted records from moves and counts
  bool exact = false;    // "=" on texts ignores trailing blanks but needs equal texts
};

class XbTable {
 public:
  static std::unique_ptr<XbTable> Open(const std::string& path, DbfOpenMode mode, const EngineSettings& settings,
                                       DbfStatus& status);
  ~XbTable();

  DbfFile& file() { return *file_; }
  const DbfFile& file() const { return *file_; }
  // Warnings of the lenient readers (the table and its index file), empty when none.
  std::string Warnings() const;

  // --- orders: 0 is the physical order, 1..n the tags
  int TagCount() const { return static_cast<int>(tags_.size()); }
  std::string TagName(int order) const;
  std::string TagExpression(int order) const;
  bool SetOrder(int order);
  int IndexOrd() const { return order_; }
  // Adds (or replaces) a tag with a text key and writes the index file; the tag becomes the
  // current order. False with `error` set when the key is not a text expression of this table
  // or the index file cannot be written.
  bool IndexTag(const std::string& tag, const std::string& keyExpression, Failure* error = nullptr);
  std::string IndexPath() const;
  // The same order held in memory only, for a table that is only read: the index file is
  // neither read nor written.
  bool IndexTagInMemory(const std::string& tag, const std::string& keyExpression, Failure* error = nullptr);
  // Forgets the tags read from the index file (the file itself is left alone), for a start
  // that deletes and rebuilds it.
  void ForgetIndexFile();
  // Writes what is pending (an index file whose orders changed) and flushes the table to the
  // disk; false with `error` set when either fails. Closing calls it too, but cannot report.
  bool Flush(Failure* error = nullptr);

  // --- query ("" lifts it)
  bool Query(const std::string& expression, std::string* error = nullptr);
  const std::string& QueryText() const { return queryText_; }
  // Narrows the records the query lets through to those listed (record numbers, any order): a
  // view of chosen lines. Writes do not change the choice; the next Query or a pack lifts it,
  // as does an empty list.
  void RestrictTo(const std::vector<uint32_t>& records);
  bool Restricted() const { return !chosen_.empty(); }

  // --- moves over the visible records
  void GoTop();
  void GoBottom();
  bool Go(uint32_t recno);
  void Skip(long n);
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  uint32_t RecNo() const { return recno_; }  // RecCount()+1 at the end
  uint32_t RecCount() const { return file_->RecordCount(); }
  uint32_t Count();
  uint32_t OrderRecNo();  // 1-based position of the current record among the visible ones
  // Makes the record at a 1-based position among the visible ones current.
  bool GoToPosition(uint32_t position);
  // Whether the query (and the deleted setting) lets the record through.
  bool IsVisible(uint32_t recno);
  // Seeks `key` (a prefix of the current order's key); true when found, else at the end.
  bool Seek(std::string_view key);

  // --- records
  const char* Current() const { return eof_ || recno_ > RecCount() ? nullptr : file_->Record(recno_); }
  bool PutRecord(const char* bytes);
  bool Append(const char* bytes);  // the new record becomes current
  bool Delete(bool deleted = true);
  DbfStatus Pack();

 private:
  struct Tag {
    CdxTagInfo info;
    std::unique_ptr<Expression> key;
    std::vector<uint32_t> order;  // record numbers in key order; empty until built
    bool built = false;
  };

  XbTable(std::unique_ptr<DbfFile> file, const EngineSettings& settings);
  void LoadIndexFile();
  bool AddTag(const std::string& tag, const std::string& keyExpression, bool writeFile, Failure* error);
  void BuildOrder(Tag& tag);
  std::string KeyOf(const Tag& tag, const char* record) const;
  bool QueryPasses(const char* record) const;
  bool Chosen(uint32_t recno) const;  // within the restriction, or none is set
  void Invalidate();                  // orders and visible list must be rebuilt
  void EnsureVisible();
  void PlaceCursorAt(uint32_t recno);
  void SetAtEnd();
  bool WriteIndexFile(Failure* error);

  std::unique_ptr<DbfFile> file_;
  const EngineSettings& settings_;
  std::vector<Tag> tags_;
  int order_ = 0;
  std::string queryText_;
  std::unique_ptr<Expression> query_;
  bool queryExact_ = false;
  std::vector<bool> chosen_;  // by record number; empty: no restriction
  std::string indexWarning_;
  bool indexDirty_ = false;

  // visible records, in the current order; positions by record number (-1: not visible)
  std::vector<uint32_t> visible_;
  std::vector<int32_t> positionOf_;
  bool visibleValid_ = false;
  bool visibleDeleted_ = false;

  size_t pos_ = 0;
  bool offList_ = false;  // the current record is not among the visible ones
  std::string scratch_;
  uint32_t recno_ = 0;
  bool eof_ = true;
  bool bof_ = true;
};

}  // namespace vak
