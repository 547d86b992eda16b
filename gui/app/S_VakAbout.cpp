#include "gui/app/S_VakAbout.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "VakVersion.h"

namespace vak {

QString AboutText() {
  return QStringLiteral(
             "전산내역입찰 (VAK) 판 %1\n\n"
             "발주기관이 배포한 전산내역(VAK.DBF, VAK.MEM)에 단가를 넣고, 내역서를 계산하고, 입찰 서류를 "
             "인쇄하고, 제출할 화일을 만드는 프로그램입니다.\n\n"
             "사용 허가\n"
             "  이 프로그램: Copyright © 2026 VAK 개발팀. All rights reserved. "
             "허가 없이 복제하거나 배포할 수 없습니다.\n"
             "  글꼴: 나눔고딕코딩(NanumGothicCoding)과 나눔고딕(NanumGothic), Copyright © NAVER Corporation, "
             "SIL Open Font License 1.1. 프로그램에 들어 있지 않고, 설치된 글꼴을 이름으로 찾아 씁니다 "
             "(Debian 패키지 fonts-nanum-coding, fonts-nanum).\n"
             "  Qt 6: Copyright © The Qt Company Ltd. and other contributors, GNU LGPL 3. 시스템의 Qt 라이브러리를 "
             "동적으로 연결해 씁니다.")
      .arg(QStringLiteral(VAK_VERSION));
}

TFm_VakAbout::TFm_VakAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Fm_VakAbout"));
  setWindowTitle(QStringLiteral("전산내역입찰 정보"));
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(AboutText(), this);
  text->setObjectName(QStringLiteral("C_LBL_About"));
  text->setWordWrap(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text->setMinimumWidth(520);
  layout->addWidget(text);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("확인"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

}  // namespace vak
