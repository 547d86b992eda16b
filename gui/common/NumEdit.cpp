#include "gui/common/NumEdit.h"

#include <algorithm>

#include <QKeyEvent>

#include "common/Numbers.h"
#include "gui/common/FieldRefusal.h"

namespace vak {

namespace {
// The most decimals a whole-won box takes while typing: enough to hold any fraction meant.
constexpr int kTypedFractionDigits = 6;
}  // namespace

TNumberEdit::TNumberEdit(QWidget* parent) : QLineEdit(parent) {
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  SetValue(0);
  connect(this, &QLineEdit::textChanged, this, [this](const QString& t) {
    if (ProblemWith(t).isEmpty()) lastGood_ = t;
  });
  connect(this, &QLineEdit::textEdited, this, &TNumberEdit::RefuseEditIfBad);
}

QString TNumberEdit::Formatted(long double value) const { return FormattedWith(value, digits_); }

QString TNumberEdit::FormattedWith(long double value, int decimals) const {
  std::string fixed;
  if (isComa_) {
    if (!FixedPointText(value, 60, decimals, fixed)) return QStringLiteral("0");
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

// A form's own text for a value beyond the limits, said under the box as every refusal is.
void TNumberEdit::ShowError() {
  if (errorMessage_ != QLatin1String("[No Text]")) ShowRefusal(this, errorMessage_, notifier_);
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
  Q_ASSERT_X(min <= max_, "TNumberEdit::SetMin", "a minimum above the maximum");  // a form's own mistake
  min = std::min(min, max_);
  min_ = min;
  SetValue(v);
}

void TNumberEdit::SetMax(long double max) {
  if (max == max_) return;
  const long double v = Value();
  Q_ASSERT_X(max >= min_, "TNumberEdit::SetMax", "a maximum below the minimum");  // a form's own mistake
  max = std::max(max, min_);
  max_ = max;
  SetValue(v);
}

int TNumberEdit::DecimalsAllowed() const {
  return takesTypedFraction_ ? std::max(digits_, kTypedFractionDigits) : digits_;
}

int TNumberEdit::TypedDecimals() const {
  const QString t = text();
  const int point = t.indexOf(decimal_);
  return point < 0 ? 0 : int(t.size()) - point - 1;
}

bool TNumberEdit::HasFraction() const {
  const QString t = text();
  const int point = t.indexOf(decimal_);
  if (point < 0) return false;
  for (const QChar c : t.mid(point + 1 + digits_))
    if (c != QLatin1Char('0') && c != QLatin1Char(' ')) return true;
  return false;
}

// The text for a value: a fraction typed beyond the box's decimals stays visible.
QString TNumberEdit::Shown(long double value) const {
  return FormattedWith(value, std::max(digits_, std::min(TypedDecimals(), DecimalsAllowed())));
}

QString TNumberEdit::ProblemWith(const QString& result, bool* outOfLimits) const {
  if (outOfLimits) *outOfLimits = false;
  QString kept;
  for (const QChar c : result) {
    if (c == QLatin1Char(',') || c == QLatin1Char(' ')) continue;
    const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!digit && c != QLatin1Char('-') && c != decimal_) return QStringLiteral("숫자만 입력할 수 있습니다.");
    kept.append(c);
  }
  const int minus = kept.indexOf(QLatin1Char('-'));
  if (minus >= 0 && min_ >= 0) return QStringLiteral("음수는 입력할 수 없습니다.");
  if (kept.count(QLatin1Char('-')) > 1 || minus > 0) return QStringLiteral("'-'는 맨 앞에 한 번만 입력할 수 있습니다.");
  const int point = kept.indexOf(decimal_);
  if (point >= 0 && DecimalsAllowed() == 0) return QStringLiteral("소수점 아래는 입력할 수 없습니다.");
  if (kept.count(decimal_) > 1) return QStringLiteral("소수점은 한 번만 입력할 수 있습니다.");
  if (point >= 0 && kept.size() - point - 1 > DecimalsAllowed())
    return QStringLiteral("소수점 아래 %1자리까지 입력할 수 있습니다.").arg(DecimalsAllowed());
  if (kept.isEmpty() || kept == QLatin1String("-") || kept == QString(decimal_)) return {};  // still being typed
  bool ok = true;
  long double v = ParseText(kept, &ok);
  if (!ok) return QStringLiteral("숫자로 읽을 수 없습니다.");
  // A whole part of more digits than any limit has (a long paste) is beyond the limits, never
  // the 0 an overflowing read would give.
  QString whole = (point < 0 ? kept : kept.left(point)).remove(QLatin1Char('-'));
  while (whole.startsWith(QLatin1Char('0'))) whole.remove(0, 1);
  if (whole.size() > 15) v = minus >= 0 ? min_ - 1 : max_ + 1;
  if (outOfLimits) *outOfLimits = v > max_ || v < min_;
  if (v > max_) return QStringLiteral("%1 이하만 입력할 수 있습니다.").arg(Formatted(max_));
  if (v < min_) return QStringLiteral("%1 이상만 입력할 수 있습니다.").arg(Formatted(min_));
  return {};
}

void TNumberEdit::Refuse(const QString& why) {
  lastRefusal_ = why;
  ShowRefusal(this, why, notifier_);
  emit Refused(why);
}

void TNumberEdit::RefuseEditIfBad(const QString& edited) {
  const QString problem = ProblemWith(edited);
  if (problem.isEmpty()) {
    lastRefusal_.clear();
    return;
  }
  setText(lastGood_);  // a paste or a drop that would not have been typed
  Refuse(problem);
}

void TNumberEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    focusNextPrevChild(true);  // Enter moves on and inserts nothing
    return;
  }
  const QString typed = event->text();
  if (typed.size() != 1 || typed.at(0).unicode() < 0x20 ||
      (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    QLineEdit::keyPressEvent(event);  // editing and movement keys pass on; pastes are checked as edits
    return;
  }
  const QChar c = typed.at(0);
  QString result = text();
  int at = cursorPosition();
  if (hasSelectedText()) {
    at = selectionStart();
    result.remove(at, selectedText().size());
  }
  result.insert(at, c);
  bool outOfLimits = false;
  const QString problem = ProblemWith(result, &outOfLimits);
  if (!problem.isEmpty()) {
    if (outOfLimits) ShowError();
    Refuse(problem);
    return;
  }
  lastRefusal_.clear();
  HideRefusal();
  if (result == QLatin1String("-")) {  // the next digit replaces the selected zero
    setText(QStringLiteral("-0"));
    setSelection(1, 1);
    return;
  }
  if (result == QString(decimal_)) {
    setText(QStringLiteral("0") + decimal_ + QStringLiteral("0"));
    setSelection(2, 1);
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void TNumberEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  setText(Shown(Value()));
  selectAll();
}

void TNumberEdit::focusOutEvent(QFocusEvent* event) {
  setText(Shown(Value()));
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
