#include "sheets/PriceImport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

#include "common/CodePage.h"
#include "common/Numbers.h"
#include "common/Text.h"

namespace vak {
namespace {

enum Column { kPart, kCode, kKey, kName, kSpec, kUnit, kQuantity, kPrice, kMaterial, kLabour, kExpense, kRemark, kColumns };

// The titles a column may have; the program's own export gives the longer ones.
int ColumnOfTitle(const std::string& title) {
  static const std::map<std::string, int> titles = {
      {"공사", kPart},         {"코드", kCode},          {"키", kKey},       {"공종명", kName},
      {"품명", kName},         {"규격", kSpec},          {"단위", kUnit},    {"수량", kQuantity},
      {"단가", kPrice},        {"합계 단가", kPrice},    {"합계단가", kPrice}, {"재료비", kMaterial},
      {"재료비 단가", kMaterial}, {"재료비단가", kMaterial}, {"노무비", kLabour}, {"노무비 단가", kLabour},
      {"노무비단가", kLabour},  {"경비", kExpense},       {"경비 단가", kExpense}, {"경비단가", kExpense}, {"비고", kRemark}};
  const auto found = titles.find(TrimmedText(title));
  return found == titles.end() ? -1 : found->second;
}

// The header row among the first rows of a sheet: where each column is, or none.
std::optional<std::pair<size_t, std::array<int, kColumns>>> HeaderOf(const SheetRows& sheet) {
  for (size_t r = 0; r < sheet.rows.size() && r < 20; ++r) {
    std::array<int, kColumns> at;
    at.fill(-1);
    for (size_t c = 0; c < sheet.rows[r].size(); ++c) {
      const int column = ColumnOfTitle(sheet.rows[r][c].value);
      if (column >= 0 && at[static_cast<size_t>(column)] < 0) at[static_cast<size_t>(column)] = static_cast<int>(c);
    }
    if (at[kName] >= 0 && at[kSpec] >= 0 && at[kUnit] >= 0 && (at[kPrice] >= 0 || at[kMaterial] >= 0))
      return std::make_pair(r, at);
  }
  return std::nullopt;
}

const SheetCell& CellAt(const std::vector<SheetCell>& row, int column) {
  static const SheetCell empty;
  return column >= 0 && static_cast<size_t>(column) < row.size() ? row[static_cast<size_t>(column)] : empty;
}

// A price cell as whole won; empty for an empty cell. `why` says why one cannot be taken.
std::optional<long long> PriceOf(const SheetCell& cell, bool fromText, std::string& why) {
  if (cell.kind == SheetCell::Kind::Empty) {
    if (cell.formula) why = "수식의 값이 저장되지 않은 단가";
    return std::nullopt;
  }
  std::string text = cell.value;
  if (cell.kind == SheetCell::Kind::Text) {
    if (!fromText) {
      why = "숫자가 아닌 단가 (텍스트로 저장된 숫자)";
      return std::nullopt;
    }
    text = RemoveSpaces(ReplaceAll(text, ",", ""));
  } else if (cell.kind != SheetCell::Kind::Number) {
    why = "숫자가 아닌 단가";
    return std::nullopt;
  }
  // Plain decimal notation only ("1200", "-5", "1.5", "1.2E3"): no hexadecimal, no "inf".
  const size_t digits = text.find_first_not_of("+-0123456789.eE");
  char* end = nullptr;
  const long double value = digits == std::string::npos && text.find_first_of("0123456789") != std::string::npos
                                ? std::strtold(text.c_str(), &end)
                                : 0;
  if (text.empty() || !end || *end != '\0' || !std::isfinite(value)) {
    why = "숫자가 아닌 단가";
    return std::nullopt;
  }
  if (value != std::trunc(value)) {
    why = "소수 단가";
    return std::nullopt;
  }
  if (value < 0) {
    why = "음수 단가";
    return std::nullopt;
  }
  if (value > static_cast<long double>(kAmountLimit)) {
    why = "한도를 넘는 단가";
    return std::nullopt;
  }
  return static_cast<long long>(value);
}

std::string ThousandthsText(const std::string& number) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3Lf", std::strtold(number.c_str(), nullptr));
  return text;
}

// The part code a 공사 cell names: "U1" as it is, "1" as "U1".
std::string PartCodeOf(const std::string& text) {
  const std::string t = TrimmedText(text);
  if (t.empty() || t[0] == 'U') return t;
  return "U" + t;
}

}  // namespace

PriceRows ReadPriceRows(const std::vector<SheetRows>& sheets, const std::string& only, bool fromText) {
  PriceRows out;
  bool anyKeys = false, anyParts = false;
  std::set<std::string> keys;
  for (const SheetRows& sheet : sheets) {
    if (!only.empty() && sheet.name != only) continue;
    const auto header = HeaderOf(sheet);
    if (!header) continue;
    out.sheets.push_back(sheet.name);
    const size_t headerRow = header->first;
    const std::array<int, kColumns> at = header->second;  // a copy: the lambdas below capture it
    std::string sheetPart;  // the part of the sheet's keyed rows, for rows added without a key
    for (size_t r = headerRow + 1; r < sheet.rows.size(); ++r) {
      const std::vector<SheetCell>& row = sheet.rows[r];
      auto text = [&](int column) { return TrimmedText(CellAt(row, at[static_cast<size_t>(column)]).value); };
      RefusedRow seen{sheet.name, r + 1, text(kKey), text(kName), text(kSpec), text(kUnit), text(kPrice), ""};
      // Fixed-price lines, as the export marks them, are the agency's: not offered for import.
      // Rows without a work name or a price are titles, totals or blank.
      if (text(kRemark).find("단가고정") != std::string::npos) continue;
      if (seen.name.empty() && seen.key.empty()) continue;
      std::string why;
      std::array<std::optional<long long>, 4> prices;  // total, material, labour, expense
      const int priceColumns[4] = {kPrice, kMaterial, kLabour, kExpense};
      for (size_t k = 0; k < 4 && why.empty(); ++k)
        prices[k] = PriceOf(CellAt(row, at[static_cast<size_t>(priceColumns[k])]), fromText, why);
      const bool split = prices[2].value_or(0) != 0 || prices[3].value_or(0) != 0;
      const std::optional<long long> single = prices[0] ? prices[0] : prices[1];
      if (why.empty() && !split && single.value_or(0) == 0) continue;  // no price on the row: nothing to take
      if (why.empty() && split && prices[0] &&
          *prices[0] != prices[1].value_or(0) + prices[2].value_or(0) + prices[3].value_or(0))
        why = "합계 단가가 재료비, 노무비, 경비의 합과 다름";
      if (why.empty() && !split && prices[0] && prices[1] && *prices[0] != *prices[1])
        why = "재료비 단가와 합계 단가가 다름";  // a single price is both: which one was meant is not known
      if (why.empty() && seen.name.empty()) why = "공종명 없음";
      CarryItem item;
      item.seq = static_cast<long>(r + 1);
      if (!seen.key.empty()) {
        if (!keys.insert(seen.key).second) why = "키 중복";
        sheetPart = seen.key.substr(0, seen.key.find(':'));
        anyKeys = true;
      }
      const std::optional<std::string> name = Utf8ToCp949(seen.name), spec = Utf8ToCp949(seen.spec),
                                       unit = Utf8ToCp949(seen.unit);
      if (why.empty() && (!name || !spec || !unit)) why = "완성형 한글로 바꿀 수 없는 글자";
      if (!why.empty()) {
        seen.why = why;
        out.refused.push_back(std::move(seen));
        continue;
      }
      item.code = seen.key.empty() ? text(kCode) : seen.key;
      item.part = at[kPart] >= 0 ? PartCodeOf(text(kPart)) : sheetPart;
      anyParts = anyParts || at[kPart] >= 0;
      item.name = *name;
      item.spec = *spec;
      item.unit = *unit;
      // A quantity as the spreadsheet stores it (80.57299999999999) is the statement's 80.573.
      const SheetCell& quantity = CellAt(row, at[kQuantity]);
      item.quantity = quantity.kind == SheetCell::Kind::Number ? ThousandthsText(quantity.value) : text(kQuantity);
      item.split = split;
      item.material = std::to_string(prices[1].value_or(0));
      item.labour = std::to_string(prices[2].value_or(0));
      item.expense = std::to_string(prices[3].value_or(0));
      item.price = split ? std::to_string(prices[1].value_or(0) + prices[2].value_or(0) + prices[3].value_or(0))
                         : std::to_string(single.value_or(0));
      if (!split) item.material = item.price;
      item.priced = true;
      out.source.items.push_back(std::move(item));
    }
  }
  out.source.byKey = anyKeys;
  out.source.wholeTender = !anyKeys && !anyParts;
  out.source.fromSheet = true;
  return out;
}

ImportResult ImportPrices(const ImportRequest& request, TXbaseEnv& env, UserNotifier& notifier) {
  ImportResult result;
  auto fail = [&](const std::string& text) {
    notifier.Message(text + "\n단가를 가져오지 않았습니다. 지금 내역은 그대로입니다.", "오류", MessageIcon::Error,
                     MessageButtons::Ok);
    return result;
  };
  if (const std::string problem = TenderToPriceProblem(request.dir); !problem.empty()) return fail(problem);
  std::string problem;
  std::vector<SheetRows> sheets;
  if (request.csv) {
    std::optional<SheetRows> sheet = ReadCsvSheet(request.path, &problem);
    if (sheet) sheets.push_back(std::move(*sheet));
  } else if (std::optional<std::vector<SheetRows>> read = ReadXlsxSheets(request.path, &problem)) {
    sheets = std::move(*read);
  }
  if (sheets.empty()) return fail(problem);
  PriceRows rows = ReadPriceRows(sheets, request.csv ? std::string() : request.sheet, request.csv);
  if (rows.sheets.empty()) {
    return fail(request.path + "\n" +
                (request.sheet.empty() || request.csv ? std::string("단가를 가져올 시트가 없습니다.")
                                                      : "시트 「" + request.sheet + "」가 없거나 가져올 수 없습니다.") +
                " 머리줄에 공종명, 규격, 단위, 단가 열이 있어야 합니다.");
  }
  result.refused = std::move(rows.refused);
  CarryResult carried = CarryPricesInto(std::move(rows.source), request.dir, request.overwrite, env, notifier);
  result.completed = carried.completed;
  result.unfinished = carried.unfinished;
  result.plan = std::move(carried.plan);
  result.tenderAmount = carried.tenderAmount;
  return result;
}

std::string ImportReportCsv(const ImportResult& result) {
  std::string csv = CarryReportCsv(result.plan);
  for (const RefusedRow& r : result.refused)
    csv += CsvRow({"제외: " + r.why, r.sheet + " " + std::to_string(r.row) + "행", "", r.key, r.name, r.spec, r.unit,
                   "", "", "", "", r.price, "", "", ""});
  return csv;
}

}  // namespace vak
