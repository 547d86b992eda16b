// The windows' side of UserNotifier: message boxes with the fixed captions and icons,
// the progress window and the beep.
#pragma once

#include <QPointer>
#include <QWidget>

#include "common/UserNotifier.h"

namespace vak {

class QtNotifier : public UserNotifier {
 public:
  explicit QtNotifier(QWidget* parent = nullptr) : parent_(parent) {}

  MessageAnswer Message(const std::string& text, const std::string& caption, MessageIcon icon,
                        MessageButtons buttons) override;
  void ProgressOpen(const std::string& text, long maximum) override;
  void ProgressStep() override;
  void ProgressClose() override;
  void Beep() override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace vak
