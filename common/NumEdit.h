// TNumberEdit: the numeric entry box of every dialog. It takes only keystrokes that leave a
// valid number within its limits and decimals, shows the number right-aligned with thousands
// separators, snaps to the nearest limit when typing goes past it, and moves the focus on
// with Enter.
#pragma once

#include <QLineEdit>

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

  QString Formatted(long double value) const;
  // The number a text stands for: separators and blanks skipped; anything else reads as 0.
  static long double ParseText(const QString& text, bool* ok = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ShowError() const;
  void SnapTo(long double limit);

  bool isComa_ = true;
  int digits_ = 0;
  long double min_ = 0;
  long double max_ = 999999999999.0L;
  QString errorMessage_ = QStringLiteral("[No Text]");
  QString formatStr_ = QStringLiteral("%12.0n");
  QChar decimal_ = QLatin1Char('.');
};

// A box for a whole number without separators: the page and margin fields of the report
// windows.
TNumberEdit* MakeWholeNumberBox(const QString& name, long double min, long double max, long double value, int width,
                                QWidget* parent);

}  // namespace vak
