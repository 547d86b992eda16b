#include "tests/gui/support/WindowSession.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QtTest>

namespace vak::test {

Session::Session(const std::string& dir, int screenWidth)
    : window(QString::fromStdString(dir), env, notifier, screenWidth) {
  if (!window.Prepared()) return;
  window.show();
  window.RunShowStep();
}

Session::~Session() {
  notifier.nextAnswer = MessageAnswer::Yes;
  window.close();
}

QString Session::Label(const char* name) { return window.findChild<QLabel*>(QString::fromLatin1(name))->text(); }

void Session::Key(Qt::Key key, Qt::KeyboardModifiers modifiers) { QTest::keyClick(&grid(), key, modifiers); }

long double Session::Field(int row, const char* field) {
  window.Panel()->pager().GoToSlot(row);
  return window.Items().FieldAsFloat(field);
}

void WhenDialogOpens(std::function<void(QDialog*)> act, bool* opened) {
  if (opened) *opened = false;
  QTimer::singleShot(0, [act = std::move(act), opened] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (opened) *opened = dialog != nullptr;
    if (dialog) act(dialog);
  });
}

}  // namespace vak::test
