// 도움말 › "단축키": every key of the main window, its statement grid and its dialogs, from one
// table. The same table is held against the window's actions by a test, so the list cannot
// drift from the shortcuts the window really has.
#pragma once

#include <QDialog>

#include <span>

namespace vak {

struct WindowKey {
  const char* keys;    // as the user reads it; for an action, the text QKeySequence reads too
  const char* what;    // what it does
  const char* where;   // where it works
  const char* action;  // the window's QAction carrying the key; "" when the grid or a dialog takes it
};

std::span<const WindowKey> WindowKeys();

// A read-only list of WindowKeys(); Esc or Enter closes it.
class TFm_VakKeys : public QDialog {
  Q_OBJECT

 public:
  explicit TFm_VakKeys(QWidget* parent = nullptr);
};

}  // namespace vak
