#include "pricing/UnpricedLines.h"

#include <algorithm>

#include "pricing/RollUp.h"
#include "pricing/TenderReview.h"

namespace vak {

std::vector<uint32_t> UnpricedLinesWithHeadings(TZekTable& items) {
  std::vector<uint32_t> lines;
  if (!items.engine()) return lines;
  TXbase& xb = items.Xbase();
  const uint32_t start = items.Eof() ? 0 : items.RecNo();
  const ItemFieldMap f = items.FieldMap();
  auto first = [&](int index) {
    const std::string_view v = items.FieldBytesAt(index);
    return v.empty() ? ' ' : v[0];
  };
  OpenHeadings<uint32_t> open;  // by record number
  size_t listed = 0;            // the outermost open headings already in `lines`
  for (xb.GoTop(); !items.Eof(); items.Skip(1)) {
    const char level = first(f.lvl);
    const int depth = IsLevelDigit(level) ? level - '0' : -1;
    open.Reach(depth);
    listed = std::min(listed, open.Enclosing().size());
    if (IsHeadingLevel(level, first(f.nlvl))) {
      open.Open(depth, items.RecNo());
      continue;
    }
    const LineState state = LineStateOf(items, f);
    if (!state.takesPrice || state.priced) continue;
    // Only a line of level 1 to 9 stands under a heading; level "0" is the part's own.
    if (depth >= 1) {
      for (; listed < open.Enclosing().size(); ++listed) lines.push_back(open.Enclosing()[listed].second);
    }
    lines.push_back(items.RecNo());
  }
  if (start != 0) {
    xb.Go(start);
  } else {
    xb.GoTop();
  }
  return lines;
}

}  // namespace vak
