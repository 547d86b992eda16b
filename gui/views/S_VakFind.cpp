#include "gui/views/S_VakFind.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "common/CodePage.h"
#include "common/Files.h"
#include "common/Text.h"
#include "common/UserNotifier.h"
#include "gui/common/DialogKeys.h"

namespace vak {

QString FindOptionText(const std::string& dataDir) {
  const std::optional<std::string> path = FindFileNoCase(dataDir, "FindOption.INI");
  std::string bytes;
  if (!path || ReadSmallFile(*path, 64 * 1024, bytes) != SmallFileStatus::Ok) return QString();
  bool inSection = false;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = TrimmedText(std::string_view(bytes).substr(at, end - at));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    at = end + 1;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      inSection = EqualsNoCase(TrimmedText(line.substr(1, line.size() - 2)), "FINDVAK");
      continue;
    }
    const size_t eq = line.find('=');
    if (inSection && eq != std::string::npos && EqualsNoCase(TrimmedText(line.substr(0, eq)), "fvak"))
      return QString::fromStdString(Cp949ToUtf8(TrimmedText(line.substr(eq + 1))));
  }
  return QString();
}

TFM_VakFind::TFM_VakFind(const std::string& dataDir, UserNotifier& notifier, QWidget* parent)
    : QDialog(parent), notifier_(notifier) {
  SetUpDialog(this, QStringLiteral("FM_VakFind"), QStringLiteral("공종찾기"));
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QStringLiteral("찾고자 하는 공종명을 입력하세요"), this);
  label->setObjectName(QStringLiteral("Label11"));
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("C_EDT_Find"));
  edit_->setText(FindOptionText(dataDir));
  layout->addWidget(label);
  layout->addWidget(edit_);
  const auto [ok, cancel] = AddOkCancel(this, layout, QStringLiteral("C_Bbt_Ok"), QStringLiteral("C_Bbt_Cancel"));
  connect(ok, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  InstallDialogKeys(this);
  edit_->setFocus();
}

void TFM_VakFind::Confirm() {
  const std::optional<std::string> text = Utf8ToCp949(edit_->text().toStdString());
  searchText_ = TrimmedText(text.value_or(std::string()));
  if (!text) {
    notifier_.Message("찾을 글자 중에 한글 코드(CP949)로 나타낼 수 없는 글자가 있습니다.", "알림",
                      MessageIcon::Information, MessageButtons::Ok);
    return;
  }
  if (searchText_.empty()) {
    notifier_.Message("찾을 공종을 입력하십시요.", "알림", MessageIcon::Information, MessageButtons::Ok);
    return;
  }
  confirmed_ = true;
  accept();
}

MatchModel::MatchModel(const XbTable& table, std::vector<uint32_t> records, QObject* parent)
    : QAbstractTableModel(parent),
      table_(table),
      records_(std::move(records)),
      des_(table.file().FieldIndex("F_DES")),
      size_(table.file().FieldIndex("F_SIZE")) {}

int MatchModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(records_.size());
}
int MatchModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant MatchModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return QVariant();
  const uint32_t recno = records_[static_cast<size_t>(index.row())];
  if (index.column() == 2) return QString::number(recno);
  const int field = index.column() == 0 ? des_ : size_;
  if (field < 0 || recno < 1 || recno > table_.file().RecordCount()) return QString();
  const std::string_view bytes =
      FieldBytes(table_.file().Record(recno), table_.file().fields()[static_cast<size_t>(field)]);
  return QString::fromStdString(Cp949ToUtf8(TrimmedText(bytes)));
}

TFM_VakFilter::TFM_VakFilter(const XbTable& table, std::vector<uint32_t> records, QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, QStringLiteral("FM_VakFilter"), QStringLiteral("찾기 결과"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  model_ = new MatchModel(table, std::move(records), this);
  list_ = new QTableView(this);
  list_->setObjectName(QStringLiteral("C_STG_Find"));
  list_->setModel(model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->horizontalHeader()->hide();
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setDefaultSectionSize(20);
  list_->setShowGrid(false);
  list_->setColumnWidth(0, 293);
  list_->setColumnWidth(1, 219);
  list_->setColumnHidden(2, true);  // the record number rides along unseen
  layout->addWidget(list_);
  resize(540, 168);
  if (model_->rowCount() > 0) list_->setCurrentIndex(model_->index(0, 0));
  connect(list_, &QTableView::doubleClicked, this, [this] { ChooseCurrent(); });
  list_->installEventFilter(this);
}

void TFM_VakFilter::ChooseCurrent() {
  const QModelIndex current = list_->currentIndex();
  if (!current.isValid()) return;
  chosenRecord_ = model_->RecordAt(current.row());
  chosen_ = chosenRecord_ != 0;
  if (chosen_) accept();
}

bool TFM_VakFilter::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ChooseCurrent();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vak
