#include "gui/app/s_VakMain.h"

#include "gui/app/DataDirectory.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <set>
#include <utility>

#include "common/CodePage.h"
#include "common/FileCommit.h"
#include "common/Files.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "gui/app/S_VakAbout.h"
#include "gui/app/S_VakDisk.h"
#include "gui/app/S_VakJungBo.h"
#include "gui/app/S_VakKeys.h"
#include "gui/common/S_Progress.h"
#include "gui/common/WaitCursor.h"
#include "gui/pricing/s_VakAdjust.h"
#include "gui/pricing/s_VakInputType.h"
#include "gui/reports/s_VakRpt.h"
#include "pricing/AmountAdjustment.h"
#ifdef VAK_HAS_SHEETS
#include "sheets/PriceImport.h"
#include "sheets/StatementWorkbook.h"
#include "sheets/XlsxExport.h"
#endif
#include "pricing/Calculation.h"
#include "pricing/PriceCarry.h"
#include "pricing/TenderReview.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"
#include "store/Preparation.h"
#include "store/Reorganise.h"
#include "store/Restore.h"
#include "store/Submission.h"
#include "store/TenderFiles.h"

namespace vak {
namespace {

// Tab order of C_Pct_Main.
constexpr int kTabChong = 0;
constexpr int kTabJib = 1;
constexpr int kTabNae = 2;

QString FromCp949(const std::string& bytes) { return QString::fromStdString(Cp949ToUtf8(TrimmedText(bytes))); }

QLabel* MakeLabel(const QString& text, const QString& name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  if (!name.isEmpty()) label->setObjectName(name);
  return label;
}

QToolButton* MakeButton(const QString& text, const QString& name, const QString& hint, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText(text);
  button->setToolTip(hint);
  button->setAutoRaise(true);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return button;
}

// What the user's input to a window is made of; none of it reaches the window during a pass.
bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease: return true;
    default: return false;
  }
}

}  // namespace

// A pass of the window for the length of a scope, whichever way the scope ends.
class TFm_VakMain::PassScope {
 public:
  explicit PassScope(TFm_VakMain& window) : window_(window) { window_.BeginPass(); }
  ~PassScope() { window_.EndPass(); }
  PassScope(const PassScope&) = delete;
  PassScope& operator=(const PassScope&) = delete;

 private:
  TFm_VakMain& window_;
};

TFm_VakMain::TFm_VakMain(const QString& dataDir, TXbaseEnv& env, UserNotifier& notifier, int screenWidth,
                         QWidget* parent)
    : QMainWindow(parent), dataDir_(dataDir), env_(env), notifier_(notifier) {
  setObjectName(QStringLiteral("Fm_VakMain"));
  QFont font(QStringLiteral("굴림체"));
  font.setPixelSize(12);
  setFont(font);

  // Every pass in the progress window, whoever runs it, is a pass of this window.
  connect(&ProgressPasses::Instance(), &ProgressPasses::Began, this, [this] {
    if (!std::exchange(progressPass_, true)) BeginPass();
  });
  connect(&ProgressPasses::Instance(), &ProgressPasses::Ended, this, [this] {
    if (std::exchange(progressPass_, false)) EndPass();
  });

  // Data preparation: both data files present, the index rebuilt.
  // The table stays taken from here to the show step, so no other program comes in between.
  startupFlag_ = true;
  items_ = std::make_unique<TZekTable>(env_, notifier_);
  prepared_ = PrepareData(dataDir_.toStdString(), env_, *items_, notifier_, startupFlag_);
  state_.selPartRow = 1;

  if (screenWidth <= 0 && QGuiApplication::primaryScreen())
    screenWidth = QGuiApplication::primaryScreen()->geometry().width();
  state_.firstRow = 1;
  state_.lastRow = screenWidth > 1000 ? 28 : 21;

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  BuildToolBar(central);
  BuildInfoPanel(central);
  auto* strip = new QWidget(central);
  strip->setObjectName(QStringLiteral("C_PNL_Strip"));
  strip->setFixedHeight(20);
  strip->setAutoFillBackground(true);
  strip->setStyleSheet(
      QStringLiteral("#C_PNL_Strip { background: rgb(255, 255, 208); border-bottom: 1px solid #a0a0a0; }"));
  auto* stripLayout = new QHBoxLayout(strip);
  stripLayout->setContentsMargins(8, 0, 8, 0);
  bimokLabel_ = MakeLabel(QString(), QStringLiteral("C_LBL_Bimok"), strip);
  positionLabel_ = MakeLabel(QString(), QStringLiteral("C_LBL_Position"), strip);
  stripLayout->addWidget(bimokLabel_, 1);
  stripLayout->addWidget(positionLabel_);
  confirm_ = new QWidget(central);
  confirm_->setObjectName(QStringLiteral("C_PNL_Confirm"));
  auto* confirmLayout = new QVBoxLayout(confirm_);
  confirmLayout->setContentsMargins(0, 0, 0, 0);
  confirm_->setVisible(false);  // the statement appears with the show step
  BuildSplitBox(central);
  layout->addWidget(tabs_->parentWidget());
  layout->addWidget(info_);
  layout->addWidget(strip);
  layout->addWidget(confirm_, 1);
  layout->addWidget(splitBox_);
  setCentralWidget(central);
  BuildMenus();
  WireCommands();

  // Input mode: single unit price at every start.
  splitMode_ = false;
  ReadProjectHeader();
  pathLabel_->setText(dataDir_);
  partLabel_->clear();
  if (state_.projectType == ProjectType::Single) {
    const QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(kTabNae);
  }
  resize(1024, 720);
}

TFm_VakMain::~TFm_VakMain() = default;

QAction* TFm_VakMain::Action(const QString& text, const QString& name, bool enabled) {
  auto* action = new QAction(text, this);
  action->setObjectName(name);
  action->setEnabled(enabled);
  return action;
}

void TFm_VakMain::BuildToolBar(QWidget* parent) {
  auto* bar = new QWidget(parent);
  bar->setObjectName(QStringLiteral("C_PNL_ToolBar"));
  bar->setFixedHeight(50);
  bar->setStyleSheet(QStringLiteral("#C_PNL_ToolBar { background: #d4d0c8; border-bottom: 1px solid #808080; }"));
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(2, 2, 2, 0);
  row->setSpacing(0);

  auto* commands = new QWidget(bar);
  commands->setObjectName(QStringLiteral("C_PNL_Command"));
  commands->setFixedWidth(249);
  auto* c = new QHBoxLayout(commands);
  c->setContentsMargins(2, 2, 2, 2);
  c->setSpacing(2);
  QToolButton* close = MakeButton(QString(), QStringLiteral("C_Sbt_Close"), QStringLiteral("닫기(Alt+X)"), commands);
  close->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  close->setIconSize(QSize(24, 24));
  close->setToolButtonStyle(Qt::ToolButtonIconOnly);
  connect(close, &QToolButton::clicked, this, [this] { this->close(); });
  QToolButton* report =
      MakeButton(QString(), QStringLiteral("C_Sbt_Report"), QStringLiteral("보고서 작성(Ctrl+P)"), commands);
  report->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  report->setIconSize(QSize(24, 24));
  report->setToolButtonStyle(Qt::ToolButtonIconOnly);
  auto* separator = new QFrame(commands);
  separator->setFrameShape(QFrame::VLine);
  separator->setFrameShadow(QFrame::Sunken);
  QToolButton* info = MakeButton(QStringLiteral("공사정보"), QStringLiteral("C_Sbt_JungBo2"),
                                 QStringLiteral("공사정보를 수정/저장(Ctrl+I)"), commands);
  info->setEnabled(false);
  QToolButton* disk = MakeButton(QStringLiteral("디스켓만들기"), QStringLiteral("C_SBT_DiskMake"),
                                 QStringLiteral("배포디스켓 만들기(Ctrl+D)"), commands);
  disk->setEnabled(false);
  for (QWidget* w : std::initializer_list<QWidget*>{close, report, separator, info, disk}) c->addWidget(w);
  c->addStretch();
  row->addWidget(commands);

  tabs_ = new QTabWidget(bar);
  tabs_->setObjectName(QStringLiteral("C_Pct_Main"));
  tabs_->setDocumentMode(true);
  tabs_->setStyleSheet(
      QStringLiteral("QTabBar::tab { height: 19px; padding: 0 14px; background: #d4d0c8; border: 1px solid #808080;"
                     " border-bottom: none; margin-right: 1px; }"
                     "QTabBar::tab:selected { background: #ece9d8; font-weight: bold; }"
                     "QToolButton { padding: 1px 6px; } QToolButton:disabled { color: #8c8c8c; }"));
  auto sheet = [&](const QString& name, const QString& caption) {
    auto* page = new QWidget();
    page->setObjectName(name);
    auto* l = new QHBoxLayout(page);
    l->setContentsMargins(4, 0, 4, 0);
    l->setSpacing(2);
    tabs_->addTab(page, caption);
    return page;
  };
  auto calcButton = [&](QWidget* page, const QString& name) {
    QToolButton* b = MakeButton(QStringLiteral("내역서계산"), name, QStringLiteral("내역서계산(F3)"), page);
    b->setEnabled(false);  // the calculation comes later
    page->layout()->addWidget(b);
    return b;
  };
  QWidget* chong = sheet(QStringLiteral("C_Tsh_Chong"), QStringLiteral("총괄집계"));
  calcButton(chong, QStringLiteral("C_Sbt_CalculateChong"));
  QWidget* jib = sheet(QStringLiteral("C_Tsh_Jib"), QStringLiteral("공사집계"));
  calcButton(jib, QStringLiteral("C_Sbt_CalculateJib"));
  QWidget* nae = sheet(QStringLiteral("C_Tsh_Nae"), QStringLiteral("공사내역"));
  QToolButton* price =
      MakeButton(QStringLiteral("입력형식(단가)"), QStringLiteral("C_Sbt_Price"), QStringLiteral("단가입력(F7)"), nae);
  QToolButton* lme = MakeButton(QStringLiteral("입력형식(재/노/경)"), QStringLiteral("C_Sbt_LME"),
                                QStringLiteral("재노경입력(F7)"), nae);
  QToolButton* mod = MakeButton(QStringLiteral("단가입력/수정"), QStringLiteral("C_Sbt_Mod"),
                                QStringLiteral("단가입력/수정(F7)"), nae);
  for (QToolButton* b : {price, lme, mod}) b->setEnabled(false);  // price entry comes later
  lme->setVisible(false);
  nae->layout()->addWidget(price);
  nae->layout()->addWidget(lme);
  nae->layout()->addWidget(mod);
  calcButton(nae, QStringLiteral("C_Sbt_Calculate"));
  QToolButton* find =
      MakeButton(QStringLiteral("공종찾기"), QStringLiteral("C_SBT_Find"), QStringLiteral("공종찾기(F4)"), nae);
  find->setEnabled(false);
  nae->layout()->addWidget(find);
  for (QWidget* page : {chong, jib, nae}) static_cast<QHBoxLayout*>(page->layout())->addStretch();
  tabs_->setCurrentIndex(kTabChong);
  previousTab_ = kTabChong;
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { TabChanged(index); });
  row->addWidget(tabs_, 1);
}

void TFm_VakMain::BuildInfoPanel(QWidget* parent) {
  info_ = new QWidget(parent);
  info_->setObjectName(QStringLiteral("C_PNL_Info"));
  info_->setFixedHeight(36);
  info_->setEnabled(false);  // shows, takes no input
  info_->setStyleSheet(QStringLiteral(
      "#C_PNL_Info { background: #ece9d8; border-bottom: 1px solid #a0a0a0; } QLabel:disabled { color: black; }"
      "#C_LBL_Type, #C_LBL_Part { color: blue; } #Label30, #Label31 { color: red; font-weight: bold; }"));
  auto* grid = new QGridLayout(info_);
  grid->setContentsMargins(8, 1, 8, 1);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(0);
  desLabel_ = MakeLabel(QString(), QStringLiteral("C_Lbl_Des"), info_);
  pathLabel_ = MakeLabel(QString(), QStringLiteral("C_Lbl_Path"), info_);
  typeLabel_ = MakeLabel(QString(), QStringLiteral("C_LBL_Type"), info_);
  partLabel_ = MakeLabel(QString(), QStringLiteral("C_LBL_Part"), info_);
  auto* totalCaption = MakeLabel(QStringLiteral("총 공사 금액 : "), QStringLiteral("Label30"), info_);
  totalLabel_ = MakeLabel(QStringLiteral("0"), QStringLiteral("Label31"), info_);
  totalLabel_->setMinimumWidth(105);
  totalLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  grid->addWidget(MakeLabel(QStringLiteral("공 사 명:"), QString(), info_), 0, 0);
  grid->addWidget(desLabel_, 0, 1);
  grid->addWidget(typeLabel_, 0, 2);
  grid->addWidget(partLabel_, 0, 3);
  grid->addWidget(MakeLabel(QStringLiteral("자료경로:"), QString(), info_), 1, 0);
  grid->addWidget(pathLabel_, 1, 1);
  statusLabel_ = MakeLabel(QString(), QStringLiteral("C_LBL_Status"), info_);
  grid->addWidget(statusLabel_, 1, 2, 1, 3);
  grid->addWidget(totalCaption, 0, 5, 2, 1);
  grid->addWidget(totalLabel_, 0, 6, 2, 1);
  grid->setColumnStretch(4, 1);
  // The other header values are kept below the panel's visible height.
  mtnoLabel_ = MakeLabel(QString(), QStringLiteral("C_Lbl_MTNo"), info_);
  cdnoLabel_ = MakeLabel(QString(), QStringLiteral("C_Lbl_CdNo"), info_);
  authLabel_ = MakeLabel(QString(), QStringLiteral("C_Lbl_Auth"), info_);
  nameLabel_ = MakeLabel(QString(), QStringLiteral("C_Lbl_Name"), info_);
  telLabel_ = MakeLabel(QString(), QStringLiteral("C_Lbl_Tel"), info_);
  for (QLabel* hidden : {mtnoLabel_, cdnoLabel_, authLabel_, nameLabel_, telLabel_}) hidden->setGeometry(0, 40, 10, 10);
}

void TFm_VakMain::BuildSplitBox(QWidget* parent) {
  splitBox_ = new QWidget(parent);
  splitBox_->setObjectName(QStringLiteral("Pnl_DisMon"));
  splitBox_->setFixedHeight(40);
  splitBox_->setAutoFillBackground(true);
  splitBox_->setStyleSheet(QStringLiteral("#Pnl_DisMon { background: white; border-top: 1px solid #808080; }"));
  auto* grid = new QGridLayout(splitBox_);
  grid->setContentsMargins(8, 2, 8, 2);
  grid->setVerticalSpacing(0);
  const char* names[8] = {"Ma_Unit", "La_Unit", "Eq_Unit", "Tot_Unit", "Ma_Pric", "La_Pric", "Eq_Pric", "Tot_Pric"};
  const QString amountCaptions[4] = {QStringLiteral("재 :"), QStringLiteral("노 :"), QStringLiteral("경 :"),
                                     QStringLiteral("합 :")};
  grid->addWidget(MakeLabel(QStringLiteral("단가 "), QString(), splitBox_), 0, 0);
  grid->addWidget(MakeLabel(QStringLiteral("금액"), QString(), splitBox_), 1, 0);
  for (int i = 0; i < 8; ++i) {
    const int r = i / 4;
    const int col = 1 + 2 * (i % 4);
    grid->addWidget(MakeLabel(r == 0 ? QStringLiteral("단 :") : amountCaptions[i % 4], QString(), splitBox_), r, col);
    splitLabels_[i] = MakeLabel(QString(), QString::fromLatin1(names[i]), splitBox_);
    splitLabels_[i]->setMinimumWidth(120);
    splitLabels_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(splitLabels_[i], r, col + 1);
  }
  grid->setColumnStretch(9, 1);
  splitBox_->setVisible(false);
}

QMenu* TFm_VakMain::BuildPopup(const QString& name, bool details) {
  auto* menu = new QMenu(this);
  menu->setObjectName(name);
  auto add = [&](const QString& text, const QString& object, const QKeySequence& key, bool enabled) {
    QAction* a = Action(text, object, enabled);
    if (!key.isEmpty()) {
      a->setShortcut(key);
      a->setShortcutContext(Qt::WidgetShortcut);  // only while the grid of this view has the focus
    }
    menu->addAction(a);
    return a;
  };
  if (details) {
    add(QStringLiteral("수  정"), name + QStringLiteral("_Mod"), QKeySequence(Qt::Key_F7), false);
    menu->addSeparator();
  }
  // F3 and F4 belong to the main menu; here they only name the key.
  add((details ? QStringLiteral("내역서 계산") : QStringLiteral("내역서계산")) + QStringLiteral("\tF3"),
      name + QStringLiteral("_Calc"), QKeySequence(), false);
  menu->addSeparator();
  if (details) {
    add(QStringLiteral("공종찾기\tF4"), name + QStringLiteral("_Find"), QKeySequence(), false);
    add(QStringLiteral("다음 미입력 항목"), name + QStringLiteral("_Unpriced"), QKeySequence(Qt::Key_F8), false);
    menu->addAction(findChild<QAction*>(QStringLiteral("Mnu_OnlyUnpriced")));  // the 작업 menu's, Ctrl+U
    menu->addSeparator();
  }
  add(QStringLiteral("공사정보"), name + QStringLiteral("_Info"), QKeySequence(Qt::CTRL | Qt::Key_I), false);
  add(QStringLiteral("보고서작성"), name + QStringLiteral("_Report"), QKeySequence(Qt::CTRL | Qt::Key_P), false);
  menu->addSeparator();
  QAction* quit = add(QStringLiteral("종료"), name + QStringLiteral("_Close"), QKeySequence(Qt::ALT | Qt::Key_X), true);
  connect(quit, &QAction::triggered, this, [this] { close(); });
  return menu;
}

void TFm_VakMain::BuildMenus() {
  QMenu* work = menuBar()->addMenu(QStringLiteral("작업"));
  work->setObjectName(QStringLiteral("C_Mnu_Work"));
  work->addAction(Action(QStringLiteral("공사총괄집계"), QStringLiteral("Mnu_Chong"), true));
  work->addAction(Action(QStringLiteral("해당공사집계"), QStringLiteral("Mnu_Jib"), true));
  work->addAction(Action(QStringLiteral("해당공사내역"), QStringLiteral("Mnu_Nae"), true));
  QAction* onlyUnpriced = Action(QStringLiteral("미입력 항목만 보기"), QStringLiteral("Mnu_OnlyUnpriced"), false);
  onlyUnpriced->setCheckable(true);
  onlyUnpriced->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
  work->addAction(onlyUnpriced);
  work->addSeparator();
  work->addAction(Action(QStringLiteral("디스켓만들기"), QStringLiteral("Mnu_Disk"), false));
#ifdef VAK_HAS_SHEETS
  work->addAction(Action(QStringLiteral("엑셀로 내보내기..."), QStringLiteral("Mnu_Export"), false));
#endif
  work->addAction(Action(QStringLiteral("원본으로 되돌리기..."), QStringLiteral("Mnu_Restore"), false));
  work->addSeparator();
  QAction* quit = work->addAction(QStringLiteral("종료"));
  quit->setObjectName(QStringLiteral("Mnu_Close"));
  connect(quit, &QAction::triggered, this, [this] { close(); });

  QMenu* edit = menuBar()->addMenu(QStringLiteral("편집"));
  edit->setObjectName(QStringLiteral("C_Mnu_Edit"));
  QAction* undo = Action(QStringLiteral("되돌리기"), QStringLiteral("Mnu_Undo"), false);
  undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  edit->addAction(undo);
  QAction* redo = Action(QStringLiteral("다시 실행"), QStringLiteral("Mnu_Redo"), false);
  redo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
  edit->addAction(redo);
  edit->addSeparator();
  QAction* calc = Action(QStringLiteral("내역서계산"), QStringLiteral("Mnu_Calc"), false);
  calc->setShortcut(QKeySequence(Qt::Key_F3));
  edit->addAction(calc);
  edit->addSeparator();
  QAction* find = Action(QStringLiteral("공종찾기"), QStringLiteral("Mnu_Find"), false);
  find->setShortcut(QKeySequence(Qt::Key_F4));
  edit->addAction(find);
  edit->addSeparator();
  edit->addAction(Action(QStringLiteral("공사정보"), QStringLiteral("Mnu_Info"), false));
  edit->addAction(Action(QStringLiteral("입력형식"), QStringLiteral("Mnu_InputType"), false));
  edit->addSeparator();
  edit->addAction(Action(QStringLiteral("단가 가져오기..."), QStringLiteral("Mnu_Carry"), false));
  edit->addAction(Action(QStringLiteral("금액 맞추기..."), QStringLiteral("Mnu_Adjust"), false));
#ifdef VAK_HAS_SHEETS
  edit->addAction(Action(QStringLiteral("엑셀에서 단가 가져오기..."), QStringLiteral("Mnu_Import"), false));
#endif
  QAction* reports = Action(QStringLiteral("보고서"), QStringLiteral("Mnu_Report"), false);
  menuBar()->addAction(reports);
  QMenu* help = menuBar()->addMenu(QStringLiteral("도움말"));
  help->setObjectName(QStringLiteral("C_Mnu_Help"));
  help->addAction(Action(QStringLiteral("단축키"), QStringLiteral("Mnu_Keys"), true));
  help->addAction(Action(QStringLiteral("전산내역입찰 정보..."), QStringLiteral("Mnu_About"), true));

  mnuChong_ = BuildPopup(QStringLiteral("C_Mnu_Chong"), false);
  mnuHead_ = BuildPopup(QStringLiteral("C_Mnu_Head"), false);
  mnuDetail_ = BuildPopup(QStringLiteral("C_Mnu_Detail"), true);
}

void TFm_VakMain::ReadProjectHeader() {
  const ProjectHeader header = LoadProjectHeader(dataDir_.toStdString());
  if (!header.Whole()) {
    // The labels say that the header is unreadable instead of standing empty, and the user is
    // told once why the calculation will not save.
    // The statement is still shown as what it is: compound when it has overall summary lines.
    desLabel_->setText(QStringLiteral("(공사 정보를 읽을 수 없습니다: VAK.MEM)"));
    if (prepared_ && items_->engine()) state_.projectType = ProjectTypeOfStatement(items_->engine()->file());
    typeLabel_->setText(state_.projectType == ProjectType::Single ? QStringLiteral("[단일공사]")
                                                                  : QStringLiteral("[복합공사]"));
    worksName_.clear();
    UpdateWindowTitle();
    if (prepared_) notifier_.Message(HeaderProblemText(header), "경고", MessageIcon::Warning, MessageButtons::Ok);
    return;
  }
  const HeaderValues& values = header.values;
  worksName_ = FromCp949(values[kCmnDesc]);
  desLabel_->setText(worksName_);
  UpdateWindowTitle();
  state_.projectType = ProjectTypeOf(values[kCmnType]);
  typeLabel_->setText(state_.projectType == ProjectType::Single ? QStringLiteral("[단일공사]")
                                                                : QStringLiteral("[복합공사]"));
  mtnoLabel_->setText(FromCp949(values[kCmnMtno]));
  cdnoLabel_->setText(FromCp949(values[kCmnCdno]));
  authLabel_->setText(FromCp949(values[kCmnAuth]));
  nameLabel_->setText(FromCp949(values[kCmnName]));
  telLabel_->setText(FromCp949(values[kCmnTel]));
}

void TFm_VakMain::UpdateWindowTitle() {
  QStringList parts;
  if (!worksName_.isEmpty()) parts << worksName_;
  parts << dataDir_ << QStringLiteral("전산내역입찰(VAK)");
  setWindowTitle(parts.join(QStringLiteral(" - ")));
}

void TFm_VakMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Once, unless it ran already (a show step run meanwhile may have been followed by a
  // command that released the table: that command opens it again itself).
  if (!showStepDone_ && prepared_) {
    QTimer::singleShot(0, this, [this] {
      if (!showStepDone_) RunShowStep();
    });
  }
}

bool TFm_VakMain::RunShowStep() {
  showStepDone_ = true;
  if (!prepared_ || panel_) return panel_ != nullptr;
  const PassScope pass(*this);
  const std::string dir = dataDir_.toStdString();
  if (!ReorganiseItemTable(*items_, dir, notifier_, startupFlag_)) {
    notifier_.Message("데이타 정보 Error ", "전산내역입찰(VAK)", MessageIcon::None, MessageButtons::Ok);
    QTimer::singleShot(0, this, [this] { close(); });
    return false;
  }
  confirm_->setVisible(true);
  if (RunStartupPass(*items_, notifier_).failed) {
    QTimer::singleShot(0, this, [this] { close(); });
    return false;
  }

  // From here on other programs may read the tender (a carry from it) between the window's writes.
  items_->engine()->file().ShareWithReadersBetweenWrites();
  ReviewWholeTender();
  panel_ = new TVakPanel(*items_, state_, *this, confirm_);
  confirm_->layout()->addWidget(panel_);
  if (state_.projectType == ProjectType::Compound) {
    ActivateTab(View::OverallSummary);
    panel_->ShowView(View::OverallSummary, "1");
  } else {
    ActivateTab(View::ItemDetails);
    panel_->ShowView(View::ItemDetails, "");
  }
  return true;
}

void TFm_VakMain::closeEvent(QCloseEvent* event) {
  // In the middle of a pass the table is half-done or not even open: the close comes at its end.
  if (PassRunning()) {
    closeWanted_ = true;
    event->ignore();
    return;
  }
  if (startupFlag_ && prepared_ &&
      notifier_.Message("ZEK-VAK 시스템을 종료하겠습니까?", "확인", MessageIcon::Question, MessageButtons::YesNo) !=
          MessageAnswer::Yes) {
    event->ignore();
    return;
  }
  items_->Close();
  event->accept();
}

// ---------------------------------------------------------------- tabs and views

void TFm_VakMain::TabChanged(int index) {
  if (!panel_) {
    previousTab_ = index;
    return;
  }
  // Leaving the overall summary takes the part of the line the user stands on.
  if (previousTab_ == kTabChong) TakePartOfSummaryRow();
  previousTab_ = index;
  TabEntered(index);
}

// On the overall summary the part is that of the line the user stands on, not the part last
// shown in the other views.
void TFm_VakMain::TakePartOfSummaryRow() { state_.curPart = PartOfSummaryRow(); }

// The construction part of the grid's current line, as the page holds it; empty without one.
std::string TFm_VakMain::PartOfSummaryRow() const {
  const int row = panel_->XGrid()->Row();
  if (!HasPartCodes(state_.projectType) || row < 1 || !panel_->pager().Slot(row).used) return std::string();
  return ConstructionPartOf(panel_->pager().Slot(row).part);
}

void TFm_VakMain::TabEntered(int index) {
  if (!panel_) return;
  WaitCursor hourglass;
  const std::string part = state_.curPart;
  if (index == kTabJib) {
    panel_->ShowView(View::PartSummary, part);
  } else if (index == kTabNae) {
    panel_->ShowView(View::ItemDetails, part);
  } else if (HasOverallSummary(state_.projectType)) {
    panel_->ShowView(View::OverallSummary, part);
  } else {
    ActivateTab(View::PartSummary);
    panel_->ShowView(View::PartSummary, part);
    hourglass.Release();
    notifier_.Message("단일공사에서는 총괄집계작업을 할 수 없습니다.", "경고", MessageIcon::Warning,
                      MessageButtons::Ok);
    return;
  }
}

void TFm_VakMain::ShowOverallSummary() {
  ActivateTab(View::OverallSummary);
  TabEntered(kTabChong);
}

void TFm_VakMain::ShowPartSummary() {
  ActivateTab(View::PartSummary);
  TabEntered(kTabJib);
}

void TFm_VakMain::ShowItemDetails() {
  ActivateTab(View::ItemDetails);
  TabEntered(kTabNae);
}

void TFm_VakMain::OnlyUnpricedCommand() {
  if (!panel_) return;
  if (!state_.onlyUnpriced && panel_->view() != View::ItemDetails) {
    if (tabs_->currentIndex() == kTabChong) TakePartOfSummaryRow();
    state_.onlyUnpriced = true;
    ShowItemDetails();  // narrows, or says that nothing is left to price
    OnlyUnpricedChanged();
    return;
  }
  panel_->ShowOnlyUnpriced(!state_.onlyUnpriced);
}

void TFm_VakMain::OnlyUnpricedChanged() {
  findChild<QAction*>(QStringLiteral("Mnu_OnlyUnpriced"))->setChecked(state_.onlyUnpriced);
  UpdateStatusLabel();
}

// ---------------------------------------------------------------- PanelHost

void TFm_VakMain::ActivateTab(View view) {
  const int index = view == View::OverallSummary ? kTabChong : (view == View::PartSummary ? kTabJib : kTabNae);
  const QSignalBlocker block(tabs_);
  tabs_->setCurrentIndex(index);
  previousTab_ = index;
}

QMenu* TFm_VakMain::PopupFor(View view) {
  QMenu* popup = view == View::OverallSummary ? mnuChong_ : (view == View::PartSummary ? mnuHead_ : mnuDetail_);
  if (panel_ && popup != currentPopup_) {
    // The grid carries the shortcuts of its current popup only.
    if (currentPopup_) {
      for (QAction* a : currentPopup_->actions()) panel_->XGrid()->removeAction(a);
    }
    panel_->XGrid()->addActions(popup->actions());
    currentPopup_ = popup;
  }
  return popup;
}

void TFm_VakMain::SetPositionLabels(const QString& name, const QString& position) {
  bimokLabel_->setText(name);
  positionLabel_->setText(position);
}

void TFm_VakMain::SetPartLabel(const QString& text) {
  partLabel_->setText(text);
  UpdateStatusLabel();
}

void TFm_VakMain::ShowSplitInfo(const SplitInfo* info) {
  splitBox_->setVisible(info != nullptr);
  if (!info) return;
  const std::string* values[8] = {&info->maUnit,   &info->laUnit,   &info->eqUnit,   &info->totUnit,
                                  &info->maAmount, &info->laAmount, &info->eqAmount, &info->totAmount};
  for (int i = 0; i < 8; ++i) splitLabels_[i]->setText(QString::fromStdString(*values[i]));
}

void TFm_VakMain::EditCommand() {
  if (!panel_ || panel_->view() != View::ItemDetails) return;
  if (splitMode_) {
    panel_->EditSplitPrice();
  } else {
    panel_->EditUnitPrice();
  }
}

// The work search comes with its own dialogs; until then the command is disabled.
void TFm_VakMain::FindCommand() {
  if (panel_) panel_->SearchWorks(dataDir_.toStdString());
}

void TFm_VakMain::WireCommands() {
  // Every command runs as a pass of the window, and none starts while a pass runs.
  auto guarded = [this](std::function<void()> command) {
    return [this, command = std::move(command)] {
      if (PassRunning()) return;
      const PassScope pass(*this);
      command();
    };
  };
  // Every way to a command is enabled and led to it: actions of the menus and popups, buttons, by name.
  auto wire = [&](const QString& name, std::function<void()> command) {
    QAction* a = findChild<QAction*>(name);
    a->setEnabled(true);
    connect(a, &QAction::triggered, this, guarded(std::move(command)));
  };
  auto wireButton = [&](const char* name, std::function<void()> command) {
    auto* b = findChild<QToolButton*>(QString::fromLatin1(name));
    b->setEnabled(true);
    connect(b, &QToolButton::clicked, this, guarded(std::move(command)));
  };
  // The views of the 작업 menu, the calculation and the input mode.
  wire(QStringLiteral("Mnu_Chong"), std::bind_front(&TFm_VakMain::ShowOverallSummary, this));
  wire(QStringLiteral("Mnu_Jib"), std::bind_front(&TFm_VakMain::ShowPartSummary, this));
  wire(QStringLiteral("Mnu_Nae"), std::bind_front(&TFm_VakMain::ShowItemDetails, this));
  for (const char* name : {"C_Sbt_CalculateChong", "C_Sbt_CalculateJib", "C_Sbt_Calculate"})
    wireButton(name, std::bind_front(&TFm_VakMain::CalculateCommand, this));
  for (const char* name : {"C_Sbt_Price", "C_Sbt_LME"}) wireButton(name, [this] { SetSplitInputMode(!splitMode_); });
  wireButton("C_Sbt_Mod", std::bind_front(&TFm_VakMain::EditCommand, this));
  wire(QStringLiteral("Mnu_Calc"), std::bind_front(&TFm_VakMain::CalculateCommand, this));
  wire(QStringLiteral("Mnu_InputType"), std::bind_front(&TFm_VakMain::InputTypeCommand, this));
  wire(QStringLiteral("C_Mnu_Detail_Mod"), std::bind_front(&TFm_VakMain::EditCommand, this));
  for (QMenu* popup : {mnuChong_, mnuHead_, mnuDetail_}) {
    wire(popup->objectName() + QStringLiteral("_Calc"), std::bind_front(&TFm_VakMain::CalculateCommand, this));
    wire(popup->objectName() + QStringLiteral("_Info"), std::bind_front(&TFm_VakMain::InfoCommand, this));  // Ctrl+I
    wire(popup->objectName() + QStringLiteral("_Report"),
         std::bind_front(&TFm_VakMain::ReportCommand, this));  // Ctrl+P
  }
  // The project information, the submission medium, the work search (F4) and the reports.
  wireButton("C_Sbt_JungBo2", std::bind_front(&TFm_VakMain::InfoCommand, this));
  wire(QStringLiteral("Mnu_Info"), std::bind_front(&TFm_VakMain::InfoCommand, this));
  wireButton("C_SBT_DiskMake", std::bind_front(&TFm_VakMain::DiskCommand, this));
  wire(QStringLiteral("Mnu_Disk"), std::bind_front(&TFm_VakMain::DiskCommand, this));
  wire(QStringLiteral("Mnu_Export"), std::bind_front(&TFm_VakMain::ExportCommand, this));
  wire(QStringLiteral("Mnu_Import"), std::bind_front(&TFm_VakMain::ImportCommand, this));
  wireButton("C_SBT_Find", std::bind_front(&TFm_VakMain::FindCommand, this));
  wire(QStringLiteral("Mnu_Find"), std::bind_front(&TFm_VakMain::FindCommand, this));
  wire(QStringLiteral("C_Mnu_Detail_Find"), std::bind_front(&TFm_VakMain::FindCommand, this));
  wireButton("C_Sbt_Report", std::bind_front(&TFm_VakMain::ReportCommand, this));
  wire(QStringLiteral("Mnu_Report"), std::bind_front(&TFm_VakMain::ReportCommand, this));
  // Beyond the agency's program: the next unpriced item (F8), prices from another bill, the
  // agency's originals put back.
  wire(QStringLiteral("C_Mnu_Detail_Unpriced"), [this] {
    if (panel_) panel_->JumpToNextUnpriced();
  });
  wire(QStringLiteral("Mnu_Undo"), std::bind_front(&TFm_VakMain::UndoCommand, this));
  wire(QStringLiteral("Mnu_Redo"), std::bind_front(&TFm_VakMain::RedoCommand, this));
  wire(QStringLiteral("Mnu_Carry"), std::bind_front(&TFm_VakMain::CarryCommand, this));
  wire(QStringLiteral("Mnu_Adjust"), std::bind_front(&TFm_VakMain::AdjustCommand, this));
  wire(QStringLiteral("Mnu_Restore"), std::bind_front(&TFm_VakMain::RestoreCommand, this));
  wire(QStringLiteral("Mnu_OnlyUnpriced"), std::bind_front(&TFm_VakMain::OnlyUnpricedCommand, this));
  wire(QStringLiteral("Mnu_Keys"), [this] {
    TFm_VakKeys keys(this);
    keys.exec();
  });
  wire(QStringLiteral("Mnu_About"), [this] {
    TFm_VakAbout box(this);
    box.exec();
  });
}

void TFm_VakMain::BeginPass() {
  if (passDepth_++ > 0) return;
  // The window's commands are disabled (menus, popups and their shortcuts), and what input
  // still reaches it (the window system's waits for the pass) is not let in.
  for (QAction* action : findChildren<QAction*>()) {
    if (!action->isEnabled()) continue;
    action->setEnabled(false);
    passDisabled_.emplace_back(action);
  }
  qApp->installEventFilter(this);
}

void TFm_VakMain::EndPass() {
  // Input the window system held back while the pass ran (keys typed blind) is let in now,
  // while the filter still drops it: a command must not run afterwards on a table the user
  // has not seen. A close among it is remembered as during the pass.
  if (passDepth_ == 1) QCoreApplication::processEvents();
  if (--passDepth_ > 0) return;
  qApp->removeEventFilter(this);
  for (const QPointer<QAction>& action : passDisabled_) {
    if (action) action->setEnabled(true);
  }
  passDisabled_.clear();
  // Not at once: the code that ended the pass may still be on its way out.
  if (std::exchange(closeWanted_, false)) QTimer::singleShot(0, this, [this] { close(); });
}

bool TFm_VakMain::eventFilter(QObject* watched, QEvent* event) {
  // During a pass input reaches only a question the pass itself asks (a modal box); a close of
  // the window goes through, to closeEvent, which keeps it for the end of the pass.
  if (PassRunning() && IsUserInput(event->type()) && watched->isWidgetType()) {
    // The modal window's own popups (a list dropped down, a menu, a file dialog's completions)
    // are windows of their own: some with parents that lead to it, some with none. A popup
    // only opens from what the user does in the modal window, so it may take input too.
    const QWidget* modal = QApplication::activeModalWidget();
    const QWidget* w = static_cast<QWidget*>(watched);
    const bool popup = w->window()->windowType() == Qt::Popup;
    while (w && w != modal) w = w->parentWidget();
    if (!modal || (!w && !popup)) return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TFm_VakMain::ReviewWholeTender() {
  const ProjectHeader header = LoadProjectHeader(dataDir_.toStdString());
  tenderStatus_.Reset(ReviewTender(*items_, state_.projectType, header.values));
  UpdateStatusLabel();
  // The amount the header holds, not "0": a reopened, priced tender shows what it stores (the
  // status line says when the totals need a calculation).
  std::string stored = TrimmedText(header.values[kCmnIpmt]);
  if (header.Whole() && IsNumberText(stored) && !stored.empty()) {
    const long double amount = TextToNumber(stored);
    totalLabel_->setText(amount == 0 ? QStringLiteral("0")
                                     : QString::fromStdString(AmountText(amount)));  // "0" as at start
  }
}

void TFm_VakMain::UpdateStatusLabel() {
  if (!statusLabel_) return;
  std::string part = state_.curPart;
  // On the overall summary the status line is of the line the cursor stands on, as the part label is.
  if (panel_ && panel_->view() == View::OverallSummary && HasPartCodes(state_.projectType)) {
    if (const std::string onTheLine = PartOfSummaryRow(); !onTheLine.empty()) part = onTheLine;
  }
  const std::string code = TrimmedText(PartCode(state_.projectType, part));
  std::string status = StatusText(tenderStatus_, code, tenderStatus_.PartCount() > 1);
  if (state_.onlyUnpriced && panel_ && panel_->view() == View::ItemDetails) status = "미입력 항목만 · " + status;
  statusLabel_->setText(QString::fromStdString(status));
  const bool finished = tenderStatus_.Whole().Unpriced() == 0 && tenderStatus_.StaleParts().empty();
  statusLabel_->setStyleSheet(finished ? QStringLiteral("color: #006400;") : QStringLiteral("color: #a00000;"));
}

void TFm_VakMain::PriceEntered(const std::string& partCode, LineState before, LineState after, bool changed) {
  tenderStatus_.NoteEntry(partCode, before, after, changed);
  if (changed && panel_) panel_->LinePriceChanged();
  UpdateStatusLabel();
}

std::vector<uint32_t> TFm_VakMain::IdenticalTo(uint32_t recno) {
  if (!identical_ && items_->engine()) identical_ = std::make_unique<IdenticalItems>(items_->engine()->file());
  return identical_ ? identical_->Of(recno) : std::vector<uint32_t>();
}

void TFm_VakMain::StepDone(PriceStep step) {
  history_.Push(std::move(step));
  UpdateUndoActions();
}

// The menu says what Ctrl+Z and Ctrl+Y would take back or do again.
void TFm_VakMain::UpdateUndoActions() {
  const PriceStep* undo = history_.ToUndo();
  const PriceStep* redo = history_.ToRedo();
  if (auto* a = findChild<QAction*>(QStringLiteral("Mnu_Undo")))
    a->setText(undo ? QStringLiteral("되돌리기: ") + QString::fromStdString(undo->what) : QStringLiteral("되돌리기"));
  if (auto* a = findChild<QAction*>(QStringLiteral("Mnu_Redo")))
    a->setText(redo ? QStringLiteral("다시 실행: ") + QString::fromStdString(redo->what) : QStringLiteral("다시 실행"));
}

void TFm_VakMain::ApplyHistory(bool undo) {
  const PriceStep* step = undo ? history_.ToUndo() : history_.ToRedo();
  if (!panel_ || !items_->engine() || !step) {
    notifier_.Beep();
    return;
  }
  const bool wholeTender = step->headerBefore.has_value();
  std::set<std::string> partCodes;  // of the lines the step changes
  if (!wholeTender) {
    for (const RecordChange& c : step->records) {
      items_->Xbase().Go(c.recno);
      partCodes.insert(TrimmedText(items_->FieldAsString("F_PART")));
    }
  }
  const int tab = tabs_->currentIndex();
  const uint32_t line = wholeTender || step->records.empty() ? 0 : step->records.front().recno;
  WaitCursor hourglass;
  if (ApplyStep(*items_, dataDir_.toStdString(), *step, undo, notifier_)) {
    undo ? history_.Undone() : history_.Redone();
    UpdateUndoActions();
    // Looked at again from the data: back where it was, a part needs no calculation it did not need then.
    if (wholeTender) {
      ReviewWholeTender();
    } else {
      for (const std::string& code : partCodes)
        tenderStatus_.SetPart(ReviewPart(*items_, state_.projectType, tenderStatus_.PartOfCode(code)));
      UpdateStatusLabel();
    }
  }
  ShowAgainOnTheSameRow(tab);
  // The cursor on the line taken back (or done again), when this view shows it.
  if (line != 0 && panel_ && panel_->view() == View::ItemDetails && items_->engine()->IsVisible(line))
    panel_->ShowLine(line, panel_->XGrid()->Row());
}

bool TFm_VakMain::CalculateParts(const std::vector<std::string>& parts) {
  WaitCursor hourglass;
  for (const std::string& part : parts) {
    const CalculationResult result =
        CalculateStatement(*items_, {dataDir_.toStdString(), state_.projectType, part}, notifier_);
    if (!result.completed) return false;
    tenderStatus_.MarkCalculated(TrimmedText(PartCode(state_.projectType, part)));
    totalLabel_->setText(QString::fromStdString(AmountText(result.tenderAmount)));
  }
  UpdateStatusLabel();
  return true;
}

bool TFm_VakMain::ConfirmFinished(const std::string& what) {
  const std::string question = UnfinishedTenderQuestion(tenderStatus_, what);
  if (question.empty()) return true;
  const MessageAnswer answer = notifier_.Message(question, "확인", MessageIcon::Question, MessageButtons::YesNoCancel);
  if (answer == MessageAnswer::Cancel) return false;
  if (answer != MessageAnswer::Yes) return true;
  const bool calculated = CalculateParts(tenderStatus_.StaleParts());
  ShowAgainOnTheSameRow(tabs_->currentIndex());
  return calculated;
}

void TFm_VakMain::ReleaseTable() {
  identical_.reset();
  items_->Close();
  if (panel_) {
    confirm_->layout()->removeWidget(panel_);
    delete panel_;
    panel_ = nullptr;
  }
}

MessageAnswer TFm_VakMain::AskToReplacePrices(const std::string& from, const std::string& caption) {
  return notifier_.Message(
      from + " 의 단가를 지금 내역의 같은 항목에 가져오고, 모든 공사를 다시 계산합니다.\n" +
          "단가고정 항목은 그대로 둡니다. 이미 입력한 단가도 바꾸시겠습니까?\n  예: 바꿈  아니오: 이미 입력한 단가는 "
          "그대로  취소: 그만둠",
      caption, MessageIcon::Question, MessageButtons::YesNoCancel);
}

bool TFm_VakMain::ChangeTenderFiles(const std::string& what, const std::function<bool()>& change) {
  const int tab = tabs_->currentIndex();
  // What the change finds, to make one step of what it changed.
  const std::string headerPath = DataFilePath(dataDir_.toStdString(), "VAK.MEM");
  std::optional<RecordSnapshot> before;
  if (items_->engine()) before = RecordSnapshot::Whole(items_->engine()->file());
  const std::optional<std::string> headerBefore = ReadWholeFile(headerPath);
  ReleaseTable();
  const bool completed = change();
  startupFlag_ = true;
  if (!RunShowStep()) return false;
  if (tab != tabs_->currentIndex()) TabEntered(tabs_->currentIndex());
  if (completed && items_->engine()) {
    const std::optional<std::vector<RecordChange>> changes =
        before ? before->Changes(items_->engine()->file()) : std::nullopt;
    const std::optional<std::string> headerAfter = ReadWholeFile(headerPath);
    if (changes && headerBefore && headerAfter) {
      StepDone({what, *changes, headerBefore, headerAfter});
    } else {
      history_.Clear();  // the table is not the one the steps were made on
      UpdateUndoActions();
    }
  }
  return completed;
}

void TFm_VakMain::ShowPriceChange(const std::string& caption, long double tenderAmount, const std::string& reportName,
                                  const std::string& report, std::string summary) {
  totalLabel_->setText(QString::fromStdString(AmountText(tenderAmount)));
  const std::string reportPath = JoinPath(dataDir_.toStdString(), reportName);
  const bool reported = ReplaceFileContents(reportPath, report);
  summary += reported ? "항목별 결과: " + reportPath : "항목별 결과 화일을 쓸 수 없습니다: " + reportPath;
  notifier_.Message(summary, caption, MessageIcon::Information, MessageButtons::Ok);
}

void TFm_VakMain::CarryCommand() {
  if (!panel_) return;
  QSettings settings = ProgramSettings();
  const QString last = settings.value(QStringLiteral("carry/source")).toString();
  const QString from = carryChooser_ ? carryChooser_(last)
                                     : QFileDialog::getExistingDirectory(
                                           this, QStringLiteral("단가를 가져올 입찰 자료(이전 내역)의 디렉토리"), last);
  if (from.isEmpty()) return;
  settings.setValue(QStringLiteral("carry/source"), from);
  if (const std::string refusal = CarryProblem(from.toStdString(), dataDir_.toStdString()); !refusal.empty()) {
    notifier_.Message(refusal, "오류", MessageIcon::Error, MessageButtons::Ok);
    return;
  }
  const MessageAnswer answer = AskToReplacePrices(from.toStdString(), "단가 가져오기");
  if (answer == MessageAnswer::Cancel) return;
  CarryRequest request{from.toStdString(), dataDir_.toStdString(), answer == MessageAnswer::Yes};
  CarryResult result;
  if (!ChangeTenderFiles("단가 가져오기", [&] { return (result = CarryPrices(request, env_, notifier_)).completed; }))
    return;
  ShowPriceChange("단가 가져오기", result.tenderAmount, "단가가져오기-결과.csv", CarryReportCsv(result.plan),
                  "단가를 가져오고 모든 공사를 다시 계산했습니다.\n\n" + CarrySummaryText(result.plan, true) + "\n" +
                      CompletionText(result.tenderAmount) + "\n");
}

void TFm_VakMain::AdjustCommand() {
  if (!panel_) return;
  const int tab = tabs_->currentIndex();
  long long current = 0;
  {
    WaitCursor hourglass;
    current = TenderAmountOfAllParts(*items_, state_.projectType);
  }
  ShowAgainOnTheSameRow(tab);  // the review moved the table
  TFm_VakAdjust dialog(current, notifier_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  // The outcome is planned on the window's own table and asked about before the table is let
  // go: "아니오" leaves the window where it was.
  std::optional<AdjustmentPlan> shown;
  {
    WaitCursor hourglass;
    shown = PlanAdjustment(*items_, state_.projectType, dialog.Target(), notifier_);
  }
  ShowAgainOnTheSameRow(tab);
  if (!shown || notifier_.Message(AdjustmentSummaryText(*shown, false) +
                                      "\n\n이대로 단가를 바꾸고 모든 공사를 다시 계산하시겠습니까?",
                                  "금액 맞추기", MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes)
    return;
  auto sameAsShown = [&](const AdjustmentPlan& plan) {
    if (SamePlan(plan, *shown)) return true;
    notifier_.Message("내역이 그 사이에 바뀌어 보여 드린 결과와 다릅니다. 아무것도 바꾸지 않았습니다. 다시 하십시오.",
                      "오류", MessageIcon::Error, MessageButtons::Ok);
    return false;
  };
  AdjustmentResult result;
  if (!ChangeTenderFiles("금액 맞추기", [&] {
        return (result =
                    AdjustTenderAmount(dataDir_.toStdString(), dialog.Target(), env_, notifier_, sameAsShown, true))
            .completed;
      }))
    return;
  ShowPriceChange(
      "금액 맞추기", static_cast<long double>(result.plan.newAmount), "금액맞추기-결과.csv",
      AdjustmentReportCsv(result.plan),
      "단가를 조정하고 모든 공사를 다시 계산했습니다.\n\n" + AdjustmentSummaryText(result.plan, true) + "\n");
}

void TFm_VakMain::ExportCommand() {
#ifdef VAK_HAS_SHEETS
  if (!panel_ || !ConfirmFinished("엑셀 화일을 작성")) return;
  const QString suggested = QString::fromStdString(JoinPath(dataDir_.toStdString(), "내역.xlsx"));
  QString path = exportChooser_ ? exportChooser_(suggested)
                                : QFileDialog::getSaveFileName(this, QStringLiteral("엑셀로 내보내기"), suggested,
                                                               QStringLiteral("엑셀 통합 문서 (*.xlsx)"));
  if (path.isEmpty()) return;
  if (!path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) path += QStringLiteral(".xlsx");
  const std::string out = path.toStdString();
  if (const std::string problem = OutputPathProblem(out, {dataDir_.toStdString()}); !problem.empty()) {
    notifier_.Message(problem, "오류", MessageIcon::Error, MessageButtons::Ok);
    return;
  }
  const int tab = tabs_->currentIndex();
  StatementWorkbook book;
  Failure failure;
  bool written = false;
  {
    WaitCursor hourglass;
    book = ReadStatementWorkbook(*items_, state_.projectType);
    written = WriteStatementXlsx(book, out, &failure);
  }
  ShowAgainOnTheSameRow(tab);
  if (!written) {
    notifier_.Message(FailureText(failure) + "\n엑셀 화일을 쓰지 못했습니다.", "오류", MessageIcon::Error,
                      MessageButtons::Ok);
    return;
  }
  notifier_.Message("엑셀 화일을 썼습니다: " + out + "\n시트 " +
                        std::to_string(book.parts.size() + (book.summary.empty() ? 0 : 1)) + "개, 총입찰금액 " +
                        AmountText(static_cast<long double>(book.tenderAmount)) + "원",
                    "엑셀로 내보내기", MessageIcon::Information, MessageButtons::Ok);
#endif
}

void TFm_VakMain::ImportCommand() {
#ifdef VAK_HAS_SHEETS
  if (!panel_) return;
  QSettings settings = ProgramSettings();
  const QString last = settings.value(QStringLiteral("import/file"), dataDir_).toString();
  const QString from = importChooser_
                           ? importChooser_(last)
                           : QFileDialog::getOpenFileName(this, QStringLiteral("단가를 가져올 엑셀 화일"), last,
                                                          QStringLiteral("엑셀 통합 문서 (*.xlsx);;CSV (*.csv)"));
  if (from.isEmpty()) return;
  settings.setValue(QStringLiteral("import/file"), from);
  const MessageAnswer answer = AskToReplacePrices(from.toStdString(), "엑셀에서 단가 가져오기");
  if (answer == MessageAnswer::Cancel) return;
  ImportRequest request;
  request.dir = dataDir_.toStdString();
  request.path = from.toStdString();
  request.csv = from.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
  request.overwrite = answer == MessageAnswer::Yes;
  ImportResult result;
  if (!ChangeTenderFiles("엑셀에서 단가 가져오기",
                         [&] { return (result = ImportPrices(request, env_, notifier_)).completed; }))
    return;
  ShowPriceChange("엑셀에서 단가 가져오기", result.tenderAmount, "엑셀단가가져오기-결과.csv", ImportReportCsv(result),
                  "단가를 가져오고 모든 공사를 다시 계산했습니다.\n\n" + CarrySummaryText(result.plan, true) +
                      "  가져오지 않은 행: " + std::to_string(result.refused.size()) + "\n" +
                      CompletionText(result.tenderAmount) + "\n");
#endif
}

void TFm_VakMain::DiskCommand() {
  if (panel_ && !ConfirmFinished("제출 화일을 작성")) return;
  QString target;
  {
    TFm_VakDisk dialog(notifier_, this);
    if (diskChooser_) dialog.SetDirectoryChooser(diskChooser_);
    dialog.exec();
    if (!dialog.Confirmed()) return;  // nothing changes
    target = dialog.Target();
  }
  // The table is closed while it is copied and opened again through the show step.
  ReleaseTable();
  SubmitTender(dataDir_.toStdString(), target.toStdString(), notifier_);
  startupFlag_ = true;
  RunShowStep();
}

void TFm_VakMain::RestoreCommand() {
  if (!panel_) return;
  const std::string dir = dataDir_.toStdString();
  ReleaseTable();
  const RestoreResult result = RestoreOriginals(dir, notifier_);
  startupFlag_ = true;
  // The originals come without their index, and with the agency's header: the table is
  // prepared as at the start (which also finishes a replacement that stopped half-way), and
  // the header read again.
  if (result.restored || HasInterruptedCommit(dir)) {
    history_.Clear();  // the steps were made on the tender now put aside
    UpdateUndoActions();
    totalLabel_->setText(QStringLiteral("0"));
    prepared_ = PrepareData(dir, env_, *items_, notifier_, startupFlag_);
    if (prepared_) ReadProjectHeader();
  }
  RunShowStep();  // closes the window itself when the table cannot be shown
  if (result.restored) {
    notifier_.Message("발주기관의 원본으로 되돌렸습니다. 이전 화일: " + result.keptDbf + ", " + result.keptMem, "알림",
                      MessageIcon::Information, MessageButtons::Ok);
  }
  // Without its table the window has nothing to show; the user has been told why.
  if (!prepared_) QTimer::singleShot(0, this, [this] { close(); });
}

void TFm_VakMain::InfoCommand() {
  TFM_VakJungBo dialog(dataDir_.toStdString(), notifier_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  worksName_ = dialog.SavedDescription().trimmed();  // the works' name at once
  desLabel_->setText(worksName_);
  UpdateWindowTitle();
}

void TFm_VakMain::ReportCommand() {
  if (!panel_) return;
  if (tabs_->currentIndex() == kTabChong) TakePartOfSummaryRow();
  if (!ConfirmFinished("보고서를 작성")) return;
  ReportContext context;
  context.dataDir = dataDir_.toStdString();
  context.projectType = state_.projectType;
  context.part = TrimmedText(state_.curPart).empty() ? std::string("1") : state_.curPart;
  context.partLabel = partLabel_->text();
  const int tab = tabs_->currentIndex();
  RunReportDialog(*items_, context, notifier_, this, [this, tab] { ShowAgainOnTheSameRow(tab); });
}

void TFm_VakMain::SetSplitInputMode(bool split) {
  splitMode_ = split;
  findChild<QToolButton*>(QStringLiteral("C_Sbt_Mod"))
      ->setText(split ? QStringLiteral("재노경입력/수정") : QStringLiteral("단가입력/수정"));
  findChild<QToolButton*>(QStringLiteral("C_Sbt_LME"))->setVisible(split);
  findChild<QToolButton*>(QStringLiteral("C_Sbt_Price"))->setVisible(!split);
}

void TFm_VakMain::InputTypeCommand() {
  bool split = splitMode_;
  Tfm_VakInputType dialog(this);
  dialog.classInit(&split);
  if (dialog.exec() == QDialog::Accepted) SetSplitInputMode(split);
}

void TFm_VakMain::CalculateCommand() {
  if (!panel_) return;
  const int tab = tabs_->currentIndex();
  if (tab == kTabChong) TakePartOfSummaryRow();
  panel_->SetViewFilter(View::PartSummary, state_.curPart);
  WaitCursor hourglass;
  const CalculationRequest request{dataDir_.toStdString(), state_.projectType, state_.curPart};
  const CalculationResult result = CalculateStatement(*items_, request, notifier_);
  hourglass.Release();
  if (result.completed) {
    tenderStatus_.MarkCalculated(TrimmedText(PartCode(state_.projectType, state_.curPart)));
    UpdateStatusLabel();
    totalLabel_->setText(QStringLiteral("0"));
    notifier_.Message(CompletionText(result.tenderAmount), "알림", MessageIcon::Information, MessageButtons::Ok);
    totalLabel_->setText(QString::fromStdString(AmountText(result.tenderAmount)));
  }
  ShowAgainOnTheSameRow(tab);
}

// The view is shown again, and the cursor stays on the line the user stood on.
void TFm_VakMain::ShowAgainOnTheSameRow(int tab) {
  const int row = panel_->XGrid()->Row();
  TabEntered(tab);
  if (row >= 1 && panel_->pager().Slot(row).used) panel_->XGrid()->SetRow(row);
}

}  // namespace vak
