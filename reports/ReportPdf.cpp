#include "reports/ReportPdf.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>

#include "common/Files.h"

namespace vak {

bool WriteReportPdf(const ReportDocument& document, const std::string& path, int from, int to, std::string* error,
                    int* pagesWritten) {
  from = std::max(from, document.firstPage());
  to = std::min(to, document.lastPage());
  if (pagesWritten) *pagesWritten = 0;
  if (from > to) {
    if (error) *error = "쓸 페이지가 없습니다.";
    return false;
  }
  const std::string temp = path + ".new~";
  int pages = 0;
  {
    QPdfWriter writer(QString::fromStdString(temp));
    writer.setCreator(QStringLiteral("전산내역입찰(VAK)"));
    writer.setResolution(254);  // one device unit is 0.1 mm, the painter's unit
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                     document.setup().landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&writer)) {
      std::remove(temp.c_str());
      if (error) *error = path + ": PDF 화일을 만들 수 없습니다. 쓰기 권한과 디스크 공간을 확인하십시오.";
      return false;
    }
    for (int page = from; page <= to; ++page) {
      if (page != from) writer.newPage();
      DrawReportPage(painter, document, page);
      ++pages;
    }
    painter.end();
  }
  QFile written(QString::fromStdString(temp));
  if (!written.exists() || written.size() == 0 || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    if (error) *error = path + ": PDF 화일을 쓸 수 없습니다. 쓰기 권한과 디스크 공간을 확인하십시오.";
    return false;
  }
  SyncParentDirectory(path);
  if (pagesWritten) *pagesWritten = pages;
  return true;
}

}  // namespace vak
