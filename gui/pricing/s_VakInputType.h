// The input mode dialog "입력형식": one unit price (단가) or split prices (재/노/경).
#pragma once

#include <QDialog>

class QRadioButton;

namespace vak {

class Tfm_VakInputType : public QDialog {
  Q_OBJECT

 public:
  explicit Tfm_VakInputType(QWidget* parent = nullptr);
  // The mode shown, written back on "확인" (true: split).
  void classInit(bool* splitMode);
  QRadioButton* SingleButton() const { return single_; }
  QRadioButton* SplitButton() const { return split_; }

 private:
  QRadioButton* single_;
  QRadioButton* split_;
  bool* splitMode_ = nullptr;
};

}  // namespace vak
