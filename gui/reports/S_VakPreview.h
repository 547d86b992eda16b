// TFM_VakPreview ("미리보기"): the pages of the report just built, one at a time, drawn by the
// shared page painter (so the preview is what prints), with zoom, page moves, dragging, the
// print range and copies, the printer, "인쇄" and "PDF 저장". The window stays open after
// printing and says how many pages went to which printer.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "common/UserNotifier.h"
#include "gui/reports/PagePainter.h"

class QComboBox;
class QLabel;
class QScrollArea;
class QToolButton;

namespace vak {

class TNumberEdit;
class PreviewPage;

class TFM_VakPreview : public QDialog {
  Q_OBJECT

 public:
  TFM_VakPreview(const ReportDocument& document, UserNotifier& notifier, QWidget* parent = nullptr);
  ~TFM_VakPreview() override;

  // As the report dialog sets it up: the first-page field's value (0 counts as 1), the last
  // page, and the page to show first.
  void Setup(int firstPageField, int lastPage, int pageToShow);

  // How many print jobs this window started.
  int PrintJobs() const { return printJobs_; }
  int PrintFromPage() const;
  int PrintToPage() const;
  int Copies() const;
  int ZoomPercent() const { return zoom_; }
  int Page() const { return page_; }
  int FirstPage() const { return firstPage_; }
  int LastPage() const { return lastPage_; }
  const ReportDocument& document() const { return document_; }
  // The installed printer chosen in the window (the default one at first); empty when there is none.
  QString PrinterName() const;

  // Where "PDF 저장" writes: the platform's save dialog unless a test puts its own chooser.
  using FileChooser = std::function<QString(const QString& suggested)>;
  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
  // "<works' name> <document>.pdf"
  void SetSuggestedName(const QString& name) { suggestedName_ = name; }
  // The open tender's data directory: "PDF 저장" never writes over one of its files.
  void SetTenderDirectory(std::string dir) { tenderDir_ = std::move(dir); }

  void ShowPage(int page, bool intoTheBox = true);
  void SetZoom(int percent);
  void FitWholePage();
  void FitWidth();
  void SavePdf();
  void Print();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdatePageButtons();
  void ShowPrinterFit();
  void ClampRangeField(TNumberEdit* field);

  const ReportDocument& document_;
  UserNotifier& notifier_;
  int firstPage_ = 1;
  int lastPage_ = 1;
  int page_ = 1;
  int zoom_ = 100;
  int printJobs_ = 0;
  bool settingPage_ = false;
  QString suggestedName_;
  std::string tenderDir_;
  FileChooser chooseFile_;
  QPoint dragOrigin_;

  QScrollArea* scroll_ = nullptr;
  PreviewPage* view_ = nullptr;
  QToolButton *zoomIn_ = nullptr, *zoomOut_ = nullptr, *first_ = nullptr, *prior_ = nullptr, *next_ = nullptr,
              *last_ = nullptr;
  TNumberEdit *start_ = nullptr, *end_ = nullptr, *pageField_ = nullptr, *copies_ = nullptr, *startNumber_ = nullptr;
  QLabel *pageLabel_ = nullptr, *totalLabel_ = nullptr, *pageStartLabel_ = nullptr, *printerLabel_ = nullptr;
  QComboBox* printer_ = nullptr;
  QString fitNote_;  // what printing on the chosen printer does to the page; empty: nothing
};

}  // namespace vak
