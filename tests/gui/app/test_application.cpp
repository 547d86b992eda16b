// The application's one boundary for failures that escape an event handler: the user is told,
// the hourglass and the progress window are taken away, and the program goes on.
#include <QApplication>
#include <QtTest>
#include <stdexcept>

#include "gui/app/VakApplication.h"
#include "gui/common/S_Progress.h"
#include "gui/common/WaitCursor.h"
#include "tests/support/TestSupport.h"

namespace vak {

// An object whose event handler fails half-way through a pass, with the hourglass up, as a slot would.
class Failing : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    const WaitCursor hourglass;
    QApplication::setOverrideCursor(Qt::WaitCursor);  // one left behind by the interrupted work
    ProgressOpen(10, QStringLiteral("단가를 가져오고 있습니다."));
    throw std::runtime_error("disk gone");
  }
};

class ApplicationTest : public QObject {
  Q_OBJECT

 public:
  explicit ApplicationTest(VakApplication& app) : app_(app) {}

 private slots:
  void aFailureThatEscapesAHandlerIsToldAndTheProgramGoesOn() {
    test::RecordingNotifier notifier;
    app_.SetNotifier(&notifier);
    Failing failing;
    QEvent event(QEvent::User);
    QVERIFY(!QApplication::sendEvent(&failing, &event));
    QCOMPARE(notifier.messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(notifier.messages[0].text),
             QStringLiteral(
                 "작업 중에 처리하지 못한 오류가 생겼습니다. 마지막 작업이 끝나지 않았을 수 있습니다.\n(disk gone)"));
    QCOMPARE(QString::fromStdString(notifier.messages[0].caption), QStringLiteral("오류"));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(!ProgressWindow());
    // The next event is handled as usual.
    QObject plain;
    QEvent other(QEvent::User);
    QApplication::sendEvent(&plain, &other);
    QCOMPARE(notifier.messages.size(), size_t(1));
    app_.SetNotifier(nullptr);
  }

  void theHourglassEndsWithItsScope() {
    {
      const WaitCursor hourglass;
      QVERIFY(QApplication::overrideCursor() != nullptr);
    }
    QVERIFY(QApplication::overrideCursor() == nullptr);
    WaitCursor early;
    early.Release();
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

 private:
  VakApplication& app_;
};

}  // namespace vak

int main(int argc, char* argv[]) {
  vak::VakApplication app(argc, argv);
  vak::ApplicationTest test(app);
  return QTest::qExec(&test, argc, argv);
}

#include "test_application.moc"
