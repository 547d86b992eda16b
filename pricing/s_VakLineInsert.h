// The unit price dialog "단가 수정". The class keeps the name Tfm_VakLineInsert that the agency's
// program gave it, though it inserts no line: it edits the unit price of the current line.
#pragma once

#include <QDialog>

namespace vak {

class TNumberEdit;

class Tfm_VakLineInsert : public QDialog {
  Q_OBJECT

 public:
  explicit Tfm_VakLineInsert(QWidget* parent = nullptr);
  // The price shown and written back on "확인", and the flag set then.
  void classInit(long double* price, bool* accepted);
  TNumberEdit* PriceBox() const { return price_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  TNumberEdit* price_;
  long double* value_ = nullptr;
  bool* accepted_ = nullptr;
};

// The numeric box of the price dialogs: thousands separators, whole won, negative allowed.
TNumberEdit* MakePriceBox(const QString& name, QWidget* parent);

}  // namespace vak
