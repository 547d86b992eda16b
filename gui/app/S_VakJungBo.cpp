#include "gui/app/S_VakJungBo.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "common/CodePage.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "gui/common/DialogKeys.h"
#include "gui/common/FieldRefusal.h"
#include "gui/common/NumEdit.h"

namespace vak {

namespace {

constexpr int kDescriptionBytes = 50;

// One character's bytes in code page 949; 0 when it has no form there.
int CharBytes(char32_t c) {
  const std::optional<std::string> bytes = Utf8ToCp949(QString::fromUcs4(&c, 1).toStdString());
  return bytes ? static_cast<int>(bytes->size()) : 0;
}

// The first character of `text` without a code page 949 form; empty when there is none.
QString FirstWithoutCodePage(const QString& text) {
  if (Utf8ToCp949(text.toStdString())) return {};
  for (const char32_t c : text.toUcs4())
    if (CharBytes(c) == 0) return QString::fromUcs4(&c, 1);
  return {};
}

}  // namespace

int Cp949Width(const QString& text) {
  if (const std::optional<std::string> bytes = Utf8ToCp949(text.toStdString())) return static_cast<int>(bytes->size());
  int width = 0;
  for (const char32_t c : text.toUcs4()) width += std::max(CharBytes(c), 2);
  return width;
}

TByteLimitEdit::TByteLimitEdit(int limit, UserNotifier& notifier, QWidget* parent)
    : QLineEdit(parent), limit_(limit), notifier_(notifier), counter_(new QLabel(parent)) {
  counter_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  counter_->setMinimumWidth(counter_->fontMetrics().horizontalAdvance(QStringLiteral("%1/%1").arg(limit)));
  counter_->setToolTip(QStringLiteral("사용한 바이트 / 최대 바이트 (한글 한 자는 2바이트)"));
  // An edit's textEdited comes before its textChanged: a refused edit is gone before it counts.
  connect(this, &QLineEdit::textEdited, this, &TByteLimitEdit::RefuseEditIfBad);
  connect(this, &QLineEdit::textChanged, this, &TByteLimitEdit::TextNowShown);
  TextNowShown();
}

// Reads the box rather than the signal's text: after a refusal the signal still carries the
// edit that was taken back.
void TByteLimitEdit::TextNowShown() {
  lastGood_ = text();
  counter_->setText(QStringLiteral("%1/%2").arg(Cp949Width(lastGood_)).arg(limit_));
}

void TByteLimitEdit::RefuseEditIfBad(const QString& edited) {
  const QString before = lastGood_;
  // The part the edit replaced: what lies between the text both share at the start and at
  // the end, a surrogate pair never split.
  const qsizetype shorter = std::min(before.size(), edited.size());
  qsizetype prefix = 0, suffix = 0;
  while (prefix < shorter && before[prefix] == edited[prefix]) ++prefix;
  while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == edited[edited.size() - 1 - suffix])
    ++suffix;
  if (prefix > 0 && edited[prefix - 1].isHighSurrogate()) --prefix;
  if (suffix > 0 && edited[edited.size() - suffix].isLowSurrogate()) --suffix;
  const QString inserted = edited.mid(prefix, edited.size() - prefix - suffix);

  QString why;
  const int width = Cp949Width(edited);
  const bool control =
      std::any_of(inserted.begin(), inserted.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
  if (control)  // a line break or tab from a paste would go into the agency's file and onto the cover
    why = QStringLiteral("줄바꿈이나 탭은 입력할 수 없습니다.");
  else if (const QString bad = FirstWithoutCodePage(inserted); !bad.isEmpty())
    why = QStringLiteral("한글 코드(CP949)로 나타낼 수 없는 글자(%1)는 입력할 수 없습니다.").arg(bad);
  else if (width > limit_ && width > Cp949Width(before))
    why = QStringLiteral("최대 %1바이트(한글 %2자)까지 입력할 수 있습니다.").arg(limit_).arg(limit_ / 2);
  if (why.isEmpty()) {
    lastRefusal_.clear();
    HideRefusal();
    return;
  }
  setText(before);
  const qsizetype replaced = before.size() - prefix - suffix;
  if (replaced > 0)
    setSelection(static_cast<int>(prefix), static_cast<int>(replaced));  // what a paste would have replaced
  else
    setCursorPosition(static_cast<int>(prefix));
  lastRefusal_ = why;
  ShowRefusal(this, why, &notifier_);
  emit Refused(why);
}

TByteLimitEdit* TFM_VakJungBo::Edit(const char* name, int bytes) {
  auto* edit = new TByteLimitEdit(bytes, notifier_, this);
  edit->setObjectName(QString::fromLatin1(name));
  edit->Counter()->setObjectName(edit->objectName() + QStringLiteral("_Bytes"));
  return edit;
}

QLineEdit* TFM_VakJungBo::AgencyField(const char* name) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setEnabled(false);  // the agency's, only shown here
  return edit;
}

TFM_VakJungBo::TFM_VakJungBo(const std::string& dataDir, UserNotifier& notifier, QWidget* parent)
    : QDialog(parent), dataDir_(dataDir), notifier_(notifier), header_(LoadProjectHeader(dataDir)) {
  SetUpDialog(this, QStringLiteral("FM_VakJungBo"), QStringLiteral("공사정보"));
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout();
  des_ = Edit("C_EDT_DES", kDescriptionBytes);
  mtno_ = Edit("C_EDT_MTNO", 10);
  cdno_ = Edit("C_EDT_CDNO", 10);
  comp_ = Edit("C_EDT_COMP", 20);
  name_ = Edit("C_EDT_Name", 30);
  cona_ = Edit("C_EDT_CONA", 10);
  ipmt_ = new TNumberEdit(this);
  ipmt_->setObjectName(QStringLiteral("C_NED_IPMT"));
  ipmt_->SetMin(kLowestPriceEntry);
  ipmt_->SetMax(kAmountLimit);
  ipmt_->setEnabled(false);  // written by the calculation, only shown here
  auth_ = AgencyField("C_EDT_AUTH");
  tel_ = AgencyField("C_EDT_Tel");
  int row = 0;
  auto add = [&](const QString& label, QLineEdit* edit, QLabel* counter) {
    grid->addWidget(new QLabel(label, this), row, 0);
    grid->addWidget(edit, row, 1);
    if (counter) grid->addWidget(counter, row, 2);
    ++row;
  };
  const std::pair<const char*, TByteLimitEdit*> typed[] = {{"공 사 명:", des_},  {"관리번호:", mtno_},
                                                           {"코드번호:", cdno_}, {"회 사 명:", comp_},
                                                           {"담 당 자:", name_}, {"대 표 자:", cona_}};
  for (const auto& [label, edit] : typed) add(QString::fromUtf8(label), edit, edit->Counter());
  add(QStringLiteral("입찰총액"), ipmt_, nullptr);
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  grid->addWidget(line, row++, 0, 1, 3);
  add(QStringLiteral("수요기관:"), auth_, nullptr);
  add(QStringLiteral("연 락 처:"), tel_, nullptr);
  // Wide enough to show the longest works' name whole: 25 syllables, or 50 digits. A box
  // needs its text's width plus what it takes around any text, which its size hint holds
  // beside room for 17 x's; two pixels more for the cursor after the last character.
  const QFontMetrics metrics(des_->font());
  const int longest = std::max(metrics.horizontalAdvance(QString(kDescriptionBytes / 2, QChar(0xD7A3))),
                               metrics.horizontalAdvance(QString(kDescriptionBytes, QLatin1Char('0'))));
  des_->setMinimumWidth(longest + des_->sizeHint().width() - 17 * metrics.horizontalAdvance(QLatin1Char('x')) + 2);
  layout->addLayout(grid);
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
  if (header_.Whole()) return;
  // A header that cannot be read whole is never saved over: it is shown for reading only, so
  // nothing is typed that "확인" would then refuse.
  for (QLineEdit* edit : std::initializer_list<QLineEdit*>{des_, mtno_, cdno_, comp_, cona_, auth_, name_, tel_})
    edit->setReadOnly(true);
  ok->setEnabled(false);
  notifier_.Message(HeaderProblemText(header_), "경고", MessageIcon::Warning, MessageButtons::Ok);
}

void TFM_VakJungBo::Confirm() {
  HeaderValues values = header_.values;  // the tender amount and the project type as stored
  const std::pair<int, QLineEdit*> texts[] = {{kCmnAuth, auth_}, {kCmnCdno, cdno_}, {kCmnComp, comp_},
                                              {kCmnCona, cona_}, {kCmnDesc, des_},  {kCmnMtno, mtno_},
                                              {kCmnName, name_}, {kCmnTel, tel_}};
  for (const auto& [index, edit] : texts) {
    const std::optional<std::string> bytes = Utf8ToCp949(edit->text().toStdString());
    if (!bytes) {  // a value read from a damaged header, shown with replacement characters
      notifier_.Message(
          edit->text().toStdString() + "\n한글 코드(CP949)로 나타낼 수 없는 글자가 있어 저장할 수 없습니다.", "경고",
          MessageIcon::Warning, MessageButtons::Ok);
      edit->setFocus();
      return;
    }
    values[static_cast<size_t>(index)] = *bytes;  // as typed, blanks kept
  }
  if (!SaveOverReadHeader(dataDir_, header_, HeaderAsSaved(values), notifier_)) return;  // the dialog stays open
  savedDescription_ = des_->text();
  savedCompany_ = comp_->text();
  accept();
}

}  // namespace vak
