#include "gui/common/FieldRefusal.h"

#include <QApplication>
#include <QToolTip>
#include <QWidget>

#include "common/UserNotifier.h"

namespace vak {

void ShowRefusal(QWidget* box, const QString& why, UserNotifier* notifier) {
  if (notifier)
    notifier->Beep();
  else
    QApplication::beep();
  QToolTip::showText(box->mapToGlobal(QPoint(0, box->height())), why, box);
}

void HideRefusal() { QToolTip::hideText(); }

}  // namespace vak
