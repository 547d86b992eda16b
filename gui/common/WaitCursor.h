// The hourglass for the length of a scope: shown when made, taken away when the scope ends,
// whichever way it ends (a return, a message on the way out, an exception).
#pragma once

#include <QApplication>

namespace vak {

class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { Release(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

  // Takes the hourglass away before the scope ends (before a message box, say).
  void Release() {
    if (held_) QApplication::restoreOverrideCursor();
    held_ = false;
  }

 private:
  bool held_ = true;
};

}  // namespace vak
