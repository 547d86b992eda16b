// Pricing driven by keys, headless: the numeric box, the dialog key protocol, unit price and
// split price entry through the real dialogs, the input mode, and F3 on each view.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <optional>

#include "common/CodePage.h"
#include "common/Files.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "gui/app/s_VakMain.h"
#include "gui/common/DialogKeys.h"
#include "gui/common/Fonts.h"
#include "gui/common/NumEdit.h"
#include "gui/pricing/s_VakFixPrice.h"
#include "gui/pricing/s_VakLineInsert.h"
#include "pricing/PriceEntry.h"
#include "pricing/TenderReview.h"
#include "store/MemFile.h"
#include "store/Preparation.h"
#include "tests/gui/support/WindowSession.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"
#include "tools/SampleTender.h"

namespace vak {

using test::RecordingNotifier;
using test::Row;
using test::Session;
using test::TempDir;
using test::WhenDialogOpens;

namespace {

void Type(QWidget* w, const QString& text) { QTest::keyClicks(w, text); }
void Press(QWidget* w, Qt::Key key) { QTest::keyClick(w, key); }

Row Line(int seq, char level, const std::string& name, double quantity, double price = 0, char fixed = ' ') {
  return Row{"U", seq, level, name, quantity, 0, price, fixed};
}

// Heading, two priced items, a zero-quantity item, a fixed-price item, a huge-quantity item.
std::vector<Row> Statement() {
  return {Line(1, '1', "works", 0),
          Line(2, '2', "concrete", 2.5),
          Line(3, '2', "formwork", 1.5),
          Line(4, '2', "no quantity", 0),
          Line(5, '2', "agency price", 1, 700, '*'),
          Line(6, '2', "huge", 2),
          Line(7, '0', "level zero", 0)};
}

}  // namespace

class PricingUiTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallKoreanFonts(); }

  void numberBoxTakesOnlyWhatFits() {
    QDialog holder;
    TNumberEdit* box = MakePriceBox(QStringLiteral("C_NED_PRIC"), &holder);
    TNumberEdit page(&holder);  // a box of page numbers: 1 to 9999
    page.SetMin(1);
    page.SetMax(9999);
    TNumberEdit decimals(&holder);
    decimals.SetDigits(2);
    holder.show();
    QVERIFY(QTest::qWaitForWindowActive(&holder));
    RecordingNotifier beeps;  // a refused key beeps through the notifier the dialog gives
    box->SetNotifier(&beeps);
    QSignalSpy refusals(box, &TNumberEdit::Refused);
    QSignalSpy pageRefusals(&page, &TNumberEdit::Refused);
    QSignalSpy decimalRefusals(&decimals, &TNumberEdit::Refused);
    // Each row: the box, its text before (all selected or, with "|", the cursor there), the
    // keys typed, the text after, and the last refusal ("" when every key was taken).
    struct Case {
      TNumberEdit* box;
      const char* before;
      const char* keys;
      const char* after;
      const char* refusal;
    };
    const Case cases[] = {
        {box, "0", "a", "0", "숫자만 입력할 수 있습니다."},
        {box, "0", "-", "-0", ""},  // a lone minus: the next digit replaces the selected zero
        {box, "0", "-5-", "-5", "'-'는 맨 앞에 한 번만 입력할 수 있습니다."},
        {box, "0", "1234.5", "1234.5", ""},  // the point is kept, never swallowed
        {box, "0", "1.2.", "1.2", "소수점은 한 번만 입력할 수 있습니다."},
        {box, "0", "99999999999999", "999999999999", "999,999,999,999 이하만 입력할 수 있습니다."},
        {box, "|999,999,999,999", "9", "999,999,999,999", "999,999,999,999 이하만 입력할 수 있습니다."},
        {&page, "1", "0", "1", "1 이상만 입력할 수 있습니다."},
        {&page, "1", "-", "1", "음수는 입력할 수 없습니다."},
        {&page, "1", "2.", "2", "소수점 아래는 입력할 수 없습니다."},
        {&page, "1", "99999", "9999", "9,999 이하만 입력할 수 있습니다."},
        {&decimals, "0", ".", "0.0", ""},
        {&decimals, "1.23|", "4", "1.23", "소수점 아래 2자리까지 입력할 수 있습니다."},
    };
    for (const Case& c : cases) {
      const QString before = QString::fromUtf8(c.before);
      const int bar = before.indexOf(QLatin1Char('|'));
      c.box->setText(QString(before).remove(QLatin1Char('|')));
      if (bar < 0)
        c.box->selectAll();
      else
        c.box->setCursorPosition(bar);
      Type(c.box, QString::fromUtf8(c.keys));
      QCOMPARE(c.box->text(), QString::fromUtf8(c.after));
      QCOMPARE(c.box->LastRefusal(), QString::fromUtf8(c.refusal));
    }
    // Every refused key beeps: one refusal per refused keystroke.
    QCOMPARE(refusals.size(), 6);
    QCOMPARE(beeps.beeps, 6);
    QCOMPARE(pageRefusals.size(), 4);
    QCOMPARE(decimalRefusals.size(), 1);

    // A typed fraction stays through focus changes so that the dialog can refuse it.
    box->setFocus();
    box->setText(QStringLiteral("1234.5"));
    QVERIFY(box->HasFraction());
    page.setFocus();
    QCOMPARE(box->text(), QStringLiteral("1,234.5"));
    box->setText(QStringLiteral("1,234.00"));
    QVERIFY(!box->HasFraction());

    // A paste that would not have been typed is taken back.
    box->setText(QStringLiteral("77"));
    box->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("12a"));
    QTest::keySequence(box, QKeySequence::Paste);
    QCOMPARE(box->text(), QStringLiteral("77"));
    QCOMPARE(box->LastRefusal(), QStringLiteral("숫자만 입력할 수 있습니다."));
    QGuiApplication::clipboard()->setText(QStringLiteral("1,500"));
    box->selectAll();
    QTest::keySequence(box, QKeySequence::Paste);
    QCOMPARE(box->Value(), 1500.0L);
    QCOMPARE(box->LastRefusal(), QString());
    QGuiApplication::clipboard()->setText(QString(5000, QLatin1Char('9')));  // no overflow into 0
    box->selectAll();
    QTest::keySequence(box, QKeySequence::Paste);
    QCOMPARE(box->Value(), 1500.0L);
    QCOMPARE(box->LastRefusal(), QStringLiteral("999,999,999,999 이하만 입력할 수 있습니다."));

    box->setText(QStringLiteral("12a"));  // reading: any other character reads as 0
    QCOMPARE(box->Value(), 0.0L);
    box->SetValue(5e12L);  // writing clamps
    QCOMPARE(box->Value(), 999999999999.0L);
    box->SetValue(7);
    Press(box, Qt::Key_Return);  // Enter inserts nothing
    QCOMPARE(box->text(), QStringLiteral("7"));
    QCOMPARE(decimals.Formatted(1234.5L), QStringLiteral("1,234.50"));
    decimals.SetThousandsSeparators(false);
    QCOMPARE(decimals.Formatted(1234.5L), QStringLiteral("1234.5"));
  }

  void dialogKeyProtocol() {
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    TNumberEdit* number = MakePriceBox(QStringLiteral("n"), &dialog);
    auto* combo = new QComboBox(&dialog);
    combo->addItems({QStringLiteral("A"), QStringLiteral("B")});
    combo->setCurrentIndex(1);
    QCOMPARE(DialogKeyAction(edit, Qt::Key_Return, Qt::NoModifier), int(kKeyNext));
    QCOMPARE(DialogKeyAction(edit, Qt::Key_Down, Qt::NoModifier), int(kKeyNext));
    QCOMPARE(DialogKeyAction(number, Qt::Key_Return, Qt::NoModifier), int(kKeySwallow));
    QCOMPARE(DialogKeyAction(number, Qt::Key_Down, Qt::NoModifier), int(kKeyNext));
    QCOMPARE(DialogKeyAction(edit, Qt::Key_Up, Qt::NoModifier), int(kKeyPrevious));
    QCOMPARE(DialogKeyAction(edit, Qt::Key_Escape, Qt::NoModifier), int(kKeyCancel));
    QCOMPARE(DialogKeyAction(edit, Qt::Key_Delete, Qt::NoModifier), int(Qt::Key_Delete));
    QCOMPARE(DialogKeyAction(edit, Qt::Key_PageDown, Qt::NoModifier), int(Qt::Key_PageDown));
    QCOMPARE(DialogKeyAction(edit, Qt::Key_PageDown, Qt::ControlModifier), int(Qt::Key_PageDown));
    QCOMPARE(DialogKeyAction(edit, Qt::Key_A, Qt::NoModifier), int(Qt::Key_A));
    QCOMPARE(DialogKeyAction(combo, Qt::Key_Delete, Qt::NoModifier), int(kKeySwallow));
    QCOMPARE(combo->currentIndex(), -1);  // cleared
  }

  void unitPriceEntryByKeys() {
    TempDir dir;
    test::WriteItemTable(dir.path(), Statement());
    test::WriteHeader(dir.path(), "1");
    Session s(dir.path());
    QCOMPARE(s.window.Tabs()->currentIndex(), 2);
    s.grid().SetRow(2);  // concrete, quantity 2.5
    bool opened = false;
    QString caption;
    WhenDialogOpens(
        [&](QDialog* d) {
          caption = d->windowTitle();
          auto* box = d->findChild<TNumberEdit*>(QStringLiteral("C_NED_PRIC"));
          box->selectAll();
          Type(box, QStringLiteral("333"));
          Press(box, Qt::Key_Return);
          Press(d->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok")), Qt::Key_Return);
        },
        &opened);
    s.Key(Qt::Key_Return);
    QVERIFY(opened);
    QCOMPARE(caption, QStringLiteral("단가 수정"));
    QCOMPARE(s.Field(2, "F_COST"), 832.0L);
    QCOMPARE(s.Field(2, "F_PRIC"), 333.0L);
    QCOMPARE(s.Field(2, "F_MA0"), 333.0L);
    QCOMPARE(s.grid().Row(), 3);                                                 // moved on
    QCOMPARE(s.grid().gridModel()->Cell(2, kColAmount), QStringLiteral("832"));  // the page was reloaded

    // A price with decimals is refused when confirmed and the box keeps it; then Esc: nothing
    // written, the cursor moves on.
    s.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    s.grid().setFocus();
    opened = false;
    bool stillOpen = false;
    QString keptText;
    WhenDialogOpens(
        [&](QDialog* d) {
          auto* box = d->findChild<TNumberEdit*>(QStringLiteral("C_NED_PRIC"));
          box->selectAll();
          Type(box, QStringLiteral("1234.5"));
          Press(box, Qt::Key_Return);
          Press(d->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok")), Qt::Key_Return);
          stillOpen = d->isVisible();
          keptText = box->text().remove(QLatin1Char(','));
          Press(box, Qt::Key_Escape);
        },
        &opened);
    QTest::keyClick(&s.grid(), Qt::Key_F7);  // the item details popup's shortcut, while the grid has the focus
    QVERIFY(opened);
    QVERIFY(stillOpen);
    QCOMPARE(keptText, QStringLiteral("1234.5"));
    QCOMPARE(QString::fromStdString(s.notifier.messages.back().text), QStringLiteral("단가는 원 단위로 입력하십시오."));
    QCOMPARE(s.Field(3, "F_PRIC"), 0.0L);
    QCOMPARE(s.Field(3, "F_COST"), 0.0L);
    QCOMPARE(s.grid().Row(), 3);  // Esc leaves the cursor on the line
    s.grid().SetRow(4);

    // A zero-quantity line and a fixed-price line only move the cursor.
    opened = false;
    WhenDialogOpens([](QDialog* d) { d->reject(); }, &opened);
    s.window.EditCommand();
    QCOMPARE(s.grid().Row(), 5);
    s.window.EditCommand();
    QCOMPARE(s.grid().Row(), 6);
    QApplication::processEvents();
    QVERIFY(!opened);

    // Over the limit: the message, nothing written.
    WhenDialogOpens([&](QDialog* d) {
      auto* box = d->findChild<TNumberEdit*>(QStringLiteral("C_NED_PRIC"));
      box->SetValue(600000000000.0L);
      d->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok"))->click();
    });
    s.window.EditCommand();
    QCOMPARE(QString::fromStdString(s.notifier.messages.back().text),
             QStringLiteral("금액이 1조원을 초과했습니다.\n금액은 1조원 미만이어야 합니다."));
    QCOMPARE(s.Field(6, "F_PRIC"), 0.0L);
    QCOMPARE(s.grid().Row(), 6);  // the refused price's line stays under the cursor
    s.grid().SetRow(7);

    // F7 by line kind: a zero-quantity line of level 0 takes a price; a heading only moves on.
    s.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    s.grid().setFocus();
    opened = false;
    WhenDialogOpens([](QDialog* d) { d->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok"))->click(); }, &opened);
    QTest::keyClick(&s.grid(), Qt::Key_F7);
    QVERIFY(opened);
    s.grid().SetRow(1);
    s.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    s.grid().setFocus();
    opened = false;
    WhenDialogOpens([](QDialog* d) { d->reject(); }, &opened);
    QTest::keyClick(&s.grid(), Qt::Key_F7);
    QApplication::processEvents();
    QVERIFY(!opened);
    QCOMPARE(s.grid().Row(), 2);
  }

  void splitPriceEntryAndTheInputMode() {
    TempDir dir;
    test::WriteItemTable(dir.path(), Statement());
    test::WriteHeader(dir.path(), "1");
    Session s(dir.path());
    auto* price = s.window.findChild<QToolButton*>(QStringLiteral("C_Sbt_Price"));
    auto* lme = s.window.findChild<QToolButton*>(QStringLiteral("C_Sbt_LME"));
    auto* mod = s.window.findChild<QToolButton*>(QStringLiteral("C_Sbt_Mod"));
    QCOMPARE(mod->text(), QStringLiteral("단가입력/수정"));
    price->click();
    QVERIFY(s.window.SplitInputMode());
    QCOMPARE(mod->text(), QStringLiteral("재노경입력/수정"));
    QVERIFY(!lme->isHidden());
    QVERIFY(price->isHidden());
    lme->click();
    QVERIFY(!s.window.SplitInputMode());
    QCOMPARE(mod->text(), QStringLiteral("단가입력/수정"));
    // The 편집 › 입력형식 dialog.
    WhenDialogOpens([](QDialog* d) {
      QVERIFY(d->findChild<QRadioButton*>(QStringLiteral("rb_pric"))->isChecked());
      d->findChild<QRadioButton*>(QStringLiteral("rb_lme"))->setChecked(true);
      d->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok"))->click();
    });
    s.window.findChild<QAction*>(QStringLiteral("Mnu_InputType"))->trigger();
    QVERIFY(s.window.SplitInputMode());
    QCOMPARE(mod->text(), QStringLiteral("재노경입력/수정"));

    s.grid().SetRow(3);  // formwork, quantity 1.5
    QString caption, sum;
    WhenDialogOpens([&](QDialog* d) {
      caption = d->windowTitle();
      for (const char* name : {"C_NED_ma", "C_NED_La", "C_NED_Eq"}) {
        auto* box = d->findChild<TNumberEdit*>(QString::fromLatin1(name));
        box->selectAll();
        Type(box, QStringLiteral("1"));
        Press(box, Qt::Key_Return);
      }
      sum = test::Child<QLabel>(d, "C_Lbl_Sum")->text();
      Press(d->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok")), Qt::Key_Return);
    });
    mod->click();
    QCOMPARE(caption, QStringLiteral("단가(재/노/경) 수정"));
    QCOMPARE(sum, QStringLiteral("합계 단가 3원   금액 4원"));  // as typed: 1.5 + 1.5 + 1.5, cut once
    QCOMPARE(s.Field(3, "F_MA"), 1.0L);
    QCOMPARE(s.Field(3, "F_LA"), 1.0L);
    QCOMPARE(s.Field(3, "F_EQ"), 1.0L);
    QCOMPARE(s.Field(3, "F_COST"), 4.0L);
    QCOMPARE(s.Field(3, "F_PRIC"), 3.0L);
    QCOMPARE(s.grid().Row(), 4);
    s.grid().SetRow(3);
    QCOMPARE(s.Label("Tot_Unit"), QStringLiteral("3"));
    QCOMPARE(s.Label("Tot_Pric"), QStringLiteral("4"));  // what F_COST holds
  }

  // 편집 › 금액 맞추기: the dialog shows what a calculation of every part gives, takes the
  // target, and the tender adds up to it afterwards; the window shows the new amount.
  void amountAdjustmentThroughTheDialog() {
    TempDir dir;
    SampleOptions options;
    options.type = 2;
    options.lines = 200;
    QVERIFY(WriteSampleTender(dir.path(), options));
    {
      TXbaseEnv env;
      RecordingNotifier n;
      TZekTable items(env, n);
      QVERIFY(OpenTenderAsTheProgramDoes(dir.path(), env, items, n));
      for (items.Xbase().GoTop(); !items.Eof(); items.Skip(1)) {
        const uint32_t recno = items.RecNo();
        if (LineStateOf(items).takesPrice) QVERIFY(WriteSinglePrice(items, 12345 + recno * 1000, n));
        items.Xbase().Go(recno);
      }
      QVERIFY(items.Close());
    }
    Session s(dir.path());
    // "아니오" to the outcome: nothing written, and the window stays on the view it showed.
    const std::string stored = ReadMemVar(dir.File("VAK.MEM"), "CMN_IPMT");
    s.window.Tabs()->setCurrentIndex(2);
    s.grid().SetRow(5);
    s.notifier.nextAnswer = MessageAnswer::No;
    WhenDialogOpens([](QDialog* d) {
      QTest::keyClicks(test::Child<TNumberEdit>(d, "C_NED_Target"), QStringLiteral("98765432"));
      test::Child<QPushButton>(d, "C_Bbt_Ok")->click();
    });
    s.window.findChild<QAction*>(QStringLiteral("Mnu_Adjust"))->trigger();
    QCOMPARE(ReadMemVar(dir.File("VAK.MEM"), "CMN_IPMT"), stored);
    QCOMPARE(s.window.Tabs()->currentIndex(), 2);
    QCOMPARE(s.grid().Row(), 5);
    s.notifier.nextAnswer = MessageAnswer::Yes;
    QString shown;
    bool opened = false;
    WhenDialogOpens(
        [&](QDialog* d) {
          shown = test::Child<QLabel>(d, "C_Lbl_Current")->text();
          auto* box = test::Child<TNumberEdit>(d, "C_NED_Target");
          QTest::keyClicks(box, QStringLiteral("98765432"));
          test::Child<QPushButton>(d, "C_Bbt_Ok")->click();
        },
        &opened);
    s.window.findChild<QAction*>(QStringLiteral("Mnu_Adjust"))->trigger();
    QVERIFY(opened);
    QCOMPARE(ReadMemVar(dir.File("VAK.MEM"), "CMN_IPMT"), std::string("98765432"));
    QCOMPARE(s.Label("Label31"), QStringLiteral("98,765,432"));
    QVERIFY(shown.endsWith(QStringLiteral("원")) && shown != QStringLiteral("0원"));
    // The outcome was asked before the write, and summed up after it.
    const auto& m = s.notifier.messages;
    QVERIFY(m.size() >= 2);
    QCOMPARE(m[m.size() - 2].caption, std::string("금액 맞추기"));
    QVERIFY(m[m.size() - 2].text.find("현재 총입찰금액: " + shown.toStdString()) != std::string::npos);
    QVERIFY(m.back().text.find("새 총입찰금액: 98,765,432원") != std::string::npos);
    QVERIFY(FileExists(dir.File("금액맞추기-결과.csv")));
#ifdef VAK_HAS_SHEETS
    // 작업 › 엑셀로 내보내기: the file asked for, refused over a tender's file, written elsewhere.
    QString suggested;
    s.window.SetExportFileChooser([&](const QString& path) {
      suggested = path;
      return QString::fromStdString(dir.File("VAK"));  // ".xlsx" is added
    });
    s.window.findChild<QAction*>(QStringLiteral("Mnu_Export"))->trigger();
    QCOMPARE(suggested, QString::fromStdString(dir.File("내역.xlsx")));
    QVERIFY(FileExists(dir.File("VAK.xlsx")));
    QVERIFY(s.notifier.messages.back().text.find("총입찰금액 98,765,432원") != std::string::npos);
    s.window.SetExportFileChooser([&](const QString&) { return QString::fromStdString(dir.File("VAK.MEM")); });
    s.window.findChild<QAction*>(QStringLiteral("Mnu_Export"))->trigger();
    QCOMPARE(s.notifier.messages.back().caption, std::string("오류"));
    // 편집 › 엑셀에서 단가 가져오기: the workbook just written, with "아니오" (keep what is entered).
    s.window.SetImportFileChooser([&](const QString&) { return QString::fromStdString(dir.File("VAK.xlsx")); });
    s.notifier.nextAnswer = MessageAnswer::No;
    s.window.findChild<QAction*>(QStringLiteral("Mnu_Import"))->trigger();
    QCOMPARE(s.notifier.messages.back().caption, std::string("엑셀에서 단가 가져오기"));
    QVERIFY(s.notifier.messages.back().text.find("유지: ") != std::string::npos);
    QCOMPARE(ReadMemVar(dir.File("VAK.MEM"), "CMN_IPMT"), std::string("98765432"));
    QVERIFY(FileExists(dir.File("엑셀단가가져오기-결과.csv")));
#endif
  }

  void anEditOnTheLastRowScrollsTheWindow() {
    TempDir dir;
    SampleOptions options;
    options.type = 1;
    options.lines = 80;
    QVERIFY(WriteSampleTender(dir.path(), options));
    Session s(dir.path());
    s.grid().SetRow(21);
    const uint32_t before = s.window.Panel()->pager().PositionOf(1);
    WhenDialogOpens([](QDialog* d) { d->reject(); });
    s.window.EditCommand();
    QCOMPARE(s.window.Panel()->pager().PositionOf(1), before);  // "취소" stays on the line
    WhenDialogOpens([](QDialog* d) { d->findChild<QPushButton*>(QStringLiteral("C_Bbt_Ok"))->click(); });
    s.window.EditCommand();
    QCOMPARE(s.grid().Row(), 21);
    QCOMPARE(s.window.Panel()->pager().PositionOf(1), before + 1);
  }

  void f3CalculatesThePartOfTheCurrentViewAndTheToolGivesTheSameFiles() {
    TempDir program, tool;
    SampleOptions options;
    options.type = 2;
    options.lines = 400;
    QVERIFY(WriteSampleTender(program.path(), options));
    QVERIFY(WriteSampleTender(tool.path(), options));
    std::string expectedMessage;
    {
      Session s(program.path());
      s.window.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&s.window));
      s.grid().setFocus();
      bool opened = false;
      WhenDialogOpens([](QDialog* d) { d->reject(); }, &opened);
      QTest::keyClick(&s.grid(), Qt::Key_F7);  // F7 belongs to the item details only
      QApplication::processEvents();
      QVERIFY(!opened);
      s.Key(Qt::Key_Down);  // the second part's overall summary line
      s.window.findChild<QAction*>(QStringLiteral("Mnu_Calc"))->trigger();
      QCOMPARE(s.window.State().curPart, std::string("2"));
      QCOMPARE(s.notifier.messages.back().caption, std::string("알림"));
      expectedMessage = s.notifier.messages.back().text;
      QVERIFY(QString::fromStdString(expectedMessage).startsWith(QStringLiteral("전체금액계산 완료 ( 총입찰금액: ")));
      const QString total = s.Label("Label31");
      QVERIFY(expectedMessage.find(total.toStdString()) != std::string::npos);
      QCOMPARE(s.window.Panel()->view(), View::OverallSummary);  // the overall summary is shown again
      const std::string ipmt = ReadMemVar(program.File("VAK.MEM"), "CMN_IPMT");
      QCOMPARE(QString::fromStdString(AmountText(TextToNumber(ipmt))), total);
      // F3 on the part summary and on the item details calculates the part shown there.
      s.window.Tabs()->setCurrentIndex(1);
      QCOMPARE(s.window.Panel()->view(), View::PartSummary);
      QTest::keyClick(&s.grid(), Qt::Key_F3);
      QCOMPARE(s.window.Panel()->view(), View::PartSummary);
      QCOMPARE(QString::fromStdString(s.notifier.messages.back().text), QString::fromStdString(expectedMessage));
      s.window.Tabs()->setCurrentIndex(2);
      s.window.findChild<QAction*>(QStringLiteral("Mnu_Calc"))->trigger();
      QCOMPARE(s.window.Panel()->view(), View::ItemDetails);
      QCOMPARE(QString::fromStdString(s.notifier.messages.back().text), QString::fromStdString(expectedMessage));
    }
    QProcess vaktool;
    vaktool.start(QStringLiteral(VAKTOOL), {QStringLiteral("calc"), QString::fromStdString(tool.path()),
                                            QStringLiteral("--part"), QStringLiteral("2")});
    QVERIFY(vaktool.waitForFinished(30000));
    QCOMPARE(vaktool.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(vaktool.readAllStandardOutput()).trimmed(), QString::fromStdString(expectedMessage));
    QCOMPARE(tool.Read("VAK.MEM"), program.Read("VAK.MEM"));
    QCOMPARE(tool.Read("VAK.DBF"), program.Read("VAK.DBF"));
  }

  // The information panel counts the priced items and says when totals need F3; F8 walks the
  // unpriced items; a report or a submission of an unfinished tender asks first.
  void completenessTheUnpricedKeyAndTheQuestionBeforeAReport() {
    TempDir dir;
    test::WriteItemTable(dir.path(), Statement());
    test::WriteHeader(dir.path(), "1");
    {
      Session s(dir.path());
      // concrete, formwork and huge take a price; the fixed price of "agency price" is not in
      // its amount yet, so the totals need a calculation.
      QCOMPARE(s.Label("C_LBL_Status"), QStringLiteral("단가입력 0 / 3 · 재계산 필요"));
      s.window.CalculateCommand();
      QCOMPARE(s.Label("C_LBL_Status"), QStringLiteral("단가입력 0 / 3"));
      s.grid().SetRow(2);
      s.window.Panel()->ApplyUnitPrice(333, true);
      QCOMPARE(s.Label("C_LBL_Status"), QStringLiteral("단가입력 1 / 3 · 재계산 필요"));

      s.window.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&s.window));
      s.grid().setFocus();
      auto current = [&] { return s.grid().gridModel()->Cell(s.grid().Row(), kColName).trimmed(); };
      // Right after the entry the cursor stands on formwork, which lacks a price: F8 visits it.
      QCOMPARE(current(), QStringLiteral("formwork"));
      s.Key(Qt::Key_F8);
      QCOMPARE(current(), QStringLiteral("formwork"));
      // F8 again (no entry since): huge, and round again to formwork.
      QCOMPARE(s.window.findChild<QAction*>(QStringLiteral("C_Mnu_Detail_Unpriced"))->shortcut(),
               QKeySequence(Qt::Key_F8));
      s.Key(Qt::Key_F8);
      QCOMPARE(current(), QStringLiteral("huge"));
      s.Key(Qt::Key_F8);
      QCOMPARE(current(), QStringLiteral("formwork"));
      s.window.Panel()->ApplyUnitPrice(10, true);
      s.Key(Qt::Key_F8);
      QCOMPARE(current(), QStringLiteral("huge"));
      s.window.Panel()->ApplyUnitPrice(20, true);
      QCOMPARE(s.Label("C_LBL_Status"), QStringLiteral("단가입력 3 / 3 · 재계산 필요"));
      const int beeps = s.notifier.beeps;
      s.Key(Qt::Key_F8);  // none left: a beep
      QCOMPARE(s.notifier.beeps, beeps + 1);
    }
    // A restart finds the state again from the data, and shows the tender amount the header holds.
    Session s(dir.path());
    QCOMPARE(s.Label("C_LBL_Status"), QStringLiteral("단가입력 3 / 3 · 재계산 필요"));
    QCOMPARE(s.Label("Label31"),
             QString::fromStdString(AmountText(TextToNumber(LoadProjectHeader(dir.path()).values[kCmnIpmt]))));
    QVERIFY(s.Label("Label31") != QStringLiteral("0"));
    const std::string header = dir.Read("VAK.MEM");
    const QString question = QStringLiteral(
        "입찰서가 완성되지 않았습니다.\n  단가를 고친 뒤 내역서를 다시 계산하지 않았습니다.\n\n"
        "보고서를 작성하기 전에 내역서를 계산하시겠습니까?\n  예: 계산한 뒤 계속  아니오: 그대로 계속  취소: 그만둠");
    // 취소: no report dialog, nothing calculated.
    bool opened = false;
    WhenDialogOpens([](QDialog* d) { d->reject(); }, &opened);
    s.notifier.nextAnswer = MessageAnswer::Cancel;
    s.window.ReportCommand();
    QApplication::processEvents();
    QVERIFY(!opened);
    QCOMPARE(QString::fromStdString(s.notifier.messages.back().text), question);
    QVERIFY(s.notifier.messages.back().buttons == MessageButtons::YesNoCancel);
    QVERIFY(dir.Read("VAK.MEM") == header);
    // 아니오: the report dialog as it is.
    s.notifier.nextAnswer = MessageAnswer::No;
    WhenDialogOpens([](QDialog* d) { d->reject(); }, &opened);
    s.window.ReportCommand();
    QVERIFY(opened);
    QVERIFY(dir.Read("VAK.MEM") == header);
    QCOMPARE(s.Label("C_LBL_Status"), QStringLiteral("단가입력 3 / 3 · 재계산 필요"));
    // The submission asks the same: 취소 opens no drive dialog, 아니오 opens it as it is.
    const size_t asked = s.notifier.messages.size();
    s.notifier.nextAnswer = MessageAnswer::Cancel;
    opened = false;
    WhenDialogOpens([](QDialog* d) { d->reject(); }, &opened);
    s.window.DiskCommand();
    QApplication::processEvents();
    QVERIFY(!opened);
    QCOMPARE(s.notifier.messages.size(), asked + 1);
    QVERIFY(QString::fromStdString(s.notifier.messages.back().text)
                .contains(QStringLiteral("제출 화일을 작성하기 전에 내역서를 계산하시겠습니까?")));
    s.notifier.nextAnswer = MessageAnswer::No;
    WhenDialogOpens([](QDialog* d) { d->reject(); }, &opened);
    s.window.DiskCommand();
    QVERIFY(opened);
    QVERIFY(dir.Read("VAK.MEM") == header);
    // 예: calculated first, then the dialog; the panel says the tender is finished.
    s.notifier.nextAnswer = MessageAnswer::Yes;
    opened = false;
    WhenDialogOpens([](QDialog* d) { d->reject(); }, &opened);
    s.window.ReportCommand();
    QVERIFY(opened);
    QCOMPARE(ReadMemVar(dir.File("VAK.MEM"), "CMN_IPMT"), std::to_string(832 + 15 + 700 + 40));
    QCOMPARE(s.Label("C_LBL_Status"), QStringLiteral("단가입력 3 / 3"));
    // Finished: the submission asks nothing.
    const size_t messages = s.notifier.messages.size();
    WhenDialogOpens([](QDialog* d) { d->reject(); });
    s.window.DiskCommand();
    QCOMPARE(s.notifier.messages.size(), messages);
  }

  // The same concrete three times (one fixed by the agency): the dialog names the line and
  // prices its free twin with one keystroke; vaktool price writes the same bytes; Ctrl+Z takes
  // back the carry, then the group, to the exact records, and Ctrl+Y does both again.
  void identicalItemsPricedAtOnceAndTakenBack() {
    TempDir target, tool, source;
    const std::vector<Row> rows = {
        Line(1, '1', "works", 0),    Line(2, '2', "concrete", 2.5),         Line(3, '2', "formwork", 1.5),
        Line(4, '2', "concrete", 4), Line(5, '2', "concrete", 1, 700, '*'), Line(6, '2', "formwork", 2)};
    std::vector<Row> priced = rows;
    priced[2].price = 50;
    priced[5].price = 60;
    for (const auto& [dir, statement] :
         {std::pair{&target, rows}, std::pair{&tool, rows}, std::pair{&source, priced}}) {
      test::WriteItemTable(dir->path(), statement);
      test::WriteHeader(dir->path(), "1");
    }
    Session s(target.path());
    const std::string opened = target.Read("VAK.DBF"), openedHeader = target.Read("VAK.MEM");
    const QString openedStatus = s.Label("C_LBL_Status");
    s.grid().SetRow(2);
    QString line, same;
    WhenDialogOpens([&](QDialog* d) {
      line = test::Child<QLabel>(d, "C_Lbl_Line")->text();
      same = test::Child<QPushButton>(d, "C_Bbt_Same")->text();
      auto* box = d->findChild<TNumberEdit*>(QStringLiteral("C_NED_PRIC"));
      box->selectAll();
      Type(box, QStringLiteral("100"));
      QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier);
    });
    s.window.EditCommand();
    QCOMPARE(line, QStringLiteral("concrete\n수량 2.5 "));
    QCOMPARE(same, QStringLiteral("동일 품목 1개에도(&A)"));
    QCOMPARE(s.Field(2, "F_PRIC"), 100.0L);
    QCOMPARE(s.Field(4, "F_COST"), 400.0L);
    QCOMPARE(s.Field(5, "F_PRIC"), 700.0L);
    const std::string grouped = target.Read("VAK.DBF");
    QProcess vaktool;
    vaktool.start(QStringLiteral(VAKTOOL), {QStringLiteral("price"), QString::fromStdString(tool.path()),
                                            QStringLiteral("--record"), QStringLiteral("2"), QStringLiteral("--price"),
                                            QStringLiteral("100"), QStringLiteral("--same-items")});
    QVERIFY(vaktool.waitForFinished(30000));
    QCOMPARE(vaktool.exitCode(), 0);
    QVERIFY(tool.Read("VAK.DBF") == grouped);

    s.window.SetCarryDirectoryChooser([&](const QString&) { return QString::fromStdString(source.path()); });
    s.notifier.nextAnswer = MessageAnswer::No;
    s.window.CarryCommand();
    QCOMPARE(s.Field(3, "F_PRIC"), 50.0L);
    const std::string carried = target.Read("VAK.DBF"), carriedHeader = target.Read("VAK.MEM");
    QAction* undo = s.window.findChild<QAction*>(QStringLiteral("Mnu_Undo"));
    QAction* redo = s.window.findChild<QAction*>(QStringLiteral("Mnu_Redo"));
    QCOMPARE(undo->text(), QStringLiteral("되돌리기: 단가 가져오기"));
    undo->trigger();
    QVERIFY(target.Read("VAK.DBF") == grouped);
    QVERIFY(target.Read("VAK.MEM") == openedHeader);
    undo->trigger();
    QVERIFY(target.Read("VAK.DBF") == opened);
    QCOMPARE(s.Label("C_LBL_Status"), openedStatus);
    const size_t messages = s.notifier.messages.size();
    undo->trigger();  // back at the opening: nothing more to take back
    QCOMPARE(s.notifier.messages.size(), messages);
    QCOMPARE(redo->text(), QStringLiteral("다시 실행: 동일 품목 단가 입력"));
    redo->trigger();
    redo->trigger();
    QVERIFY(target.Read("VAK.DBF") == carried);
    QVERIFY(target.Read("VAK.MEM") == carriedHeader);
    QCOMPARE(s.Field(6, "F_PRIC"), 60.0L);
  }

  // 편집 › 단가 가져오기: the other tender chosen, prices carried, the summary, the table back.
  void pricesCarriedFromAnotherBillInTheWindow() {
    TempDir source, target;
    std::vector<Row> priced = Statement();
    priced[1].price = 100;  // concrete
    priced[2].price = 200;  // formwork
    priced[5].price = 7;    // huge
    test::WriteItemTable(source.path(), priced);
    test::WriteHeader(source.path(), "1");
    test::WriteItemTable(target.path(), Statement());
    test::WriteHeader(target.path(), "1");
    const std::string sourceTable = source.Read("VAK.DBF");
    Session s(target.path());
    QString offered = QStringLiteral("<not asked>");
    s.window.SetCarryDirectoryChooser([&](const QString& last) {
      offered = last;
      return QString();  // cancelled: nothing happens
    });
    s.window.CarryCommand();
    QVERIFY(s.window.Shown());
    QCOMPARE(s.Field(2, "F_PRIC"), 0.0L);
    s.window.SetCarryDirectoryChooser([&](const QString& last) {
      offered = last;
      return QString::fromStdString(source.path());
    });
    s.notifier.nextAnswer = MessageAnswer::No;  // prices already entered stay
    s.window.CarryCommand();
    QVERIFY(s.window.Shown());
    QVERIFY(s.window.Items().Exclusive());
    const QString summary = QString::fromStdString(s.notifier.messages.back().text);
    QVERIFY2(summary.startsWith(
                 QStringLiteral("단가를 가져오고 모든 공사를 다시 계산했습니다.\n\n  가져옴: 3\n  수량 변경: 0\n")),
             qPrintable(summary));
    QVERIFY(
        summary.contains(QStringLiteral("전체금액계산 완료 ( 총입찰금액: 1,264 )")));  // 250 + 300 + 14 + the fixed 700
    QCOMPARE(s.Field(2, "F_PRIC"), 100.0L);
    QCOMPARE(s.Field(2, "F_COST"), 250.0L);
    QCOMPARE(s.Label("C_LBL_Status"), QStringLiteral("단가입력 3 / 3"));
    QCOMPARE(s.Label("Label31"), QStringLiteral("1,264"));
    QVERIFY(FileExists(target.File("단가가져오기-결과.csv")));
    QVERIFY(source.Read("VAK.DBF") == sourceTable);
    // The directory chosen is offered the next time.
    s.window.SetCarryDirectoryChooser([&](const QString& last) {
      offered = last;
      return QString();
    });
    s.window.CarryCommand();
    QCOMPARE(offered, QString::fromStdString(source.path()));
  }

  // A source that is no tender the program can read (or is this very tender, or one open in
  // another window), and a tender of ours whose header is damaged, are refused before the
  // question, with the cause; nothing is written.
  void aCarryThatCannotBeDoneIsRefusedBeforeTheQuestion() {
    TempDir empty, other, target;
    for (const TempDir* dir : {&other, &target}) {
      test::WriteItemTable(dir->path(), Statement());
      test::WriteHeader(dir->path(), "1");
    }
    Session s(target.path());
    std::optional<ExclusiveFileHold> elsewhere(std::in_place, other.File("VAK.DBF"));  // open in another program
    const std::string table = target.Read("VAK.DBF");
    const std::string nothing = "\n단가를 가져오지 않았습니다. 지금 내역은 그대로입니다.";
    auto refused = [&](const std::string& from, const std::string& text) {
      s.notifier.messages.clear();
      s.window.SetCarryDirectoryChooser([from](const QString&) { return QString::fromStdString(from); });
      s.window.CarryCommand();
      QCOMPARE(s.notifier.messages.size(), size_t(1));
      QCOMPARE(QString::fromStdString(s.notifier.messages[0].text), QString::fromStdString(text));
      QVERIFY(s.notifier.messages[0].caption == "오류" && s.notifier.messages[0].icon == MessageIcon::Error);
      QVERIFY(s.window.Shown() && target.Read("VAK.DBF") == table);
    };
    refused(empty.path(),
            "\"" + empty.path() + "\"디렉토리에 데이타화일(VAK.DBF)이 없습니다. 단가를 가져올 입찰 자료가 아닙니다.");
    refused(other.path(), other.File("VAK.DBF") + "\n다른 사용자가 사용하고 있습니다." + nothing);
    refused(
        target.path(),
        target.path() + "\n단가를 가져올 내역이 지금 내역과 같은 화일입니다. 다른 입찰의 자료 디렉토리를 고르십시오.");
    elsewhere.reset();
    target.Write("VAK.MEM", "damaged");
    refused(other.path(), HeaderProblemText(LoadProjectHeader(target.path())) + nothing);
  }
};

}  // namespace vak

QTEST_MAIN(vak::PricingUiTest)
#include "test_pricing_ui.moc"
