#include "gui/app/QtNotifier.h"

#include "gui/common/S_Progress.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace vak {

MessageAnswer QtNotifier::Message(const std::string& text, const std::string& caption, MessageIcon icon,
                                  MessageButtons buttons) {
  QMessageBox box(parent_);
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(QString::fromStdString(text));
  switch (icon) {
    case MessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MessageIcon::None: break;
  }
  if (buttons == MessageButtons::YesNoCancel) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("예(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("아니오(&N)"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("취소"));
    box.setEscapeButton(QMessageBox::Cancel);
    const int answer = box.exec();
    return answer == QMessageBox::Yes  ? MessageAnswer::Yes
           : answer == QMessageBox::No ? MessageAnswer::No
                                       : MessageAnswer::Cancel;
  }
  if (buttons == MessageButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("예(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("아니오(&N)"));
    return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("확인"));
  box.exec();
  return MessageAnswer::Ok;
}

void QtNotifier::ProgressOpen(const std::string& text, long maximum) {
  vak::ProgressOpen(static_cast<int>(maximum), QString::fromStdString(text));
}
void QtNotifier::ProgressStep() { vak::ProgressStep(1); }
void QtNotifier::ProgressClose() { vak::ProgressClose(); }

void QtNotifier::Beep() { QApplication::beep(); }

}  // namespace vak
