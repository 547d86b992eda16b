// The split price dialog "단가(재/노/경) 수정": material, labour and expense unit prices.
#pragma once

#include <QDialog>

#include "gui/pricing/s_VakLineInsert.h"

class QLabel;

namespace vak {

class Tfm_VakFixPrice : public QDialog {
  Q_OBJECT

 public:
  // The notifier says why confirmed prices are refused.
  Tfm_VakFixPrice(UserNotifier& notifier, QWidget* parent = nullptr);
  // The three prices shown and written back on "확인", and the flag set then.
  void classInit(long double* material, long double* labour, long double* expense, bool* accepted);
  // Names the line; the sum of the three prices and the line's amount follow the typing.
  void ShowLine(const PricedLine& line);
  bool ToSameItems() const { return parts_->ToSameItems(); }
  QLabel* SumLabel() const { return sum_; }
  TNumberEdit* MaterialBox() const { return ma_; }
  TNumberEdit* LabourBox() const { return la_; }
  TNumberEdit* ExpenseBox() const { return eq_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowSum();

  TNumberEdit *ma_, *la_, *eq_;
  std::unique_ptr<PriceDialogParts> parts_;
  QLabel* sum_;
  long double quantity_ = 0;
  bool lineShown_ = false;
  long double *material_ = nullptr, *labour_ = nullptr, *expense_ = nullptr;
  bool* accepted_ = nullptr;
};

}  // namespace vak
