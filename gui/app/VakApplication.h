// The application object, and the one boundary where a failure that escaped a slot or an
// event handler is caught: the user is told in a message box and the program goes on,
// instead of Qt ending it (it cannot let an exception pass through its event loop).
#pragma once

#include <QApplication>

#include "common/UserNotifier.h"

namespace vak {

class VakApplication : public QApplication {
 public:
  VakApplication(int& argc, char** argv) : QApplication(argc, argv) {}
  void SetNotifier(UserNotifier* notifier) { notifier_ = notifier; }
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  UserNotifier* notifier_ = nullptr;
};

// The text the user sees for a failure that escaped an event handler.
std::string EscapedFailureText(const char* what);

}  // namespace vak
