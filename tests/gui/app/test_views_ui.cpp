// The views beyond the agency's program, headless: the item details of only the unpriced
// items, and the list of the window's keys.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <algorithm>

#include "gui/app/S_VakKeys.h"
#include "gui/app/s_VakMain.h"
#include "gui/common/NumEdit.h"
#include "tests/gui/support/WindowSession.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"

namespace vak {

using test::Row;
using test::Session;
using test::TempDir;
using test::WhenDialogOpens;

namespace {

// Two works under one heading of level 1, one priced alone; a fixed-price line; a level "0" item.
std::vector<Row> Works() {
  return {{"U", 1, '1', "공종1"},      {"U", 2, '2', "가"},
          {"U", 3, '3', "a", 1},       {"U", 4, '3', "b", 1, 0, 5},
          {"U", 5, '2', "나"},         {"U", 6, '3', "c", 1, 0, 5},
          {"U", 7, '2', "d", 2},       {"U", 8, '1', "공종2"},
          {"U", 9, '2', "e", 1, 0, 5}, {"U", 10, '2', "고정", 1, 0, 0, '*'},
          {"U", 11, '0', "레벨0", 1}};
}

QKeySequence KeysOf(const WindowKey& key) {
  return QKeySequence(QString::fromUtf8(key.keys), QKeySequence::PortableText);
}

}  // namespace

class ViewsUiTest : public QObject {
  Q_OBJECT

 private slots:
  void onlyTheUnpricedItemsWithTheirHeadings() {
    TempDir dir;
    test::WriteItemTable(dir.path(), Works());
    test::WriteHeader(dir.path(), "1");
    Session s(dir.path());
    s.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    s.grid().setFocus();
    auto shown = [&] {
      QStringList names;
      for (int r = 1; r <= s.window.State().lastRow; ++r) {
        if (s.panel().pager().Slot(r).used) names << s.Cell(r, kColName).trimmed();
      }
      return names;
    };
    auto current = [&] { return s.Cell(s.grid().Row(), kColName).trimmed(); };
    auto* toggle = s.window.findChild<QAction*>(QStringLiteral("Mnu_OnlyUnpriced"));
    const QStringList whole = shown();
    s.grid().SetRow(7);  // d
    s.Key(Qt::Key_U, Qt::ControlModifier);
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
    s.window.activateWindow();  // again after the price dialog
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    s.Key(Qt::Key_U, Qt::ControlModifier);
    QVERIFY(!toggle->isChecked());
    QCOMPARE(current(), QStringLiteral("레벨0"));
    s.Key(Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(shown(), whole);
    QVERIFY(!s.Label("C_LBL_Status").startsWith(QStringLiteral("미입력 항목만")));

    // Nothing left to price: the user is told and the view stays whole.
    for (int row : {7, 11}) {
      s.grid().SetRow(row);
      s.panel().ApplyUnitPrice(9, true);
    }
    QVERIFY(s.window.findChild<QMenu*>(QStringLiteral("C_Mnu_Detail"))->actions().contains(toggle));
    toggle->trigger();
    QVERIFY(!toggle->isChecked());
    QCOMPARE(QString::fromStdString(s.notifier.messages.back().text),
             QStringLiteral("이 공사에는 단가를 입력하지 않은 항목이 없습니다."));
    QCOMPARE(shown(), whole);
  }

  void theKeysListedAreTheKeysOfTheWindow() {
    TempDir dir;
    test::WriteItemTable(dir.path(), Works());
    test::WriteHeader(dir.path(), "1");
    Session s(dir.path());
    const std::span<const WindowKey> keys = WindowKeys();
    for (const WindowKey& key : keys) {
      if (*key.action == '\0') continue;
      auto* action = s.window.findChild<QAction*>(QString::fromLatin1(key.action));
      QVERIFY2(action, key.action);
      QCOMPARE(action->shortcut(), KeysOf(key));
    }
    for (QAction* action : s.window.findChildren<QAction*>()) {
      const bool listed =
          std::any_of(keys.begin(), keys.end(), [&](const WindowKey& k) { return KeysOf(k) == action->shortcut(); });
      QVERIFY2(action->shortcut().isEmpty() || listed, qPrintable(action->shortcut().toString()));
    }
    // From 도움말 › 단축키: the table as listed, closed by Esc and by Enter.
    for (Qt::Key close : {Qt::Key_Escape, Qt::Key_Return}) {
      bool opened = false, open = true;
      QStringList first;
      WhenDialogOpens(
          [&](QDialog* d) {
            auto* table = d->findChild<QTableWidget*>(QStringLiteral("C_STG_Keys"));
            for (int c = 0; c < 3; ++c) first << table->item(2, c)->text();
            QCOMPARE(table->rowCount(), static_cast<int>(keys.size()));
            QTest::keyClick(table, close);
            open = d->isVisible();
          },
          &opened);
      s.window.findChild<QAction*>(QStringLiteral("Mnu_Keys"))->trigger();
      QVERIFY(opened && !open);
      QCOMPARE(first, (QStringList{"Ctrl+U", "미입력 항목만 보기 / 모두 보기", "창"}));
    }
  }
};

}  // namespace vak

QTEST_MAIN(vak::ViewsUiTest)
#include "test_views_ui.moc"
