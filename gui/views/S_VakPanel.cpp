#include "gui/views/S_VakPanel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScrollBar>

#include <utility>

#include "common/CodePage.h"
#include "common/Text.h"
#include "gui/common/WaitCursor.h"
#include "gui/pricing/s_VakFixPrice.h"
#include "gui/pricing/s_VakLineInsert.h"
#include "gui/views/S_VakFind.h"
#include "pricing/PriceEntry.h"
#include "pricing/UnpricedLines.h"
#include "store/ItemTable.h"
#include "views/WorkSearch.h"

namespace vak {
namespace {

// The keys of KeyDown that move the cursor over the lines (after which a narrowed view is
// brought up to date).
bool IsLineMove(const QKeyEvent& e) {
  const int key = e.key();
  if (e.modifiers() & Qt::ControlModifier) return key == Qt::Key_Home || key == Qt::Key_End;
  if (e.modifiers() & Qt::ShiftModifier) return false;
  return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Space || key == Qt::Key_PageUp ||
         key == Qt::Key_PageDown;
}

}  // namespace

TVakPanel::TVakPanel(TZekTable& items, ViewState& state, PanelHost& host, QWidget* parent)
    : QWidget(parent), items_(items), state_(state), host_(host), pager_(items, state) {
  setObjectName(QStringLiteral("VakPanel"));
  grid_ = new TZekGrid(this);
  grid_->setObjectName(QStringLiteral("XGrid"));
  grid_->SetKind(18);
  grid_->SetRowCount(state.lastRow);

  auto* strip = new QWidget(this);
  strip->setObjectName(QStringLiteral("ScrollStrip"));
  strip->setFixedWidth(16);
  scrollBar_ = new QScrollBar(Qt::Vertical, strip);
  scrollBar_->setObjectName(QStringLiteral("ScrollBar"));
  scrollBar_->setFixedWidth(15);
  auto* stripLayout = new QHBoxLayout(strip);
  stripLayout->setContentsMargins(0, 0, 0, 0);
  stripLayout->addWidget(scrollBar_);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(grid_, 1);
  layout->addWidget(strip);

  grid_->onKeyDown = [this](QKeyEvent* e) {
    const bool handled = KeyDown(e);
    if (handled && IsLineMove(*e)) AfterMove();
    return handled;
  };
  connect(grid_, &TZekGrid::WnSelectRow, this, [this](int col, int row) {
    if (!rendering_) ShowRowInfo(col, row);
  });
  connect(grid_, &QTableView::doubleClicked, this, [this] { DrillDown(); });
  connect(scrollBar_, &QScrollBar::actionTriggered, this, [this](int action) { ScrollAction(action); });
  connect(scrollBar_, &QScrollBar::sliderReleased, this, [this] { ThumbReleased(); });
}

// Draws every slot into the grid: one change notice for the whole page.
void TVakPanel::Render() {
  ZekGridModel* model = grid_->gridModel();
  const View view = pager_.view();
  std::array<QString, kColumnCount> cells;
  for (int row = state_.firstRow; row <= state_.lastRow; ++row) {
    const RowSlot& slot = pager_.Slot(row);
    if (!slot.used) {
      model->ClearRow(row);
      continue;
    }
    for (int c = 0; c < kColumnCount; ++c)
      cells[static_cast<size_t>(c)] = QString::fromStdString(slot.cells[static_cast<size_t>(c)]);
    GridRowStyle style;
    style.red = slot.mark == "Y";
    style.fixedNote = view != View::OverallSummary && slot.fix == "*";
    // A heading is told by its line kind (its level below the next line's), the same rule
    // as the calculation's, so the last row of a page is drawn as what it is.
    style.heading = view != View::OverallSummary && !style.red && !slot.seq.empty() && slot.kind == kHeading;
    model->SetRow(row, cells, style);
  }
  model->Changed(state_.firstRow, state_.lastRow);
}

int TVakPanel::LastUsedRow() const {
  int row = state_.lastRow;
  while (row > state_.firstRow && !pager_.Slot(row).used) --row;
  return row;
}

void TVakPanel::SetCurrentRow(int row) {
  rendering_ = true;
  grid_->SetRow(row);
  rendering_ = false;
  ShowRowInfo(grid_->Col(), row);
}

void TVakPanel::ShowView(View view, const std::string& part) {
  int row = pager_.ShowView(view, part);
  linesStale_ = false;
  if (view == View::ItemDetails && state_.onlyUnpriced && ChooseUnpricedLines())
    row = pager_.ShowLineAtRow(0, state_.firstRow);
  grid_->SetPopup(host_.PopupFor(view));
  host_.SetPartLabel(QString::fromStdString(pager_.partName()));
  scrollBar_->setRange(pager_.Count() > 0 ? 1 : 0, static_cast<int>(pager_.Count()));
  Render();
  grid_->setFocus();
  SetCurrentRow(row);
}

void TVakPanel::LoadPage(int first) {
  pager_.LoadPage(first);
  scrollBar_->setRange(pager_.Count() > 0 ? 1 : 0, static_cast<int>(pager_.Count()));
  Render();
}

void TVakPanel::SearchWorks(const std::string& dataDir) {
  std::string text;
  {
    TFM_VakFind find(dataDir, host_.Notifier(), this);
    find.exec();
    if (!find.Confirmed()) return;
    text = find.SearchText();
  }
  XbTable* table = items_.engine();
  if (!table) return;
  items_.Post();
  if (FindWorks(*table, text, 1).empty()) {
    host_.Notifier().Message("조건에 맞는 공종이 없습니다.", "확인", MessageIcon::Warning, MessageButtons::Ok);
    ReloadPage();
    return;
  }
  uint32_t chosen = 0;
  {
    TFM_VakFilter result(*table, FindWorks(*table, text), this);
    result.exec();
    if (result.Chosen()) chosen = result.ChosenRecord();
  }
  if (chosen == 0) {
    ReloadPage();
    return;
  }
  state_.gotoRecNo = chosen;
  ReloadAt();
  SetCurrentRow(state_.firstRow);
}

void TVakPanel::ReloadAt() {
  pager_.ReloadAt();
  scrollBar_->setRange(pager_.Count() > 0 ? 1 : 0, static_cast<int>(pager_.Count()));
  Render();
  SetCurrentRow(std::min(std::max(grid_->Row(), state_.firstRow), LastUsedRow()));
}

void TVakPanel::ReloadPage() {
  state_.gotoRecNo = pager_.Slot(state_.firstRow).recno;
  ReloadAt();
}

void TVakPanel::ScrollLineUp() {
  if (pager_.ScrollLineUp()) Render();
  ShowRowInfo(grid_->Col(), grid_->Row());
}

void TVakPanel::ScrollLineDown() {
  if (pager_.ScrollLineDown()) Render();
  ShowRowInfo(grid_->Col(), grid_->Row());
}

void TVakPanel::ScrollPageUp() {
  if (pager_.ScrollPageUp()) Render();
  ShowRowInfo(grid_->Col(), grid_->Row());
}

void TVakPanel::ScrollPageDown() {
  if (pager_.ScrollPageDown()) {
    Render();
    if (!pager_.Slot(grid_->Row()).used) {  // a short last page: stand on its last line
      SetCurrentRow(LastUsedRow());
      return;
    }
  }
  ShowRowInfo(grid_->Col(), grid_->Row());
}

void TVakPanel::ShowRowInfo(int /*col*/, int row) {
  if (row < state_.firstRow || row > state_.lastRow) return;
  if (pager_.Slot(row).used) {
    const uint32_t position = pager_.PositionOf(row);
    if (scrollState_ != 6 || !scrollBar_->isSliderDown()) {
      const QSignalBlocker block(scrollBar_);
      scrollBar_->setValue(static_cast<int>(position));
    }
  }
  if (pager_.view() == View::ItemDetails) {
    const SplitInfo info = pager_.SplitOf(row);
    host_.ShowSplitInfo(&info);
  } else {
    host_.ShowSplitInfo(nullptr);
  }
  ShowPosition(row);
}

void TVakPanel::ShowPosition(int row) {
  ZekGridModel* model = grid_->gridModel();
  const QString name = model->Cell(row, kColName).trimmed();
  const QString level = model->Cell(row, kColLevel);
  const QString position = level.size() >= 2 && level.at(1) == QLatin1Char('*')
                               ? QStringLiteral("<집계장항목>")
                               : QStringLiteral("[%1/%2]").arg(row).arg(grid_->DataRowCount());
  host_.SetPositionLabels(name, position);
  if (pager_.view() == View::OverallSummary && HasOverallSummary(state_.projectType)) {
    host_.SetPartLabel(QStringLiteral("[") + name + QStringLiteral("]"));
    state_.selPartRow = row;
  }
}

int TVakPanel::RowKind() {
  if (!pager_.GoToSlot(grid_->Row())) return 0;
  return pager_.RowKind();
}

void TVakPanel::DrillDown() {
  const int row = grid_->Row();
  if (!pager_.GoToSlot(row)) return;
  const View view = pager_.view();
  if (view == View::OverallSummary) {
    host_.ActivateTab(View::PartSummary);
    const WaitCursor hourglass;
    ShowView(View::PartSummary, ConstructionPartOf(items_.FieldAsString("F_PART")));
  } else if (view == View::PartSummary) {
    const std::string seq = pager_.Slot(row).seq;
    host_.ActivateTab(View::ItemDetails);
    ShowView(View::ItemDetails, state_.curPart);
    const uint32_t recno = pager_.FindSequence(seq);
    if (recno == 0) {
      pager_.GoTopPage();
      Render();
      SetCurrentRow(state_.firstRow);
      host_.Notifier().Message("내역에서 동일한 공종을 찾을 수 없습니다.", "경고", MessageIcon::Warning,
                               MessageButtons::Ok);
      return;
    }
    state_.gotoRecNo = recno;
    ReloadAt();
    SetCurrentRow(state_.firstRow);
  } else {
    const int kind = pager_.RowKind();
    if (kind == kPricedItem || kind == kZeroQuantityLevel0) host_.EditCommand();
  }
}

void TVakPanel::MoveToNextRow() {
  const int row = grid_->Row();
  if (row >= state_.lastRow) {
    ScrollLineDown();
  } else if (pager_.Slot(row + 1).used) {
    SetCurrentRow(row + 1);
  }
}

bool TVakPanel::StartPriceEdit() {
  if (!pager_.GoToSlot(grid_->Row())) return false;
  const int kind = pager_.RowKind();
  const std::string fixed = pager_.view() == View::OverallSummary ? std::string() : items_.FieldAsString("F_3SW");
  if (!IsPriceEditable(kind, fixed)) {
    MoveToNextRow();
    return false;
  }
  return true;
}

void TVakPanel::FinishPriceEdit(bool moveOn) {
  ReloadPage();
  if (!moveOn) return;
  MoveToNextRow();
  afterEntryRecNo_ = pager_.GoToSlot(grid_->Row()) ? items_.RecNo() : 0;
}

PricedLine TVakPanel::CurrentLine() {
  PricedLine line;
  auto text = [this](const char* field) {
    return QString::fromStdString(Cp949ToUtf8(TrimmedText(items_.FieldAsString(field))));
  };
  line.name = text("F_DES");
  line.spec = text("F_SIZE");
  line.unit = text("F_QUNIT");
  line.quantity = items_.FieldAsFloat("F_QQTY");
  line.identical = static_cast<int>(host_.IdenticalTo(items_.RecNo()).size());
  return line;
}

void TVakPanel::EditUnitPrice() {
  if (!StartPriceEdit()) return;
  long double price = items_.FieldAsFloat("F_PRIC");
  bool accepted = false, toSameItems = false;
  {
    Tfm_VakLineInsert dialog(host_.Notifier(), this);
    dialog.classInit(&price, &accepted);
    dialog.ShowLine(CurrentLine());
    dialog.exec();
    toSameItems = dialog.ToSameItems();
  }
  ApplyUnitPrice(price, accepted, toSameItems);
}

void TVakPanel::ApplyUnitPrice(long double price, bool accepted, bool toSameItems) {
  if (!pager_.GoToSlot(grid_->Row())) return;
  // The limits are checked even after "취소", on the price the line already has.
  const long double quantity = items_.FieldAsFloat("F_QQTY");
  const bool written = CheckSinglePrice(quantity, price, host_.Notifier()) && accepted &&
                       pager_.GoToSlot(grid_->Row()) && WritePriceEntry({false, price, 0, 0, 0}, toSameItems);
  FinishPriceEdit(written);  // a refused price leaves the cursor on its line
}

void TVakPanel::EditSplitPrice() {
  if (!StartPriceEdit()) return;
  long double material = items_.FieldAsFloat("F_MA0");
  long double labour = items_.FieldAsFloat("F_LA0");
  long double expense = items_.FieldAsFloat("F_EQ0");
  bool accepted = false, toSameItems = false;
  {
    Tfm_VakFixPrice dialog(host_.Notifier(), this);
    dialog.classInit(&material, &labour, &expense, &accepted);
    dialog.ShowLine(CurrentLine());
    dialog.exec();
    toSameItems = dialog.ToSameItems();
  }
  ApplySplitPrices(material, labour, expense, accepted, toSameItems);
}

void TVakPanel::ApplySplitPrices(long double material, long double labour, long double expense, bool accepted,
                                 bool toSameItems) {
  if (!pager_.GoToSlot(grid_->Row())) return;
  const long double quantity = items_.FieldAsFloat("F_QQTY");
  const bool written = CheckSplitPrices(quantity, material, labour, expense, host_.Notifier()) && accepted &&
                       pager_.GoToSlot(grid_->Row()) &&
                       WritePriceEntry({true, 0, material, labour, expense}, toSameItems);
  FinishPriceEdit(written);
}

bool TVakPanel::WritePriceEntry(const EnteredPrice& entry, bool toSameItems) {
  const XbTable* table = items_.engine();
  if (!table || !table->Current()) return false;
  const uint32_t recno = items_.RecNo();
  std::vector<uint32_t> records{recno};
  if (toSameItems) {
    const std::vector<uint32_t> others = host_.IdenticalTo(recno);
    records.insert(records.end(), others.begin(), others.end());
  }
  const RecordSnapshot before(table->file(), records);
  std::vector<LineEntered> entered;
  size_t skipped = 0;
  auto write = [&] {
    const std::optional<LineEntered> line = WriteLine(recno, entry, host_.Notifier());
    if (!line) return false;
    entered.push_back(*line);
    SilentNotifier quiet;  // a twin whose amounts would leave the limits is counted, not told one by one
    for (size_t i = 1; i < records.size(); ++i) {
      if (const std::optional<LineEntered> twin = WriteLine(records[i], entry, quiet)) {
        entered.push_back(*twin);
      } else {
        ++skipped;
      }
    }
    return true;
  };
  // A group lands whole or not at all; a single line is written as every entry is.
  const bool landed = records.size() > 1
                          ? CommitRecordWrites(items_, host_.TenderDir(), write, std::nullopt, host_.Notifier())
                          : write();
  items_.Xbase().Go(recno);
  if (!landed) return false;
  for (const LineEntered& e : entered) host_.PriceEntered(e.partCode, e.before, e.after, e.changed);
  if (std::optional<std::vector<RecordChange>> changes = before.Changes(table->file()); changes && !changes->empty())
    host_.StepDone({records.size() > 1 ? "동일 품목 단가 입력" : "단가 입력", std::move(*changes), {}, {}});
  if (skipped > 0)
    host_.Notifier().Message("동일 품목 " + std::to_string(skipped) + "개는 금액이 한도를 넘어 단가를 넣지 않았습니다.",
                             "경고", MessageIcon::Warning, MessageButtons::Ok);
  return true;
}

std::optional<TVakPanel::LineEntered> TVakPanel::WriteLine(uint32_t recno, const EnteredPrice& entry,
                                                           UserNotifier& notifier) {
  const XbTable* table = items_.engine();
  if (!items_.Xbase().Go(recno) || !table->Current()) return std::nullopt;
  LineEntered line{TrimmedText(items_.FieldAsString("F_PART")), LineStateOf(items_), {}, false};
  const std::string record(table->Current(), static_cast<size_t>(table->file().RecordLength()));
  if (!EnterPrice(items_, entry, notifier) || !table->Current()) return std::nullopt;
  line.changed = record != std::string_view(table->Current(), static_cast<size_t>(table->file().RecordLength()));
  line.after = LineStateOf(items_);
  return line;
}

void TVakPanel::JumpToNextUnpriced() {
  if (pager_.view() != View::ItemDetails || !pager_.GoToSlot(grid_->Row())) {
    host_.Notifier().Beep();
    return;
  }
  // Right after an entry the cursor stands on the next line already: when that one lacks a
  // price it is the one to visit, or "F8, price, F8, price" would skip every other item.
  const bool fromHere = afterEntryRecNo_ != 0 && items_.RecNo() == afterEntryRecNo_;
  afterEntryRecNo_ = 0;
  const uint32_t next = NextUnpricedLine(items_, fromHere);
  if (next == 0) {
    host_.Notifier().Beep();
    ReloadPage();
    return;
  }
  state_.gotoRecNo = next;
  ReloadAt();
  SetCurrentRow(state_.firstRow);
  AfterMove();
}

void TVakPanel::ShowOnlyUnpriced(bool on) {
  const int row = grid_->Row();
  const uint32_t recno = row >= state_.firstRow && row <= state_.lastRow ? pager_.Slot(row).recno : 0;
  state_.onlyUnpriced = on;
  if (pager_.view() == View::ItemDetails) {
    if (on && !ChooseUnpricedLines()) return;
    if (!on) pager_.NarrowTo({});
    ShowLine(recno, row);
  }
  host_.OnlyUnpricedChanged();
}

bool TVakPanel::ChooseUnpricedLines() {
  linesStale_ = false;
  pager_.NarrowTo({});  // every line of the part, whatever was priced or cleared since
  const std::vector<uint32_t> lines = UnpricedLinesWithHeadings(items_);
  if (lines.empty()) {
    state_.onlyUnpriced = false;
    host_.OnlyUnpricedChanged();
    QApplication::setOverrideCursor(Qt::ArrowCursor);  // over the hourglass of a tab change
    host_.Notifier().Message("이 공사에는 단가를 입력하지 않은 항목이 없습니다.", "알림", MessageIcon::Information,
                             MessageButtons::Ok);
    QApplication::restoreOverrideCursor();
    return false;
  }
  pager_.NarrowTo(lines);
  return true;
}

void TVakPanel::AfterMove() {
  if (!std::exchange(linesStale_, false) || !pager_.Narrowed()) return;
  const int row = grid_->Row();
  const uint32_t recno = pager_.Slot(row).recno;
  ChooseUnpricedLines();
  ShowLine(recno, row);
}

void TVakPanel::ShowLine(uint32_t recno, int row) {
  const int at = pager_.ShowLineAtRow(recno, row);
  scrollBar_->setRange(pager_.Count() > 0 ? 1 : 0, static_cast<int>(pager_.Count()));
  Render();
  SetCurrentRow(at);
}

bool TVakPanel::KeyDown(QKeyEvent* event) {
  const int row = grid_->Row();
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const int key = event->key();
  if (ctrl && key == Qt::Key_Home) {
    pager_.GoTopPage();
    Render();
    SetCurrentRow(state_.firstRow);
    return true;
  }
  if (ctrl && key == Qt::Key_End) {
    if (pager_.Slot(row).used && pager_.GoBottomPage()) {
      Render();
      SetCurrentRow(state_.firstRow);
    }
    return true;
  }
  if (ctrl && key == Qt::Key_F) {
    host_.FindCommand();
    return true;
  }
  if (ctrl || shift) return false;
  switch (key) {
    case Qt::Key_Down:
    case Qt::Key_Space: MoveToNextRow(); return true;
    case Qt::Key_Up:
      if (row == state_.firstRow) {
        ScrollLineUp();
      } else {
        SetCurrentRow(row - 1);
      }
      return true;
    case Qt::Key_PageDown:
      if (row == state_.lastRow) {
        ScrollPageDown();
      } else {
        SetCurrentRow(LastUsedRow());
      }
      return true;
    case Qt::Key_PageUp:
      if (row == state_.firstRow) {
        ScrollPageUp();
      } else {
        SetCurrentRow(state_.firstRow);
      }
      return true;
    case Qt::Key_Escape: host_.CloseWindow(); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (pager_.view() == View::ItemDetails) {
        host_.EditCommand();  // the edit moves on over lines that take no price
      } else {
        DrillDown();
      }
      return true;
    default: return false;
  }
}

void TVakPanel::ScrollAction(int action) {
  const int row = grid_->Row();
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      scrollState_ = 1;
      if (row == state_.firstRow) {
        ScrollLineUp();
      } else {
        SetCurrentRow(row - 1);
      }
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      scrollState_ = 2;
      MoveToNextRow();
      break;
    case QAbstractSlider::SliderPageStepSub:
      scrollState_ = 3;
      if (row == state_.firstRow) {
        ScrollPageUp();
      } else {
        SetCurrentRow(state_.firstRow);
      }
      break;
    case QAbstractSlider::SliderPageStepAdd:
      scrollState_ = 4;
      if (row == state_.lastRow) {
        ScrollPageDown();
      } else {
        SetCurrentRow(LastUsedRow());
      }
      break;
    case QAbstractSlider::SliderMove:
      scrollState_ = 6;  // the page follows when the thumb is let go
      return;
    default: return;
  }
  AfterMove();
  // The bar shows the current line, not the step it was asked for.
  scrollBar_->setSliderPosition(static_cast<int>(pager_.PositionOf(grid_->Row())));
  grid_->setFocus();
}

// The line at the thumb's position in the view's order opens the page.
void TVakPanel::ThumbReleased() {
  if (scrollState_ != 6) return;
  pager_.ShowFromPosition(scrollBar_->value());
  Render();
  scrollState_ = 0;
  SetCurrentRow(state_.firstRow);
  AfterMove();
  grid_->setFocus();
}

}  // namespace vak
