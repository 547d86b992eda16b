// The dialog "금액 맞추기": the tender amount a calculation of every part gives now, and the
// bid amount the tender is to add up to.
#pragma once

#include <QDialog>

namespace vak {

class TNumberEdit;
class UserNotifier;

class TFm_VakAdjust : public QDialog {
  Q_OBJECT

 public:
  TFm_VakAdjust(long long currentAmount, UserNotifier& notifier, QWidget* parent = nullptr);
  // The target confirmed with "확인" (whole won, within the limits).
  long long Target() const { return target_; }
  TNumberEdit* TargetBox() const { return box_; }

 private:
  TNumberEdit* box_;
  long long target_ = 0;
};

}  // namespace vak
