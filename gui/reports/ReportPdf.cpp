#include "gui/reports/ReportPdf.h"

#include <QIODevice>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cerrno>

#include "common/Files.h"

namespace vak {
namespace {

// The PDF writer's output: the new file beside the target. Once that file has failed (a full
// disk), every further write fails as well, so nothing after the failure counts as written.
class BesideDevice : public QIODevice {
 public:
  explicit BesideDevice(FileBeside& file) : file_(file) {}
  bool isSequential() const override { return true; }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override {
    file_.Write(data, static_cast<size_t>(size));
    return file_.ok() ? size : -1;
  }

 private:
  FileBeside& file_;
};

// Why the file could not be written, from the operating system's reason.
std::string FailureReason(int error) {
  switch (error) {
    case 0: return "PDF를 그리지 못했습니다";
    case ENOSPC:
    case EDQUOT: return "디스크 공간이 모자랍니다";
    case EACCES:
    case EPERM: return "그 디렉토리에 쓸 권한이 없습니다";
    case EROFS: return "읽기 전용 디스크라 쓸 수 없습니다";
    case ENOENT:
    case ENOTDIR: return "디렉토리가 없거나 그 안에 화일을 만들 수 없습니다";
    case EISDIR: return "같은 이름의 디렉토리가 있습니다";
    default: return "디스크에 쓰는 중 오류가 났습니다 (오류 번호 " + std::to_string(error) + ")";
  }
}

}  // namespace

bool WriteReportPdf(const ReportDocument& document, const std::string& path, int from, int to, std::string* error,
                    int* pagesWritten) {
  from = std::max(from, document.firstPage());
  to = std::min(to, document.lastPage());
  if (pagesWritten) *pagesWritten = 0;
  if (from > to) {
    if (error) *error = "쓸 페이지가 없습니다.";
    return false;
  }
  const bool existed = FileExists(path);
  FileBeside file(path);
  int pages = 0;
  bool drawn = false;
  if (file.ok()) {
    BesideDevice device(file);
    device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    QPdfWriter writer(&device);
    writer.setCreator(QStringLiteral("전산내역입찰(VAK)"));
    writer.setResolution(254);  // one device unit is 0.1 mm, the painter's unit
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                     document.setup().landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (painter.begin(&writer)) {
      for (int page = from; page <= to && file.ok(); ++page) {
        if (page != from) writer.newPage();
        DrawReportPage(painter, document, page);
        ++pages;
      }
      drawn = painter.end() && file.ok();
    }
  }
  // Commit syncs the new file and renames it over the old one; failing, it removes it.
  if (!drawn || file.Commit() != 0) {
    if (error) {
      *error = path + "\nPDF 화일을 쓰지 못했습니다: " + FailureReason(file.error()) + ". " +
               (existed ? "전에 있던 화일은 그대로입니다." : "화일을 만들지 않았습니다.");
    }
    return false;
  }
  if (pagesWritten) *pagesWritten = pages;
  return true;
}

}  // namespace vak
