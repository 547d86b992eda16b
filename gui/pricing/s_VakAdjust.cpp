#include "gui/pricing/s_VakAdjust.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "common/Numbers.h"
#include "common/UserNotifier.h"
#include "gui/common/DialogKeys.h"
#include "gui/common/NumEdit.h"
#include "gui/pricing/s_VakLineInsert.h"
#include "pricing/AmountAdjustment.h"

namespace vak {

TFm_VakAdjust::TFm_VakAdjust(long long currentAmount, UserNotifier& notifier, QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, QStringLiteral("fm_VakAdjust"), QStringLiteral("금액 맞추기"));
  box_ = MakePriceBox(QStringLiteral("C_NED_Target"), this);
  box_->SetMin(0);
  box_->SetNotifier(&notifier);
  box_->SetValue(static_cast<long double>(currentAmount));
  auto* current = new QLabel(QString::fromStdString(AmountText(static_cast<long double>(currentAmount)) + "원"), this);
  current->setObjectName(QStringLiteral("C_Lbl_Current"));
  current->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* ok = new QPushButton(QStringLiteral("확인"), this);
  ok->setObjectName(QStringLiteral("C_Bbt_Ok"));
  auto* cancel = new QPushButton(QStringLiteral("취소"), this);
  cancel->setObjectName(QStringLiteral("C_Bbt_Cancel"));
  auto* note = new QLabel(QStringLiteral("단가를 입력한 항목의 단가에 같은 비율을 곱해 총입찰금액을 목표 금액에 "
                                         "맞춥니다.\n단가고정, 단가 없는 항목, 음수 단가는 그대로 둡니다."),
                          this);
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("모든 공사를 계산한\n현재 총입찰금액:"), this), 0, 0);
  grid->addWidget(current, 0, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("목표 금액:"), this), 1, 0);
  grid->addWidget(box_, 1, 1, 1, 2);
  grid->addWidget(note, 2, 0, 1, 3);
  grid->addWidget(ok, 3, 1);
  grid->addWidget(cancel, 3, 2);
  connect(ok, &QPushButton::clicked, this, [this, &notifier] {
    std::string problem = box_->HasFraction() ? "목표 금액은 원 단위로 입력하십시오."
                                              : TargetAmountProblem(static_cast<long long>(box_->Value()));
    if (!problem.empty()) {
      notifier.Message(problem, "경고", MessageIcon::Warning, MessageButtons::Ok);
      box_->setFocus();
      box_->selectAll();
      return;
    }
    target_ = static_cast<long long>(box_->Value());
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  InstallDialogKeys(this);
  box_->setFocus();
  box_->selectAll();
}

}  // namespace vak
