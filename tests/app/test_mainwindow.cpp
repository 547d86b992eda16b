#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QtTest>

#include "app/DataDirectory.h"
#include "app/Fonts.h"
#include "app/s_VakMain.h"

namespace vak {

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void opensWithItsCaptionAndCloses() {
    TFm_VakMain window(QStringLiteral("/tmp/tender"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QStringLiteral("전산내역입찰(VAK/4.12)"));
    auto* path = window.findChild<QLabel*>(QStringLiteral("C_LBL_Path"));
    QVERIFY(path);
    QVERIFY(path->text().contains(QStringLiteral("/tmp/tender")));
    QVERIFY(window.close());
    QVERIFY(!window.isVisible());
  }

  void dataDirectoryFromArgumentOrProgramDirectory() {
    QCOMPARE(DataDirectoryFrom({QStringLiteral("vak")}, QStringLiteral("/opt/vak/bin ")), QStringLiteral("/opt/vak/bin"));
    QCOMPARE(DataDirectoryFrom({QStringLiteral("vak"), QStringLiteral("/data/tender/")}, QStringLiteral("/opt")),
             QStringLiteral("/data/tender"));
    // A relative directory is taken from the working directory, never turned into a root path.
    QCOMPARE(DataDirectoryFrom({QStringLiteral("vak"), QStringLiteral("./tender")}, QStringLiteral("/opt")),
             QDir::current().absoluteFilePath(QStringLiteral("tender")));
  }

  void gulimcheResolvesToAnInstalledKoreanFont() {
    InstallKoreanFonts();
    const QFontInfo info(QFont(QStringLiteral("굴림체")));
    QVERIFY2(info.family().contains(QStringLiteral("Nanum")), qPrintable(info.family()));
    const QFontMetrics metrics{QFont(QStringLiteral("굴림체"))};
    QVERIFY(metrics.inFont(QChar(0xAC00)));  // 가
  }
};

}  // namespace vak

QTEST_MAIN(vak::MainWindowTest)
#include "test_mainwindow.moc"
