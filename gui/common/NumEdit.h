// TNumberEdit: the numeric entry box of every dialog. It takes only keystrokes that leave a
// valid number within its limits and decimals, shows the number right-aligned with thousands
// separators, and moves the focus on with Enter. A keystroke it refuses leaves the text as it
// was, beeps and says why just under the box: a typed figure is never silently turned into
// another one.
#pragma once

#include <QLineEdit>

#include "common/Numbers.h"
#include "common/UserNotifier.h"

namespace vak {

class TNumberEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit TNumberEdit(QWidget* parent = nullptr);

  // Shown with thousands separators ("1,234"); otherwise in the general form ("1234").
  bool ThousandsSeparators() const { return isComa_; }
  void SetThousandsSeparators(bool on);
  int Digits() const { return digits_; }
  void SetDigits(int digits);
  long double Value() const;
  void SetValue(long double value);
  long double Min() const { return min_; }
  void SetMin(long double min);
  long double Max() const { return max_; }
  void SetMax(long double max);
  QString ErrorMessage() const { return errorMessage_; }
  void SetErrorMessage(const QString& text) { errorMessage_ = text; }
  QString FormatStr() const { return formatStr_; }
  void SetFormatStr(const QString& text) { formatStr_ = text; }

  // A whole-won box that still takes a typed fraction ("1234.5"), so that the dialog can refuse
  // it when it is confirmed instead of the box dropping the point and keeping the digits.
  void SetTakesTypedFraction(bool on) { takesTypedFraction_ = on; }
  // The text holds a number with a part below the unit that the box's decimals do not show.
  bool HasFraction() const;
  // The notifier a refused key beeps through (the application's beep without one).
  void SetNotifier(UserNotifier* notifier) { notifier_ = notifier; }
  // Why the last keystroke was refused; empty when none was.
  QString LastRefusal() const { return lastRefusal_; }

  QString Formatted(long double value) const;
  // The number a text stands for: separators and blanks skipped; anything else reads as 0.
  static long double ParseText(const QString& text, bool* ok = nullptr);

 signals:
  void Refused(const QString& why);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ShowError();
  void Refuse(const QString& why);
  // Why `result` may not stand in the box after typing or pasting; empty when it may.
  QString ProblemWith(const QString& result, bool* outOfLimits = nullptr) const;
  void RefuseEditIfBad(const QString& edited);
  QString FormattedWith(long double value, int decimals) const;
  int DecimalsAllowed() const;
  int TypedDecimals() const;
  QString Shown(long double value) const;

  bool isComa_ = true;
  int digits_ = 0;
  long double min_ = 0;
  long double max_ = kAmountLimit;
  QString errorMessage_ = QStringLiteral("[No Text]");
  QString formatStr_ = QStringLiteral("%12.0n");
  QChar decimal_ = QLatin1Char('.');
  bool takesTypedFraction_ = false;
  QString lastRefusal_;
  UserNotifier* notifier_ = nullptr;
  QString lastGood_;
};

// A box for a whole number without separators: the page and margin fields of the report
// windows.
TNumberEdit* MakeWholeNumberBox(const QString& name, long double min, long double max, long double value, int width,
                                QWidget* parent);

}  // namespace vak
