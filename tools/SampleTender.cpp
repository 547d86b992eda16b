#include "tools/SampleTender.h"

#include <cmath>
#include <random>

#include "common/CodePage.h"
#include "common/Files.h"
#include "common/Numbers.h"
#include "store/DbfFile.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"

namespace vak {
namespace {

const char* const kPartNames[] = {"건축공사", "토목공사", "기계설비공사", "전기공사", "조경공사",
                                  "통신공사", "소방공사", "포장공사",     "부대공사"};

const char* const kWorks[] = {
    "가설공사", "토공사",   "철근콘크리트공사", "조적공사", "방수공사", "미장공사",       "타일공사",   "목공사",
    "금속공사", "창호공사", "유리공사",         "도장공사", "수장공사", "지붕및홈통공사", "배수공사",   "포장공사",
    "관로공사", "옹벽공사", "배관공사",         "덕트공사", "보온공사", "전선관공사",     "케이블공사", "조명설비공사"};

const char* const kSubWorks[] = {"기초",   "지하층", "지상1층", "지상2층", "옥탑층",   "외부",
                                 "주차장", "관리동", "기계실",  "전기실",  "진입도로", "부대시설"};

struct ItemSpec {
  const char* name;
  const char* size;
  const char* unit;
};

const ItemSpec kItems[] = {{"레미콘", "25-24-15", "M3"},
                           {"레미콘 타설", "펌프카, 철근", "M3"},
                           {"거푸집", "합판 3회", "M2"},
                           {"철근가공조립", "HD-13, 보통", "TON"},
                           {"터파기", "토사, 깊이 1m이하", "M3"},
                           {"되메우기", "인력 및 장비", "M3"},
                           {"잡석깔기", "다짐 포함", "M3"},
                           {"버림콘크리트", "18-18-8, T=60", "M3"},
                           {"시멘트벽돌쌓기", "1.0B", "M2"},
                           {"액체방수", "바닥 2차", "M2"},
                           {"시멘트몰탈 바름", "벽, T=18mm", "M2"},
                           {"자기질타일 붙이기", "300x300", "M2"},
                           {"수성페인트", "내부, 2회", "M2"},
                           {"알루미늄창호 설치", "AW-1", "개소"},
                           {"강관 배관", "SPP 25mm", "M"},
                           {"동관 배관", "L형 20mm", "M"},
                           {"보온재 설치", "T=25mm", "M"},
                           {"전선관 배관", "HI-PVC 22C", "M"},
                           {"케이블 포설", "F-CV 4SQ-2C", "M"},
                           {"등기구 설치", "LED 40W", "EA"},
                           {"콘센트 설치", "2구 접지", "개"},
                           {"아스팔트포장", "T=50mm", "M2"},
                           {"보도블록 포장", "투수성", "M2"},
                           {"교목 식재", "소나무 H3.0", "주"},
                           {"잔디 식재", "평떼", "M2"},
                           {"집수정 설치", "600x600", "개소"},
                           {"흄관 부설", "D300", "본"},
                           {"비계 설치", "강관비계", "M2"},
                           {"먹매김", "건축", "M2"},
                           {"현장정리", "", "식"}};

const ItemSpec kLevelZeroItems[] = {{"산재보험료", "", "식"}, {"고용보험료", "", "식"},   {"안전관리비", "", "식"},
                                    {"환경보전비", "", "식"}, {"폐기물처리비", "", "식"}, {"품질관리비", "", "식"}};

std::string Cp(const std::string& utf8) { return Utf8ToCp949(utf8).value_or(std::string()); }

class Generator {
 public:
  Generator(const SampleOptions& options) : rng_(options.seed) {}

  // Appends the lines of one part code with about `budget` lines.
  void SetPart(const std::string& partCode) {
    seq_ = 0;
    works_ = 0;
    part_ = partCode;
  }

  void Part(const std::string& partCode, long budget, std::vector<std::string>& out) {
    SetPart(partCode);
    const size_t first = out.size();
    const long tail = budget >= 12 ? 3 : 0;
    long left = budget - tail;
    while (left > 0) {
      Work(1, left, out);
    }
    for (long i = 0; i < tail; ++i) {
      const ItemSpec& z = kLevelZeroItems[static_cast<size_t>(i) % std::size(kLevelZeroItems)];
      out.push_back(Line('0', z.name, z.size, z.unit, 1, 0, i == 1 ? "   *" : ""));
    }
    FillNextLevels(out, first);
  }

  std::string Line(char level, const std::string& name, const std::string& size, const std::string& unit,
                   long double quantity, long double headingQuantity, const std::string& marks,
                   long double fixedPrice = 0) {
    const std::vector<DbfField>& f = ItemTableFields();
    std::string r(static_cast<size_t>(kItemRecordLength), ' ');
    StoreNumericField(r.data(), f[0], ++seq_);
    r[static_cast<size_t>(f[1].offset)] = level;
    StoreCharacterField(r.data(), f[3], Cp(name));
    StoreCharacterField(r.data(), f[4], Cp(size));
    StoreNumericField(r.data(), f[5], quantity);
    StoreNumericField(r.data(), f[6], headingQuantity);
    StoreCharacterField(r.data(), f[7], Cp(unit));
    for (int i : {8, 9, 14, 15, 16, 17, 18, 19}) StoreNumericField(r.data(), f[static_cast<size_t>(i)], 0);
    if (marks.find('*') != std::string::npos) StoreCharacterField(r.data(), f[11], "           *");
    char code[16];
    std::snprintf(code, sizeof code, "%c%09u", part_.size() > 1 ? part_[1] : 'S',
                  static_cast<unsigned>(Rand(999999999)));
    StoreCharacterField(r.data(), f[12], level == '0' ? "" : code);
    if (fixedPrice > 0) {
      r[static_cast<size_t>(f[13].offset)] = '*';
      StoreNumericField(r.data(), f[8], fixedPrice);
      StoreNumericField(r.data(), f[14], fixedPrice);
    }
    StoreCharacterField(r.data(), f[20], part_);
    return r;
  }

  long Rand(long n) { return static_cast<long>(rng_() % static_cast<unsigned long>(n)); }

 private:
  void Work(int level, long& left, std::vector<std::string>& out) {
    const char lv = static_cast<char>('0' + level);
    std::string name = level == 1
                           ? std::to_string(++works_) + ". " + kWorks[Rand(std::size(kWorks))]
                           : std::string(kSubWorks[Rand(std::size(kSubWorks))]) + " " + kWorks[Rand(std::size(kWorks))];
    const long double multiplier = (level >= 2 && Rand(100) < 6) ? 2 + Rand(2) : 0;  // 2 or 3 of the same
    const bool fixed = level >= 2 && Rand(100) < 3;
    out.push_back(Line(lv, name, multiplier ? "동일 구조물" : "", multiplier ? "개소" : "", 0, multiplier,
                       level == 1 ? "*" : "", fixed ? 1000 * (1 + Rand(900)) : 0));
    --left;
    const long children = 2 + Rand(level == 1 ? 5 : 6);
    for (long c = 0; c < children && (c == 0 || left > 0); ++c) {
      if (level + 1 < 5 && left > 4 && Rand(100) < 35) {
        Work(level + 1, left, out);
      } else {
        Item(static_cast<char>(lv + 1), out);
        --left;
      }
    }
  }

  void Item(char level, std::vector<std::string>& out) {
    const ItemSpec& item = kItems[Rand(std::size(kItems))];
    long double quantity = std::string(item.unit) == "식" ? 1 : (1 + Rand(500)) + Rand(1000) / 1000.0L;
    if (Rand(100) < 2) quantity = 0;  // a line without quantity
    const long double fixed = Rand(100) < 3 ? 100 * (1 + Rand(5000)) : 0;
    out.push_back(Line(level, item.name, item.size, item.unit, quantity, 0, "", fixed));
  }

  static void FillNextLevels(std::vector<std::string>& out, size_t first) {
    const std::vector<DbfField>& f = ItemTableFields();
    const size_t lvl = static_cast<size_t>(f[1].offset);
    const size_t nlvl = static_cast<size_t>(f[2].offset);
    for (size_t i = first; i < out.size(); ++i) out[i][nlvl] = i + 1 < out.size() ? out[i + 1][lvl] : out[i][lvl];
  }

  std::mt19937 rng_;
  std::string part_;
  long seq_ = 0;
  int works_ = 0;
};

}  // namespace

bool WriteSampleTender(const std::string& dir, const SampleOptions& options, std::string* error) {
  if (options.type != 1 && options.type != 2) {
    if (error) *error = "--type은 1 또는 2여야 합니다";
    return false;
  }
  const long lines = std::max(options.lines, 1L);
  Generator gen(options);
  std::vector<std::string> records;
  records.reserve(static_cast<size_t>(lines) + 64);

  if (options.type == 1) {
    gen.Part("U", lines, records);
  } else {
    // The overall summary: one line per construction part, carrying the part's name.
    const int parts = 3;
    for (int p = 1; p <= parts; ++p) {
      gen.SetPart("T" + std::to_string(p));
      records.push_back(gen.Line('1', kPartNames[p - 1], "", "식", 1, 0, ""));
      records.back()[static_cast<size_t>(ItemTableFields()[2].offset)] = '1';
    }
    const long perPart = std::max((lines - parts) / parts, 1L);
    for (int p = 1; p <= parts; ++p) gen.Part("U" + std::to_string(p), perPart, records);
  }

  DbfWriter writer(JoinPath(dir, "VAK.DBF"), ItemTableFields());
  for (const std::string& r : records) writer.Add(r.data());
  if (writer.Commit() != 0) {
    if (error) *error = JoinPath(dir, "VAK.DBF") + ": 쓸 수 없습니다";
    return false;
  }

  HeaderValues header;
  header[kCmnAuth] = Cp("한빛시 건설교통국");
  header[kCmnCdno] = "K31-0427";
  header[kCmnCona] = "";
  header[kCmnDesc] = Cp(options.type == 2 ? "한빛시 종합복지관 신축공사" : "한빛시 소하천 정비공사");
  header[kCmnIpmt] = "0";
  header[kCmnMaxd] = "0";
  header[kCmnMrg] = "0";
  header[kCmnMtno] = "2026-0123";
  header[kCmnName] = Cp("김민수");
  header[kCmnPrt] = "0";
  header[kCmnTel] = "031-123-4567";
  header[kCmnTop] = "0";
  header[kCmnType] = std::to_string(options.type);
  if (!WriteMemFile(JoinPath(dir, "VAK.MEM"), header)) {
    if (error) *error = JoinPath(dir, "VAK.MEM") + ": 쓸 수 없습니다";
    return false;
  }
  return true;
}

}  // namespace vak
