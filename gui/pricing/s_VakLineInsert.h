// The unit price dialog "단가 수정". The class keeps the name Tfm_VakLineInsert that the agency's
// program gave it, though it inserts no line: it edits the unit price of the current line.
#pragma once

#include <QDialog>

#include <initializer_list>

namespace vak {

class TNumberEdit;
class UserNotifier;

class Tfm_VakLineInsert : public QDialog {
  Q_OBJECT

 public:
  // The notifier says why a confirmed price is refused.
  Tfm_VakLineInsert(UserNotifier& notifier, QWidget* parent = nullptr);
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

// The numeric box of the price dialogs: thousands separators, whole won, negative allowed; a
// typed fraction stays in the box so that confirming can refuse it.
TNumberEdit* MakePriceBox(const QString& name, QWidget* parent);

// Whether every price box holds whole won; otherwise the user is told and the first box with
// a fraction takes the focus, so nothing is saved that differs from what was typed.
bool PricesInWholeWon(std::initializer_list<TNumberEdit*> boxes, UserNotifier& notifier);

}  // namespace vak
