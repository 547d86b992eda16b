#include "gui/reports/S_VakPreview.h"

#include <algorithm>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "gui/common/NumEdit.h"
#include "gui/reports/ReportPdf.h"
#include "gui/reports/ReportPrinting.h"
#include "store/TenderFiles.h"

namespace vak {

namespace {

// The dark border round the sheet at any zoom but 100 %, the same on every side so that the
// scroll box, which centres the page, centres the sheet too.
constexpr int kInset = 10;

// The sheet's width (across) or height at 1 %: A4 at 80 dots per inch at 100 %.
double PixelsPerPercent(bool landscape, bool across) {
  const QSizeF sheet = SheetSize(landscape);
  return (across ? sheet.width() : sheet.height()) * 80.0 / 254.0 / 100.0;
}

}  // namespace

// The page at the preview's size, with its border.
class PreviewPage : public QWidget {
 public:
  PreviewPage(const ReportDocument& document, QWidget* parent) : QWidget(parent), document_(document) {
    setAutoFillBackground(false);
  }
  void Show(int page, int zoom) {
    page_ = page;
    zoom_ = zoom;
    const QSizeF sheet = SheetSize(document_.setup().landscape);  // 0.1 mm
    const double pixels = 80.0 / 254.0 * zoom_ / 100.0;           // per 0.1 mm
    inset_ = zoom_ == 100 ? 0 : kInset;
    setFixedSize(static_cast<int>(std::lround(sheet.width() * pixels)) + 2 * inset_,
                 static_cast<int>(std::lround(sheet.height() * pixels)) + 2 * inset_);
    update();
  }
  int page() const { return page_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    const QSizeF sheet = SheetSize(document_.setup().landscape);
    const double pixels = 80.0 / 254.0 * zoom_ / 100.0;
    p.translate(inset_, inset_);
    p.fillRect(QRectF(0, 0, sheet.width() * pixels, sheet.height() * pixels), Qt::white);
    p.scale(pixels, pixels);
    DrawReportPage(p, document_, page_);
  }

 private:
  const ReportDocument& document_;
  int page_ = 1;
  int zoom_ = 100;
  int inset_ = 0;
};

namespace {

QToolButton* ToolButton(const QString& name, const QString& text, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(text);
  b->setToolTip(text);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return b;
}

TNumberEdit* NumberField(const QString& name, long double min, long double max, long double value, int width,
                         QWidget* parent) {
  return MakeWholeNumberBox(name, min, max, value, width, parent);
}

int FieldValue(const TNumberEdit* field) { return static_cast<int>(field->Value()); }

}  // namespace

TFM_VakPreview::TFM_VakPreview(const ReportDocument& document, UserNotifier& notifier, QWidget* parent)
    : QDialog(parent), document_(document), notifier_(notifier) {
  setObjectName(QStringLiteral("FM_VakPreview"));
  setWindowTitle(QStringLiteral("미리보기"));
  QFont font(QStringLiteral("굴림체"));
  font.setPixelSize(12);
  setFont(font);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(4, 2, 4, 2);
  QToolButton* close = ToolButton(QStringLiteral("C_SBT_Close"), QStringLiteral("닫기"), bar);
  QToolButton* print = ToolButton(QStringLiteral("C_SBT_PRN"), QStringLiteral("인쇄"), bar);
  QToolButton* pdf = ToolButton(QStringLiteral("C_SBT_PDF"), QStringLiteral("PDF 저장"), bar);
  QToolButton* fit = ToolButton(QStringLiteral("C_SBT_FIT"), QStringLiteral("한눈에 보이게"), bar);
  QToolButton* width = ToolButton(QStringLiteral("C_SBT_WIDTH"), QStringLiteral("넓이에 맞게"), bar);
  zoomIn_ = ToolButton(QStringLiteral("C_SBT_ZoomIn"), QStringLiteral("확대"), bar);
  zoomOut_ = ToolButton(QStringLiteral("C_SBT_ZoomOut"), QStringLiteral("축소"), bar);
  first_ = ToolButton(QStringLiteral("C_SBT_First"), QStringLiteral("첫Page"), bar);
  prior_ = ToolButton(QStringLiteral("C_SBT_Prior"), QStringLiteral("이전Page"), bar);
  next_ = ToolButton(QStringLiteral("C_SBT_Next"), QStringLiteral("다음Page"), bar);
  last_ = ToolButton(QStringLiteral("C_SBT_Last"), QStringLiteral("끝Page"), bar);
  start_ = NumberField(QStringLiteral("C_EDT_START"), 1, 9999, 1, 44, bar);
  end_ = NumberField(QStringLiteral("C_EDT_END"), 1, 9999, 9999, 44, bar);
  pageField_ = NumberField(QStringLiteral("c_ned_PageStart"), 0, 999999, 1, 56, bar);
  startNumber_ = NumberField(QStringLiteral("c_Ned_PrintPageNum"), 0, 9999, 1, 44, bar);
  copies_ = NumberField(QStringLiteral("C_EDT_CopyCount"), 1, 99, 1, 30, bar);
  for (TNumberEdit* field : {start_, end_, pageField_, startNumber_, copies_}) field->SetNotifier(&notifier_);
  for (QWidget* w :
       std::initializer_list<QWidget*>{close, print, pdf, fit, width, zoomIn_, zoomOut_, first_, prior_, next_, last_})
    row->addWidget(w);
  row->addSpacing(8);
  row->addWidget(new QLabel(QStringLiteral("인쇄범위"), bar));
  row->addWidget(start_);
  row->addWidget(new QLabel(QStringLiteral("∼"), bar));
  row->addWidget(end_);
  row->addWidget(new QLabel(QStringLiteral("이동"), bar));
  row->addWidget(pageField_);
  pageStartLabel_ = new QLabel(bar);
  pageStartLabel_->setObjectName(QStringLiteral("C_Lbl_PageStart"));
  row->addWidget(pageStartLabel_);
  row->addWidget(startNumber_);
  row->addWidget(new QLabel(QStringLiteral("인쇄매수"), bar));
  row->addWidget(copies_);
  row->addStretch();
  layout->addWidget(bar);

  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(QStringLiteral("C_Sbx_Shower"));
  scroll_->setAlignment(Qt::AlignCenter);
  scroll_->setBackgroundRole(QPalette::Dark);
  view_ = new PreviewPage(document_, scroll_);
  view_->setObjectName(QStringLiteral("C_Pbx_Shower"));
  scroll_->setWidget(view_);
  layout->addWidget(scroll_, 1);

  // The status line: the page shown, and the printer "인쇄" prints on with what that does to the page.
  auto* status = new QWidget(this);
  auto* statusRow = new QHBoxLayout(status);
  statusRow->setContentsMargins(6, 2, 6, 2);
  statusRow->addWidget(new QLabel(QStringLiteral("페이지:"), status));
  pageLabel_ = new QLabel(status);
  pageLabel_->setObjectName(QStringLiteral("C_LBL_Page"));
  totalLabel_ = new QLabel(status);
  totalLabel_->setObjectName(QStringLiteral("C_LBL_TotPage"));
  statusRow->addWidget(pageLabel_);
  statusRow->addWidget(totalLabel_);
  statusRow->addSpacing(24);
  statusRow->addWidget(new QLabel(QStringLiteral("프린터:"), status));
  printer_ = new QComboBox(status);
  printer_->setObjectName(QStringLiteral("C_CBX_Printer"));
  printer_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  printer_->setMinimumContentsLength(12);
  for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
    printer_->addItem(info.printerName());
    const QString about =
        info.location().isEmpty() ? info.description() : info.description() + QStringLiteral(", ") + info.location();
    printer_->setItemData(printer_->count() - 1, about, Qt::ToolTipRole);
  }
  if (printer_->count() == 0) {
    printer_->addItem(QStringLiteral("설치된 프린터 없음"));
    printer_->setEnabled(false);
  } else {
    printer_->setCurrentIndex(std::max(0, printer_->findText(QPrinterInfo::defaultPrinterName())));
  }
  statusRow->addWidget(printer_);
  statusRow->addSpacing(8);
  printerLabel_ = new QLabel(status);
  printerLabel_->setObjectName(QStringLiteral("C_LBL_Printer"));
  statusRow->addWidget(printerLabel_);
  statusRow->addStretch();
  layout->addWidget(status);

  connect(close, &QToolButton::clicked, this, [this] { reject(); });
  connect(print, &QToolButton::clicked, this, [this] { Print(); });
  connect(printer_, &QComboBox::currentIndexChanged, this, [this] { ShowPrinterFit(); });
  connect(pdf, &QToolButton::clicked, this, [this] { SavePdf(); });
  connect(fit, &QToolButton::clicked, this, [this] { FitWholePage(); });
  connect(width, &QToolButton::clicked, this, [this] { FitWidth(); });
  connect(zoomIn_, &QToolButton::clicked, this, [this] { SetZoom(zoom_ + 10); });
  connect(zoomOut_, &QToolButton::clicked, this, [this] { SetZoom(zoom_ - 10); });
  connect(first_, &QToolButton::clicked, this, [this] { ShowPage(firstPage_); });
  connect(prior_, &QToolButton::clicked, this, [this] { ShowPage(page_ - 1); });
  connect(next_, &QToolButton::clicked, this, [this] { ShowPage(page_ + 1); });
  connect(last_, &QToolButton::clicked, this, [this] { ShowPage(lastPage_); });
  // While typing, the nearest page is shown but the box keeps what is typed ("905" on the way
  // from "9"); the box takes the page shown when the typing is done.
  connect(pageField_, &QLineEdit::textEdited, this, [this] { ShowPage(FieldValue(pageField_), false); });
  connect(pageField_, &QLineEdit::editingFinished, this, [this] { ShowPage(FieldValue(pageField_)); });
  connect(start_, &QLineEdit::editingFinished, this, [this] { ClampRangeField(start_); });
  connect(end_, &QLineEdit::editingFinished, this, [this] { ClampRangeField(end_); });

  // The window sees the page keys before its controls; the numeric fields' Escape closes it.
  installEventFilter(this);
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  view_->installEventFilter(this);
  scroll_->viewport()->installEventFilter(this);
  resize(1100, 760);
  ShowPrinterFit();
}

TFM_VakPreview::~TFM_VakPreview() = default;

void TFM_VakPreview::Setup(int firstPageField, int lastPage, int pageToShow) {
  lastPage_ = lastPage;
  firstPage_ = firstPageField == 0 ? 1 : firstPageField;
  if (lastPage_ < firstPage_) firstPage_ = lastPage_;
  start_->SetValue(firstPage_);
  end_->SetValue(lastPage_);
  pageLabel_->setText(QString::number(firstPage_));
  totalLabel_->setText(QStringLiteral("/ %1").arg(lastPage_));
  pageStartLabel_->setText(
      (document_.setup().kind == ReportKind::Cover ? QStringLiteral("Page 시작:") : QStringLiteral("시작번호")) +
      QString::number(firstPage_));
  startNumber_->SetValue(firstPage_);
  ShowPage(pageToShow);
  SetZoom(100);
}

void TFM_VakPreview::ShowPage(int page, bool intoTheBox) {
  if (settingPage_) return;
  page = std::clamp(page, firstPage_, lastPage_);
  page_ = page;
  settingPage_ = true;
  if (intoTheBox && FieldValue(pageField_) != page) pageField_->SetValue(page);
  settingPage_ = false;
  UpdatePageButtons();
  pageLabel_->setText(QString::number(page));
  view_->Show(page_, zoom_);
}

void TFM_VakPreview::UpdatePageButtons() {
  if (firstPage_ >= lastPage_) {
    for (QToolButton* b : {first_, prior_, next_, last_}) b->setEnabled(false);
    return;
  }
  const bool atLast = page_ >= lastPage_;
  const bool atFirst = page_ <= firstPage_;
  first_->setEnabled(!atFirst);
  prior_->setEnabled(!atFirst);
  next_->setEnabled(!atLast);
  last_->setEnabled(!atLast);
}

void TFM_VakPreview::SetZoom(int percent) {
  zoom_ = std::clamp(percent, 50, 200);
  zoomIn_->setEnabled(zoom_ < 200);
  zoomOut_->setEnabled(zoom_ > 50);
  view_->Show(page_, zoom_);
}

void TFM_VakPreview::FitWholePage() { SetZoom(document_.setup().landscape ? 70 : 50); }

void TFM_VakPreview::FitWidth() {
  // The widest whole percentage whose sheet fits the box across, less the vertical scroll bar
  // when the sheet at that width is taller than the box; the box centres it.
  const bool landscape = document_.setup().landscape;
  const QSize room = scroll_->maximumViewportSize();
  auto widest = [&](int width) {
    return static_cast<int>(std::floor((width - 2 * kInset) / PixelsPerPercent(landscape, true)));
  };
  int percent = widest(room.width());
  if (PixelsPerPercent(landscape, false) * percent + 2 * kInset > room.height())
    percent = widest(room.width() - scroll_->verticalScrollBar()->sizeHint().width());
  SetZoom(percent);
  QScrollBar* across = scroll_->horizontalScrollBar();
  across->setValue((across->minimum() + across->maximum()) / 2);  // a box too narrow even at 50 % shows the middle
  scroll_->verticalScrollBar()->setValue(0);
}

void TFM_VakPreview::ClampRangeField(TNumberEdit* field) {
  // Each end of the range is kept within the report; the two are not compared.
  const int v = FieldValue(field);
  if (v < firstPage_) field->SetValue(firstPage_);
  if (v > lastPage_) field->SetValue(lastPage_);
}

int TFM_VakPreview::PrintFromPage() const { return FieldValue(start_); }
int TFM_VakPreview::PrintToPage() const { return FieldValue(end_); }
int TFM_VakPreview::Copies() const { return std::max(1, FieldValue(copies_)); }

QString TFM_VakPreview::PrinterName() const { return printer_->isEnabled() ? printer_->currentText() : QString(); }

void TFM_VakPreview::ShowPrinterFit() {
  const QString name = PrinterName();
  fitNote_ = name.isEmpty() ? QString() : FitNote(FitOnPrinter(document_, QPrinterInfo::printerInfo(name)));
  printerLabel_->setText(fitNote_);
}

void TFM_VakPreview::Print() {
  const QString name = PrinterName();
  // Without a printer the documents still preview and save as PDF; printing says what is missing.
  if (name.isEmpty()) {
    notifier_.Message(
        "프린터가 설정되어 있어야만 새 보고서를 작성/인쇄할 수 있습니다.\n프린터 Driver설치 후, 프로그램을 "
        "재시작해주십시요.",
        "경고", MessageIcon::Warning, MessageButtons::Ok);
    return;
  }
  ClampRangeField(start_);
  ClampRangeField(end_);
  if (PrintFromPage() > PrintToPage()) {  // each end is within the report now
    notifier_.Message("인쇄범위에 인쇄할 페이지가 없습니다.", "경고", MessageIcon::Warning, MessageButtons::Ok);
    return;  // never a blank sheet under a page number the document does not have
  }
  const QPrinterInfo info = QPrinterInfo::printerInfo(name);  // null when it was removed meanwhile
  QPrinter printer(info, QPrinter::HighResolution);
  printer.setDocName(suggestedName_.isEmpty() ? QStringLiteral("보고서")
                                              : QFileInfo(suggestedName_).completeBaseName());
  int sheets = 0;
  if (!info.isNull()) ++printJobs_;
  if (info.isNull() || !PrintReport(document_, printer, PrintFromPage(), PrintToPage(), Copies(), &sheets)) {
    notifier_.Message(name.toStdString() + "\n인쇄를 시작할 수 없습니다. 프린터를 확인하십시오.", "오류",
                      MessageIcon::Error, MessageButtons::Ok);
    return;
  }
  const QString pages =
      QStringLiteral("%1쪽").arg(sheets) + (Copies() > 1 ? QStringLiteral(" %1부").arg(Copies()) : QString());
  printerLabel_->setText(QStringLiteral("인쇄: %1 → %2").arg(pages, name) +
                         (fitNote_.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(fitNote_)));
  notifier_.Message(
      name.toStdString() + "\n" + pages.toStdString() + (Copies() > 1 ? "를" : "을") + " 프린터로 보냈습니다.", "알림",
      MessageIcon::Information, MessageButtons::Ok);
}

void TFM_VakPreview::SavePdf() {
  ClampRangeField(start_);
  ClampRangeField(end_);
  const QString suggested = suggestedName_.isEmpty() ? QStringLiteral("보고서.pdf") : suggestedName_;
  const QString path = chooseFile_ ? chooseFile_(suggested)
                                   : QFileDialog::getSaveFileName(this, QStringLiteral("PDF 저장"), suggested,
                                                                  QStringLiteral("PDF (*.pdf)"), nullptr,
                                                                  QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return;
  std::vector<std::string> tenderDirs;
  if (!tenderDir_.empty()) tenderDirs.push_back(tenderDir_);
  if (const std::string problem = OutputPathProblem(path.toStdString(), tenderDirs); !problem.empty()) {
    notifier_.Message(problem, "오류", MessageIcon::Error, MessageButtons::Ok);
    return;
  }
  // Asked only once the name is allowed at all: never "replace?" for a file that may not be replaced.
  if (QFileInfo::exists(path) &&
      notifier_.Message(path.toStdString() + "\n이미 있는 화일입니다. 바꾸시겠습니까?", "확인", MessageIcon::Question,
                        MessageButtons::YesNo) != MessageAnswer::Yes)
    return;
  std::string error;
  int pages = 0;
  if (!WriteReportPdf(document_, path.toStdString(), PrintFromPage(), PrintToPage(), &error, &pages)) {
    notifier_.Message(error, "오류", MessageIcon::Error, MessageButtons::Ok);
    return;
  }
  notifier_.Message(path.toStdString() + "\n" + std::to_string(pages) + "쪽을 PDF로 저장했습니다.", "알림",
                    MessageIcon::Information, MessageButtons::Ok);
}

bool TFM_VakPreview::eventFilter(QObject* watched, QEvent* event) {
  // A list dropped down (the printers) keeps its own keys: Escape closes the list, not the preview.
  if (event->type() == QEvent::KeyPress && !QApplication::activePopupWidget()) {
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_PageDown: ShowPage(page_ + 1); return true;
      case Qt::Key_PageUp: ShowPage(page_ - 1); return true;
      case Qt::Key_Home: ShowPage(firstPage_); return true;
      case Qt::Key_End: ShowPage(lastPage_); return true;
      case Qt::Key_Escape: reject(); return true;
      default: break;
    }
    if (qobject_cast<TNumberEdit*>(watched) && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      if (watched == pageField_) ShowPage(FieldValue(pageField_));
      if (watched == start_ || watched == end_) ClampRangeField(static_cast<TNumberEdit*>(watched));
      focusNextChild();
      return true;
    }
  }
  // Dragging the page: every move beyond 10 pixels from where the button went down scrolls 20.
  if (watched == view_ || watched == scroll_->viewport()) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) {
      dragOrigin_ = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    } else if (event->type() == QEvent::MouseMove) {
      auto* move = static_cast<QMouseEvent*>(event);
      if (move->buttons() & Qt::LeftButton) {
        const QPoint at = move->globalPosition().toPoint();
        QScrollBar* v = scroll_->verticalScrollBar();
        QScrollBar* h = scroll_->horizontalScrollBar();
        if (at.y() > dragOrigin_.y() + 10) v->setValue(v->value() - 20);
        if (at.y() < dragOrigin_.y() - 10) v->setValue(v->value() + 20);
        if (at.x() > dragOrigin_.x() + 10) h->setValue(h->value() - 20);
        if (at.x() < dragOrigin_.x() - 10) h->setValue(h->value() + 20);
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vak
