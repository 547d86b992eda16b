#include "app/S_VakJungBo.h"

#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/CodePage.h"
#include "common/DialogKeys.h"
#include "common/NumEdit.h"
#include "common/Numbers.h"
#include "common/Text.h"

namespace vak {

QValidator::State Cp949LengthValidator::validate(QString& input, int&) const {
  const std::optional<std::string> bytes = Utf8ToCp949(input.toStdString());
  if (!bytes) return Invalid;
  return static_cast<int>(bytes->size()) <= bytes_ ? Acceptable : Invalid;
}

QLineEdit* TFM_VakJungBo::Edit(const char* name, int bytes, bool editable) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setValidator(new Cp949LengthValidator(bytes, edit));
  edit->setEnabled(editable);
  return edit;
}

TFM_VakJungBo::TFM_VakJungBo(const std::string& dataDir, UserNotifier& notifier, QWidget* parent)
    : QDialog(parent), dataDir_(dataDir), notifier_(notifier), header_(LoadProjectHeader(dataDir)) {
  SetUpDialog(this, QStringLiteral("FM_VakJungBo"), QStringLiteral("공사정보"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout();
  des_ = Edit("C_EDT_DES", 50, true);
  mtno_ = Edit("C_EDT_MTNO", 10, true);
  cdno_ = Edit("C_EDT_CDNO", 10, true);
  comp_ = Edit("C_EDT_COMP", 20, true);
  name_ = Edit("C_EDT_Name", 30, true);
  cona_ = Edit("C_EDT_CONA", 10, true);
  ipmt_ = new TNumberEdit(this);
  ipmt_->setObjectName(QStringLiteral("C_NED_IPMT"));
  ipmt_->SetMin(-999999999999.0001L);
  ipmt_->SetMax(999999999999.0L);
  ipmt_->setEnabled(false);  // written by the calculation, only shown here
  auth_ = Edit("C_EDT_AUTH", 30, false);
  tel_ = Edit("C_EDT_Tel", 30, false);
  form->addRow(QStringLiteral("공 사 명:"), des_);
  form->addRow(QStringLiteral("관리번호:"), mtno_);
  form->addRow(QStringLiteral("코드번호:"), cdno_);
  form->addRow(QStringLiteral("회 사 명:"), comp_);
  form->addRow(QStringLiteral("담 당 자:"), name_);
  form->addRow(QStringLiteral("대 표 자:"), cona_);
  form->addRow(QStringLiteral("입찰총액"), ipmt_);
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  form->addRow(line);
  form->addRow(QStringLiteral("수요기관:"), auth_);
  form->addRow(QStringLiteral("연 락 처:"), tel_);
  layout->addLayout(form);
  const auto [ok, cancel] = AddOkCancel(this, layout, QStringLiteral("C_Bbt_Ok"), QStringLiteral("C_Bbt_Cancel"));
  QWidget::setTabOrder(des_, mtno_);
  QWidget::setTabOrder(mtno_, cdno_);
  QWidget::setTabOrder(cdno_, comp_);
  QWidget::setTabOrder(comp_, name_);
  QWidget::setTabOrder(name_, cona_);
  QWidget::setTabOrder(cona_, ok);
  QWidget::setTabOrder(ok, cancel);
  connect(ok, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  InstallDialogKeys(this);

  // Shown trimmed; an amount that is missing or not a number shows 0.
  const HeaderValues& v = header_.values;
  auto show = [](QLineEdit* edit, const std::string& value) {
    edit->setText(QString::fromStdString(Cp949ToUtf8(TrimmedText(value))));
  };
  show(des_, v[kCmnDesc]);
  show(mtno_, v[kCmnMtno]);
  show(cdno_, v[kCmnCdno]);
  show(comp_, v[kCmnComp]);
  show(cona_, v[kCmnCona]);
  show(auth_, v[kCmnAuth]);
  show(name_, v[kCmnName]);
  show(tel_, v[kCmnTel]);
  std::string amount = TrimmedText(v[kCmnIpmt]);
  ipmt_->SetValue(IsNumberText(amount) ? TextToNumber(amount) : 0);
  des_->setFocus();
  if (!header_.Whole()) notifier_.Message(HeaderProblemText(header_), "경고", MessageIcon::Warning, MessageButtons::Ok);
}

void TFM_VakJungBo::Confirm() {
  HeaderValues values;
  const std::pair<int, QLineEdit*> texts[] = {{kCmnAuth, auth_}, {kCmnCdno, cdno_}, {kCmnComp, comp_}, {kCmnCona, cona_},
                                              {kCmnDesc, des_},  {kCmnMtno, mtno_}, {kCmnName, name_}, {kCmnTel, tel_}};
  for (const auto& [index, edit] : texts) {
    const std::optional<std::string> bytes = Utf8ToCp949(edit->text().toStdString());
    if (!bytes) {  // a text pasted past the validator
      notifier_.Message(edit->text().toStdString() + "\n한글 코드(CP949)로 나타낼 수 없는 글자가 있어 저장할 수 없습니다.",
                        "경고", MessageIcon::Warning, MessageButtons::Ok);
      edit->setFocus();
      return;
    }
    values[static_cast<size_t>(index)] = *bytes;  // as typed, blanks kept
  }
  values[kCmnIpmt] = GeneralNumberText(ipmt_->Value());
  values[kCmnMaxd] = "0";
  values[kCmnMrg] = "0";
  values[kCmnPrt] = "0";
  values[kCmnTop] = "0";
  values[kCmnType] = header_.values[kCmnType];
  values[kCmnWrit] = "";
  if (!SaveOverReadHeader(dataDir_, header_, values, notifier_)) return;  // the dialog stays open
  savedDescription_ = des_->text();
  savedCompany_ = comp_->text();
  accept();
}

}  // namespace vak
