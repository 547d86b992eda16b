// The unit price dialog "단가 수정". The class keeps the name Tfm_VakLineInsert that the agency's
// program gave it, though it inserts no line: it edits the unit price of the current line.
#pragma once

#include <QDialog>
#include <QString>

#include <initializer_list>
#include <memory>

class QGridLayout;
class QLabel;
class QPushButton;

namespace vak {

class TNumberEdit;
class UserNotifier;

// The line a price dialog prices, named at the top of the dialog.
struct PricedLine {
  QString name, spec, unit;
  long double quantity = 0;
  int identical = 0;  // other free items with the same work name, specification and unit
};

// What the price dialogs share: the line named above the boxes, and the button that gives the
// price to the identical items too (Alt+A or Ctrl+Enter, shown only when there are some).
class PriceDialogParts {
 public:
  PriceDialogParts(QDialog* dialog, QGridLayout* grid, int columns);
  // Ctrl+Enter in `box` confirms with the button for the identical items.
  void WatchBox(QWidget* box);
  void Show(const PricedLine& line);
  QPushButton* SameItemsButton() const { return same_; }
  bool ToSameItems() const { return toSameItems_; }
  void SetToSameItems(bool on) { toSameItems_ = on; }

 private:
  QLabel* line_;
  QPushButton* same_;
  bool toSameItems_ = false;
};

class Tfm_VakLineInsert : public QDialog {
  Q_OBJECT

 public:
  // The notifier says why a confirmed price is refused.
  Tfm_VakLineInsert(UserNotifier& notifier, QWidget* parent = nullptr);
  // The price shown and written back on "확인", and the flag set then.
  void classInit(long double* price, bool* accepted);
  void ShowLine(const PricedLine& line) { parts_->Show(line); }
  // Confirmed with the button for the identical items.
  bool ToSameItems() const { return parts_->ToSameItems(); }
  TNumberEdit* PriceBox() const { return price_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  TNumberEdit* price_;
  std::unique_ptr<PriceDialogParts> parts_;
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
