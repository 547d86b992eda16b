#include "gui/pricing/s_VakLineInsert.h"

#include <QGridLayout>
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

Tfm_VakLineInsert::Tfm_VakLineInsert(UserNotifier& notifier, QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, QStringLiteral("fm_VakLineInsert"), QStringLiteral("단가 수정"));
  price_ = MakePriceBox(QStringLiteral("C_NED_PRIC"), this);
  price_->SetNotifier(&notifier);
  auto* ok = new QPushButton(QStringLiteral("확인"), this);
  ok->setObjectName(QStringLiteral("C_Bbt_Ok"));
  auto* cancel = new QPushButton(QStringLiteral("취소"), this);
  cancel->setObjectName(QStringLiteral("C_Bbt_Cancel"));
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("단  가:"), this), 0, 0);
  grid->addWidget(price_, 0, 1, 1, 2);
  grid->addWidget(ok, 1, 1);
  grid->addWidget(cancel, 1, 2);
  connect(ok, &QPushButton::clicked, this, [this, &notifier] {
    if (!PricesInWholeWon({price_}, notifier)) return;
    if (value_) *value_ = price_->Value();
    if (accepted_) *accepted_ = true;
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  InstallDialogKeys(this);
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
