#include "pricing/PriceHistory.h"

#include <cstring>

#include "common/Failure.h"
#include "common/FileCommit.h"
#include "common/Files.h"
#include "store/MemFile.h"
#include "store/TenderFiles.h"

namespace vak {

RecordSnapshot::RecordSnapshot(const DbfFile& table, std::vector<uint32_t> records)
    : records_(std::move(records)), count_(table.RecordCount()), length_(static_cast<size_t>(table.RecordLength())) {
  bytes_.reserve(records_.size() * length_);
  for (const uint32_t r : records_) bytes_.append(table.Record(r), length_);
}

RecordSnapshot RecordSnapshot::Whole(const DbfFile& table) {
  RecordSnapshot s;
  s.count_ = table.RecordCount();
  s.length_ = static_cast<size_t>(table.RecordLength());
  if (s.count_ > 0) s.bytes_.assign(table.Record(1), s.count_ * s.length_);  // the records lie one after another
  return s;
}

std::optional<std::vector<RecordChange>> RecordSnapshot::Changes(const DbfFile& table) const {
  if (table.RecordCount() != count_ || static_cast<size_t>(table.RecordLength()) != length_) return std::nullopt;
  std::vector<RecordChange> changes;
  const size_t n = records_.empty() ? count_ : records_.size();
  for (size_t i = 0; i < n; ++i) {
    const uint32_t recno = records_.empty() ? static_cast<uint32_t>(i + 1) : records_[i];
    const char* was = bytes_.data() + i * length_;
    const char* now = table.Record(recno);
    if (std::memcmp(was, now, length_) != 0)
      changes.push_back({recno, std::string(was, length_), std::string(now, length_)});
  }
  return changes;
}

void PriceHistory::Push(PriceStep step) {
  steps_.resize(done_);
  steps_.push_back(std::move(step));
  ++done_;
}

namespace {

void Fail(UserNotifier& notifier, const std::string& text) {
  notifier.Message(text, "오류", MessageIcon::Error, MessageButtons::Ok);
}

bool PutRecords(XbTable& table, const PriceStep& step, bool undo) {
  for (const RecordChange& c : step.records) {
    if (!table.Go(c.recno) || !table.PutRecord((undo ? c.before : c.after).data())) return false;
  }
  return true;
}

// The header the step leaves: its own bytes while the header is as the step found it on the
// other side, else the header as it is with the step's tender amount.
std::optional<std::string> HeaderBytes(const std::string& path, const PriceStep& step, bool undo) {
  const std::string& wanted = undo ? *step.headerBefore : *step.headerAfter;
  const std::string& other = undo ? *step.headerAfter : *step.headerBefore;
  const std::optional<std::string> now = ReadWholeFile(path);
  if (!now) return std::nullopt;
  if (*now == other) return wanted;
  HeaderValues values;
  std::array<bool, 15> present{};
  if (!ParseProjectHeader(*now, values, present)) return std::nullopt;
  values[kCmnIpmt] = ReadMemVarFromBytes(wanted, "CMN_IPMT");
  std::string bytes;
  if (!BuildMemFile(values, bytes)) return std::nullopt;
  return bytes;
}

}  // namespace

bool CommitRecordWrites(TZekTable& items, const std::string& dataDir, const std::function<bool()>& write,
                        const std::optional<std::string>& headerBytes, UserNotifier& notifier) {
  XbTable* table = items.engine();
  if (!table) return false;
  items.Post();
  DbfFile& file = table->file();
  const std::string recordsFailure =
      file.path() + "\n단가를 기록하지 못했습니다. 디스크 공간과 쓰기 권한을 확인하십시오. 내역은 그대로입니다.";
  FileSetCommit commit(dataDir);
  std::optional<FileBeside> header;
  if (headerBytes) {
    const std::string path = LoadProjectHeader(dataDir).path;
    header.emplace(path);
    header->Write(*headerBytes);
    const std::string staged = header->Stage();
    if (staged.empty()) {
      Fail(notifier, "정보 화일(" + path + ")을 저장할 수 없습니다.");
      return false;
    }
    commit.Add(staged, path);
  }
  if (!file.BeginStagedChange()) {
    Fail(notifier, recordsFailure);
    return false;
  }
  commit.Add(file.stagedPath(), file.path());
  if (!write() || !table->Flush()) {
    file.AbandonStagedChange();
    Fail(notifier, recordsFailure);
    return false;
  }
  Failure error;
  if (!commit.Commit(&error)) {
    if (!commit.recorded()) {
      file.AbandonStagedChange();
      Fail(notifier, recordsFailure);
      return false;
    }
    file.AdoptStagedChange();  // the next start finishes the renames
    Fail(notifier, UnfinishedCommitText(dataDir, FailureText(error)));
    return false;
  }
  file.AdoptStagedChange();
  return true;
}

bool ApplyStep(TZekTable& items, const std::string& dataDir, const PriceStep& step, bool undo, UserNotifier& notifier) {
  XbTable* table = items.engine();
  if (!table) return false;
  items.Post();
  const bool hasHeader = step.headerBefore && step.headerAfter;
  if (step.records.size() == 1 && !hasHeader) {
    if (PutRecords(*table, step, undo)) return true;
    Fail(notifier,
         table->file().path() + "\n단가를 되돌려 기록하지 못했습니다. 디스크 공간과 쓰기 권한을 확인하십시오.");
    return false;
  }
  std::optional<std::string> header;
  if (hasHeader) {
    const std::string path = LoadProjectHeader(dataDir).path;
    header = HeaderBytes(path, step, undo);
    if (!header) {
      Fail(notifier, "정보 화일(" + path + ")을 저장할 수 없습니다.");
      return false;
    }
  }
  return CommitRecordWrites(
      items, dataDir, [&] { return PutRecords(*table, step, undo); }, header, notifier);
}

}  // namespace vak
