#include "tools/CheckReport.h"

#include <algorithm>
#include <cstdio>

#include "common/CodePage.h"
#include "common/Numbers.h"

namespace vak {
namespace {

std::string Count(long n) { return FormatNumber(static_cast<long double>(n), 0, 0); }
std::string Won(long long n) { return FormatNumber(static_cast<long double>(n), 0, 0); }

const char* KindText(FindingKind kind) {
  switch (kind) {
    case FindingKind::ItemAmount: return "항목 금액";
    case FindingKind::HeadingTotal: return "공종 합계";
    case FindingKind::SummaryLine: return "총괄집계";
  }
  return "";
}

const char* KindKey(FindingKind kind) {
  switch (kind) {
    case FindingKind::ItemAmount: return "itemAmount";
    case FindingKind::HeadingTotal: return "headingTotal";
    case FindingKind::SummaryLine: return "summaryLine";
  }
  return "";
}

std::string PartTitle(const PartReview& part) {
  return part.part.empty() ? "내역 (" + part.partCode + ")" : "공사 " + part.part + " (" + part.partCode + ")";
}

const char* TypeText(ProjectType type) {
  return type == ProjectType::Single ? "단일공사" : type == ProjectType::Compound ? "복합공사" : "공사 구분 없음";
}

// Always valid JSON: bytes that are not UTF-8 (a damaged field, a directory named in the code
// page) are read as code page 949.
std::string Json(const std::string& bytes) {
  const std::string text = AsUtf8(bytes);
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonList(const std::vector<std::string>& texts) {
  std::string out = "[";
  for (size_t i = 0; i < texts.size(); ++i) out += (i ? ", " : "") + Json(texts[i]);
  return out + "]";
}

// A stored text on one line of the report: a line break or tab in it would fake lines of its own.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return text;
}

std::string RecordList(const std::vector<uint32_t>& records) {
  std::string out;
  for (const uint32_t r : records) out += (out.empty() ? "" : ", ") + std::to_string(r);
  return out;
}

std::string JsonNumbers(const std::vector<uint32_t>& records) { return "[" + RecordList(records) + "]"; }

std::string IdenticalText(const std::vector<IdenticalPriceGroup>& groups) {
  if (groups.empty()) return std::string();
  std::string text = "\n[경고] 동일 품목 단가 상이 " + Count(static_cast<long>(groups.size())) +
                     "건 (공종명·규격·단위가 같은데 단가가 다른 항목):\n";
  for (const IdenticalPriceGroup& g : groups) {
    text += "  「" + OneLine(g.name) + " / " + OneLine(g.spec) + " / " + OneLine(g.unit) + "」";
    for (size_t i = 0; i < g.prices.size(); ++i)
      text += std::string(i ? "," : "") + " " + g.prices[i].text + " (레코드 " + RecordList(g.prices[i].records) + ")";
    text += "\n";
  }
  return text;
}

std::string IdenticalJson(const std::vector<IdenticalPriceGroup>& groups) {
  std::string json = "  \"identicalItemsPricedDifferently\": [";
  for (size_t i = 0; i < groups.size(); ++i) {
    const IdenticalPriceGroup& g = groups[i];
    std::vector<std::string> prices;
    std::vector<uint32_t> records;
    std::string byPrice;
    for (const IdenticalPriceGroup::Price& p : g.prices) {
      prices.push_back(p.text);
      records.insert(records.end(), p.records.begin(), p.records.end());
      byPrice += std::string(byPrice.empty() ? "" : ", ") + "{\"price\": " + Json(p.text) +
                 ", \"records\": " + JsonNumbers(p.records) + "}";
    }
    std::sort(records.begin(), records.end());
    json += std::string(i ? "," : "") + "\n    {\"name\": " + Json(g.name) + ", \"spec\": " + Json(g.spec) +
            ", \"unit\": " + Json(g.unit) + ", \"prices\": " + JsonList(prices) +
            ", \"records\": " + JsonNumbers(records) + ", \"byPrice\": [" + byPrice + "]}";
  }
  return json + (groups.empty() ? "],\n" : "\n  ],\n");
}

}  // namespace

std::string CheckReportText(const std::string& dir, const TenderReview& review,
                            const std::vector<IdenticalPriceGroup>& identical) {
  std::string text = "입찰 자료 점검: " + dir + " (" + TypeText(review.type) + ")\n";
  for (const PartReview& part : review.parts) {
    text += "\n" + PartTitle(part) + ": 단가입력 " + Count(part.priced) + " / " + Count(part.takesPrice);
    text += part.Unpriced() > 0 ? " (미입력 " + Count(part.Unpriced()) + "개)\n" : "\n";
    if (part.itemLines > 0) text += "  금액이 수량 × 단가(원 미만 버림)와 다른 항목: " + Count(part.itemLines) + "줄\n";
    if (part.headingLines > 0) text += "  합계가 아래 줄들의 합과 맞지 않는 공종: " + Count(part.headingLines) + "줄\n";
    if (part.summaryLines > 0) text += "  총괄집계의 공사 줄이 공사 합계와 다릅니다.\n";
    for (const Finding& f : part.findings) {
      text += "    " + std::string(KindText(f.kind)) + " " + f.where + " " + f.field + ": 저장 " +
              (f.stored.empty() ? std::string("(빈칸)") : f.stored) + ", 계산 " + std::to_string(f.computed) + "\n";
    }
    if (part.unreadable > 0) {
      text += "  숫자나 레벨을 읽을 수 없는 줄: " + Count(part.unreadable) + "줄\n";
      for (const std::string& line : part.unreadableLines) text += "    " + line + "\n";
    }
    if (part.overLimit > 0) {
      text += "  12자리(999,999,999,999)를 넘는 값: " + Count(part.overLimit) + "개\n";
      for (const std::string& line : part.overLimitLines) text += "    " + line + "\n";
    }
    text += "  공사 합계(계산): " + Won(part.total) + "원\n";
  }
  text += "\n총입찰금액(CMN_IPMT): 저장 " +
          (review.storedTenderRead ? Won(review.storedTender) : "\"" + review.storedTenderText + "\"(숫자 아님)") +
          ", 계산 " + Won(review.computedTender) + (review.TenderAmountDiffers() ? " — 다릅니다\n" : " — 같습니다\n");
  const bool complete = review.Complete();
  const bool consistent = review.Consistent();
  if (complete && consistent) {
    text += "결과: 완성 — 단가를 받는 항목 " + Count(review.TakesPrice()) +
            "개에 모두 단가가 있고, 금액과 합계가 모두 맞습니다.\n";
  } else {
    text += "결과: 미완성 —";
    if (!complete) text += " 미입력 " + Count(review.Unpriced()) + "개;";
    if (!consistent) text += " 금액이나 합계가 맞지 않습니다 (F3 내역서계산 또는 vaktool calc로 다시 계산하십시오);";
    text.back() = '\n';
  }
  return text + IdenticalText(identical);
}

std::string CheckReportJson(const std::string& dir, const TenderReview& review,
                            const std::vector<IdenticalPriceGroup>& identical) {
  const char* type = review.type == ProjectType::Single     ? "single"
                     : review.type == ProjectType::Compound ? "compound"
                                                            : "unstated";
  std::string json = "{\n  \"dir\": " + Json(dir) + ",\n  \"projectType\": \"" + type + "\",\n";
  json += std::string("  \"complete\": ") + (review.Complete() ? "true" : "false") + ",\n";
  json += std::string("  \"consistent\": ") + (review.Consistent() ? "true" : "false") + ",\n";
  json += "  \"itemsTakingPrice\": " + std::to_string(review.TakesPrice()) + ",\n";
  json += "  \"unpriced\": " + std::to_string(review.Unpriced()) + ",\n";
  json += "  \"tenderAmount\": {\"stored\": " +
          (review.storedTenderRead ? std::to_string(review.storedTender) : Json(review.storedTenderText)) +
          ", \"computed\": " + std::to_string(review.computedTender) +
          ", \"differs\": " + (review.TenderAmountDiffers() ? "true" : "false") + "},\n";
  json += IdenticalJson(identical);
  json += "  \"parts\": [";
  for (size_t i = 0; i < review.parts.size(); ++i) {
    const PartReview& p = review.parts[i];
    json += std::string(i ? "," : "") + "\n    {\"part\": " + Json(p.part) + ", \"partCode\": " + Json(p.partCode) +
            ", \"lines\": " + std::to_string(p.lines) + ", \"itemsTakingPrice\": " + std::to_string(p.takesPrice) +
            ", \"priced\": " + std::to_string(p.priced) + ", \"unpriced\": " + std::to_string(p.Unpriced()) +
            ", \"stale\": " + (p.Stale() ? "true" : "false") + ", \"itemAmountLines\": " + std::to_string(p.itemLines) +
            ", \"headingTotalLines\": " + std::to_string(p.headingLines) +
            ", \"summaryLineDiffers\": " + (p.summaryLines > 0 ? "true" : "false") +
            ", \"unreadableLines\": " + std::to_string(p.unreadable) +
            ", \"overLimit\": " + std::to_string(p.overLimit) + ", \"total\": " + std::to_string(p.total) +
            ",\n     \"findings\": [";
    for (size_t k = 0; k < p.findings.size(); ++k) {
      const Finding& f = p.findings[k];
      json += std::string(k ? ", " : "") + "{\"kind\": \"" + KindKey(f.kind) +
              "\", \"record\": " + std::to_string(f.recno) + ", \"line\": " + Json(f.where) +
              ", \"field\": " + Json(f.field) + ", \"stored\": " + Json(f.stored) +
              ", \"computed\": " + std::to_string(f.computed) + "}";
    }
    json += "],\n     \"unreadable\": " + JsonList(p.unreadableLines) +
            ", \"overLimitValues\": " + JsonList(p.overLimitLines) + "}";
  }
  json += "\n  ]\n}\n";
  return json;
}

}  // namespace vak
