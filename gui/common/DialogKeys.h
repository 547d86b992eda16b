// The key protocol of every dialog's edit and combo boxes: Enter or Down to the next
// control, Up to the previous, Escape cancels, Page Down opens a combo's list, Delete clears
// a combo.
#pragma once

#include <QObject>
#include <QString>

class QBoxLayout;
class QComboBox;
class QDialog;
class QPushButton;
class QWidget;

namespace vak {

enum DialogKeyCode { kKeySwallow = 0, kKeyPrevious = 1, kKeyNext = 2, kKeyCancel = 27, kKeyListOpen = 99 };

// The action for a key in a control: 0 swallow, 1 previous control, 2 next control,
// 27 cancel the dialog, any other value: that key (unchanged, or 99 for Page Down in an open list).
int DialogKeyAction(QWidget* control, int key, Qt::KeyboardModifiers modifiers);

// Names a dialog, sets its caption and the dialogs' font (굴림체, 12 pixels).
void SetUpDialog(QDialog* dialog, const QString& name, const QString& caption);

// The "확인" and "취소" buttons at the right of a row added to `layout`, with their object names.
struct OkCancel {
  QPushButton* ok;
  QPushButton* cancel;
};
OkCancel AddOkCancel(QDialog* dialog, QBoxLayout* layout, const QString& okName, const QString& cancelName);

// A list that must always hold a choice (a report, a construction part): Delete leaves it as
// it is instead of clearing it.
void RequireChoice(QComboBox* combo);

// Applies the protocol to every edit and combo box of a dialog.
void InstallDialogKeys(QDialog* dialog);

}  // namespace vak
