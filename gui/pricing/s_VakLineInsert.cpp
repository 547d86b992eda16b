#include "gui/pricing/s_VakLineInsert.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "common/Numbers.h"
#include "common/UserNotifier.h"
#include "gui/common/DialogKeys.h"
#include "gui/common/NumEdit.h"

namespace vak {

TNumberEdit* MakePriceBox(const QString& name, QWidget* parent) {
  auto* box = new TNumberEdit(parent);
  box->setObjectName(name);
  box->SetThousandsSeparators(true);
  box->SetDigits(0);
  box->SetFormatStr(QStringLiteral("%12.0n"));
  box->SetMin(kLowestPriceEntry);
  box->SetMax(kAmountLimit);
  box->SetValue(0);
  box->setMinimumWidth(160);
  box->SetTakesTypedFraction(true);
  return box;
}

bool PricesInWholeWon(std::initializer_list<TNumberEdit*> boxes, UserNotifier& notifier) {
  for (TNumberEdit* box : boxes) {
    if (!box->HasFraction()) continue;
    notifier.Message("단가는 원 단위로 입력하십시오.", "경고", MessageIcon::Warning, MessageButtons::Ok);
    box->setFocus();
    box->selectAll();
    return false;
  }
  return true;
}

PriceDialogParts::PriceDialogParts(QDialog* dialog, QGridLayout* grid, int columns) {
  line_ = new QLabel(dialog);
  line_->setObjectName(QStringLiteral("C_Lbl_Line"));
  line_->setTextFormat(Qt::PlainText);
  line_->setWordWrap(true);
  line_->setVisible(false);
  grid->addWidget(line_, 0, 0, 1, columns);
  same_ = new QPushButton(dialog);
  same_->setObjectName(QStringLiteral("C_Bbt_Same"));
  same_->setVisible(false);
}

namespace {

// Ctrl+Enter in a price box: the box's own Enter moves on, so the key is taken before it.
class SameItemsKey : public QObject {
 public:
  SameItemsKey(QPushButton* button, QObject* parent) : QObject(parent), button_(button) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && (key->modifiers() & Qt::ControlModifier) &&
          !button_->isHidden()) {
        button_->click();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QPushButton* button_;
};

}  // namespace

void PriceDialogParts::WatchBox(QWidget* box) { box->installEventFilter(new SameItemsKey(same_, box)); }

void PriceDialogParts::Show(const PricedLine& line) {
  QString text = line.name;
  if (!line.spec.isEmpty()) text += QStringLiteral("  ") + line.spec;
  text += QStringLiteral("\n수량 %1 %2").arg(QString::fromStdString(FormatNumber(line.quantity, 0, 0)), line.unit);
  line_->setText(text);
  line_->setVisible(true);
  same_->setText(QStringLiteral("동일 품목 %1개에도(&A)").arg(line.identical));
  same_->setToolTip(QStringLiteral("공종명·규격·단위가 같은 다른 항목 %1개에도 같은 단가를 넣습니다 (Ctrl+Enter)")
                        .arg(line.identical));
  same_->setVisible(line.identical > 0);
}

Tfm_VakLineInsert::Tfm_VakLineInsert(UserNotifier& notifier, QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, QStringLiteral("fm_VakLineInsert"), QStringLiteral("단가 수정"));
  price_ = MakePriceBox(QStringLiteral("C_NED_PRIC"), this);
  price_->SetNotifier(&notifier);
  auto* ok = new QPushButton(QStringLiteral("확인"), this);
  ok->setObjectName(QStringLiteral("C_Bbt_Ok"));
  auto* cancel = new QPushButton(QStringLiteral("취소"), this);
  cancel->setObjectName(QStringLiteral("C_Bbt_Cancel"));
  auto* grid = new QGridLayout(this);
  parts_ = std::make_unique<PriceDialogParts>(this, grid, 3);
  grid->addWidget(new QLabel(QStringLiteral("단  가:"), this), 1, 0);
  grid->addWidget(price_, 1, 1, 1, 2);
  grid->addWidget(parts_->SameItemsButton(), 2, 0);
  grid->addWidget(ok, 2, 1);
  grid->addWidget(cancel, 2, 2);
  auto confirm = [this, &notifier](bool toSameItems) {
    if (!PricesInWholeWon({price_}, notifier)) return;
    if (value_) *value_ = price_->Value();
    if (accepted_) *accepted_ = true;
    parts_->SetToSameItems(toSameItems);
    accept();
  };
  connect(ok, &QPushButton::clicked, this, [confirm] { confirm(false); });
  connect(parts_->SameItemsButton(), &QPushButton::clicked, this, [confirm] { confirm(true); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  InstallDialogKeys(this);
  parts_->WatchBox(price_);
}

void Tfm_VakLineInsert::classInit(long double* price, bool* accepted) {
  value_ = price;
  accepted_ = accepted;
  if (price) price_->SetValue(*price);
}

void Tfm_VakLineInsert::showEvent(QShowEvent* event) {
  if (accepted_ && !*accepted_) setWindowTitle(QStringLiteral("단가 수정"));
  if (accepted_) *accepted_ = false;
  QDialog::showEvent(event);
  price_->setFocus();
}

}  // namespace vak
