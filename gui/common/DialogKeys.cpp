#include "gui/common/DialogKeys.h"

#include <QBoxLayout>
#include <QPushButton>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>

#include "gui/common/NumEdit.h"

namespace vak {

OkCancel AddOkCancel(QDialog* dialog, QBoxLayout* layout, const QString& okName, const QString& cancelName) {
  auto* row = new QHBoxLayout();
  auto* ok = new QPushButton(QStringLiteral("확인"), dialog);
  ok->setObjectName(okName);
  auto* cancel = new QPushButton(QStringLiteral("취소"), dialog);
  cancel->setObjectName(cancelName);
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  layout->addLayout(row);
  return {ok, cancel};
}
namespace {

constexpr const char* kChoiceRequired = "vakChoiceRequired";

bool ListOpen(QWidget* control) {
  auto* combo = qobject_cast<QComboBox*>(control);
  return combo && combo->view() && combo->view()->isVisible();
}

class DialogKeyFilter : public QObject {
 public:
  DialogKeyFilter(QDialog* dialog) : QObject(dialog), dialog_(dialog) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* control = qobject_cast<QWidget*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    // A numeric box moves the focus on by itself when Enter reaches it.
    if (enter && qobject_cast<TNumberEdit*>(control)) return false;
    const int action = DialogKeyAction(control, key->key(), key->modifiers());
    switch (action) {
      case kKeySwallow: return true;
      case kKeyPrevious: FocusStep(false); return true;
      case kKeyNext: FocusStep(true); return true;
      case kKeyCancel: dialog_->reject(); return true;
      default: return false;
    }
  }

 private:
  void FocusStep(bool forward) {
    QWidget* w = dialog_->focusWidget();
    if (!w) return;
    QWidget* next = forward ? w->nextInFocusChain() : w->previousInFocusChain();
    while (next && next != w && (!(next->focusPolicy() & Qt::TabFocus) || !next->isEnabled() || !next->isVisible()))
      next = forward ? next->nextInFocusChain() : next->previousInFocusChain();
    if (next) next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  }
  QDialog* dialog_;
};

}  // namespace

void RequireChoice(QComboBox* combo) { combo->setProperty(kChoiceRequired, true); }

int DialogKeyAction(QWidget* control, int key, Qt::KeyboardModifiers modifiers) {
  auto* combo = qobject_cast<QComboBox*>(control);
  const bool open = ListOpen(control);
  switch (key) {
    case Qt::Key_PageDown:
      if (modifiers & Qt::ControlModifier) return key;
      if (open) return kKeyListOpen;
      if (combo) {
        combo->showPopup();
        return kKeySwallow;
      }
      return key;
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (open) {
        if (key == Qt::Key_Down) return key;  // the list moves
        if (combo) {
          combo->setCurrentIndex(combo->view()->currentIndex().row());
          combo->hidePopup();
          emit combo->activated(combo->currentIndex());
        }
        return kKeyNext;
      }
      if (key != Qt::Key_Down && qobject_cast<TNumberEdit*>(control)) return kKeySwallow;
      return kKeyNext;
    case Qt::Key_Up: return open ? key : kKeyPrevious;
    case Qt::Key_Escape:
      if (open) {
        combo->hidePopup();
        return kKeySwallow;
      }
      return kKeyCancel;
    case Qt::Key_Delete:
      if (open) {
        combo->hidePopup();
        return kKeySwallow;
      }
      if (combo && combo->property(kChoiceRequired).toBool()) return kKeySwallow;
      if (combo) {
        combo->setCurrentIndex(-1);
        emit combo->activated(-1);
        return kKeySwallow;
      }
      return key;
    default: return key;
  }
}

void SetUpDialog(QDialog* dialog, const QString& name, const QString& caption) {
  dialog->setObjectName(name);
  dialog->setWindowTitle(caption);
  QFont font(QStringLiteral("굴림체"));
  font.setPixelSize(12);
  dialog->setFont(font);
}

void InstallDialogKeys(QDialog* dialog) {
  auto* filter = new DialogKeyFilter(dialog);
  for (QWidget* w : dialog->findChildren<QWidget*>()) {
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)) w->installEventFilter(filter);
  }
}

}  // namespace vak
