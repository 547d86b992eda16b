#include "gui/reports/ReportAssembly.h"

#include <map>

#include "common/CodePage.h"
#include "store/ItemTable.h"

namespace vak {

QString PartLabelOn(const ReportSetup& setup, int page) {
  QString label = setup.partLabel;
  for (const auto& [firstPage, name] : setup.partLabels) {
    if (firstPage > page) break;
    label = name;
  }
  return label;
}

namespace {

// A statement of a construction part the tender does not have would print nothing but "계".
bool PartHasLines(TZekTable& items, const ReportRequest& request, UserNotifier& notifier) {
  if (!HasPartCodes(request.projectType) || request.allParts || request.kind == ReportKind::OverallSummarySheet ||
      !items.engine())
    return true;
  std::string parts;
  for (const NamedPart& p : NamedPartsOf(items.engine()->file())) {
    if (p.part == request.part) return true;
    parts += (parts.empty() ? "" : ", ") + p.part;
  }
  notifier.Message("공사 " + request.part + "의 내역이 없습니다. 있는 공사: " + (parts.empty() ? "없음" : parts),
                   "오류", MessageIcon::Error, MessageButtons::Ok);
  return false;
}

}  // namespace

std::unique_ptr<ReportDocument> AssembleReport(TZekTable& items, const ReportRequest& request, ReportSetup setup,
                                               UserNotifier& notifier) {
  setup.kind = request.kind;
  if (request.kind == ReportKind::Cover) return std::make_unique<ReportDocument>(setup, nullptr);
  if (!PartHasLines(items, request, notifier)) return nullptr;
  ReportTableInfo info;
  if (!BuildReportTable(items, request, notifier, info)) return nullptr;  // the user has been told
  if (HasPartCodes(request.projectType) && items.engine()) {
    std::map<std::string, QString> names;
    for (const NamedPart& p : NamedPartsOf(items.engine()->file()))
      names[p.part] = QString::fromStdString(Cp949ToUtf8(p.name));
    for (const PartStart& start : info.parts) setup.partLabels.emplace_back(start.firstPage, names[start.part]);
    setup.partLabel = setup.partLabels.empty() ? QString() : setup.partLabels.front().second;
  }
  DbfStatus status;
  std::unique_ptr<ReportRows> rows = ReportRows::Open(info.path, status);
  if (!rows) {
    notifier.Message(OpenFailureText(info.path, status), "오류", MessageIcon::Error, MessageButtons::Ok);
    return nullptr;
  }
  return std::make_unique<ReportDocument>(setup, std::move(rows));
}

}  // namespace vak
