#include "views/StatementPager.h"

#include <algorithm>
#include <cmath>

#include "common/CodePage.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "store/ItemTable.h"

namespace vak {

std::string IndentName(const std::string& name, const std::string& level) {
  const std::string trimmed = TrimmedText(name);
  const std::string lv = TrimmedText(level);
  if (lv.size() != 1 || lv[0] < '2' || lv[0] > '9') return trimmed;
  return std::string(static_cast<size_t>(2 * (lv[0] - '0') - 3), ' ') + trimmed;
}

StatementPager::StatementPager(TZekTable& items, ViewState& state)
    : items_(items), state_(state), slots_(static_cast<size_t>(state.lastRow) + 2), f_(items.FieldMap()) {}

std::string StatementPager::Text(int field) const {
  std::string_view v = items_.FieldBytesAt(field);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\0')) v.remove_suffix(1);
  return Cp949ToUtf8(v);
}

int StatementPager::RowKind() const {
  const std::string_view lvl = items_.FieldBytesAt(f_.lvl);
  const std::string_view nlvl = items_.FieldBytesAt(f_.nlvl);
  const std::string_view fix = items_.FieldBytesAt(f_.fix);
  return RowKindOf(lvl.empty() ? ' ' : lvl[0], nlvl.empty() ? ' ' : nlvl[0], items_.FieldNumberAt(f_.qqty),
                   fix.empty() ? ' ' : fix[0]);
}

// The slot and cell texts of the current record. A row reads the same whether it was
// reached by a page load or by a line scroll.
void StatementPager::FillSlot(RowSlot& slot) {
  slot.used = true;
  slot.recno = items_.RecNo();
  slot.lvl = std::string(items_.FieldBytesAt(f_.lvl));
  slot.part = std::string(items_.FieldBytesAt(f_.part));
  slot.seq = TrimmedText(items_.FieldBytesAt(f_.seq));
  slot.key = slot.part + RightAlignText(slot.seq, 6);
  slot.fix = std::string(items_.FieldBytesAt(f_.fix));
  slot.qqty = items_.FieldNumberAt(f_.qqty);
  slot.tqty = items_.FieldNumberAt(f_.tqty);
  slot.pric = items_.FieldNumberAt(f_.pric);
  slot.cost = items_.FieldNumberAt(f_.cost);

  const std::string remark(items_.FieldBytesAt(f_.remk));
  const std::string unit = Text(f_.unit);
  auto& c = slot.cells;
  c[kColLevel] = slot.lvl;
  c[kColName] = view_ == View::OverallSummary ? TrimmedText(Text(f_.des)) : IndentName(Text(f_.des), slot.lvl);
  c[kColSize] = Text(f_.size);
  c[kColPrice] = AmountText(slot.pric);
  c[kColAmount] = AmountText(slot.cost);
  c[kColNote] = Text(f_.bigo);
  c[kColUnit] = TrimmedText(unit) == "0" ? std::string() : unit;
  slot.mark.clear();
  if (view_ == View::OverallSummary) {
    c[kColQuantity] = "1";
    return;
  }
  c[kColLevel] += remark.size() > kSummaryMarkIndex ? remark.substr(kSummaryMarkIndex, 1) : std::string(" ");
  slot.kind = RowKind();
  if (IsMarkedKind(slot.kind)) slot.mark = "Y";
  if (view_ == View::PartSummary) {
    c[kColQuantity] = "1";
    c[kColUnit] = TrimmedText(unit).empty() ? "식" : TrimmedText(unit);
  } else {
    c[kColQuantity] = FormatNumber(slot.qqty, 0, 1);
  }
}

void StatementPager::SetViewFilter(View view, const std::string& part) {
  items_.Xbase().Query(view == View::OverallSummary ? kOverallSummaryFilter
                                                    : PartLinesFilter(state_.projectType, part));
}

int StatementPager::ShowView(View view, const std::string& part) {
  long previous = static_cast<long>(TextToNumber(partText_));
  if (previous < 1) previous = 1;
  view_ = view;
  partText_ = TrimmedText(part).empty() ? std::string("1") : part;
  int row = state_.firstRow;
  TXbase& xb = items_.Xbase();
  xb.Query("");
  xb.SetOrder(1);
  partName_.clear();
  if (SoftSeek(items_, "T" + partText_) && TrimmedText(items_.FieldBytesAt(f_.part)) == "T" + partText_)
    partName_ = TrimmedText(Text(f_.des));

  if (view == View::OverallSummary) {
    viewFilter_ = kOverallSummaryFilter;
    if (HasPartCodes(state_.projectType)) row = static_cast<int>(std::min<long>(previous, state_.lastRow));
  } else if (view == View::PartSummary) {
    viewFilter_ = SummaryItemsFilter(state_.projectType, partText_);
  } else {
    viewFilter_ = PartLinesFilter(state_.projectType, partText_);
  }
  state_.curPart = part;
  xb.Query(viewFilter_);
  xb.GoTop();
  LoadPage(state_.firstRow);
  // The remembered row may lie below the last line of a short overall summary.
  while (row > state_.firstRow && !Slot(row).used) --row;
  return row;
}

void StatementPager::LoadPage(int first) {
  int row = first;
  if (Count() >= 1) {
    for (; row <= state_.lastRow && !items_.Eof(); ++row) {
      FillSlot(slots_[static_cast<size_t>(row)]);
      items_.Skip(1);
    }
  }
  for (; row <= state_.lastRow; ++row) ClearSlot(row);
}

void StatementPager::LoadRow(int row) {
  if (items_.Eof()) {
    ClearSlot(row);
  } else {
    FillSlot(slots_[static_cast<size_t>(row)]);
  }
}

bool StatementPager::GoToSlot(int row) {
  const RowSlot& slot = Slot(row);
  if (!slot.used) return false;
  if (items_.RecNo() == slot.recno && !items_.Eof()) return true;
  return items_.Xbase().Go(slot.recno);
}

bool StatementPager::ScrollLineUp() {
  if (!GoToSlot(state_.firstRow)) return false;
  items_.Skip(-1);
  if (items_.Bof()) return false;
  for (int r = state_.lastRow; r > state_.firstRow; --r)
    slots_[static_cast<size_t>(r)] = slots_[static_cast<size_t>(r - 1)];
  LoadRow(state_.firstRow);
  return true;
}

bool StatementPager::ScrollLineDown() {
  if (!GoToSlot(state_.lastRow)) return false;
  items_.Skip(1);
  if (items_.Eof()) return false;
  for (int r = state_.firstRow; r < state_.lastRow; ++r)
    slots_[static_cast<size_t>(r)] = slots_[static_cast<size_t>(r + 1)];
  LoadRow(state_.lastRow);
  return true;
}

// The next page begins right after the last line shown, so no line is ever skipped; on the
// last page nothing moves.
bool StatementPager::ScrollPageDown() {
  if (!GoToSlot(state_.lastRow)) return false;
  items_.Skip(1);
  if (items_.Eof()) return false;
  LoadPage(state_.firstRow);
  return true;
}

// The previous page ends right before the first line shown (or starts at the top).
bool StatementPager::ScrollPageUp() {
  if (!GoToSlot(state_.firstRow)) return false;
  items_.Skip(-(state_.lastRow - state_.firstRow + 1));
  LoadPage(state_.firstRow);
  return true;
}

void StatementPager::GoTopPage() {
  items_.Xbase().GoTop();
  LoadPage(state_.firstRow);
}

bool StatementPager::GoBottomPage() {
  items_.Xbase().GoBottom();
  LoadPage(state_.firstRow);
  return true;
}

void StatementPager::ReloadAt() {
  XbTable* table = items_.engine();
  if (!table || !items_.Xbase().Go(state_.gotoRecNo)) {
    items_.Xbase().GoTop();
  } else if (!table->IsVisible(state_.gotoRecNo)) {
    // A line a narrowed view leaves out: the page opens on the next line it shows.
    if (Narrowed()) items_.Skip(1);
    if (!Narrowed() || items_.Eof()) items_.Xbase().GoTop();
  }
  LoadPage(state_.firstRow);
}

void StatementPager::ReloadPage() {
  state_.gotoRecNo = Slot(state_.firstRow).recno;
  ReloadAt();
}

void StatementPager::ShowFromPosition(long position) {
  XbTable* table = items_.engine();
  if (!table) return;
  if (position < 1 || !table->GoToPosition(static_cast<uint32_t>(position))) items_.Xbase().GoTop();
  state_.gotoRecNo = items_.RecNo();
  LoadPage(state_.firstRow);
}

uint32_t StatementPager::PositionOf(int row) {
  if (!GoToSlot(row)) return 0;
  return items_.Xbase().OrderRecNo();
}

uint32_t StatementPager::Count() { return items_.Xbase().Count(); }

SplitInfo StatementPager::SplitOf(int row) {
  SplitInfo info;
  if (!GoToSlot(row)) return info;
  const long double ma = items_.FieldNumberAt(f_.ma0);
  const long double la = items_.FieldNumberAt(f_.la0);
  const long double eq = items_.FieldNumberAt(f_.eq0);
  const long double q = items_.FieldNumberAt(f_.qqty);
  info.maUnit = FormatNumber(ma, 0, 1);
  info.laUnit = FormatNumber(la, 0, 1);
  info.eqUnit = FormatNumber(eq, 0, 1);
  info.totUnit = FormatNumber(ma + la + eq, 0, 1);
  // The amounts as the price entry stores them: each cut to whole won, the total cut once
  // from the unrounded sum.
  info.maAmount = FormatNumber(TruncDecimals(q * ma, 0), 0, 1);
  info.laAmount = FormatNumber(TruncDecimals(q * la, 0), 0, 1);
  info.eqAmount = FormatNumber(TruncDecimals(q * eq, 0), 0, 1);
  info.totAmount = FormatNumber(TruncDecimals(q * ma + q * la + q * eq, 0), 0, 1);
  return info;
}

uint32_t StatementPager::FindSequence(const std::string& seq) {
  const bool narrowed = Narrowed();
  if (narrowed) items_.engine()->RestrictTo({});
  uint32_t found = 0;
  for (items_.Xbase().GoTop(); !items_.Eof() && found == 0; items_.Skip(1)) {
    if (TrimmedText(items_.FieldBytesAt(f_.seq)) == seq) found = items_.RecNo();
  }
  if (narrowed) items_.engine()->RestrictTo(chosen_);
  return found;
}

void StatementPager::NarrowTo(const std::vector<uint32_t>& lines) {
  XbTable* table = items_.engine();
  if (!table || (lines.empty() && !Narrowed())) return;
  items_.Post();
  chosen_ = lines;
  table->RestrictTo(lines);
}

bool StatementPager::Narrowed() const { return items_.engine() && items_.engine()->Restricted(); }

int StatementPager::ShowLineAtRow(uint32_t recno, int row) {
  XbTable* table = items_.engine();
  if (!table) return state_.firstRow;
  TXbase& xb = items_.Xbase();
  if (recno == 0 || !xb.Go(recno)) {
    xb.GoTop();
  } else if (!table->IsVisible(recno)) {
    items_.Skip(1);  // from a line left out, one step lands on the next line shown
    if (items_.Eof()) xb.GoBottom();
  }
  const uint32_t shown = items_.Eof() ? 0 : items_.RecNo();
  row = std::clamp(row, state_.firstRow, state_.lastRow);
  items_.Skip(-(row - state_.firstRow));
  LoadPage(state_.firstRow);
  for (int r = state_.firstRow; r <= state_.lastRow; ++r) {
    if (Slot(r).used && Slot(r).recno == shown) return r;
  }
  return state_.firstRow;
}

}  // namespace vak
