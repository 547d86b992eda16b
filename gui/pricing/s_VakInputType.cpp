#include "gui/pricing/s_VakInputType.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/common/DialogKeys.h"

namespace vak {

Tfm_VakInputType::Tfm_VakInputType(QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, QStringLiteral("fm_VakInputType"), QStringLiteral("입력형식"));
  single_ = new QRadioButton(QStringLiteral("단가"), this);
  single_->setObjectName(QStringLiteral("rb_pric"));
  split_ = new QRadioButton(QStringLiteral("재/노/경"), this);
  split_->setObjectName(QStringLiteral("rb_lme"));
  auto* ok = new QPushButton(QStringLiteral("확인"), this);
  ok->setObjectName(QStringLiteral("C_Bbt_Ok"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("취소"), this);
  cancel->setObjectName(QStringLiteral("C_Bbt_Cancel"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(single_);
  layout->addWidget(split_);
  auto* buttons = new QHBoxLayout();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, [this] {
    if (splitMode_) *splitMode_ = split_->isChecked();
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void Tfm_VakInputType::classInit(bool* splitMode) {
  splitMode_ = splitMode;
  (splitMode && *splitMode ? split_ : single_)->setChecked(true);
}

}  // namespace vak
