// The window's undo history: every price entry (one line, or a group of identical items), carry,
// import and amount adjustment is one step, held as the records it changed with their bytes
// before and after, and the project header when the step changed the tender amount. Undoing
// writes the bytes back exactly; the history lives as long as the window's session.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/UserNotifier.h"
#include "store/DbfFile.h"
#include "store/Xbase.h"

namespace vak {

struct RecordChange {
  uint32_t recno = 0;
  std::string before, after;
};

struct PriceStep {
  std::string what;  // "단가 입력", "단가 가져오기", … as the menu names it after 되돌리기
  std::vector<RecordChange> records;
  std::optional<std::string> headerBefore, headerAfter;  // VAK.MEM's bytes, when the step wrote it
  bool Empty() const { return records.empty() && headerBefore == headerAfter; }
};

// The bytes of some records (or all of them) at one moment, to tell afterwards what changed.
class RecordSnapshot {
 public:
  RecordSnapshot(const DbfFile& table, std::vector<uint32_t> records);
  static RecordSnapshot Whole(const DbfFile& table);
  // The records whose bytes differ now, in record order; nullopt when the table no longer has
  // the records it had (then no step can be made of it).
  std::optional<std::vector<RecordChange>> Changes(const DbfFile& table) const;

 private:
  RecordSnapshot() = default;
  std::vector<uint32_t> records_;  // empty: every record
  std::string bytes_;
  uint32_t count_ = 0;
  size_t length_ = 0;
};

class PriceHistory {
 public:
  // A new step; the steps undone before it cannot be done again.
  void Push(PriceStep step);
  const PriceStep* ToUndo() const { return done_ > 0 ? &steps_[done_ - 1] : nullptr; }
  const PriceStep* ToRedo() const { return done_ < steps_.size() ? &steps_[done_] : nullptr; }
  void Undone() { --done_; }
  void Redone() { ++done_; }
  void Clear() { steps_.clear(), done_ = 0; }

 private:
  std::vector<PriceStep> steps_;
  size_t done_ = 0;  // steps_[0, done_) are in effect
};

// Runs `write`, which writes records of the open table, with every write going to a copy of the
// table, and puts the copy in place (with the header `headerBytes` when given) in one commit:
// all of it lands or none. False, told through `notifier`, when it does not.
bool CommitRecordWrites(TZekTable& items, const std::string& dataDir, const std::function<bool()>& write,
                        const std::optional<std::string>& headerBytes, UserNotifier& notifier);

// Writes one side of `step` into the open table: the bytes before it for an undo, after it for
// a redo. A single record is written as a price entry writes it; more records, or the header,
// go to a copy of the table and replace it together with the header in one commit, so a step
// is taken back whole or not at all. The header gets its exact bytes back while nothing else
// changed it since; otherwise only its tender amount is set. False, told through `notifier`,
// when it cannot be written; nothing has changed then.
bool ApplyStep(TZekTable& items, const std::string& dataDir, const PriceStep& step, bool undo, UserNotifier& notifier);

}  // namespace vak
