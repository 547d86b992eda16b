#include "gui/app/S_VakKeys.h"

#include <QHeaderView>

#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/common/DialogKeys.h"

namespace vak {
namespace {

constexpr WindowKey kWindowKeys[] = {
    {"F3", "내역서 계산", "창", "Mnu_Calc"},
    {"F4", "공종찾기", "창", "Mnu_Find"},
    {"Ctrl+U", "미입력 항목만 보기 / 모두 보기", "창", "Mnu_OnlyUnpriced"},
    {"Ctrl+Z", "되돌리기 (단가 입력, 가져오기, 금액 맞추기)", "창", "Mnu_Undo"},
    {"Ctrl+Y", "다시 실행", "창", "Mnu_Redo"},
    {"F7", "단가입력/수정", "공사내역", "C_Mnu_Detail_Mod"},
    {"F8", "다음 미입력 항목", "공사내역", "C_Mnu_Detail_Unpriced"},
    {"Ctrl+I", "공사정보", "내역표", "C_Mnu_Detail_Info"},
    {"Ctrl+P", "보고서작성", "내역표", "C_Mnu_Detail_Report"},
    {"Alt+X", "종료", "내역표", "C_Mnu_Detail_Close"},
    {"Enter", "공사내역: 단가입력 / 집계: 그 공사나 공종의 내역으로", "내역표", ""},
    {"Ctrl+F", "공종찾기", "내역표", ""},
    {"Ctrl+Home", "맨 처음 줄", "내역표", ""},
    {"Ctrl+End", "맨 마지막 줄", "내역표", ""},
    {"↑ / ↓", "한 줄 위 / 아래", "내역표", ""},
    {"Space", "한 줄 아래", "내역표", ""},
    {"Page Up / Page Down", "화면의 첫 줄 / 끝 줄, 거기서 한 번 더: 앞 화면 / 다음 화면", "내역표", ""},
    {"← / →", "한 칸씩 옆으로", "내역표", ""},
    {"Home / End", "첫 칸 / 끝 칸", "내역표", ""},
    {"Esc", "종료", "내역표", ""},
    {"Enter / ↓", "다음 칸", "대화상자", ""},
    {"↑", "앞 칸", "대화상자", ""},
    {"Esc", "취소", "대화상자", ""},
    {"Alt+A / Ctrl+Enter", "단가 창: 동일 품목에도 같은 단가", "대화상자", ""},
    {"Page Down", "목록 열기", "대화상자", ""},
    {"Delete", "목록의 선택 지우기", "대화상자", ""},
    {"Page Up / Page Down", "앞 쪽 / 다음 쪽", "미리보기", ""},
    {"Home / End", "첫 쪽 / 끝 쪽", "미리보기", ""},
    {"Esc", "닫기", "미리보기", ""},
};

}  // namespace

std::span<const WindowKey> WindowKeys() { return kWindowKeys; }

TFm_VakKeys::TFm_VakKeys(QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, QStringLiteral("Fm_VakKeys"), QStringLiteral("단축키"));
  auto* layout = new QVBoxLayout(this);
  auto* table = new QTableWidget(static_cast<int>(WindowKeys().size()), 3, this);
  table->setObjectName(QStringLiteral("C_STG_Keys"));
  table->setHorizontalHeaderLabels({QStringLiteral("키"), QStringLiteral("하는 일"), QStringLiteral("쓰는 곳")});
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->verticalHeader()->hide();
  int row = 0;
  for (const WindowKey& key : WindowKeys()) {
    const char* cells[3] = {key.keys, key.what, key.where};
    for (int c = 0; c < 3; ++c) table->setItem(row, c, new QTableWidgetItem(QString::fromUtf8(cells[c])));
    ++row;
  }
  table->resizeColumnsToContents();
  table->horizontalHeader()->setStretchLastSection(true);
  table->resizeRowsToContents();
  // Every key at once, without scrolling, as far as the screen allows.
  int height = table->horizontalHeader()->height() + 2 * table->frameWidth();
  for (int r = 0; r < table->rowCount(); ++r) height += table->rowHeight(r);
  table->setMinimumSize(std::max(560, table->horizontalHeader()->length() + 2 * table->frameWidth()),
                        std::min(height, 700));
  layout->addWidget(table);
  // Enter in the list reaches the dialog's default button; Esc rejects.
  auto* close = new QPushButton(QStringLiteral("닫기"), this);
  close->setObjectName(QStringLiteral("C_Bbt_Close"));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(close, 0, Qt::AlignRight);
}

}  // namespace vak
