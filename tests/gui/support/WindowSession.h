// What the widget tests share: one window on one tender, answering the dialog that opens next,
// and finding a control by its name.
#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

#include "gui/app/s_VakMain.h"
#include "gui/views/S_VakPanel.h"
#include "gui/views/S_ZekGrid.h"
#include "tests/support/TestSupport.h"

namespace vak::test {

// One window on one tender, with its environment, shown and past its show step; closed at the
// end with every question answered "예".
struct Session {
  explicit Session(const std::string& dir, int screenWidth = 800);
  ~Session();
  TVakPanel& panel() { return *window.Panel(); }
  TZekGrid& grid() { return *window.Panel()->XGrid(); }
  QString Cell(int row, GridColumn column) { return grid().gridModel()->Cell(row, column); }
  QString Label(const char* name);
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  // The stored value of a field on the line of the grid row.
  long double Field(int row, const char* field);
  int FirstLinePosition() { return static_cast<int>(panel().pager().PositionOf(1)); }

  TXbaseEnv env;
  RecordingNotifier notifier;
  TFm_VakMain window;
};

// Runs `act` on the modal dialog once it is open (inside its event loop); `opened` says
// whether one was.
void WhenDialogOpens(std::function<void(QDialog*)> act, bool* opened = nullptr);
// Rejects the modal dialog that opens next, as Esc would.
inline void RejectDialogWhenOpen(bool* opened) {
  WhenDialogOpens([](QDialog* d) { d->reject(); }, opened);
}

template <typename T>
T* Child(QWidget* parent, const char* name) {
  return parent->findChild<T*>(QString::fromLatin1(name));
}

}  // namespace vak::test
