// The main window driven as a user would, headless: first view, drill-downs, paging, the
// scroll bar, the column map, colours and marks, tabs, the close question, no command and no
// close in the middle of a pass, the agency's originals put back, the project information
// typed past its limits, the item details of only the unpriced items, the list of keys.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>

#include "VakVersion.h"
#include "common/CodePage.h"
#include "common/Files.h"
#include "gui/app/DataDirectory.h"
#include "gui/app/S_VakDisk.h"
#include "gui/app/S_VakJungBo.h"
#include "gui/app/S_VakKeys.h"
#include "gui/app/s_VakMain.h"
#include "gui/common/Fonts.h"
#include "gui/common/NumEdit.h"
#include "gui/common/S_Progress.h"
#include "gui/views/S_VakFind.h"
#include "pricing/PriceEntry.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"
#include "tests/gui/support/WindowSession.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"
#include "tools/SampleTender.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <utility>

namespace vak {

using test::RecordingNotifier;
using test::RejectDialogWhenOpen;
using test::Row;
using test::Session;
using test::TempDir;
using test::WhenDialogOpens;

// Shows every pass in the real progress window, as the program's notifier does (its event
// processing included), and runs `inPass` once, at the next step of a pass.
struct ShowingNotifier : RecordingNotifier {
  void ProgressOpen(const std::string& text, long maximum) override {
    RecordingNotifier::ProgressOpen(text, maximum);
    vak::ProgressOpen(static_cast<int>(maximum), QString::fromStdString(text));
  }
  void ProgressStep() override {
    RecordingNotifier::ProgressStep();
    vak::ProgressStep(1);
    if (inPass) std::exchange(inPass, nullptr)();
  }
  void ProgressClose() override {
    RecordingNotifier::ProgressClose();
    vak::ProgressClose();
  }
  std::function<void()> inPass;
};

std::string Cp949(const QString& text) { return Utf8ToCp949(text.toStdString()).value(); }

void Sample(const TempDir& dir, int type, long lines) {
  SampleOptions options;
  options.type = type;
  options.lines = lines;
  options.seed = 77;
  QVERIFY(WriteSampleTender(dir.path(), options));
}

// ASCII by keys ("\b" Backspace); anything else as a Korean input method brings it: composed,
// then committed. "^" pastes the rest.
void Enter(QWidget* w, const QString& input) {
  if (input.startsWith(QLatin1Char('^'))) {
    QGuiApplication::clipboard()->setText(input.mid(1));
    return QTest::keySequence(w, QKeySequence::Paste);
  }
  for (const char32_t c : input.toUcs4()) {
    if (c < 0x80) {
      c == U'\b' ? QTest::keyClick(w, Qt::Key_Backspace) : QTest::keyClick(w, static_cast<char>(c));
      continue;
    }
    QInputMethodEvent composing(QString::fromUcs4(&c, 1), {}), commit;
    commit.setCommitString(QString::fromUcs4(&c, 1));
    QApplication::sendEvent(w, &composing);
    QApplication::sendEvent(w, &commit);
  }
}

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallKoreanFonts(); }

  void aCompoundProjectOpensOnTheOverallSummary() {
    TempDir dir;
    Sample(dir, 2, 300);
    Session s(dir.path());
    // The works' name and the directory tell two windows apart.
    QCOMPARE(s.window.windowTitle(), QStringLiteral("한빛시 종합복지관 신축공사 - ") +
                                         QString::fromStdString(dir.path()) + QStringLiteral(" - 전산내역입찰(VAK)"));
    QCOMPARE(s.window.Tabs()->currentIndex(), 0);
    QCOMPARE(s.panel().view(), View::OverallSummary);
    QCOMPARE(s.Cell(1, kColName), QStringLiteral("건축공사"));
    QCOMPARE(s.Cell(3, kColName), QStringLiteral("기계설비공사"));
    QVERIFY(s.Cell(4, kColName).isEmpty());
    QCOMPARE(s.Cell(1, kColQuantity), QStringLiteral("1"));
    QCOMPARE(s.Label("C_LBL_Type"), QStringLiteral("[복합공사]"));
    QCOMPARE(s.Label("C_Lbl_Des"), QStringLiteral("한빛시 종합복지관 신축공사"));
    QCOMPARE(s.Label("C_Lbl_Path"), QString::fromStdString(dir.path()));
    QCOMPARE(s.Label("C_LBL_Part"), QStringLiteral("[건축공사]"));
    QCOMPARE(s.Label("C_LBL_Position"), QStringLiteral("[1/21]"));
    QCOMPARE(s.Label("Label31"), QStringLiteral("0"));
    QVERIFY(!s.window.findChild<QWidget*>(QStringLiteral("Pnl_DisMon"))->isVisible());
    QCOMPARE(s.grid().Popup()->objectName(), QStringLiteral("C_Mnu_Chong"));
    // The start-up pass stepped once per line in the progress window, and closed it.
    QCOMPARE(s.notifier.progressTexts, std::vector<std::string>{"데이타정보를 확인하고 있습니다."});
    const long lines = static_cast<long>(s.window.Items().Xbase().RecCount());
    QVERIFY(lines >= 300);
    QCOMPARE(s.notifier.progressMaximum, lines);
    QCOMPARE(s.notifier.progressSteps, lines);
    QCOMPARE(s.notifier.progressCloses, 1);
  }

  void aSingleProjectOpensOnTheItemDetails() {
    TempDir dir;
    Sample(dir, 1, 120);
    Session s(dir.path(), 1280);
    QCOMPARE(s.window.Tabs()->currentIndex(), 2);
    QCOMPARE(s.panel().view(), View::ItemDetails);
    QCOMPARE(s.window.State().lastRow, 28);
    QCOMPARE(s.grid().DataRowCount(), 28);
    QCOMPARE(s.Label("C_LBL_Type"), QStringLiteral("[단일공사]"));
    QVERIFY(s.window.findChild<QWidget*>(QStringLiteral("Pnl_DisMon"))->isVisible());
    QCOMPARE(s.grid().Popup()->objectName(), QStringLiteral("C_Mnu_Detail"));
    // The overall summary is refused in a single-construction project.
    s.window.Tabs()->setCurrentIndex(0);
    QCOMPARE(s.window.Tabs()->currentIndex(), 1);
    QCOMPARE(s.panel().view(), View::PartSummary);
    QCOMPARE(s.notifier.messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(s.notifier.messages[0].text),
             QStringLiteral("단일공사에서는 총괄집계작업을 할 수 없습니다."));
    QCOMPARE(QString::fromStdString(s.notifier.messages[0].caption), QStringLiteral("경고"));
  }

  void missingDataFilesStopTheStartWithoutAQuestion() {
    TempDir dir;
    test::WriteItemTable(dir.path(), {{"U", 1, '1', "a"}});
    TXbaseEnv env;
    RecordingNotifier notifier;
    {
      TFm_VakMain window(QString::fromStdString(dir.path()), env, notifier);
      QVERIFY(!window.Prepared());
      QVERIFY(!window.StartupFlag());
      window.close();
    }
    QCOMPARE(notifier.messages.size(), size_t(1));  // the missing VAK.MEM only: no close question
    QVERIFY(QString::fromStdString(notifier.messages[0].text)
                .endsWith(QStringLiteral("디렉토리에 데이타화일(VAK.MEM)이 없습니다.")));
  }

  void aDamagedHeaderIsShownAtTheStartAndF3WritesNothing() {
    TempDir dir;
    Sample(dir, 2, 80);
    const std::string header = dir.Read("VAK.MEM");
    dir.Write("VAK.MEM", header.substr(0, header.size() / 2));
    Session s(dir.path());
    QVERIFY(s.window.Shown());
    QVERIFY(!s.notifier.messages.empty());
    QCOMPARE(QString::fromStdString(s.notifier.messages[0].caption), QStringLiteral("경고"));
    QVERIFY(QString::fromStdString(s.notifier.messages[0].text)
                .contains(QStringLiteral("공사 정보 화일(VAK.MEM)이 손상되었습니다")));
    QCOMPARE(s.Label("C_Lbl_Des"), QStringLiteral("(공사 정보를 읽을 수 없습니다: VAK.MEM)"));
    // The statement is still shown as the compound project it is.
    QCOMPARE(s.Label("C_LBL_Type"), QStringLiteral("[복합공사]"));
    QCOMPARE(s.panel().view(), View::OverallSummary);
    QCOMPARE(s.Cell(1, kColName), QStringLiteral("건축공사"));
    const std::string table = dir.Read("VAK.DBF");
    s.window.CalculateCommand();
    QCOMPARE(QString::fromStdString(s.notifier.messages.back().caption), QStringLiteral("오류"));
    QVERIFY(dir.Read("VAK.DBF") == table);
    QVERIFY(dir.Read("VAK.MEM") == header.substr(0, header.size() / 2));
    QCOMPARE(s.Label("Label31"), QStringLiteral("0"));
    // The project information shows it for reading only: nothing typed there that cannot be saved.
    bool readOnly = false, okEnabled = true;
    WhenDialogOpens([&](QDialog* d) {
      readOnly = d->findChild<QLineEdit*>(QStringLiteral("C_EDT_COMP"))->isReadOnly();
      okEnabled = d->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok"))->isEnabled();
      d->reject();
    });
    s.window.InfoCommand();
    QVERIFY(readOnly);
    QVERIFY(!okEnabled);
  }

  void theCloseQuestionDecides() {
    TempDir dir;
    Sample(dir, 1, 50);
    Session s(dir.path());
    s.notifier.nextAnswer = MessageAnswer::No;
    QVERIFY(!s.window.close());
    QVERIFY(s.window.isVisible());
    QCOMPARE(QString::fromStdString(s.notifier.messages.back().text),
             QStringLiteral("ZEK-VAK 시스템을 종료하겠습니까?"));
    QCOMPARE(s.notifier.messages.back().buttons, MessageButtons::YesNo);
    QCOMPARE(QString::fromStdString(s.notifier.messages.back().caption), QStringLiteral("확인"));
    s.Key(Qt::Key_Escape);  // Esc asks too
    QVERIFY(s.window.isVisible());
    s.notifier.nextAnswer = MessageAnswer::Yes;
    QVERIFY(s.window.close());
  }

  // Whatever runs a pass (here one shown by hand, as every long pass shows itself), the window
  // takes neither keys nor commands meanwhile, and a close comes when the pass is over.
  void aPassTakesNoCommandAndTheCloseWaitsForItsEnd() {
    TempDir dir;
    Sample(dir, 1, 60);
    Session s(dir.path());
    s.window.findChild<QAction*>(QStringLiteral("C_Mnu_Detail_Unpriced"))->trigger();  // Enter would ask its price
    QVERIFY(ProgressOpen(10, QStringLiteral("데이타정보를 확인하고 있습니다.")));
    s.window.activateWindow();  // the window's shortcuts would work
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    bool opened = false;
    RejectDialogWhenOpen(&opened);
    s.Key(Qt::Key_F3);
    s.Key(Qt::Key_Return);
    s.window.findChild<QToolButton*>(QStringLiteral("C_Sbt_JungBo2"))->click();
    QVERIFY(!s.window.close());
    QVERIFY(ProgressStep(1));  // the pass lets pending events through
    QVERIFY(!opened);
    QVERIFY(s.notifier.messages.empty());  // no calculation, no close question
    s.notifier.nextAnswer = MessageAnswer::No;
    QVERIFY(ProgressClose());
    QTRY_COMPARE(s.notifier.messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(s.notifier.messages[0].text), QStringLiteral("ZEK-VAK 시스템을 종료하겠습니까?"));
    RejectDialogWhenOpen(&opened);  // and Enter works again
    s.Key(Qt::Key_Return);
    QVERIFY(opened);
  }

  // The same inside a command's own pass: the carry, started from its menu entry.
  void aCommandsPassTakesNoSecondCommandAndTheCloseComesAfterIt() {
    TempDir source, target;
    Sample(source, 1, 60);
    Sample(target, 1, 60);
    TXbaseEnv env;
    ShowingNotifier notifier;
    TFm_VakMain window(QString::fromStdString(target.path()), env, notifier, 800);
    window.show();
    QVERIFY(window.RunShowStep());
    int chosen = 0;
    window.SetCarryDirectoryChooser([&](const QString&) {
      ++chosen;
      return QString::fromStdString(source.path());
    });
    QAction* carry = window.findChild<QAction*>(QStringLiteral("Mnu_Carry"));
    bool closedInPass = true;
    notifier.inPass = [&] {
      carry->trigger();
      closedInPass = window.close();
    };
    carry->trigger();
    QVERIFY(!closedInPass);
    QCOMPARE(chosen, 1);
    QVERIFY(window.Shown());
    QVERIFY(QString::fromStdString(notifier.messages.back().text)
                .startsWith(QStringLiteral("단가를 가져오고 모든 공사를 다시 계산했습니다.")));
    QTRY_VERIFY(!window.isVisible());  // the close, once the carry was over
    QCOMPARE(QString::fromStdString(notifier.messages.back().text), QStringLiteral("ZEK-VAK 시스템을 종료하겠습니까?"));
  }

  // 작업 › 원본으로 되돌리기: 아니오 leaves the priced files; 예 puts the agency's back, keeps the
  // priced ones beside, and shows the table again.
  void theAgencysOriginalsPutBackFromTheWorkMenu() {
    TempDir dir;
    for (const char* name : {"VAK.DBF", "VAK.MEM"})
      QVERIFY(QFile::copy(QStringLiteral(VAK_SOURCE_DIR "/sample/") + QString::fromLatin1(name),
                          QString::fromStdString(dir.File(name))));
    Session s(dir.path());
    const QString status = s.Label("C_LBL_Status");
    const QString title = s.window.windowTitle();
    WhenDialogOpens([](QDialog* d) {
      d->findChild<QLineEdit*>(QStringLiteral("C_EDT_DES"))->setText(QStringLiteral("바뀐 공사"));
      d->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok"))->click();
    });
    s.window.InfoCommand();
    QVERIFY(s.window.windowTitle().startsWith(QStringLiteral("바뀐 공사 - ")));
    s.window.ShowItemDetails();
    s.window.findChild<QAction*>(QStringLiteral("C_Mnu_Detail_Unpriced"))->trigger();
    QVERIFY(s.panel().pager().GoToSlot(s.grid().Row()));
    QVERIFY(WriteSinglePrice(s.window.Items(), 1000, s.notifier));
    s.window.CalculateCommand();
    const std::string pricedDbf = dir.Read("VAK.DBF"), pricedMem = dir.Read("VAK.MEM");
    const std::string originalDbf = dir.Read("원본/VAK.DBF"), originalMem = dir.Read("원본/VAK.MEM");
    QVERIFY(pricedDbf != originalDbf && pricedMem != originalMem);
    QAction* restore = s.window.findChild<QAction*>(QStringLiteral("Mnu_Restore"));
    QVERIFY(s.window.findChild<QMenu*>(QStringLiteral("C_Mnu_Work"))->actions().contains(restore));  // 작업
    const std::vector<std::string> names = dir.Names();
    s.notifier.nextAnswer = MessageAnswer::No;
    restore->trigger();
    QVERIFY(QString::fromStdString(s.notifier.messages.back().text).endsWith(QStringLiteral("되돌리시겠습니까?")));
    QVERIFY(dir.Read("VAK.DBF") == pricedDbf && dir.Read("VAK.MEM") == pricedMem);
    QCOMPARE(dir.Names(), names);

    s.notifier.nextAnswer = MessageAnswer::Yes;
    restore->trigger();
    QVERIFY(dir.Read("VAK.DBF") == originalDbf && dir.Read("VAK.MEM") == originalMem);
    std::string keptDbf, keptMem;
    for (const std::string& name : dir.Names()) {
      if (name.rfind("VAK.DBF.", 0) == 0) keptDbf = name;
      if (name.rfind("VAK.MEM.", 0) == 0) keptMem = name;
    }
    QVERIFY(dir.Read(keptDbf) == pricedDbf && dir.Read(keptMem) == pricedMem);
    const test::RecordedMessage& told = s.notifier.messages.back();
    QCOMPARE(QString::fromStdString(told.text),
             QString::fromStdString("발주기관의 원본으로 되돌렸습니다. 이전 화일: " + keptDbf + ", " + keptMem));
    QVERIFY(told.caption == "알림" && told.icon == MessageIcon::Information);
    QVERIFY(s.window.Items().Exclusive());
    QVERIFY(FindFileNoCase(dir.path(), "VAK.CDX"));  // the originals' index, built again
    QCOMPARE(s.Label("C_LBL_Status"), status);
    QCOMPARE(s.window.windowTitle(), title);  // the agency's name again
  }

  void drillDownFromTheOverallSummaryToTheItems() {
    TempDir dir;
    Sample(dir, 2, 300);
    Session s(dir.path());
    s.Key(Qt::Key_Down);
    QCOMPARE(s.Label("C_LBL_Part"), QStringLiteral("[토목공사]"));
    QCOMPARE(s.window.State().selPartRow, 2);
    s.Key(Qt::Key_Return);
    QCOMPARE(s.window.Tabs()->currentIndex(), 1);
    QCOMPARE(s.panel().view(), View::PartSummary);
    QCOMPARE(s.window.State().curPart, std::string("2"));
    QCOMPARE(s.Label("C_LBL_Part"), QStringLiteral("토목공사"));
    QCOMPARE(s.Label("C_LBL_Position"), QStringLiteral("<집계장항목>"));
    QVERIFY(s.Cell(1, kColLevel).endsWith(QLatin1Char('*')));
    QCOMPARE(s.Cell(1, kColQuantity), QStringLiteral("1"));
    s.Key(Qt::Key_Down);
    const QString work = s.Cell(2, kColName).trimmed();
    const std::string seq = s.panel().pager().Slot(2).seq;
    s.Key(Qt::Key_Return);
    QCOMPARE(s.window.Tabs()->currentIndex(), 2);
    QCOMPARE(s.panel().view(), View::ItemDetails);
    QCOMPARE(s.panel().pager().Slot(1).seq, seq);
    QCOMPARE(s.Cell(1, kColName).trimmed(), work);
    QCOMPARE(s.grid().Row(), 1);
  }

  void drillDownThatFindsNoLineSaysSo() {
    TempDir dir;
    Sample(dir, 2, 300);
    Session s(dir.path());
    s.window.ShowPartSummary();
    s.window.State().curPart = "9";  // a part without item lines
    s.Key(Qt::Key_Return);
    QCOMPARE(s.notifier.messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(s.notifier.messages[0].text),
             QStringLiteral("내역에서 동일한 공종을 찾을 수 없습니다."));
    QCOMPARE(QString::fromStdString(s.notifier.messages[0].caption), QStringLiteral("경고"));
    QCOMPARE(s.panel().view(), View::ItemDetails);
  }

  void tabChangesTakeThePartOfTheCurrentSummaryLine() {
    TempDir dir;
    Sample(dir, 2, 300);
    Session s(dir.path());
    s.Key(Qt::Key_Down);
    s.Key(Qt::Key_Down);  // the third part
    const QString statusOnTheLine = s.Label("C_LBL_Status");
    s.window.Tabs()->setCurrentIndex(1);
    QCOMPARE(s.window.State().curPart, std::string("3"));
    QCOMPARE(s.Label("C_LBL_Status"), statusOnTheLine);  // the status line followed the cursor
    QCOMPARE(s.panel().pager().Slot(1).part, std::string("U3"));
    // The menu's view commands keep the part of the last tab change.
    s.window.ShowOverallSummary();
    QCOMPARE(s.grid().Row(), 3);  // back on the line of the part
    s.Key(Qt::Key_Up);
    s.window.ShowPartSummary();
    QCOMPARE(s.panel().pager().Slot(1).part, std::string("U3"));
    s.window.ShowItemDetails();
    QCOMPARE(s.panel().pager().Slot(1).part, std::string("U3"));
    QCOMPARE(s.grid().Popup()->objectName(), QStringLiteral("C_Mnu_Detail"));
  }

  void pagingMovesTheWindowWithoutSkippingALine() {
    TempDir dir;
    Sample(dir, 1, 200);
    Session s(dir.path());
    const int count = static_cast<int>(s.panel().pager().Count());
    QVERIFY(count > 100);
    s.Key(Qt::Key_Up);  // the first line of the table: nothing moves
    QCOMPARE(s.FirstLinePosition(), 1);
    for (int i = 0; i < 20; ++i) s.Key(Qt::Key_Down);
    QCOMPARE(s.grid().Row(), 21);
    QCOMPARE(s.FirstLinePosition(), 1);
    s.Key(Qt::Key_Down);  // at the grid's edge the window moves by one line
    QCOMPARE(s.grid().Row(), 21);
    QCOMPARE(s.FirstLinePosition(), 2);
    QCOMPARE(s.panel().pager().PositionOf(21), 22u);
    QCOMPARE(s.panel().ScrollBar()->value(), 22);
    s.Key(Qt::Key_PageDown);  // the next page begins right after the last line shown
    QCOMPARE(s.FirstLinePosition(), 23);
    s.Key(Qt::Key_Space);
    QCOMPARE(s.FirstLinePosition(), 24);
    s.Key(Qt::Key_PageUp);  // not on the first row: to the first row
    QCOMPARE(s.grid().Row(), 1);
    s.Key(Qt::Key_PageUp);
    QCOMPARE(s.FirstLinePosition(), 3);
    s.Key(Qt::Key_PageUp);
    QCOMPARE(s.FirstLinePosition(), 1);
    s.Key(Qt::Key_End, Qt::ControlModifier);  // only the last line, as the first row
    QCOMPARE(s.FirstLinePosition(), count);
    QVERIFY(!s.panel().pager().Slot(2).used);
    QCOMPARE(s.grid().Row(), 1);
    s.Key(Qt::Key_Down);  // nothing below the last line
    QCOMPARE(s.grid().Row(), 1);
    s.Key(Qt::Key_Up);
    QCOMPARE(s.FirstLinePosition(), count - 1);
    s.Key(Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(s.FirstLinePosition(), 1);
    QCOMPARE(s.grid().Row(), 1);
    // Page down through the whole statement reaches every line exactly once.
    std::vector<bool> seen(static_cast<size_t>(count) + 1, false);
    for (int guard = 0; guard < 100; ++guard) {
      for (int r = 1; r <= 21; ++r) {
        if (s.panel().pager().Slot(r).used) seen[s.panel().pager().PositionOf(r)] = true;
      }
      s.grid().SetRow(21);
      const int before = s.FirstLinePosition();
      s.Key(Qt::Key_PageDown);
      if (s.FirstLinePosition() == before) break;
    }
    QVERIFY(std::all_of(seen.begin() + 1, seen.end(), [](bool b) { return b; }));
  }

  void theScrollThumbTakesTheViewToThatLine() {
    TempDir dir;
    Sample(dir, 2, 600);
    Session s(dir.path());
    s.window.Tabs()->setCurrentIndex(2);  // item details of part 1
    QScrollBar* bar = s.panel().ScrollBar();
    QCOMPARE(bar->maximum(), static_cast<int>(s.panel().pager().Count()));
    bar->setSliderDown(true);
    bar->setSliderPosition(100);
    QCOMPARE(s.panel().ScrollState(), 6);
    bar->setSliderDown(false);
    QCOMPARE(s.FirstLinePosition(), 100);
    QCOMPARE(s.grid().Row(), 1);
    QCOMPARE(s.panel().pager().Slot(1).part, std::string("U1"));
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(s.grid().Row(), 2);
    QCOMPARE(bar->value(), 101);
  }

  void columnsKeepTheirMeaningAfterADrag() {
    TempDir dir;
    Sample(dir, 1, 60);
    Session s(dir.path());
    QHeaderView* header = s.grid().horizontalHeader();
    QCOMPARE(s.grid().ColumnOf(kColAmount), 6);
    header->moveSection(6, 0);  // the amount column dragged to the far left
    QCOMPARE(s.grid().ColumnOf(kColAmount), 0);
    QCOMPARE(s.grid().ColumnOf(kColLevel), 1);
    QCOMPARE(s.grid().ColumnOf(kColName), 2);
    header->moveSection(2, 7);  // the work name to the far right
    QCOMPARE(s.grid().ColumnOf(kColName), 7);
    QCOMPARE(s.grid().ColumnOf(kColNote), 6);
    // Widths follow the column, not its place (the last place stretches to the window).
    const int note = s.grid().WidthOf(kColNote);
    s.grid().setColumnWidth(kColNote, note + 37);
    QCOMPARE(s.grid().WidthOf(kColNote), note + 37);
  }

  void colourAndMarkOfEachLineKind() {
    TempDir dir;
    test::WriteItemTable(dir.path(), {
                                         {"U", 1, '1', "heading", 0, 0, 0, ' ', "           *"},
                                         {"U", 2, '2', "fixed heading", 0, 0, 5000, '*'},
                                         {"U", 3, '3', "priced item", 2.5, 0, 1200},
                                         {"U", 4, '3', "zero item"},
                                         {"U", 5, '2', "fixed item", 1, 0, 700, '*'},
                                         {"U", 6, '0', "level zero", 0, 0, 0, ' ', "   *"},
                                         {"U", 7, '0', "level zero priced", 1},
                                     });
    test::WriteHeader(dir.path(), "1");
    Session s(dir.path());
    ZekGridModel* m = s.grid().gridModel();
    auto colour = [&](int row, int col) { return m->data(m->index(row - 1, col), Qt::ForegroundRole).value<QColor>(); };
    auto bold = [&](int row, int col) { return m->data(m->index(row - 1, col), Qt::FontRole).value<QFont>().bold(); };
    s.grid().SetRow(7);                                // the current row is drawn by the selection; stand elsewhere
    QCOMPARE(colour(1, kColName), QColor(0, 0, 128));  // heading: navy and bold
    QVERIFY(bold(1, kColName));
    QVERIFY(!bold(1, kColQuantity));
    QVERIFY(!bold(1, kColPrice));
    QCOMPARE(colour(2, kColName), QColor(Qt::red));  // fixed-price heading: marked
    QCOMPARE(m->data(m->index(1, kColNote), Qt::DisplayRole).toString(), QStringLiteral("단가고정"));
    QVERIFY(!colour(3, kColName).isValid());  // priced item: plain
    QCOMPARE(s.Cell(3, kColQuantity), QStringLiteral("2.5"));
    QCOMPARE(s.Cell(3, kColPrice), QStringLiteral("1,200"));
    QCOMPARE(colour(4, kColName), QColor(Qt::red));  // zero-quantity item
    QVERIFY(s.Cell(4, kColQuantity).isEmpty());
    QVERIFY(!colour(5, kColName).isValid());  // an item with a fixed price stays an item...
    QCOMPARE(m->data(m->index(4, kColNote), Qt::DisplayRole).toString(),
             QStringLiteral("단가고정"));            // ...marked in its note
    QCOMPARE(colour(6, kColName), QColor(Qt::red));  // zero-quantity item of level 0
    QVERIFY(!colour(7, kColName).isValid());
    // Indentation: 2n-3 blanks from level 2.
    QCOMPARE(s.Cell(1, kColName), QStringLiteral("heading"));
    QCOMPARE(s.Cell(2, kColName), QStringLiteral(" fixed heading"));
    QCOMPARE(s.Cell(3, kColName), QStringLiteral("   priced item"));
    QCOMPARE(s.Cell(1, kColLevel), QStringLiteral("1*"));
    // The 재/노/경 box follows the current line.
    s.grid().SetRow(3);
    QCOMPARE(s.Label("C_LBL_Bimok"), QStringLiteral("priced item"));
    QCOMPARE(s.Label("C_LBL_Position"), QStringLiteral("[3/21]"));
  }

  void aHeadingOnThePagesLastRowIsDrawnAsOne() {
    TempDir dir;
    std::vector<Row> rows;
    for (int i = 1; i <= 20; ++i) rows.push_back({"U", i, '1', "item " + std::to_string(i), 1, 0, 10});
    rows.push_back({"U", 21, '1', "last-row heading"});
    rows.push_back({"U", 22, '2', "below it", 1, 0, 10});
    test::WriteItemTable(dir.path(), rows);
    test::WriteHeader(dir.path(), "1");
    Session s(dir.path());
    QCOMPARE(s.window.State().lastRow, 21);
    ZekGridModel* m = s.grid().gridModel();
    QCOMPARE(s.Cell(21, kColName), QStringLiteral("last-row heading"));
    QCOMPARE(m->data(m->index(20, kColName), Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 128));
    QVERIFY(m->data(m->index(20, kColName), Qt::FontRole).value<QFont>().bold());
  }

  void unitsAndTheSplitPricesOfTheCurrentLine() {
    TempDir dir;
    Row heading{"U", 1, '1', "works", 0, 0, 0, ' ', "           *"};
    Row item{"U", 2, '2', "concrete", 1.5, 0, 3};
    item.unit = "M3";
    item.material = 1;
    item.labour = 1000;
    item.expense = 2;
    Row zeroUnit{"U", 3, '2', "odd unit", 1};
    zeroUnit.unit = "0";
    test::WriteItemTable(dir.path(), {heading, item, zeroUnit});
    test::WriteHeader(dir.path(), "1");
    Session s(dir.path());
    QCOMPARE(s.Cell(2, kColUnit), QStringLiteral("M3"));
    QVERIFY(s.Cell(3, kColUnit).isEmpty());  // a unit "0" shows blank
    s.grid().SetRow(2);
    QCOMPARE(s.Label("Ma_Unit"), QStringLiteral("1"));
    QCOMPARE(s.Label("La_Unit"), QStringLiteral("1,000"));
    QCOMPARE(s.Label("Eq_Unit"), QStringLiteral("2"));
    QCOMPARE(s.Label("Tot_Unit"), QStringLiteral("1,003"));
    // Quantity x unit price cut to whole won, as stored; the total cut once from the sum.
    QCOMPARE(s.Label("Ma_Pric"), QStringLiteral("1"));
    QCOMPARE(s.Label("La_Pric"), QStringLiteral("1,500"));
    QCOMPARE(s.Label("Eq_Pric"), QStringLiteral("3"));
    QCOMPARE(s.Label("Tot_Pric"), QStringLiteral("1,504"));
    s.grid().SetRow(3);
    QVERIFY(s.Label("Ma_Unit").isEmpty());  // zero shows as nothing
    // The part summary shows every line with quantity 1 and an empty unit as "식".
    s.window.ShowPartSummary();
    QCOMPARE(s.Cell(1, kColName), QStringLiteral("works"));
    QCOMPARE(s.Cell(1, kColQuantity), QStringLiteral("1"));
    QCOMPARE(s.Cell(1, kColUnit), QStringLiteral("식"));
    QVERIFY(!s.window.findChild<QWidget*>(QStringLiteral("Pnl_DisMon"))->isVisible());
  }

  void leftAndRightScrollTheStatementSideways() {
    TempDir dir;
    Sample(dir, 1, 60);
    Session s(dir.path());
    s.window.resize(420, 600);
    QApplication::processEvents();
    QScrollBar* sideways = s.grid().horizontalScrollBar();
    QCOMPARE(sideways->value(), 0);
    const int row = s.grid().Row();
    s.Key(Qt::Key_Right);
    QVERIFY(sideways->value() > 0);
    QCOMPARE(s.grid().Row(), row);  // the row stays
    s.Key(Qt::Key_Left);
    QCOMPARE(sideways->value(), 0);
    s.Key(Qt::Key_End);
    QCOMPARE(s.grid().Col(), 7);
    s.Key(Qt::Key_Home);
    QCOMPARE(s.grid().Col(), 0);
    QCOMPARE(sideways->value(), 0);
  }

  void selectionEventsFireOnlyOnRealChanges() {
    TempDir dir;
    Sample(dir, 1, 60);
    Session s(dir.path());
    QSignalSpy rows(&s.grid(), &TZekGrid::WnSelectRow);
    QSignalSpy cols(&s.grid(), &TZekGrid::WnSelectCol);
    s.grid().setCurrentIndex(s.grid().model()->index(0, 3));  // same row, other column
    QCOMPARE(rows.count(), 0);
    QCOMPARE(cols.count(), 1);
    s.grid().setCurrentIndex(s.grid().model()->index(0, 3));  // the same cell again
    QCOMPARE(cols.count(), 1);
    s.grid().setCurrentIndex(s.grid().model()->index(4, 3));  // another row
    QCOMPARE(rows.count(), 1);
    QCOMPARE(cols.count(), 2);
    QCOMPARE(rows.last().at(1).toInt(), 5);
  }

  void aRightClickSelectsTheRowUnderThePointer() {
    TempDir dir;
    Sample(dir, 1, 60);
    Session s(dir.path());
    const QRect rect = s.grid().visualRect(s.grid().model()->index(5, 1));
    QTimer::singleShot(0, [] {  // the popup opens inside its own loop; the timer runs there
      if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    });
    QTest::mousePress(s.grid().viewport(), Qt::RightButton, Qt::NoModifier, rect.center());
    QTest::mouseRelease(s.grid().viewport(), Qt::RightButton, Qt::NoModifier, rect.center());
    QCOMPARE(s.grid().Row(), 6);
  }

  void everyCommandOfTheWindowWorks() {
    TempDir dir;
    Sample(dir, 2, 60);
    Session s(dir.path());
    QVERIFY(s.window.findChild<QWidget*>(QStringLiteral("C_Sbt_Close"))->isEnabled());
    QCOMPARE(s.window.findChild<QWidget*>(QStringLiteral("C_Sbt_Close"))->toolTip(), QStringLiteral("닫기(Alt+X)"));
    for (const char* name : {"C_Sbt_Mod", "C_Sbt_Calculate", "C_Sbt_Price", "C_Sbt_Report", "C_SBT_Find",
                             "C_Sbt_JungBo2", "C_SBT_DiskMake"})
      QVERIFY2(s.window.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled(), name);
    auto* calc = s.window.findChild<QAction*>(QStringLiteral("Mnu_Calc"));
    QCOMPARE(calc->shortcut(), QKeySequence(Qt::Key_F3));
    QVERIFY(calc->isEnabled());
    QVERIFY(s.window.findChild<QAction*>(QStringLiteral("Mnu_Find"))->isEnabled());
    QMenu* detail = s.window.findChild<QMenu*>(QStringLiteral("C_Mnu_Detail"));
    QStringList captions;
    for (QAction* a : detail->actions()) captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(captions,
             (QStringList{QStringLiteral("수  정"), QStringLiteral("-"), QStringLiteral("내역서 계산\tF3"),
                          QStringLiteral("-"), QStringLiteral("공종찾기\tF4"), QStringLiteral("다음 미입력 항목"),
                          QStringLiteral("미입력 항목만 보기"), QStringLiteral("-"), QStringLiteral("공사정보"),
                          QStringLiteral("보고서작성"), QStringLiteral("-"), QStringLiteral("종료")}));
  }

  void onlyTheUnpricedItemsWithTheirHeadings() {
    TempDir dir;
    // Two works under one heading of level 1, a priced one under another, a fixed price, level "0".
    const std::vector<Row> rows = {{"U", 1, '1', "공종1"},      {"U", 2, '2', "가"},
                                   {"U", 3, '3', "a", 1},       {"U", 4, '3', "b", 1, 0, 5},
                                   {"U", 5, '2', "나"},         {"U", 6, '3', "c", 1, 0, 5},
                                   {"U", 7, '2', "d", 2},       {"U", 8, '1', "공종2"},
                                   {"U", 9, '2', "e", 1, 0, 5}, {"U", 10, '2', "고정", 1, 0, 0, '*'},
                                   {"U", 11, '0', "레벨0", 1}};
    test::WriteItemTable(dir.path(), rows);
    test::WriteHeader(dir.path(), "1");
    Session s(dir.path());
    auto shown = [&] {
      QStringList names;
      for (int r = 1; r <= s.window.State().lastRow && s.panel().pager().Slot(r).used; ++r)
        names << s.Cell(r, kColName).trimmed();
      return names;
    };
    auto current = [&] { return s.Cell(s.grid().Row(), kColName).trimmed(); };
    auto ctrlU = [&] {
      s.window.activateWindow();  // the shortcut belongs to the active window
      QVERIFY(QTest::qWaitForWindowActive(&s.window));
      s.Key(Qt::Key_U, Qt::ControlModifier);
    };
    auto* toggle = s.window.findChild<QAction*>(QStringLiteral("Mnu_OnlyUnpriced"));
    s.grid().SetRow(7);  // d
    ctrlU();
    QVERIFY(toggle->isChecked());
    QCOMPARE(shown(), (QStringList{"공종1", "가", "a", "d", "레벨0"}));
    QCOMPARE(current(), QStringLiteral("d"));
    QVERIFY(s.Label("C_LBL_Status").startsWith(QStringLiteral("미입력 항목만 · ")));

    // "a" priced through the window stays in sight during its entry; the next move takes it out.
    s.grid().SetRow(3);
    WhenDialogOpens([](QDialog* d) {
      auto* box = d->findChild<TNumberEdit*>(QStringLiteral("C_NED_PRIC"));
      box->selectAll();
      QTest::keyClicks(box, QStringLiteral("40"));
      QTest::keyClick(box, Qt::Key_Return);
      QTest::keyClick(d->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok")), Qt::Key_Return);
    });
    s.Key(Qt::Key_Return);
    QCOMPARE(s.Field(3, "F_PRIC"), 40.0L);
    QCOMPARE(shown(), (QStringList{"공종1", "가", "a", "d", "레벨0"}));
    QCOMPARE(current(), QStringLiteral("d"));
    s.Key(Qt::Key_Down);
    QCOMPARE(shown(), (QStringList{"공종1", "d", "레벨0"}));
    QCOMPARE(current(), QStringLiteral("레벨0"));

    // Off: every line again, on the same line.
    ctrlU();
    QVERIFY(!toggle->isChecked() && !s.Label("C_LBL_Status").startsWith(QStringLiteral("미입력")));
    QCOMPARE(current(), QStringLiteral("레벨0"));
    QCOMPARE(s.panel().pager().Count(), 11u);

    // Nothing left to price (the popup's entry this time): the user is told, the view stays whole.
    s.Key(Qt::Key_Home, Qt::ControlModifier);
    for (int row : {7, 11}) {
      s.grid().SetRow(row);
      s.panel().ApplyUnitPrice(9, true);
    }
    s.window.findChild<QMenu*>(QStringLiteral("C_Mnu_Detail"))->actions().at(6)->trigger();
    QVERIFY(!toggle->isChecked());
    QCOMPARE(QString::fromStdString(s.notifier.messages.back().text),
             QStringLiteral("이 공사에는 단가를 입력하지 않은 항목이 없습니다."));
    QCOMPARE(s.panel().pager().Count(), 11u);
  }

  // Every key the table names for an action is that action's, and every action's key is listed.
  void theKeysListedAreTheKeysOfTheWindow() {
    TempDir dir;
    Sample(dir, 1, 40);
    Session s(dir.path());
    auto KeysOf = [](const WindowKey& key) {
      return QKeySequence(QString::fromUtf8(key.keys), QKeySequence::PortableText);
    };
    const std::span<const WindowKey> keys = WindowKeys();
    for (const WindowKey& key : keys) {
      if (*key.action == '\0') continue;
      auto* action = s.window.findChild<QAction*>(QString::fromLatin1(key.action));
      QVERIFY2(action && action->shortcut() == KeysOf(key), key.action);
    }
    for (QAction* action : s.window.findChildren<QAction*>()) {
      const QKeySequence shortcut = action->shortcut();
      const bool listed =
          std::any_of(keys.begin(), keys.end(), [&](const WindowKey& k) { return KeysOf(k) == shortcut; });
      QVERIFY2(shortcut.isEmpty() || listed, qPrintable(shortcut.toString()));
    }
    // 도움말 › 단축키 shows the table; Esc and Enter close it.
    for (Qt::Key close : {Qt::Key_Escape, Qt::Key_Return}) {
      QString third;
      WhenDialogOpens([&](QDialog* d) {
        auto* table = d->findChild<QTableWidget*>(QStringLiteral("C_STG_Keys"));
        third = table->rowCount() == static_cast<int>(keys.size()) ? table->item(2, 1)->text() : QString();
        QTest::keyClick(table, close);
        QVERIFY(!d->isVisible());
      });
      s.window.findChild<QAction*>(QStringLiteral("Mnu_Keys"))->trigger();
      QCOMPARE(third, QStringLiteral("미입력 항목만 보기 / 모두 보기"));
    }
  }
  void theWorkSearchByKeysJumpsToTheChosenItem() {
    TempDir dir;
    std::vector<Row> rows;
    for (int i = 1; i <= 60; ++i) rows.push_back({"U", i, '1', "공종 " + std::to_string(i), 1});
    rows[44].name = "특수 방수공사";
    test::WriteItemTable(dir.path(), rows);
    test::WriteHeader(dir.path(), "1");
    dir.Write("findoption.ini",
              test::Bytes("5B 46 49 4E 44 56 41 4B 5D 0D 0A 66 76 61 6B 3D") + "\xB9\xE6\xBC\xF6\r\n");  // fvak=방수
    Session s(dir.path());
    QString startText;
    // The find dialog starts with the options file's text; Enter confirms; the result list
    // takes Enter on its one line.
    WhenDialogOpens([&](QDialog* find) {
      auto* edit = find->findChild<QLineEdit*>(QStringLiteral("C_EDT_Find"));
      startText = edit->text();
      WhenDialogOpens([](QDialog* result) {
        QTest::keyClick(result->findChild<QTableView*>(QStringLiteral("C_STG_Find")), Qt::Key_Return);
      });
      find->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok"))->click();
    });
    s.window.findChild<QAction*>(QStringLiteral("Mnu_Find"))->trigger();
    QCOMPARE(startText, QStringLiteral("방수"));
    QCOMPARE(s.Cell(s.grid().Row(), kColName), QStringLiteral("특수 방수공사"));
    // No match: the message, and the view stays.
    WhenDialogOpens([&](QDialog* find) {
      find->findChild<QLineEdit*>(QStringLiteral("C_EDT_Find"))->setText(QStringLiteral("없는공종"));
      find->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok"))->click();
    });
    s.window.FindCommand();
    QCOMPARE(QString::fromStdString(s.notifier.messages.back().text), QStringLiteral("조건에 맞는 공종이 없습니다."));
    // Blanks only: refused as empty, the dialog stays until cancelled.
    WhenDialogOpens([&](QDialog* find) {
      find->findChild<QLineEdit*>(QStringLiteral("C_EDT_Find"))->setText(QStringLiteral("   "));
      find->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok"))->click();
      find->findChild<QPushButton*>(QStringLiteral("C_Bbt_Cancel"))->click();
    });
    s.window.FindCommand();
    QCOMPARE(QString::fromStdString(s.notifier.messages.back().text), QStringLiteral("찾을 공종을 입력하십시요."));
    QCOMPARE(QString::fromStdString(s.notifier.messages.back().caption), QStringLiteral("알림"));
    // An options file of random bytes starts the box empty; nothing breaks.
    std::string noise(4096, '\0');
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    dir.Write("findoption.ini", noise);
    QVERIFY(FindOptionText(dir.path()).size() < 4096);
    dir.Write("findoption.ini", "[OTHER]\r\nfvak=x\r\n");
    QVERIFY(FindOptionText(dir.path()).isEmpty());
  }

  void theProjectInformationIsSavedWholeAndCancelTouchesNothing() {
    TempDir dir;
    Sample(dir, 1, 40);
    ProjectHeader header = LoadProjectHeader(dir.path());
    header.values[kCmnDesc] = Cp949("  도로 공사  ");
    header.values[kCmnIpmt] = "1000000000000";  // beyond what the box shows: kept as stored
    test::RecordingNotifier quiet;
    QVERIFY(SaveProjectHeader(dir.path(), header.values, quiet));
    Session s(dir.path());
    const std::string before = dir.Read("VAK.MEM");
    // 취소 and Esc leave the file byte for byte.
    WhenDialogOpens([](QDialog* d) { d->findChild<QPushButton*>(QStringLiteral("C_Bbt_Cancel"))->click(); });
    s.window.InfoCommand();
    WhenDialogOpens(
        [](QDialog* d) { QTest::keyClick(d->findChild<QLineEdit*>(QStringLiteral("C_EDT_DES")), Qt::Key_Escape); });
    s.window.InfoCommand();
    QVERIFY(dir.Read("VAK.MEM") == before);
    // Shown trimmed; 50 bytes of name hold 25 syllables; saved as typed with the fixed values.
    QString shown;
    WhenDialogOpens([&](QDialog* d) {
      auto* des = d->findChild<QLineEdit*>(QStringLiteral("C_EDT_DES"));
      shown = des->text();
      des->clear();
      for (int i = 0; i < 30; ++i) des->insert(QString(QChar(0xAC00)));  // 30 x "가" typed: only 25 fit
      auto* comp = d->findChild<QLineEdit*>(QStringLiteral("C_EDT_COMP"));
      comp->setText(QStringLiteral(" 한빛건설 "));
      d->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok"))->click();
    });
    s.window.InfoCommand();
    QCOMPARE(shown, QStringLiteral("도로 공사"));
    const ProjectHeader saved = LoadProjectHeader(dir.path());
    QVERIFY(saved.Whole());
    QCOMPARE(saved.values[kCmnDesc].size(), size_t(50));
    QCOMPARE(QString::fromStdString(Cp949ToUtf8(saved.values[kCmnComp])), QStringLiteral(" 한빛건설 "));
    QCOMPARE(saved.values[kCmnIpmt], std::string("1000000000000"));
    QCOMPARE(saved.values[kCmnType], std::string("1"));
    QCOMPARE(saved.values[kCmnMaxd], std::string("0"));
    QCOMPARE(saved.values[kCmnWrit], std::string());
    QCOMPARE(s.Label("C_Lbl_Des"), QString(25, QChar(0xAC00)));  // the main window at once
  }

  void projectInformationTooLongIsRefusedNeverCutAndTheLongestNameShows() {
    TempDir dir;
    Sample(dir, 1, 40);
    RecordingNotifier notifier;
    TFM_VakJungBo dialog(dir.path(), notifier);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    const QString bytes20 = QStringLiteral("최대 20바이트(한글 10자)까지 입력할 수 있습니다.");
    const QString noForm =
        QStringLiteral("한글 코드(CP949)로 나타낼 수 없는 글자(🙂)는 입력할 수 없습니다.");
    // Field, text before (cursor at the end; "*" all selected), input, text and counter after,
    // inputs refused, last refusal ("" when the last input was taken).
    const struct {
      const char *field, *before, *input, *after, *counter;
      int refused;
      QString refusal;
    } cases[] = {
        {"C_EDT_COMP", "", "대한종합건설 주식회사", "대한종합건설 주식회", "19/20", 1, bytes20},
        {"C_EDT_MTNO", "123456789", "가0", "1234567890", "10/10", 1, ""},  // one byte left: a digit fits
        {"C_EDT_Name", "김", "🙂", "김", "2/30", 1, noForm},
        {"C_EDT_CDNO", "AB", "^C🙂D", "AB", "2/10", 1, noForm},
        {"C_EDT_COMP", "", "^회사\r\n이름\t끝", "", "0/20", 1, QStringLiteral("줄바꿈이나 탭은 입력할 수 없습니다.")},
        {"C_EDT_COMP", "한빛건설*", "^대한종합건설 주식회사", "한빛건설", "8/20", 1, bytes20},
        {"C_EDT_MTNO", "가나다라마바", "\bA\bA", "가나다라A", "9/10", 1, ""},  // read too long: may only shrink
    };
    for (const auto& c : cases) {
      auto* edit = dialog.findChild<TByteLimitEdit*>(QString::fromLatin1(c.field));
      const int beeps = notifier.beeps;
      const QString before = QString::fromUtf8(c.before);
      edit->setText(QString(before).remove(QLatin1Char('*')));
      if (before.endsWith(QLatin1Char('*'))) edit->selectAll();
      edit->setFocus();
      Enter(edit, QString::fromUtf8(c.input));
      QCOMPARE(edit->text(), QString::fromUtf8(c.after));
      QCOMPARE(edit->Counter()->text(), QString::fromLatin1(c.counter));
      QCOMPARE(notifier.beeps - beeps, c.refused);  // each refusal beeps
      QCOMPARE(edit->LastRefusal(), c.refusal);
      if (!c.refusal.isEmpty()) QCOMPARE(QToolTip::text(), c.refusal);  // under the field
    }
    QVERIFY(notifier.messages.empty());

    // From the first character to after the last the cursor travels the whole text's width
    // unless the box, too narrow, scrolls (when it paints).
    auto* des = dialog.findChild<QLineEdit*>(QStringLiteral("C_EDT_DES"));
    auto cursorX = [des] {
      des->grab();
      return des->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    };
    for (const QString& name :
         {QStringLiteral("한빛광역시 종합스포츠센터 건립공사 중 토목공사"), QString(25, QChar(0xD7A3))}) {
      QVERIFY(Cp949Width(name) <= 50);
      des->setText(name);
      des->home(false);
      const int start = cursorX();
      des->end(false);
      QVERIFY2(cursorX() - start >= des->fontMetrics().horizontalAdvance(name),
               qPrintable(QString::number(des->width())));
    }

    dialog.Confirm();  // saved as shown
    QCOMPARE(QString::fromStdString(Cp949ToUtf8(LoadProjectHeader(dir.path()).values[kCmnComp])),
             QStringLiteral("한빛건설"));
  }

  void theSubmissionGoesToTheDirectoryOfTheChosenDrive() {
    QStandardPaths::setTestModeEnabled(true);  // the drive settings of the test, not the user's
    TempDir dir;
    Sample(dir, 1, 40);
    TempDir medium;
    SetDriveDirectory(QLatin1Char('A'), QString());
    SetDriveDirectory(QLatin1Char('B'), QString::fromStdString(medium.path()));
    Session s(dir.path());
    auto drive = [](const char* radio, const char* button) {
      WhenDialogOpens([radio, button](QDialog* d) {
        d->findChild<QRadioButton*>(QString::fromLatin1(radio))->setChecked(true);
        d->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        if (d->isVisible()) d->findChild<QPushButton*>(QStringLiteral("C_BBT_ConfirmCancel"))->click();
      });
    };
    // Cancel: nothing changes. A letter without a directory cannot be confirmed.
    drive("C_Rbt_B", "C_BBT_ConfirmCancel");
    s.window.DiskCommand();
    QVERIFY(medium.Names().empty());
    drive("C_Rbt_A", "C_BBT_ConfirmRun");
    s.window.DiskCommand();
    QCOMPARE(QString::fromStdString(s.notifier.messages.back().text),
             QStringLiteral("A 드라이브로 쓸 디렉토리가 없습니다. '변경...'으로 디렉토리를 정하십시오."));
    QVERIFY(medium.Names().empty());
    // Drive B: both files there, verified, the statement shown again.
    drive("C_Rbt_B", "C_BBT_ConfirmRun");
    s.window.DiskCommand();
    QCOMPARE(QString::fromStdString(s.notifier.messages.back().text), QStringLiteral("정상적으로 완료 되었습니다."));
    QCOMPARE(medium.Names(), (std::vector<std::string>{"VAK.DBF", "VAK.MEM"}));
    QVERIFY(medium.Read("VAK.DBF") == dir.Read("VAK.DBF"));
    QVERIFY(medium.Read("VAK.MEM") == dir.Read("VAK.MEM"));
    QVERIFY(s.window.Shown());
    QVERIFY(s.window.Items().Exclusive());
    // The data directory as the medium is refused, nothing deleted.
    SetDriveDirectory(QLatin1Char('B'), QString::fromStdString(dir.path()));
    const std::string table = dir.Read("VAK.DBF");
    drive("C_Rbt_B", "C_BBT_ConfirmRun");
    s.window.DiskCommand();
    QVERIFY(QString::fromStdString(s.notifier.messages.back().text)
                .contains(QStringLiteral("작업 중인 자료 디렉토리와 같습니다")));
    QVERIFY(dir.Read("VAK.DBF") == table);
    SetDriveDirectory(QLatin1Char('B'), QString());
  }

  // Pictures of the three views; saved as PNG when VAK_SCREENSHOT_DIR names a directory.
  void picturesOfTheThreeViews() {
    TempDir dir;
    for (const char* name : {"VAK.DBF", "VAK.MEM"})
      QVERIFY(QFile::copy(QStringLiteral(VAK_SOURCE_DIR "/sample/") + QString::fromLatin1(name),
                          QString::fromStdString(dir.File(name))));
    Session s(dir.path(), 1280);
    s.window.resize(1280, 900);
    const QString out = qEnvironmentVariable("VAK_SCREENSHOT_DIR");
    // Each picture is of the view the keys lead to, the whole window, drawn.
    auto shoot = [&](const QString& name, View view, int row) {
      QApplication::processEvents();
      QCOMPARE(s.panel().view(), view);
      QCOMPARE(s.grid().Row(), row);
      const QImage picture = s.window.grab().toImage();
      QCOMPARE(picture.size(), s.window.size() * s.window.devicePixelRatio());
      QVERIFY(picture.pixelColor(picture.width() / 2, picture.height() / 2) != picture.pixelColor(1, 1) ||
              picture.pixelColor(10, 60) != picture.pixelColor(1, 1));
      if (!out.isEmpty()) QVERIFY(picture.save(out + QLatin1Char('/') + name));
    };
    s.Key(Qt::Key_Down);
    shoot(QStringLiteral("view1-overall.png"), View::OverallSummary, 2);
    s.Key(Qt::Key_Return);
    shoot(QStringLiteral("view2-part.png"), View::PartSummary, 1);
    s.Key(Qt::Key_Down);
    s.Key(Qt::Key_Return);
    for (int i = 0; i < 5; ++i) s.Key(Qt::Key_Down);
    QCOMPARE(s.panel().view(), View::ItemDetails);
    shoot(QStringLiteral("view3-details.png"), View::ItemDetails, s.grid().Row());
  }

  void progressWindowFollowsItsProtocol() {
    QVERIFY(!ProgressStep(1));  // nothing shown yet
    QVERIFY(!ProgressWindow());
    QVERIFY(ProgressOpen(9, QStringLiteral("데이타정보를 확인하고 있습니다.")));
    TFm_Progress* window = ProgressWindow();
    QVERIFY(window);
    QCOMPARE(window->gauge()->maximum(), 10);
    QVERIFY(ProgressStep(1));
    QVERIFY(ProgressStep(1, QStringLiteral("  ")));
    QCOMPARE(window->gauge()->value(), 2);
    QVERIFY(ProgressStep(0));
    QCOMPARE(window->gauge()->value(), 0);
    QCOMPARE(window->head()->text(), QStringLiteral("데이타정보를 확인하고 있습니다."));
    QVERIFY(ProgressOpen(-1, QStringLiteral("두번째")));  // the same window, restarted
    QCOMPARE(ProgressWindow(), window);
    QCOMPARE(window->gauge()->maximum(), 10);
    QVERIFY(ProgressClose());
    QVERIFY(!ProgressClose());
  }

  void theTenderToOpenFromTheArgumentTheProgramsDirectoryOrTheUser() {
    QCOMPARE(DataDirectoryOfArgument(QStringLiteral("/data/tender/")), QStringLiteral("/data/tender"));
    QCOMPARE(DataDirectoryOfArgument(QStringLiteral("./tender")),
             QDir::current().absoluteFilePath(QStringLiteral("tender")));
    QCOMPARE(DataDirectoryOfArgument(QStringLiteral("/data/D ")), QStringLiteral("/data/D "));
    TempDir medium;
    Sample(medium, 1, 30);
    // VAK.DBF itself names its directory, in whatever case the medium spells it.
    QCOMPARE(DataDirectoryOfArgument(QString::fromStdString(medium.File("VAK.DBF"))),
             QString::fromStdString(medium.path()));
    std::filesystem::rename(medium.File("VAK.DBF"), medium.File("vak.dbf"));
    QCOMPARE(DataDirectoryOfArgument(QString::fromStdString(medium.File("vak.dbf"))),
             QString::fromStdString(medium.path()));
    // The agency's medium: VAK.DBF beside the program; the program's directory is trimmed.
    int asked = 0;
    const DirectoryChooser count = [&](const QString&) {
      ++asked;
      return QString();
    };
    QCOMPARE(TenderDirectoryToOpen({QStringLiteral("vak")}, QString::fromStdString(medium.path()) + QStringLiteral(" "),
                                   count),
             QString::fromStdString(medium.path()));
    QCOMPARE(asked, 0);
    // An installed program (/usr/bin holds no tender) asks.
    TempDir bin;
    QCOMPARE(TenderDirectoryToOpen({QStringLiteral("vak")}, QString::fromStdString(bin.path()), count), QString());
    QCOMPARE(asked, 1);
  }

  // The directory question of an installed program, through the whole start.
  void anInstalledProgramAsksForItsTenderAndRemembersIt() {
    TempDir settings, bin, empty, tender;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(settings.path()));
    RememberTenderDirectory(QString());
    Sample(tender, 2, 60);
    const QStringList arguments{QStringLiteral("vak")};
    const QString programDir = QString::fromStdString(bin.path());
    QString offered = QStringLiteral("<not asked>");
    auto choose = [&](const QString& answer) {
      return DirectoryChooser([&offered, answer](const QString& start) {
        offered = start;
        return answer;
      });
    };
    TXbaseEnv env;
    RecordingNotifier notifier;
    // 취소: the program ends, nothing said.
    Startup startup = StartProgram(arguments, programDir, env, notifier, choose(QString()));
    QVERIFY(!startup.window);
    QCOMPARE(startup.exitCode, 0);
    QVERIFY(notifier.messages.empty());
    QCOMPARE(offered, QString());
    // A directory without the tender: the designed message, the program ends.
    startup = StartProgram(arguments, programDir, env, notifier, choose(QString::fromStdString(empty.path())));
    QVERIFY(!startup.window);
    QCOMPARE(startup.exitCode, 1);
    QCOMPARE(
        QString::fromStdString(notifier.messages.back().text),
        QStringLiteral("\"%1\"디렉토리에 데이타화일(VAK.DBF)이 없습니다.").arg(QString::fromStdString(empty.path())));
    QCOMPARE(LastTenderDirectory(), QString());  // not opened, not remembered
    // The tender: opened, and offered the next time.
    startup = StartProgram(arguments, programDir, env, notifier, choose(QString::fromStdString(tender.path())));
    QVERIFY(startup.window);
    QVERIFY(startup.window->Prepared());
    QCOMPARE(startup.window->DataDir(), QString::fromStdString(tender.path()));
    startup.window->show();
    QVERIFY(startup.window->RunShowStep());
    notifier.nextAnswer = MessageAnswer::Yes;
    startup.window->close();
    startup.window.reset();
    startup = StartProgram(arguments, programDir, env, notifier, choose(QString()));
    QCOMPARE(offered, QString::fromStdString(tender.path()));
  }

  void theAboutBoxNamesTheVersionAndTheLicences() {
    TempDir dir;
    Sample(dir, 1, 30);
    Session s(dir.path());
    QAction* about = s.window.findChild<QAction*>(QStringLiteral("Mnu_About"));
    QVERIFY(about);
    QCOMPARE(about->text(), QStringLiteral("전산내역입찰 정보..."));
    QString text;
    WhenDialogOpens([&](QDialog* box) {
      text = box->findChild<QLabel*>(QStringLiteral("C_LBL_About"))->text();
      box->accept();
    });
    about->trigger();
    QVERIFY(text.startsWith(QStringLiteral("전산내역입찰 (VAK) 판 " VAK_VERSION "\n")));
    QVERIFY(text.contains(QStringLiteral("SIL Open Font License 1.1")));
    QVERIFY(text.contains(QStringLiteral("GNU LGPL 3")));
  }

  void gulimcheResolvesToAnInstalledKoreanFont() {
    const QFontInfo info(QFont(QStringLiteral("굴림체")));
    QVERIFY2(info.family().contains(QStringLiteral("Nanum")), qPrintable(info.family()));
    const QFontMetrics metrics{QFont(QStringLiteral("굴림체"))};
    QVERIFY(metrics.inFont(QChar(0xAC00)));  // 가
  }
};

}  // namespace vak

QTEST_MAIN(vak::MainWindowTest)
#include "test_mainwindow.moc"
