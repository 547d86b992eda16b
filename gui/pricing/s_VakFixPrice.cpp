#include "gui/pricing/s_VakFixPrice.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "common/Numbers.h"
#include "gui/common/DialogKeys.h"
#include "gui/common/NumEdit.h"
#include "gui/pricing/s_VakLineInsert.h"

namespace vak {

Tfm_VakFixPrice::Tfm_VakFixPrice(UserNotifier& notifier, QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, QStringLiteral("fm_VakFixPrice"), QStringLiteral("단가(재/노/경) 수정"));
  ma_ = MakePriceBox(QStringLiteral("C_NED_ma"), this);
  la_ = MakePriceBox(QStringLiteral("C_NED_La"), this);
  eq_ = MakePriceBox(QStringLiteral("C_NED_Eq"), this);
  for (TNumberEdit* box : {ma_, la_, eq_}) box->SetNotifier(&notifier);
  auto* ok = new QPushButton(QStringLiteral("확인"), this);
  ok->setObjectName(QStringLiteral("C_Bbt_Ok"));
  auto* cancel = new QPushButton(QStringLiteral("취소"), this);
  cancel->setObjectName(QStringLiteral("C_Bbt_Cancel"));
  auto* grid = new QGridLayout(this);
  parts_ = std::make_unique<PriceDialogParts>(this, grid, 3);
  grid->addWidget(new QLabel(QStringLiteral("재료비:"), this), 1, 0);
  grid->addWidget(ma_, 1, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("노무비:"), this), 2, 0);
  grid->addWidget(la_, 2, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("경  비:"), this), 3, 0);
  grid->addWidget(eq_, 3, 1, 1, 2);
  sum_ = new QLabel(this);
  sum_->setObjectName(QStringLiteral("C_Lbl_Sum"));
  grid->addWidget(sum_, 4, 0, 1, 3);
  grid->addWidget(parts_->SameItemsButton(), 5, 0);
  grid->addWidget(ok, 5, 1);
  grid->addWidget(cancel, 5, 2);
  setTabOrder(ma_, la_);
  setTabOrder(la_, eq_);
  setTabOrder(eq_, ok);
  setTabOrder(ok, cancel);
  for (TNumberEdit* box : {ma_, la_, eq_}) connect(box, &QLineEdit::textChanged, this, [this] { ShowSum(); });
  auto confirm = [this, &notifier](bool toSameItems) {
    if (!PricesInWholeWon({ma_, la_, eq_}, notifier)) return;
    if (material_) *material_ = ma_->Value();
    if (labour_) *labour_ = la_->Value();
    if (expense_) *expense_ = eq_->Value();
    if (accepted_) *accepted_ = true;
    parts_->SetToSameItems(toSameItems);
    accept();
  };
  connect(ok, &QPushButton::clicked, this, [confirm] { confirm(false); });
  connect(parts_->SameItemsButton(), &QPushButton::clicked, this, [confirm] { confirm(true); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  InstallDialogKeys(this);
  for (TNumberEdit* box : {ma_, la_, eq_}) parts_->WatchBox(box);
}

void Tfm_VakFixPrice::classInit(long double* material, long double* labour, long double* expense, bool* accepted) {
  material_ = material;
  labour_ = labour;
  expense_ = expense;
  accepted_ = accepted;
  if (material) ma_->SetValue(*material);
  if (labour) la_->SetValue(*labour);
  if (expense) eq_->SetValue(*expense);
}

void Tfm_VakFixPrice::ShowLine(const PricedLine& line) {
  parts_->Show(line);
  quantity_ = line.quantity;
  lineShown_ = true;
  ShowSum();
}

// As typed: the amount is what the entry will write, each product cut to whole won.
void Tfm_VakFixPrice::ShowSum() {
  const long double ma = TNumberEdit::ParseText(ma_->text()), la = TNumberEdit::ParseText(la_->text()),
                    eq = TNumberEdit::ParseText(eq_->text());
  QString text = QStringLiteral("합계 단가 %1원").arg(QString::fromStdString(FormatNumber(ma + la + eq, 0, 0)));
  if (lineShown_)
    text += QStringLiteral("   금액 %1원")
                .arg(QString::fromStdString(
                    FormatNumber(TruncDecimals(quantity_ * ma + quantity_ * la + quantity_ * eq, 0), 0, 0)));
  sum_->setText(text);
}

void Tfm_VakFixPrice::showEvent(QShowEvent* event) {
  if (accepted_ && !*accepted_) setWindowTitle(QStringLiteral("단가(재/노/경) 수정"));
  if (accepted_) *accepted_ = false;
  QDialog::showEvent(event);
  ma_->setFocus();
}

}  // namespace vak
