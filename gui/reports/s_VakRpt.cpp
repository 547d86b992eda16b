#include "gui/reports/s_VakRpt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/CodePage.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "gui/common/DialogKeys.h"
#include "gui/common/NumEdit.h"
#include "gui/reports/ReportAssembly.h"
#include "gui/reports/S_VakPreview.h"
#include "reports/KoreanWords.h"
#include "store/MemFile.h"

namespace vak {
namespace {

const QString kCoverEntry = QStringLiteral("입찰 표  지");

TNumberEdit* Field(const QString& name, int min, int max, int value, QWidget* parent) {
  return MakeWholeNumberBox(name, min, max, value, 48, parent);
}

QString Unicode(const std::string& cp949) { return QString::fromStdString(Cp949ToUtf8(TrimmedText(cp949))); }

QString DocumentName(ReportKind kind) {
  switch (kind) {
    case ReportKind::OverallSummarySheet: return QStringLiteral("총괄집계장");
    case ReportKind::OverallStatement: return QStringLiteral("총괄내역서");
    case ReportKind::TenderStatement: return QStringLiteral("입찰내역서");
    case ReportKind::TenderStatementSplit: return QStringLiteral("입찰내역서(재노경)");
    case ReportKind::Cover: return QStringLiteral("입찰표지");
  }
  return QString();
}

}  // namespace

Tfm_VakRpt::Tfm_VakRpt(TZekTable& items, ReportContext context, UserNotifier& notifier, QWidget* parent)
    : QDialog(parent), items_(items), context_(std::move(context)), notifier_(notifier) {
  SetUpDialog(this, QStringLiteral("fm_VakRpt"), QStringLiteral("보고서"));
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout();
  select_ = new QComboBox(this);
  select_->setObjectName(QStringLiteral("c_cbx_RptSelect"));
  grid->addWidget(new QLabel(QStringLiteral("보 고 서  선택"), this), 0, 0);
  grid->addWidget(select_, 0, 1, 1, 2);
  RequireChoice(select_);
  part_ = new QComboBox(this);
  part_->setObjectName(QStringLiteral("c_cbx_Part"));
  RequireChoice(part_);
  auto* partCaption = new QLabel(QStringLiteral("공      사"), this);
  grid->addWidget(partCaption, 1, 0);
  grid->addWidget(part_, 1, 1, 1, 2);
  partCaption->setVisible(HasPartCodes(context_.projectType));
  part_->setVisible(HasPartCodes(context_.projectType));
  pageNum_ = Field(QStringLiteral("C_Nbe_PageNum"), 0, 900, 1, this);
  grid->addWidget(new QLabel(QStringLiteral("첫장의 페이지 번호"), this), 2, 0);
  grid->addWidget(pageNum_, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("(0은 페이지 인쇄 않함)"), this), 2, 2);
  layout->addLayout(grid);

  auto* orientation = new QGroupBox(QStringLiteral("인쇄방향"), this);
  auto* o = new QHBoxLayout(orientation);
  portrait_ = new QRadioButton(QStringLiteral("종방향"), orientation);
  portrait_->setObjectName(QStringLiteral("c_rbt_portrait"));
  landscape_ = new QRadioButton(QStringLiteral("횡방향"), orientation);
  landscape_->setObjectName(QStringLiteral("c_rbt_landscape"));
  landscape_->setChecked(true);
  o->addWidget(portrait_);
  o->addWidget(landscape_);
  layout->addWidget(orientation);

  auto* margins = new QGroupBox(QStringLiteral("여백"), this);
  auto* m = new QGridLayout(margins);
  top_ = Field(QStringLiteral("C_Nbe_TMargin"), 0, 20, 8, margins);
  right_ = Field(QStringLiteral("c_nbe_rmargin"), 0, 20, 4, margins);
  left_ = Field(QStringLiteral("C_Nbe_LMargin"), 0, 20, 4, margins);
  bottom_ = Field(QStringLiteral("c_nbe_bmargin"), 0, 20, 0, margins);
  for (TNumberEdit* field : {pageNum_, top_, right_, left_, bottom_}) field->SetNotifier(&notifier_);
  m->addWidget(new QLabel(QStringLiteral("위쪽여백"), margins), 0, 0);
  m->addWidget(top_, 0, 1);
  m->addWidget(new QLabel(QStringLiteral("오른여백"), margins), 0, 2);
  m->addWidget(right_, 0, 3);
  m->addWidget(new QLabel(QStringLiteral("왼쪽여백"), margins), 1, 0);
  m->addWidget(left_, 1, 1);
  m->addWidget(new QLabel(QStringLiteral("아래여백"), margins), 1, 2);
  m->addWidget(bottom_, 1, 3);
  layout->addWidget(margins);

  split_ = new QCheckBox(QStringLiteral("재/노/경 인쇄"), this);
  split_->setObjectName(QStringLiteral("CheckBox1"));
  cover_ = new QCheckBox(QStringLiteral("표지 인쇄"), this);
  cover_->setObjectName(QStringLiteral("CheckBox2"));
  cover_->setVisible(false);
  layout->addWidget(split_);
  layout->addWidget(cover_);

  const auto [ok, cancel] = AddOkCancel(this, layout, QStringLiteral("C_Bbt_Ok"), QStringLiteral("BitBtn2"));

  // The entries: a single construction has no overall summary sheet.
  if (context_.projectType == ProjectType::Single) {
    select_->addItems({QStringLiteral("총괄 내역서"), QStringLiteral("입찰 내역서"), kCoverEntry});
  } else {
    select_->addItems(
        {QStringLiteral("총괄 집계장"), QStringLiteral("총괄 내역서"), QStringLiteral("입찰 내역서"), kCoverEntry});
  }
  connect(select_, &QComboBox::currentIndexChanged, this, [this](int index) { SelectReport(index); });
  connect(split_, &QCheckBox::clicked, this, [this] { SplitColumnsClicked(); });
  connect(ok, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  InstallDialogKeys(this);
  FillPartList();
  select_->setCurrentIndex(0);
  SelectReport(0);
}

// Each construction part by its name, the one chosen in the main window selected, and last the
// statements of every part in one document.
void Tfm_VakRpt::FillPartList() {
  if (!HasPartCodes(context_.projectType) || !items_.engine()) return;
  for (const NamedPart& p : NamedPartsOf(items_.engine()->file())) {
    const QString name = Unicode(p.name);
    part_->addItem(name.isEmpty() ? QStringLiteral("공사 %1").arg(QString::fromStdString(p.part)) : name,
                   QString::fromStdString(p.part));
  }
  part_->addItem(QStringLiteral("전체 공사"), QString::fromLatin1(kAllParts));
  const int chosen = part_->findData(QString::fromStdString(TrimmedText(context_.part)));
  part_->setCurrentIndex(chosen >= 0 ? chosen : 0);
}

std::string Tfm_VakRpt::ChosenPart() const {
  if (!HasPartCodes(context_.projectType) || part_->currentIndex() < 0) return context_.part;
  return part_->currentData().toString().toStdString();
}

// The summary sheet is of the whole tender and the cover has no rows: no part to choose.
void Tfm_VakRpt::EnablePartList() {
  part_->setEnabled(kind_ != ReportKind::OverallSummarySheet && kind_ != ReportKind::Cover);
}

Tfm_VakRpt::~Tfm_VakRpt() = default;

void Tfm_VakRpt::SelectReport(int index) {
  if (select_->itemText(index) == kCoverEntry) {
    kind_ = ReportKind::Cover;
    split_->setEnabled(false);
    EnablePartList();
    return;
  }
  // Each entry text stands for the same document, with three entries or four.
  kind_ = static_cast<ReportKind>(select_->count() == 4 ? index : index + 1);
  split_->setEnabled(kind_ == ReportKind::TenderStatement || kind_ == ReportKind::TenderStatementSplit);
  if (kind_ == ReportKind::TenderStatement && split_->isChecked()) SplitColumnsClicked();
  EnablePartList();
}

void Tfm_VakRpt::SplitColumnsClicked() {
  if (split_->isChecked() && kind_ == ReportKind::TenderStatement) {
    kind_ = ReportKind::TenderStatementSplit;
    portrait_->setChecked(false);
    portrait_->setEnabled(false);
    landscape_->setChecked(true);  // the 13-column statement is landscape only
  } else if (kind_ == ReportKind::TenderStatement || kind_ == ReportKind::TenderStatementSplit) {
    kind_ = ReportKind::TenderStatement;
    portrait_->setEnabled(true);
  }
}

ReportSetup Tfm_VakRpt::SetupFromControls() const {
  ReportSetup setup;
  setup.kind = kind_;
  setup.firstPageField = static_cast<int>(pageNum_->Value());
  setup.marginTop = static_cast<int>(top_->Value());
  setup.marginRight = static_cast<int>(right_->Value());
  setup.marginLeft = static_cast<int>(left_->Value());
  setup.marginBottom = static_cast<int>(bottom_->Value());
  setup.landscape = landscape_->isChecked();
  setup.partLabel = context_.partLabel;
  return setup;
}

bool Tfm_VakRpt::CoverSetup(ReportSetup& setup) {
  const ProjectHeader header = LoadProjectHeader(context_.dataDir);
  if (!header.Whole()) {
    notifier_.Message(HeaderProblemText(header), "오류", MessageIcon::Error, MessageButtons::Ok);
    return false;
  }
  return FillSetupFromHeader(header.values, setup, notifier_);
}

void Tfm_VakRpt::Confirm() {
  if (kind_ == ReportKind::TenderStatement && split_->isChecked()) kind_ = ReportKind::TenderStatementSplit;
  ReportSetup setup = SetupFromControls();
  if (!CoverSetup(setup)) return;
  if (kind_ == ReportKind::Cover) {
    const ReportDocument document(setup, nullptr);
    Preview(document, 1, 1, 1);
    return;
  }
  const ReportRequest request =
      PartReportRequest(context_.dataDir, kind_, setup.firstPageField, context_.projectType, ChosenPart());
  const std::unique_ptr<ReportDocument> document = AssembleReport(items_, request, setup, notifier_);
  if (!document) return;  // the user has been told
  Preview(*document, setup.firstPageField, document->lastPage(), setup.firstPageField);
}

void Tfm_VakRpt::Preview(const ReportDocument& document, int firstPageField, int lastPage, int pageToShow) {
  // The preview prints on the printer chosen in it; its print jobs count as the dialog's.
  TFM_VakPreview preview(document, notifier_, this);
  preview.Setup(firstPageField, lastPage, pageToShow);
  preview.SetTenderDirectory(context_.dataDir);
  const ProjectHeader header = LoadProjectHeader(context_.dataDir);
  // Each part's document by a name of its own, so that saving one never replaces another.
  const QString part =
      !part_->isHidden() && part_->isEnabled() ? QStringLiteral(" (%1)").arg(part_->currentText()) : QString();
  preview.SetSuggestedName(QString(Unicode(header.values[kCmnDesc]) + QStringLiteral(" ") + DocumentName(kind_) + part)
                               .replace(QLatin1Char('/'), QLatin1Char('_')) +
                           QStringLiteral(".pdf"));
  if (previewHook_) previewHook_(preview);
  // Maximised by its state, not shown first: exec() must be what shows it, or the window is
  // not modal and the main window's filter during the command drops its input.
  preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
  preview.exec();
  printJobs_ += preview.PrintJobs();
}

void RunReportDialog(TZekTable& items, const ReportContext& context, UserNotifier& notifier, QWidget* parent,
                     const std::function<void()>& restoreView) {
  struct Restore {
    const std::function<void()>& restore;
    ~Restore() {
      if (restore) restore();
    }
  } restore{restoreView};
  items.Xbase().Query("");  // the builders see every line
  Tfm_VakRpt dialog(items, context, notifier, parent);
  dialog.exec();
}

}  // namespace vak
