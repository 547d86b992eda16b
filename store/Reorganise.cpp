#include "store/Reorganise.h"

#include "common/Files.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "store/ItemTable.h"

namespace vak {
namespace {

constexpr const char* kUpgradeFailed = "구버전 Vak를 신버전 Vak로 갱신하는데 실패했습니다.";

// How one field of the old table reaches the new record.
struct FieldCopy {
  const DbfField* from;
  const DbfField* to;
};

std::vector<FieldCopy> PlanCopy(const std::vector<DbfField>& oldFields, const std::vector<DbfField>& newFields) {
  std::vector<FieldCopy> plan;
  for (const DbfField& from : oldFields) {
    if (from.type != 'N' && from.type != 'F' && from.type != 'C') continue;  // dates, logicals, memos
    for (const DbfField& to : newFields) {
      if (EqualsNoCase(from.name, to.name)) plan.push_back({&from, &to});
    }
  }
  return plan;
}

void CopyField(const char* oldRecord, const FieldCopy& copy, char* newRecord) {
  const std::string_view bytes = FieldBytes(oldRecord, *copy.from);
  const bool fromNumber = copy.from->type != 'C';
  const bool toNumber = copy.to->type == 'N' || copy.to->type == 'F';
  if (fromNumber) {
    const long double value = ParseNumericField(bytes);
    if (toNumber) {
      StoreNumericField(newRecord, *copy.to, value);  // a value that does not fit is skipped
    } else {
      StoreCharacterField(newRecord, *copy.to, GeneralNumberText(value));
    }
  } else if (toNumber) {
    StoreNumericField(newRecord, *copy.to, TextToNumber(std::string(bytes)));
  } else {
    StoreCharacterField(newRecord, *copy.to, bytes);
  }
}

}  // namespace

bool ConvertOldItemTable(DbfFile& old, const std::string& newPath, UserNotifier& notifier) {
  DbfWriter target(newPath, ItemTableFields(), old.CodePageByte() ? old.CodePageByte() : kCodePage949);
  const std::vector<FieldCopy> plan = PlanCopy(old.fields(), ItemTableFields());
  std::string record(static_cast<size_t>(kItemRecordLength), ' ');
  for (uint32_t r = 1; r <= old.RecordCount() && target.ok(); ++r) {
    notifier.ProgressStep();
    if (old.IsDeleted(r)) continue;
    record.assign(static_cast<size_t>(kItemRecordLength), ' ');
    for (const FieldCopy& copy : plan) CopyField(old.Record(r), copy, record.data());
    target.Add(record.data());
  }
  old.ReleaseView();  // all read: Windows does not replace a file that is mapped
  return target.Commit() == 0;
}

bool ReorganiseItemTable(TZekTable& items, const std::string& dataDir, UserNotifier& notifier, bool& startupFlag,
                         ReorganiseReport* report) {
  ReorganiseReport ignored;
  if (!report) report = &ignored;
  // The preparation may hand the table over still taken, so nobody comes in between.
  if (!items.Exclusive() && !items.OpenExclusive(dataDir, "VAK.DBF", "CDX")) return false;
  if (items.engine()->TagCount() > 0 && !items.Xbase().SetOrder(1)) {
    notifier.Message(JoinPath(dataDir, "VAK.DBF") + "\n색인 순서를 쓸 수 없습니다.", "오류", MessageIcon::Error,
                     MessageButtons::Ok);
    items.Close();
    return false;
  }
  const uint32_t before = items.Xbase().RecCount();
  if (!items.Xbase().Pack()) {
    notifier.Message(
        JoinPath(dataDir, "VAK.DBF") + "\n삭제된 자료를 정리할 수 없습니다. 디스크 공간과 쓰기 권한을 확인하십시오.",
        "오류", MessageIcon::Error, MessageButtons::Ok);
    items.Close();
    return false;
  }
  XbTable& table = *items.engine();
  const long records = static_cast<long>(table.RecCount());
  report->packedAway = before - table.RecCount();
  if (!IsOldItemLayout(table.file().fields())) {
    notifier.ProgressOpen(kCheckingDataText, records);
    return true;
  }

  notifier.ProgressOpen(kCheckingDataText, 2 * records);
  const std::string dbfPath = table.file().path();
  // The new table is written beside the old one and renamed over it when complete. The old
  // index is deleted after it: not written back when the old table closes.
  table.ForgetIndexFile();
  const bool converted = ConvertOldItemTable(table.file(), dbfPath, notifier);
  items.Close();
  if (!converted) {
    notifier.ProgressClose();
    startupFlag = false;
    notifier.Message(kUpgradeFailed, "오류", MessageIcon::Error, MessageButtons::Ok);
    return false;
  }
  // The old table's index no longer fits: index the new table at once, so the start-up
  // pass walks the statement in its order.
  DeleteMatchingFiles(JoinPath(dataDir, "Vak.CDX"));
  if (!items.OpenExclusive(dataDir, "VAK.DBF", "CDX")) {
    notifier.ProgressClose();
    return false;
  }
  if (!items.Xbase().IndexTag("", kItemTag, kItemKey)) {
    notifier.ProgressClose();
    notifier.Message(
        JoinPath(dataDir, "Vak.CDX") + "\n색인 화일을 만들 수 없습니다. 디스크 공간과 쓰기 권한을 확인하십시오.",
        "오류", MessageIcon::Error, MessageButtons::Ok);
    items.Close();
    return false;
  }
  report->converted = true;
  return true;
}

}  // namespace vak
