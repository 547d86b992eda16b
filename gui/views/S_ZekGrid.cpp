#include "gui/views/S_ZekGrid.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>

namespace vak {
namespace {

constexpr std::array<int, kColumnCount> kWidths = {30, 200, 100, 80, 60, 80, 120, 80};
const QColor kNavy(0, 0, 128);

}  // namespace

// ---------------------------------------------------------------- model

ZekGridModel::ZekGridModel(QObject* parent) : QAbstractTableModel(parent) {}

int ZekGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ZekGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant ZekGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return QVariant();
  const size_t r = static_cast<size_t>(index.row());
  const int c = index.column();
  const GridRowStyle& style = styles_[r];
  switch (role) {
    case Qt::DisplayRole:
      if (c == kColNote && style.fixedNote) return QStringLiteral("단가고정");
      return rows_[r][static_cast<size_t>(c)];
    case Qt::ForegroundRole:
      if (style.red || (c == kColNote && style.fixedNote)) return QColor(Qt::red);
      if (style.heading) return kNavy;
      return QVariant();
    case Qt::FontRole:
      if (style.heading && !style.red && c != kColQuantity && c != kColPrice) {
        QFont bold(QStringLiteral("굴림체"));
        bold.setPixelSize(12);
        bold.setBold(true);
        return bold;
      }
      return QVariant();
    case Qt::TextAlignmentRole:
      if (c == kColQuantity || c == kColPrice || c == kColAmount) return int(Qt::AlignRight | Qt::AlignVCenter);
      if (c == kColNote || c == kColUnit) return int(Qt::AlignHCenter | Qt::AlignVCenter);
      return int(Qt::AlignLeft | Qt::AlignVCenter);
    default: return QVariant();
  }
}

QVariant ZekGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return QVariant();
  if (role == Qt::DisplayRole) return captions_[static_cast<size_t>(section)];
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
  return QVariant();
}

void ZekGridModel::SetRowCount(int rows) {
  beginResetModel();
  rows_.assign(static_cast<size_t>(rows), {});
  styles_.assign(static_cast<size_t>(rows), {});
  endResetModel();
}

void ZekGridModel::SetCaptions(const std::array<QString, kColumnCount>& captions) {
  captions_ = captions;
  emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

void ZekGridModel::SetRow(int row, const std::array<QString, kColumnCount>& cells, GridRowStyle style) {
  rows_[static_cast<size_t>(row - 1)] = cells;
  styles_[static_cast<size_t>(row - 1)] = style;
}

void ZekGridModel::ClearRow(int row) {
  rows_[static_cast<size_t>(row - 1)] = {};
  styles_[static_cast<size_t>(row - 1)] = {};
}

void ZekGridModel::Changed(int firstRow, int lastRow) {
  if (rows_.empty()) return;
  emit dataChanged(index(firstRow - 1, 0), index(lastRow - 1, kColumnCount - 1));
}

// ---------------------------------------------------------------- grid

const std::array<QString, kColumnCount>& TZekGrid::Captions() {
  static const std::array<QString, kColumnCount> captions = {
      QStringLiteral("Lvl"),  QStringLiteral("공 종 명"), QStringLiteral("규 격"), QStringLiteral("수 량"),
      QStringLiteral("단위"), QStringLiteral("단 가"),    QStringLiteral("금 액"), QStringLiteral("비 고")};
  return captions;
}

TZekGrid::TZekGrid(QWidget* parent) : QTableView(parent), model_(new ZekGridModel(this)) {
  setObjectName(QStringLiteral("C_STG_Grid"));
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // the panel has its own
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setTabKeyNavigation(false);
  verticalHeader()->hide();
  horizontalHeader()->setSectionsMovable(true);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(true);
  horizontalHeader()->setFixedHeight(20);
  verticalHeader()->setDefaultSectionSize(20);
  verticalHeader()->setMinimumSectionSize(20);
  setWordWrap(false);
  QFont font(QStringLiteral("굴림체"));
  font.setPixelSize(12);
  setFont(font);
  horizontalHeader()->setFont(font);
  setStyleSheet(QStringLiteral(
      "QTableView { gridline-color: #c0c0c0; selection-background-color: #0a246a; selection-color: white; }"
      "QTableView::item { padding-left: 2px; padding-right: 4px; }"
      "QHeaderView::section { background: #d4d0c8; border: 1px solid #808080; border-top-color: white;"
      " border-left-color: white; padding: 0px; }"));
  connect(horizontalHeader(), &QHeaderView::sectionMoved, this, [this] { ColumnMoved(); });
  connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] { ColumnMoved(); });
}

void TZekGrid::SetKind(int kind) {
  bColChanged = false;
  kind_ = kind;
  model_->SetCaptions(Captions());
  if (model_->rowCount() == 0) model_->SetRowCount(24);
  for (int c = 0; c < kColumnCount; ++c) {
    columnMap_[static_cast<size_t>(c)] = c;
    widthMap_[static_cast<size_t>(c)] = kWidths[static_cast<size_t>(c)];
    setColumnWidth(c, kWidths[static_cast<size_t>(c)]);
  }
  bColChanged = true;
}

void TZekGrid::SetRowCount(int dataRows) { model_->SetRowCount(dataRows); }

// Each physical column is recognised by its caption (blanks removed); the logical column
// recognised gets that physical index. Widths follow.
void TZekGrid::ColumnMoved() {
  if (!bColChanged) return;
  QHeaderView* header = horizontalHeader();
  for (int physical = 0; physical < kColumnCount; ++physical) {
    const QString caption = model_->headerData(header->logicalIndex(physical), Qt::Horizontal, Qt::DisplayRole)
                                .toString()
                                .remove(QLatin1Char(' '));
    for (int logical = 0; logical < kColumnCount; ++logical) {
      if (QString(Captions()[static_cast<size_t>(logical)]).remove(QLatin1Char(' ')) == caption)
        columnMap_[static_cast<size_t>(logical)] = physical;
    }
  }
  for (int logical = 0; logical < kColumnCount; ++logical)
    widthMap_[static_cast<size_t>(logical)] = columnWidth(logical);
}

int TZekGrid::Row() const { return currentIndex().isValid() ? currentIndex().row() + 1 : 0; }

int TZekGrid::Col() const {
  return currentIndex().isValid() ? horizontalHeader()->visualIndex(currentIndex().column()) : 0;
}

void TZekGrid::SetRow(int row) {
  if (row < 1 || row > model_->rowCount()) return;
  const int column = currentIndex().isValid() ? currentIndex().column() : 0;
  setCurrentIndex(model_->index(row - 1, column));
}

// Row and column events fire only when the row or the column really changes.
void TZekGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (!current.isValid()) return;
  const int row = current.row() + 1;
  const int col = horizontalHeader()->visualIndex(current.column());
  if (row != lastRow_) {
    lastRow_ = row;
    lastCol_ = col;
    emit WnSelectRow(col, row);
    emit WnSelectCol(col, row);
  } else if (col != lastCol_) {
    lastCol_ = col;
    emit WnSelectCol(col, row);
  }
}

void TZekGrid::ScrollColumns(int delta) {
  QHeaderView* header = horizontalHeader();
  const int left = header->visualIndexAt(0);
  const int target = std::clamp(left + delta, 0, kColumnCount - 1);
  horizontalScrollBar()->setValue(header->sectionPosition(header->logicalIndex(target)));
  viewport()->update();
}

void TZekGrid::keyPressEvent(QKeyEvent* event) {
  if (onKeyDown && onKeyDown(event)) return;
  if (!(event->modifiers() & Qt::ControlModifier)) {
    QHeaderView* header = horizontalHeader();
    const int row = currentIndex().isValid() ? currentIndex().row() : 0;
    switch (event->key()) {
      case Qt::Key_Home:
        horizontalScrollBar()->setValue(0);
        setCurrentIndex(model_->index(row, header->logicalIndex(0)));
        return;
      case Qt::Key_End: setCurrentIndex(model_->index(row, header->logicalIndex(kColumnCount - 1))); return;
      case Qt::Key_Right: {
        // Sideways by one column while the last column is not fully in view.
        const int lastLogical = header->logicalIndex(kColumnCount - 1);
        const int rightEdge = header->sectionViewportPosition(lastLogical) + header->sectionSize(lastLogical);
        if (rightEdge + 5 > viewport()->width()) ScrollColumns(1);
        setFocus();
        return;
      }
      case Qt::Key_Left:
        if (header->visualIndexAt(0) > 0 || horizontalScrollBar()->value() > 0) ScrollColumns(-1);
        return;
      default: break;
    }
  }
  QTableView::keyPressEvent(event);
}

void TZekGrid::keyReleaseEvent(QKeyEvent* event) {
  if (onKeyUp) onKeyUp(event);
  QTableView::keyReleaseEvent(event);
}

// A right-button press selects the row under the pointer, so the popup acts on it.
void TZekGrid::mousePressEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->pos());
  IsTitleClicked = false;
  if (event->button() == Qt::RightButton && at.isValid()) setCurrentIndex(at);
  QTableView::mousePressEvent(event);
  viewport()->update();
}

void TZekGrid::contextMenuEvent(QContextMenuEvent* event) {
  if (popup_) popup_->exec(event->globalPos());
}

}  // namespace vak
