// The report dialog and the preview driven as a user would, headless, and a print job on a
// real print spooler (cupsd with a cups-pdf queue) through the same code path as the print
// button.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QToolButton>
#include <QtTest>

#include "common/Files.h"
#include "gui/app/s_VakMain.h"
#include "gui/common/Fonts.h"
#include "gui/common/NumEdit.h"
#include "gui/reports/ReportPrinting.h"
#include "gui/reports/S_VakPreview.h"
#include "gui/reports/s_VakRpt.h"
#include "gui/views/S_ZekGrid.h"
#include "store/MemFile.h"
#include "store/Preparation.h"
#include "tests/gui/support/WindowSession.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"
#include "tools/SampleTender.h"

namespace vak {

using test::Child;
using test::RecordingNotifier;
using test::TempDir;
using test::WhenDialogOpens;

// A sample tender opened as the program opens it.
struct Opened {
  Opened(int type, long lines) {
    SampleOptions options;
    options.type = type;
    options.lines = lines;
    options.seed = 31;
    WriteSampleTender(dir.path(), options);
    ProjectHeader header = LoadProjectHeader(dir.path());
    header.values[kCmnIpmt] = "1234567";  // as a calculation leaves it, for the cover
    opened = SaveProjectHeader(dir.path(), header.values, notifier) &&
             OpenTenderAsTheProgramDoes(dir.path(), env, items, notifier);
  }
  ReportContext Context(ProjectType type) const { return {dir.path(), type, "1", QStringLiteral("건축공사")}; }
  TempDir dir;
  TXbaseEnv env;
  RecordingNotifier notifier;
  TZekTable items{env, notifier};
  bool opened = false;
};

class ReportsUiTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallKoreanFonts(); }

  void theEntriesOfSingleAndCompoundProjectsAndTheTablesTheyBuild() {
    {
      Opened single(1, 80);
      QVERIFY(single.opened);
      Tfm_VakRpt dialog(single.items, single.Context(ProjectType::Single), single.notifier);
      auto* select = Child<QComboBox>(&dialog, "c_cbx_RptSelect");
      QCOMPARE(select->count(), 3);
      QCOMPARE(select->itemText(0), QStringLiteral("총괄 내역서"));
      QCOMPARE(dialog.Kind(), ReportKind::OverallStatement);
      int previews = 0;
      bool modal = false;  // only a modal window's input passes the main window's filter during a command
      dialog.SetPreviewHook([&](TFM_VakPreview& preview) {
        ++previews;
        QTimer::singleShot(0, &preview, [&] {
          modal = QApplication::activeModalWidget() == &preview;
          preview.reject();
        });
      });
      dialog.Confirm();
      QCOMPARE(previews, 1);
      QVERIFY(modal);
      QVERIFY(FileExists(single.dir.File("VakRpt2.DBF")));
      QCOMPARE(dialog.PrintJobs(), 0);
    }

    Opened compound(2, 80);
    Tfm_VakRpt four(compound.items, compound.Context(ProjectType::Compound), compound.notifier);
    auto* choices = Child<QComboBox>(&four, "c_cbx_RptSelect");
    QCOMPARE(choices->count(), 4);
    QCOMPARE(four.Kind(), ReportKind::OverallSummarySheet);
    four.SetPreviewHook(
        [](TFM_VakPreview& preview) { QTimer::singleShot(0, &preview, [&preview] { preview.reject(); }); });
    four.Confirm();
    QVERIFY(FileExists(compound.dir.File("VakRpt1.DBF")));
    choices->setCurrentIndex(2);
    QCOMPARE(four.Kind(), ReportKind::TenderStatement);
  }

  void theSplitColumnsForceLandscapeAndTheCoverNeedsNoTable() {
    Opened t(1, 60);
    Tfm_VakRpt dialog(t.items, t.Context(ProjectType::Single), t.notifier);
    auto* select = Child<QComboBox>(&dialog, "c_cbx_RptSelect");
    auto* split = Child<QCheckBox>(&dialog, "CheckBox1");
    auto* portrait = Child<QRadioButton>(&dialog, "c_rbt_portrait");
    auto* landscape = Child<QRadioButton>(&dialog, "c_rbt_landscape");
    QVERIFY(!split->isEnabled());  // the overall statement has no split columns
    select->setCurrentIndex(1);
    QVERIFY(split->isEnabled());
    portrait->setChecked(true);
    QTest::mouseClick(split, Qt::LeftButton, Qt::NoModifier, QPoint(5, split->height() / 2));
    QCOMPARE(dialog.Kind(), ReportKind::TenderStatementSplit);
    QVERIFY(!portrait->isEnabled());
    QVERIFY(landscape->isChecked());
    QTest::mouseClick(split, Qt::LeftButton, Qt::NoModifier, QPoint(5, split->height() / 2));
    QCOMPARE(dialog.Kind(), ReportKind::TenderStatement);
    QVERIFY(portrait->isEnabled());

    // The cover: the check box disabled, one page, no report table.
    if (!qEnvironmentVariableIsEmpty("VAK_SCREENSHOT_DIR")) {
      dialog.show();
      QApplication::processEvents();
      dialog.grab().save(qEnvironmentVariable("VAK_SCREENSHOT_DIR") + QStringLiteral("/report-dialog.png"));
    }
    select->setCurrentIndex(2);
    QCOMPARE(dialog.Kind(), ReportKind::Cover);
    QVERIFY(!split->isEnabled());
    for (const std::string& name : t.dir.Names()) QVERIFY2(name.rfind("VakRpt", 0) != 0, name.c_str());
    int last = -1;
    dialog.SetPreviewHook([&](TFM_VakPreview& preview) {
      last = preview.LastPage();
      QCOMPARE(Child<QLabel>(&preview, "C_Lbl_PageStart")->text(), QStringLiteral("Page 시작:1"));
      for (const char* b : {"C_SBT_First", "C_SBT_Prior", "C_SBT_Next", "C_SBT_Last"})
        QVERIFY(!Child<QToolButton>(&preview, b)->isEnabled());
      QTimer::singleShot(0, &preview, [&preview] { preview.reject(); });
    });
    dialog.Confirm();
    QCOMPARE(last, 1);
    for (const std::string& name : t.dir.Names()) QVERIFY2(name.rfind("VakRpt", 0) != 0, name.c_str());
  }

  void thePreviewByKeysAndClicks() {
    Opened t(1, 60);  // a statement of a few pages
    SilentNotifier quiet;
    ReportTableInfo info;
    QVERIFY(BuildReportTable(t.items, {t.dir.path(), ReportKind::TenderStatement, 0, ProjectType::Single, "1"}, quiet,
                             info));
    DbfStatus status;
    ReportSetup setup;
    setup.firstPageField = 0;
    const ReportDocument doc(setup, ReportRows::Open(info.path, status));
    QVERIFY(doc.lastPage() >= 3);
    TFM_VakPreview preview(doc, t.notifier);
    preview.Setup(0, doc.lastPage(), 0);
    preview.show();
    QCOMPARE(preview.Page(), 1);  // first page 0: the preview opens on page 1
    QCOMPARE(Child<QLabel>(&preview, "C_LBL_TotPage")->text(), QStringLiteral("/ %1").arg(doc.lastPage()));
    QVERIFY(!Child<QToolButton>(&preview, "C_SBT_First")->isEnabled());
    QVERIFY(Child<QToolButton>(&preview, "C_SBT_Next")->isEnabled());
    QTest::keyClick(&preview, Qt::Key_PageDown);
    QCOMPARE(preview.Page(), 2);
    QTest::keyClick(&preview, Qt::Key_End);
    QCOMPARE(preview.Page(), doc.lastPage());
    QVERIFY(!Child<QToolButton>(&preview, "C_SBT_Last")->isEnabled());
    QTest::keyClick(&preview, Qt::Key_Home);
    QCOMPARE(preview.Page(), 1);
    // 99 typed into the page field: the last page, and the field says so.
    auto* pageField = Child<TNumberEdit>(&preview, "c_ned_PageStart");
    pageField->setFocus();
    pageField->selectAll();
    QTest::keyClicks(pageField, QStringLiteral("99"));
    QCOMPARE(pageField->text(), QStringLiteral("99"));  // kept while typing, the nearest page shown
    QCOMPARE(preview.Page(), doc.lastPage());
    QTest::keyClick(pageField, Qt::Key_Return);
    QCOMPARE(preview.Page(), doc.lastPage());
    QCOMPARE(static_cast<int>(pageField->Value()), doc.lastPage());
    QCOMPARE(Child<QLabel>(&preview, "C_LBL_Page")->text(), QString::number(doc.lastPage()));
    // Zoom in eleven times: 200 and no further.
    auto* zoomIn = Child<QToolButton>(&preview, "C_SBT_ZoomIn");
    for (int i = 0; i < 11; ++i) zoomIn->click();
    QCOMPARE(preview.ZoomPercent(), 200);
    QVERIFY(!zoomIn->isEnabled());
    Child<QToolButton>(&preview, "C_SBT_FIT")->click();
    QCOMPARE(preview.ZoomPercent(), 70);
    // The print range as typed, 3 ... 2 accepted.
    auto* start = Child<TNumberEdit>(&preview, "C_EDT_START");
    auto* end = Child<TNumberEdit>(&preview, "C_EDT_END");
    start->SetValue(3);
    end->SetValue(2);
    QTest::keyClick(start, Qt::Key_Return);
    QCOMPARE(preview.PrintFromPage(), 3);
    QCOMPARE(preview.PrintToPage(), 2);
    // PDF 저장 through the chooser, with the chosen range clamped.
    const std::string pdf = t.dir.File("saved.pdf");
    preview.SetFileChooser([&](const QString&) { return QString::fromStdString(pdf); });
    start->SetValue(1);
    end->SetValue(2);
    Child<QToolButton>(&preview, "C_SBT_PDF")->click();
    QVERIFY(FileExists(pdf));
    QVERIFY(
        QString::fromStdString(t.notifier.messages.back().text).endsWith(QStringLiteral("2쪽을 PDF로 저장했습니다.")));
    // Escape in the page field closes without printing.
    pageField->setFocus();
    QTest::keyClick(pageField, Qt::Key_Escape);
    QVERIFY(!preview.isVisible());
    QCOMPARE(preview.PrintJobs(), 0);
    if (!qEnvironmentVariableIsEmpty("VAK_SCREENSHOT_DIR")) {
      TFM_VakPreview shot(doc, t.notifier);
      shot.Setup(1, doc.lastPage(), 1);
      shot.resize(1280, 900);
      shot.show();
      QApplication::processEvents();
      shot.grab().save(qEnvironmentVariable("VAK_SCREENSHOT_DIR") + QStringLiteral("/preview-100.png"));
      shot.FitWholePage();
      QApplication::processEvents();
      shot.grab().save(qEnvironmentVariable("VAK_SCREENSHOT_DIR") + QStringLiteral("/preview-fit.png"));
    }
  }

  void withoutAPrinterTheDocumentsStillPreviewAndPrintingSaysWhy() {
    if (PrinterInstalled()) QSKIP("a printer is installed here");
    Opened t(1, 60);
    Tfm_VakRpt dialog(t.items, t.Context(ProjectType::Single), t.notifier);
    bool previewed = false;
    dialog.SetPreviewHook([&](TFM_VakPreview& preview) {
      previewed = true;
      QTimer::singleShot(0, &preview, [&preview] {
        Child<QToolButton>(&preview, "C_SBT_PRN")->click();
        preview.reject();
      });
    });
    dialog.Confirm();
    QVERIFY(previewed);
    QCOMPARE(dialog.PrintJobs(), 0);
    QVERIFY(!t.notifier.messages.empty());
    QCOMPARE(QString::fromStdString(t.notifier.messages.back().text),
             QStringLiteral("프린터가 설정되어 있어야만 새 보고서를 작성/인쇄할 수 있습니다.\n프린터 Driver설치 후, "
                            "프로그램을 재시작해주십시요."));
    QCOMPARE(QString::fromStdString(t.notifier.messages.back().caption), QStringLiteral("경고"));
    QCOMPARE(t.notifier.messages.back().icon, MessageIcon::Warning);
  }

  // "PDF 저장" of the dialog's preview refuses the tender's files, the open report table too.
  void pdfSaveNeverWritesOverTheTendersFiles() {
    Opened t(1, 60);
    Tfm_VakRpt dialog(t.items, t.Context(ProjectType::Single), t.notifier);
    const std::string table = t.dir.Read("VAK.DBF"),
                      why =
                          "\n입찰 자료의 화일 이름(VAK.DBF, VAK.MEM, Vak.CDX, VakRpt…, VAK.DBF.날짜-시각 …)에는 출력 "
                          "화일을 쓸 수 없습니다. 다른 이름을 주십시오.";
    dialog.SetPreviewHook([&](TFM_VakPreview& preview) {
      for (const char* name : {"vak.dbf", "VakRpt2.DBF"}) {
        preview.SetFileChooser([&, name](const QString&) { return QString::fromStdString(t.dir.File(name)); });
        Child<QToolButton>(&preview, "C_SBT_PDF")->click();
        QCOMPARE(t.notifier.messages.back().text, t.dir.File(name) + why);
        QCOMPARE(t.notifier.messages.back().caption, std::string("오류"));
      }
      QTimer::singleShot(0, &preview, [&preview] { preview.reject(); });
    });
    const size_t before = t.notifier.messages.size();
    dialog.Confirm();
    QCOMPARE(t.notifier.messages.size(), before + 2);
    QCOMPARE(t.dir.Read("VAK.DBF"), table);
  }

  void ctrlPOpensTheDialogWithTheViewFilterLiftedAndPutBack() {
    TempDir dir;
    SampleOptions options;
    options.type = 2;
    options.lines = 80;
    WriteSampleTender(dir.path(), options);
    TXbaseEnv env;
    RecordingNotifier notifier;
    TFm_VakMain window(QString::fromStdString(dir.path()), env, notifier, 800);
    window.show();
    window.RunShowStep();
    const std::string viewFilter = window.Items().Xbase().Filter();
    QVERIFY(!viewFilter.empty());
    QVERIFY(window.findChild<QToolButton*>(QStringLiteral("C_Sbt_Report"))->isEnabled());
    // Ctrl+P on the statement, as the popup of the view offers it.
    QCOMPARE(window.findChild<QAction*>(QStringLiteral("C_Mnu_Chong_Report"))->shortcut(),
             QKeySequence(Qt::CTRL | Qt::Key_P));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.Panel()->XGrid()->setFocus();
    window.Panel()->XGrid()->SetRow(2);  // the second part's line of the overall summary
    QString title, partShown, reportAfterDelete, reportFromList, popupTyped;
    std::string filterWhileOpen = "<not seen>", partChosen;
    QStringList parts;
    WhenDialogOpens([&](QDialog* opened) {
      auto* dialog = qobject_cast<Tfm_VakRpt*>(opened);
      if (!dialog) return;
      title = dialog->windowTitle();
      filterWhileOpen = window.Items().Xbase().Filter();
      auto* part = Child<QComboBox>(dialog, "c_cbx_Part");
      for (int i = 0; i < part->count(); ++i) parts << part->itemText(i);
      partShown = part->currentText();
      partChosen = dialog->ChosenPart();
      auto* select = Child<QComboBox>(dialog, "c_cbx_RptSelect");
      select->setFocus();
      QTest::keyClick(select, Qt::Key_Delete);  // a report must stay chosen
      reportAfterDelete = select->currentText();
      select->showPopup();  // the list, a window of its own, takes keys while the command runs
      QTest::keyClick(select->view(), Qt::Key_Down);
      QTest::keyClick(select->view(), Qt::Key_Return);
      reportFromList = select->currentText();
      QLineEdit completions;  // a popup of no parent, as a file dialog's list of completions
      completions.setWindowFlags(Qt::Popup);
      completions.show();
      QTest::keyClicks(&completions, QStringLiteral("ab"));
      popupTyped = completions.text();
      Child<QPushButton>(dialog, "BitBtn2")->click();  // 취소
    });
    QTest::keyClick(window.Panel()->XGrid(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(title, QStringLiteral("보고서"));
    QCOMPARE(parts.last(), QStringLiteral("전체 공사"));
    QCOMPARE(partShown, parts.at(1));
    QCOMPARE(partChosen, std::string("2"));
    QCOMPARE(reportAfterDelete, QStringLiteral("총괄 집계장"));
    QCOMPARE(reportFromList, QStringLiteral("총괄 내역서"));
    QCOMPARE(popupTyped, QStringLiteral("ab"));
    QCOMPARE(filterWhileOpen, std::string());
    QCOMPARE(window.Items().Xbase().Filter(), viewFilter);
    notifier.nextAnswer = MessageAnswer::Yes;
    window.close();
  }

  // A range of a real report printed to the cups-pdf queue, through the print button's path.
  void aPageRangePrintedOnARealSpooler() {
    Spooler spooler;
    if (!spooler.ready) QSKIP(qPrintable(QStringLiteral("no print spooler here: ") + spooler.why));
    Opened t(1, 60);
    Tfm_VakRpt dialog(t.items, t.Context(ProjectType::Single), t.notifier);
    Child<QComboBox>(&dialog, "c_cbx_RptSelect")->setCurrentIndex(1);  // 입찰 내역서
    QString emptyRange;
    dialog.SetPreviewHook([&](TFM_VakPreview& preview) {
      QVERIFY(preview.LastPage() >= 3);
      QTimer::singleShot(0, &preview, [&] {
        Child<TNumberEdit>(&preview, "C_EDT_START")->SetValue(3);  // a range of no page: nothing printed
        Child<TNumberEdit>(&preview, "C_EDT_END")->SetValue(2);
        Child<QToolButton>(&preview, "C_SBT_PRN")->click();
        emptyRange = QString::fromStdString(t.notifier.messages.back().text);
        Child<TNumberEdit>(&preview, "C_EDT_START")->SetValue(2);
        Child<TNumberEdit>(&preview, "C_EDT_END")->SetValue(3);
        Child<QToolButton>(&preview, "C_SBT_PRN")->click();
        preview.reject();
      });
    });
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    dialog.Confirm();
    QCOMPARE(emptyRange, QStringLiteral("인쇄범위에 인쇄할 페이지가 없습니다."));
    QCOMPARE(dialog.PrintJobs(), 1);
    const QString printed = spooler.WaitForOutput(before);
    QVERIFY2(!printed.isEmpty(), "the spooler wrote no PDF");
    const test::ShellRun info = test::Shell("pdfinfo '" + printed.toStdString() + "' 2>&1");
    QVERIFY2(info.out.find("Pages:           2") != std::string::npos, info.out.c_str());  // pages 2 and 3
    // The sheets carry the landscape page: a spooler turns it onto the portrait A4 sheet, so
    // the 18 row lines of the grid run up the sheet and outnumber the lines across it.
    QVERIFY(test::Shell("pdftoppm -gray -r 30 -f 1 -l 1 '" + printed.toStdString() + "' '" + t.dir.File("sheet") + "'")
                .status == 0);
    QFile image(QString::fromStdString(t.dir.File("sheet-1.pgm")));
    QVERIFY(image.open(QIODevice::ReadOnly));
    const QImage sheet = QImage::fromData(image.readAll(), "PGM");
    QVERIFY(!sheet.isNull());
    QVERIFY(sheet.height() > sheet.width());
    auto dark = [&](int x, int y) { return qGray(sheet.pixel(x, y)) < 200; };
    int up = 0, across = 0;
    for (int x = 0; x < sheet.width(); ++x) {
      int n = 0;
      for (int y = 0; y < sheet.height(); ++y) n += dark(x, y);
      up += n > sheet.height() * 6 / 10;
    }
    for (int y = 0; y < sheet.height(); ++y) {
      int n = 0;
      for (int x = 0; x < sheet.width(); ++x) n += dark(x, y);
      across += n > sheet.width() * 6 / 10;
    }
    QVERIFY2(up > across && up >= 15, qPrintable(QStringLiteral("lines up %1, across %2").arg(up).arg(across)));
  }

  // "넓이에 맞게": the sheet as wide as the window allows, centred, in windows of two widths.
  void fitWidthFillsTheWindowCentred() {
    for (const int width : {1000, 1250})
      for (const bool landscape : {true, false}) {
        ReportSetup setup;
        setup.kind = ReportKind::Cover;
        setup.landscape = landscape;
        const ReportDocument doc(setup, nullptr);
        SilentNotifier quiet;
        TFM_VakPreview preview(doc, quiet);
        preview.Setup(1, 1, 1);
        preview.resize(width, 700);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        Child<QToolButton>(&preview, "C_SBT_WIDTH")->click();
        const QImage shown = Child<QScrollArea>(&preview, "C_Sbx_Shower")->viewport()->grab().toImage();
        const int y =
            std::clamp(Child<QWidget>(&preview, "C_Pbx_Shower")->geometry().center().y(), 0, shown.height() - 1);
        int left = -1, right = -1;
        for (int x = 0; x < shown.width(); ++x)
          if (shown.pixelColor(x, y) == Qt::white) (left < 0 ? left : right) = x;
        // 10 pixels of border on each side, and less than a percent's width to spare, split evenly.
        const int spare = shown.width() - (right + 1 - left);
        QVERIFY2(
            spare >= 20 && spare < 30 && qAbs(left - (shown.width() - 1 - right)) <= 1,
            qPrintable(QStringLiteral("%1 | %2 | %3").arg(left).arg(right + 1 - left).arg(shown.width() - 1 - right)));
      }
  }

  // Two cups-pdf queues, the second one's driver keeping 15 mm clear at the sides of the upright
  // sheet and 10 mm at its ends, and the company's name in the footer 3 to 7 mm above the edge:
  // the preview offers both, the default chosen, says what the second does to the page, prints
  // where it is told, says so and stays open. The first prints the page as the PDF has it.
  void theChosenPrinterGetsTheJobFittedIntoWhatItCanPrint() {
    Spooler spooler;
    if (!spooler.ready) QSKIP(qPrintable(QStringLiteral("no print spooler here: ") + spooler.why));
    Opened t(1, 60);
    test::Shell("sed 's|^\\*ImageableArea A4/A4:.*|*ImageableArea A4/A4: \"42.5 28.3 552.5 813.7\"|' " + spooler.ppd +
                " > " + t.dir.File("wide.ppd"));
    QVERIFY(spooler.AddQueue(QStringLiteral("VakTestWide"), t.dir.File("wide.ppd")));
    ReportTableInfo info;
    QVERIFY(BuildReportTable(t.items, {t.dir.path(), ReportKind::TenderStatement, 1, ProjectType::Single, "1"},
                             t.notifier, info));
    ReportSetup setup;
    setup.company = QStringLiteral("주식회사 시험건설");
    DbfStatus status;
    const ReportDocument doc(setup, ReportRows::Open(info.path, status));
    TFM_VakPreview preview(doc, t.notifier);
    preview.Setup(1, 1, 1);
    preview.show();
    auto* printers = Child<QComboBox>(&preview, "C_CBX_Printer");
    auto* said = Child<QLabel>(&preview, "C_LBL_Printer");
    QCOMPARE(printers->currentText(), QStringLiteral("VakTestPdf"));
    preview.SetFileChooser([&](const QString&) { return QString::fromStdString(t.dir.File("designed.pdf")); });
    Child<QToolButton>(&preview, "C_SBT_PDF")->click();
    const QRectF designed = Ink(QString::fromStdString(t.dir.File("designed.pdf")), t.dir.File("designed"));
    for (const QString& queue : {QStringLiteral("VakTestPdf"), QStringLiteral("VakTestWide")}) {
      const bool fitted = queue.endsWith(QStringLiteral("Wide"));
      printers->setCurrentText(queue);
      const QString fit = said->text();
      QCOMPARE(fit.contains(QStringLiteral("축소")), fitted);
      const std::string jobs = "lpstat -W completed -o " + queue.toStdString() + " | wc -l";
      const int jobsBefore = std::stoi(test::Shell(jobs).out);
      const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
      Child<QToolButton>(&preview, "C_SBT_PRN")->click();
      QVERIFY(preview.isVisible());
      QCOMPARE(QString::fromStdString(t.notifier.messages.back().text),
               queue + QStringLiteral("\n1쪽을 프린터로 보냈습니다."));
      QCOMPARE(said->text(),
               QStringLiteral("인쇄: 1쪽 → ") + queue + (fitted ? QStringLiteral(" (%1)").arg(fit) : QString()));
      const QString printed = spooler.WaitForOutput(before, queue);
      QCOMPARE(std::stoi(test::Shell(jobs).out), jobsBefore + 1);
      QSize sheet;
      const QRectF ink = Ink(printed, t.dir.File("printed"), &sheet);  // the landscape page turned upright
      const double mm = sheet.width() / 210.0,
                   scale =
                       fitted ? fit.section(QLatin1Char('%'), 0, 0).section(QLatin1Char(' '), -1).toDouble() / 100 : 1;
      const QRectF printable(15 * mm, 10 * mm, 180 * mm, 277 * mm);
      QVERIFY(qAbs(ink.width() - designed.height() * scale) <= (fitted ? 3 : 1) &&
              qAbs(ink.height() - designed.width() * scale) <= (fitted ? 3 : 1));
      QCOMPARE(printable.adjusted(-1, -1, 1, 1).contains(ink) && QLineF(ink.center(), printable.center()).length() < 3,
               fitted);
    }
  }

 private:
  // The box of the inked pixels on the first page of a PDF at 50 dots per inch, and the sheet's size.
  static QRect Ink(const QString& pdf, const std::string& stem, QSize* sheet = nullptr) {
    test::Shell("pdftoppm -gray -r 50 -f 1 -l 1 -singlefile '" + pdf.toStdString() + "' '" + stem + "'");
    const QImage image(QString::fromStdString(stem + ".pgm"));
    if (sheet) *sheet = image.size();
    QRect box;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (qGray(image.pixel(x, y)) < 240) box |= QRect(x, y, 1, 1);
    return box;
  }

  // cupsd with a cups-pdf queue as the default printer, started (and stopped) only when it
  // was not there.
  struct Spooler {
    Spooler() {
      if (!test::ToolAvailable("command -v cupsd") || !test::ToolAvailable("test -f /usr/lib/cups/backend/cups-pdf")) {
        why = QStringLiteral("cups and printer-driver-cups-pdf are not installed");
        return;
      }
      if (!test::ToolAvailable("lpstat -r | grep -q 'is running'")) {
        daemon.start(QStringLiteral("cupsd"), {QStringLiteral("-f")});
        for (int i = 0; i < 50 && !test::ToolAvailable("lpstat -r | grep -q 'is running'"); ++i) QTest::qWait(100);
        started = true;
      }
      if (!test::ToolAvailable("lpstat -r | grep -q 'is running'")) {
        why = QStringLiteral("cupsd does not start");
        return;
      }
      previousDefault = QString::fromStdString(test::Shell("lpstat -d 2>/dev/null | sed -n 's/.*: //p'").out).trimmed();
      if (!test::ToolAvailable("lpstat -p VakTestPdf")) {
        if (!AddQueue(QStringLiteral("VakTestPdf"), ppd)) {
          why = QStringLiteral("the cups-pdf queue cannot be added");
          return;
        }
      }
      test::Shell("lpadmin -d VakTestPdf 2>&1");
      output = QDir::homePath() + QStringLiteral("/PDF");
      ready = PrinterInstalled();
      if (!ready) why = QStringLiteral("Qt lists no printer");
    }
    ~Spooler() {
      if (!previousDefault.isEmpty()) test::Shell("lpadmin -d '" + previousDefault.toStdString() + "' 2>&1");
      for (const QString& queue : added) test::Shell("lpadmin -x " + queue.toStdString() + " 2>&1");
      if (started) {
        daemon.terminate();
        daemon.waitForFinished(5000);
      }
    }
    // A cups-pdf queue with the driver description `driver`, removed again at the end.
    bool AddQueue(const QString& queue, const std::string& driver) {
      if (!test::ToolAvailable("lpadmin -p " + queue.toStdString() + " -v cups-pdf:/ -P " + driver + " -E 2>/dev/null"))
        return false;
      added.push_back(queue);
      return true;
    }
    // The newest PDF cups-pdf wrote after `since`, once the job is done.
    QString WaitForOutput(const QDateTime& since, const QString& queue = QStringLiteral("VakTestPdf")) {
      for (int i = 0; i < 300; ++i) {
        const QFileInfoList files = QDir(output).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time);
        if (!files.isEmpty() && files.first().lastModified() >= since &&
            test::ToolAvailable("test -z \"$(lpstat -o " + queue.toStdString() + " 2>/dev/null)\"")) {
          QTest::qWait(300);  // the backend closes the file after the job leaves the queue
          return files.first().absoluteFilePath();
        }
        QTest::qWait(100);
      }
      return QString();
    }
    QProcess daemon;
    bool started = false;
    std::vector<QString> added;
    const std::string ppd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
    bool ready = false;
    QString why;
    QString previousDefault;
    QString output;
  };
};

}  // namespace vak

QTEST_MAIN(vak::ReportsUiTest)
#include "test_reports_ui.moc"
