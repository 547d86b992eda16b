#include "common/NumEdit.h"

#include <QKeyEvent>
#include <QMessageBox>

#include "common/Numbers.h"

namespace vak {

TNumberEdit::TNumberEdit(QWidget* parent) : QLineEdit(parent) {
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  SetValue(0);
}

QString TNumberEdit::Formatted(long double value) const {
  std::string fixed;
  if (isComa_) {
    if (!FixedPointText(value, 60, digits_, fixed)) return QStringLiteral("0");
    const QString plain = QString::fromStdString(fixed).trimmed();
    // Thousands separators in the whole part.
    const int point = plain.indexOf(QLatin1Char('.'));
    const bool negative = plain.startsWith(QLatin1Char('-'));
    QString whole = plain.mid(negative ? 1 : 0, (point < 0 ? plain.size() : point) - (negative ? 1 : 0));
    for (int i = whole.size() - 3; i > 0; i -= 3) whole.insert(i, QLatin1Char(','));
    return (negative ? QStringLiteral("-") : QString()) + whole + (point < 0 ? QString() : plain.mid(point));
  }
  return QString::fromStdString(GeneralNumberText(value));
}

long double TNumberEdit::ParseText(const QString& text, bool* ok) {
  if (ok) *ok = true;
  QString kept;
  for (const QChar c : text) {
    if (c == QLatin1Char(',') || c == QLatin1Char(' ')) continue;
    if (!c.isDigit() && c != QLatin1Char('-') && c != QLatin1Char('.')) return 0;
    kept.append(c);
  }
  if (kept.isEmpty() || kept == QLatin1String("-") || kept == QLatin1String(".")) return 0;
  std::string s = kept.toStdString();
  if (!IsNumberText(s) || s.find('+') != std::string::npos) {
    if (ok) *ok = false;
    return 0;
  }
  return TextToNumber(s);
}

long double TNumberEdit::Value() const {
  const long double v = ParseText(text());
  if (v < min_) return min_;
  if (v > max_) return max_;
  return v;
}

void TNumberEdit::ShowError() const {
  if (errorMessage_ != QLatin1String("[No Text]")) QMessageBox::warning(nullptr, QStringLiteral("경고"), errorMessage_);
}

void TNumberEdit::SetValue(long double value) {
  if (value > max_) {
    ShowError();
    value = max_;
  } else if (value < min_) {
    ShowError();
    value = min_;
  }
  setText(Formatted(value));
}

void TNumberEdit::SetThousandsSeparators(bool on) {
  const long double v = Value();
  isComa_ = on;
  SetValue(v);
}

void TNumberEdit::SetDigits(int digits) {
  digits = std::clamp(digits, 0, 18);
  if (digits == digits_) return;
  const long double v = Value();
  digits_ = digits;
  SetValue(v);
}

void TNumberEdit::SetMin(long double min) {
  if (min == min_) return;
  const long double v = Value();
  if (min > max_) {
    QMessageBox::warning(nullptr, QStringLiteral("경고"), QStringLiteral("Min-Value has to be less than or equal to Max-Value !"));
    min = max_;
  }
  min_ = min;
  SetValue(v);
}

void TNumberEdit::SetMax(long double max) {
  if (max == max_) return;
  const long double v = Value();
  if (max < min_) {
    QMessageBox::warning(nullptr, QStringLiteral("경고"), QStringLiteral("Max-Value has to be greater than or equal to Min-Value !"));
    max = min_;
  }
  max_ = max;
  SetValue(v);
}

void TNumberEdit::SnapTo(long double limit) {
  setText(Formatted(limit));
  selectAll();
}

void TNumberEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    focusNextPrevChild(true);  // Enter moves on and inserts nothing
    return;
  }
  const QString typed = event->text();
  if (typed.size() != 1 || typed.at(0).unicode() < 0x20 || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    QLineEdit::keyPressEvent(event);  // editing and movement keys pass on unchanged
    return;
  }
  const QChar c = typed.at(0);
  if (!c.isDigit() && c != decimal_ && c != QLatin1Char('-')) return;
  QString rest = text();
  int at = cursorPosition();
  if (hasSelectedText()) {
    at = selectionStart();
    rest.remove(at, selectedText().size());
  }
  QString result = rest;
  result.insert(at, c);
  if (c == decimal_ && (rest.contains(decimal_) || digits_ == 0)) return;
  if (c == QLatin1Char('-') && (rest.contains(QLatin1Char('-')) || min_ >= 0)) return;
  const int point = result.indexOf(decimal_);
  if (point >= 0 && result.size() - point - 1 > digits_) return;
  if (c == QLatin1Char('-') && result.indexOf(QLatin1Char('-')) != 0) return;
  if (result == QLatin1String("-")) {
    setText(QStringLiteral("-0"));
    setSelection(1, 1);
    return;
  }
  if (result == QString(decimal_)) {
    setText(QStringLiteral("0") + decimal_ + QStringLiteral("0"));
    setSelection(2, 1);
    return;
  }
  bool ok = true;
  const long double v = ParseText(result, &ok);
  if (!ok) {
    ShowError();
    SnapTo(min_);
    return;
  }
  if (v < min_) {
    ShowError();
    SnapTo(min_);
    return;
  }
  if (v > max_) {
    ShowError();
    SnapTo(max_);
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void TNumberEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  setText(Formatted(Value()));
  selectAll();
}

void TNumberEdit::focusOutEvent(QFocusEvent* event) {
  setText(Formatted(Value()));
  QLineEdit::focusOutEvent(event);
}

TNumberEdit* MakeWholeNumberBox(const QString& name, long double min, long double max, long double value, int width,
                                QWidget* parent) {
  auto* e = new TNumberEdit(parent);
  e->setObjectName(name);
  e->SetThousandsSeparators(false);
  e->SetMin(min);
  e->SetMax(max);
  e->SetValue(value);
  e->setFixedWidth(width);
  return e;
}

}  // namespace vak
