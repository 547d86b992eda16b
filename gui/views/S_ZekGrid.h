// The statement grid: eight columns with Korean captions, a map from each logical column to
// the physical column that shows it (kept right when the user drags a column elsewhere), row
// and column selection events that fire only on a real change, and the Home/End/Left/Right
// keys of a row-select grid. The header row is the view's horizontal header; data rows are
// numbered from 1 as the panel numbers them.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>

#include <array>
#include <functional>
#include <vector>

#include "views/StatementPager.h"

class QMenu;

namespace vak {

// How a row is drawn.
struct GridRowStyle {
  bool red = false;        // marked lines
  bool heading = false;    // navy and bold (quantity and unit price keep the normal weight)
  bool fixedNote = false;  // the note cell shows "단가고정" in red
};

class ZekGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ZekGridModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void SetRowCount(int rows);
  void SetCaptions(const std::array<QString, kColumnCount>& captions);
  // Rows are 1-based here as in the panel; nothing is redrawn until Changed.
  void SetRow(int row, const std::array<QString, kColumnCount>& cells, GridRowStyle style);
  void ClearRow(int row);
  const QString& Cell(int row, int column) const {
    return rows_[static_cast<size_t>(row - 1)][static_cast<size_t>(column)];
  }
  const GridRowStyle& Style(int row) const { return styles_[static_cast<size_t>(row - 1)]; }
  void Changed(int firstRow, int lastRow);

 private:
  std::vector<std::array<QString, kColumnCount>> rows_;
  std::vector<GridRowStyle> styles_;
  std::array<QString, kColumnCount> captions_;
};

class TZekGrid : public QTableView {
  Q_OBJECT

 public:
  explicit TZekGrid(QWidget* parent = nullptr);

  // Layout selector; 18 is the tender statement layout.
  void SetKind(int kind);
  int Kind() const { return kind_; }
  bool bColChanged = false;
  bool IsTitleClicked = false;

  ZekGridModel* gridModel() const { return model_; }
  void SetRowCount(int dataRows);
  int DataRowCount() const { return model_->rowCount(); }

  // The physical column that shows a logical column, and its width.
  int ColumnOf(GridColumn logical) const { return columnMap_[static_cast<size_t>(logical)]; }
  int WidthOf(GridColumn logical) const { return widthMap_[static_cast<size_t>(logical)]; }
  static const std::array<QString, kColumnCount>& Captions();

  int Row() const;  // current data row, 1-based; 0 when none
  int Col() const;  // current physical column
  void SetRow(int row);
  void SetPopup(QMenu* popup) { popup_ = popup; }
  QMenu* Popup() const { return popup_; }

  // The owner's key handlers run before the grid's own; true consumes the key.
  std::function<bool(QKeyEvent*)> onKeyDown;
  std::function<void(QKeyEvent*)> onKeyUp;

 signals:
  void WnSelectRow(int col, int row);
  void WnSelectCol(int col, int row);

 protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void ColumnMoved();
  void ScrollColumns(int delta);

  ZekGridModel* model_;
  QMenu* popup_ = nullptr;
  int kind_ = 0;
  int lastCol_ = 0;
  int lastRow_ = 0;
  std::array<int, kColumnCount> columnMap_{};
  std::array<int, kColumnCount> widthMap_{};
};

}  // namespace vak
