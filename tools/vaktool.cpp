// vaktool: the program's own operations without a window, on a tender's data directory.
// Prints UTF-8; exits non-zero with a message on failure.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "VakVersion.h"
#include "common/CodePage.h"
#include "common/FileCommit.h"
#include "common/Files.h"
#include "common/Numbers.h"
#include "common/Platform.h"
#include "common/Text.h"
#ifdef VAK_HAS_SHEETS
#include "sheets/PriceImport.h"
#include "sheets/StatementWorkbook.h"
#include "sheets/XlsxExport.h"
#endif
#include "pricing/AmountAdjustment.h"
#include "pricing/Calculation.h"
#include "pricing/IdenticalItems.h"
#include "pricing/PriceCarry.h"
#include "pricing/PriceEntry.h"
#include "pricing/PriceHistory.h"
#include "pricing/TenderReview.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"
#include "store/Preparation.h"
#include "store/Reorganise.h"
#include "store/Restore.h"
#include "store/Submission.h"
#include "store/TenderFiles.h"
#include "store/Xbase.h"
#include "tools/CheckReport.h"
#include "tools/SampleTender.h"
#ifdef VAK_HAS_REPORTS
#include "tools/ReportCommand.h"
#endif

namespace {

using namespace vak;

constexpr const char* kVersion = VAK_VERSION;

const char* const kHelp =
    "사용법: vaktool 명령 [인수...]\n"
    "\n"
    "전산내역입찰(VAK) 프로그램의 작업을 창 없이 실행합니다.\n"
    "\n"
    "  sample DIR [--type 1|2] [--lines N] [--seed S] [--overwrite]\n"
    "               DIR에 견본 입찰 자료(VAK.DBF, VAK.MEM)를 만듭니다. 이미 있는 입찰 자료는\n"
    "               --overwrite를 줄 때만 바꿉니다.\n"
    "  prepare DIR [--yes]\n"
    "               프로그램 시작 때와 같은 자료 준비(색인 재작성, 정리, 구버전 변환,\n"
    "               하위 레벨 재계산)를 실행합니다.\n"
    "  calc DIR [--part C|all] [--yes]\n"
    "               공사 C(복합공사의 기본값: 첫 공사, all: 모든 공사)의 내역서를 F3처럼\n"
    "               계산하고 총입찰금액을 VAK.MEM에 기록합니다.\n"
    "  report DIR --kind KIND --pdf OUT.pdf [--part C] [--first-page N]\n"
    "         [--margins T,R,L,B] [--portrait] [--pages FROM-TO] [--yes]\n"
    "               입찰 서류를 PDF로 씁니다. 프로그램 시작 때의 자료 준비를 하고, 프로그램과\n"
    "               같은 보고서 자료 화일(VakRpt1~4.DBF)을 자료 디렉토리에 만든 뒤 씁니다.\n"
    "               KIND: summary(총괄 집계장), overall(총괄 내역서), statement(입찰 내역서),\n"
    "               statement-lme(입찰 내역서, 재/노/경), cover(입찰 표지).\n"
    "               --part: 복합공사의 공사 코드(기본 1, all: 전체 공사); --first-page: 첫장의 페이지 번호,\n"
    "               0부터 900(기본 1, 0이면 번호를 찍지 않음); --margins: 위,오른,왼,아래 여백,\n"
    "               각 0부터 20(기본 8,4,4,0, 단위 2mm); --portrait: 종방향(기본 횡방향);\n"
    "               --pages: 쓸 페이지 범위.\n"
    "  submit DIR TARGET [--yes]\n"
    "               VAK.DBF와 VAK.MEM을 제출 매체(디렉토리 TARGET)에 복사하고, 다시 읽어\n"
    "               같은지 확인합니다. 확인되었을 때만 0으로 끝납니다. 미입력 항목이나 다시\n"
    "               계산할 금액이 있으면 그대로 제출할지 묻습니다.\n"
    "  restore DIR [--yes]\n"
    "               VAK.DBF와 VAK.MEM을 처음 쓸 때 보관해 둔 발주기관의 원본(DIR/원본)으로\n"
    "               되돌립니다. 지금 화일은 VAK.DBF.날짜-시각, VAK.MEM.날짜-시각으로 남깁니다.\n"
    "  check DIR [--json]\n"
    "               입찰 자료를 바꾸지 않고 점검합니다: 공사별 단가 미입력 항목, 수량 × 단가와\n"
    "               다른 금액, 맞지 않는 공종 합계와 총괄집계 줄, 합계와 다른 총입찰금액\n"
    "               (CMN_IPMT), 한도를 넘는 값. 완성되고 맞으면 0, 아니면 1, 읽을 수 없으면 2로\n"
    "               끝납니다. 공종명·규격·단위가 같은데 단가가 다른 항목은 경고로만 보입니다.\n"
    "               --json: 결과를 JSON으로 보입니다.\n"
    "  carry FROM_DIR TO_DIR [--report FILE.csv] [--overwrite] [--yes]\n"
    "               FROM_DIR(단가를 넣은 이전 내역)의 단가를 TO_DIR(새 내역)의 같은 항목에\n"
    "               가져오고 모든 공사를 다시 계산합니다. 공사 안에서 코드(F_CODE)로, 코드가\n"
    "               없거나 겹치면 공종명·규격·단위로 짝짓습니다. 단가고정 항목과 이미 넣은\n"
    "               단가는 그대로 둡니다(--overwrite: 이미 넣은 단가도 바꿉니다).\n"
    "               --report: 항목마다 결과를 CSV(UTF-8)로 씁니다. FROM_DIR은 읽기만 합니다.\n"
    "  adjust DIR --target AMOUNT [--report FILE.csv] [--yes]\n"
    "               단가를 입력한 항목의 단가에 같은 비율을 곱해(원 미만 버림) 총입찰금액을\n"
    "               AMOUNT원에 맞추고, 남는 몇 원은 가능한 한 적은 항목의 단가를 올려 채운 뒤\n"
    "               모든 공사를 다시 계산합니다. 단가고정, 단가 없는 항목, 음수 단가는 그대로\n"
    "               둡니다. 바뀐 항목을 CSV(UTF-8)로 씁니다(기본: DIR/금액맞추기-결과.csv).\n"
    "               목표 금액에 원 단위까지 맞추지 못하면(모자라는 금액을 보임) 3으로 끝납니다.\n"
    "  export DIR --xlsx OUT.xlsx\n"
    "               내역을 엑셀 화일로 씁니다: 공사마다 한 시트(복합공사는 총괄집계 시트가 먼저),\n"
    "               금액은 수식(수량 × 단가, 공종 합계, 공사 합계)과 프로그램이 계산한 값으로.\n"
    "  import DIR (--xlsx IN.xlsx [--sheet NAME] | --csv IN.csv) [--report FILE.csv] [--overwrite] [--yes]\n"
    "               엑셀 화일(내보낸 화일, 또는 머리줄에 공종명·규격·단위·단가가 있는 시트)이나\n"
    "               CSV(UTF-8 또는 완성형)의 단가를 같은 항목에 가져오고 모든 공사를 다시 계산합니다.\n"
    "               키 열이 있으면 키로, 없으면 단가 가져오기(carry)처럼 짝짓습니다. 소수, 글자,\n"
    "               음수 단가는 가져오지 않고 결과 화일에 적습니다.\n"
    "  price DIR --record N (--price P | --split M,L,E) [--same-items] [--yes]\n"
    "               레코드 N(vaktool dump의 번호)에 단가 입력 창처럼 단가(또는 재료비, 노무비, 경비)를\n"
    "               씁니다. 내역서 계산은 하지 않습니다(vaktool calc). 단가를 받지 않는 줄은\n"
    "               거절합니다. --same-items: 공종명·규격·단위가 같은 다른 항목에도 씁니다.\n"
    "  dump DIR [--order 0|1] [--query EXPR]\n"
    "               VAK.DBF의 레코드를 탭으로 구분해 보입니다.\n"
    "\n"
    "  --yes        묻는 말(손상된 화일을 고쳐 쓸지, 읽을 수 없는 숫자를 0으로 계산할지,\n"
    "               원본 없이 계속할지, 원본으로 되돌릴지)에 모두 '예'로 답합니다.\n"
    "               없으면 터미널에서는 물어 보고, 그렇지 않으면 '아니오'로 답합니다.\n"
    "  DIR은 주어진 그대로 쓰입니다 (앞뒤 공백도 이름의 일부입니다).\n"
    "  --help       이 도움말을 보입니다.\n"
    "  --version    판 번호를 보입니다.\n";

void PrintHelp() {
  std::fputs(kHelp, stdout);
  std::string missing;
#ifndef VAK_HAS_REPORTS
  missing += " report";
#endif
#ifndef VAK_HAS_SHEETS
  missing += " export import";
#endif
  if (!missing.empty())
    std::printf("\n이 빌드에는 없는 명령:%s (창 프로그램의 같은 메뉴를 쓰십시오).\n", missing.c_str());
}

// The help of one command: its block of the whole help, and the --yes and DIR notes.
// Empty for a name that is no command.
std::string CommandHelp(const std::string& command) {
  const std::string help = kHelp;
  const size_t start = help.find("\n  " + command + " ");
  if (start == std::string::npos) return std::string();
  size_t end = start + 1;
  do {
    end = help.find('\n', end) + 1;
  } while (end < help.size() && help.compare(end, 3, "   ") == 0);  // its indented lines
  std::string text = "사용법: vaktool" + help.substr(start + 2, end - start - 2);
  const size_t notes = help.find("\n  --yes");
  return text + help.substr(notes, help.find("  --help") - notes);
}

// Messages go to the error output. A question is answered "yes" with --yes; otherwise it is
// asked on the terminal, and answered "no" when there is none to ask on.
class ConsoleNotifier : public UserNotifier {
 public:
  explicit ConsoleNotifier(bool yes = false) : yes_(yes) {}
  MessageAnswer Message(const std::string& text, const std::string& caption, MessageIcon,
                        MessageButtons buttons) override {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    ++messages;
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    if (yes_) {
      std::fputs("  → 예 (--yes)\n", stderr);
      return MessageAnswer::Yes;
    }
    if (!platform::StandardInputIsTerminal()) {
      std::fputs("  → 아니오 (묻지 않고 진행하려면 --yes)\n", stderr);
      return MessageAnswer::No;
    }
    std::fputs(buttons == MessageButtons::YesNoCancel ? "  예/아니오/취소 [y/N/c]: " : "  예/아니오 [y/N]: ", stderr);
    char answer[16] = {};
    if (!std::fgets(answer, sizeof answer, stdin)) return MessageAnswer::No;
    if (buttons == MessageButtons::YesNoCancel && (answer[0] == 'c' || answer[0] == 'C')) return MessageAnswer::Cancel;
    return (answer[0] == 'y' || answer[0] == 'Y') ? MessageAnswer::Yes : MessageAnswer::No;
  }
  void ProgressOpen(const std::string&, long) override {}
  void ProgressStep() override {}
  void ProgressClose() override {}
  void Beep() override {}
  int messages = 0;

 private:
  bool yes_;
};

// "--name value" options after the positional arguments, and the switch --yes; false on an
// unknown option.
bool ParseOptions(const std::vector<std::string>& args, size_t from, const std::vector<std::string>& known,
                  std::map<std::string, std::string>& options) {
  for (size_t i = from; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool known_ = std::find(known.begin(), known.end(), a) != known.end();
    if (known_ && options.count(a)) {  // "--price 1 --price 2": which one was meant is not known
      std::fprintf(stderr, "vaktool: 선택 사항이 두 번 있습니다: %s\n", a.c_str());
      return false;
    }
    if (known_ && (a == "--yes" || a == "--portrait" || a == "--json" || a == "--overwrite" || a == "--same-items")) {
      options[a] = "1";
      continue;
    }
    if (!known_ || i + 1 >= args.size()) {
      std::fprintf(stderr, "vaktool: 알 수 없거나 값이 없는 선택 사항입니다: %s\n", a.c_str());
      return false;
    }
    options[a] = args[++i];
  }
  return true;
}

// A whole number of at most eighteen digits. 64 bits on every system: Windows' long has 32.
bool ReadWholeNumber(const std::string& text, int64_t& value) {
  std::string t = text;
  if (!IsNumberText(t) || t.find('.') != std::string::npos || TrimmedText(t).empty()) return false;
  const long double number = TextToNumber(t);
  if (number > 999999999999999999.0L || number < -999999999999999999.0L) return false;
  value = static_cast<int64_t>(number);
  return true;
}

// The directory exactly as given, made absolute: blanks are part of a name, and "../tender"
// stays the directory it names.
std::string AbsoluteDir(const std::string& dir) {
  // Not normalised: "link/../tender" is where the system's own lookup goes, through the link.
  // Windows makes the path whole itself (a network path, short names, trailing dots).
  if (platform::CaseBlindFileNames()) return NormalizeDir(platform::WithLongNames(dir));
  std::error_code ec;
  const std::string absolute = Utf8(std::filesystem::absolute(FsPath(dir), ec));
  return NormalizeDir(ec ? dir : absolute);
}

int Sample(const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  if (args.size() < 2 || !ParseOptions(args, 2, {"--type", "--lines", "--seed", "--overwrite"}, options)) {
    std::fputs("사용법: vaktool sample DIR [--type 1|2] [--lines N] [--seed S] [--overwrite]\n", stderr);
    return 2;
  }
  SampleOptions sample;
  int64_t type = 2, lines = 300, seed = 1;
  if ((options.count("--type") && !ReadWholeNumber(options["--type"], type)) ||
      (options.count("--lines") && !ReadWholeNumber(options["--lines"], lines)) ||
      (options.count("--seed") && !ReadWholeNumber(options["--seed"], seed)) || (type != 1 && type != 2) || lines < 1 ||
      lines > 10000000) {
    std::fputs("vaktool: --type는 1 또는 2, --lines는 1부터 10000000까지의 정수여야 합니다.\n", stderr);
    return 2;
  }
  sample.type = static_cast<int>(type);
  sample.lines = static_cast<long>(lines);
  sample.seed = static_cast<uint32_t>(seed);
  const std::string dir = AbsoluteDir(args[1]);
  // A tender already there may hold a day's prices: replaced only when asked for, and never
  // the agency's originals or a tender another program holds.
  if (FindFileNoCase(dir, "VAK.DBF") || FindFileNoCase(dir, "VAK.MEM")) {
    std::string refusal;
    if (!options.count("--overwrite"))
      refusal = dir + "\n입찰 자료(VAK.DBF, VAK.MEM)가 이미 있습니다. 견본으로 바꾸려면 --overwrite를 주십시오.";
    else if (const std::string problem = UnwritableTenderProblem(dir); !problem.empty())
      refusal = problem;
    else if (ExclusiveFileHold(DataFilePath(dir, "VAK.DBF")).lockedElsewhere())
      refusal = OpenFailureText(DataFilePath(dir, "VAK.DBF"), DbfStatus::Locked);
    if (!refusal.empty()) {
      std::fprintf(stderr, "[오류] %s\n아무것도 쓰지 않았습니다.\n", refusal.c_str());
      return 1;
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(FsPath(dir), ec);
  std::string error;
  DeleteMatchingFiles(JoinPath(dir, "Vak.CDX"));  // an index of the old table would not fit
  if (!WriteSampleTender(dir, sample, &error)) {
    std::fprintf(stderr, "vaktool: 견본 자료를 만들 수 없습니다: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s: 견본 입찰 자료를 만들었습니다 (%s, 약 %ld줄).\n", dir.c_str(),
              sample.type == 2 ? "복합공사" : "단일공사", sample.lines);
  return 0;
}

int Prepare(const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  if (args.size() < 2 || !ParseOptions(args, 2, {"--yes"}, options)) {
    std::fputs("사용법: vaktool prepare DIR [--yes]\n", stderr);
    return 2;
  }
  const std::string dir = AbsoluteDir(args[1]);
  TXbaseEnv env;
  ConsoleNotifier notifier(options.count("--yes") > 0);
  TZekTable items(env, notifier);
  ReorganiseReport report;
  StartupPassResult pass;
  if (!OpenTenderAsTheProgramDoes(dir, env, items, notifier, &report, &pass)) return 1;
  const uint32_t records = items.Xbase().RecCount();
  if (!items.Close()) return 1;
  std::printf("색인 화일 Vak.CDX를 다시 만들었습니다 (태그 F_PS).\n");
  std::printf("VAK.DBF: %u줄, 삭제된 줄 정리 %u, 구버전 변환 %s.\n", records, report.packedAway,
              report.converted ? "함" : "없음");
  std::printf("하위 레벨(F_NLVL) 고침 %ld줄, 공종 수량(F_QQTY) 설정 %ld줄.\n", pass.levelsRepaired, pass.quantitiesSet);
  return 0;
}

// The program's start (preparation, reorganisation, start-up pass) and then F3.
int Calc(const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  if (args.size() < 2 || !ParseOptions(args, 2, {"--part", "--yes"}, options)) {
    std::fputs("사용법: vaktool calc DIR [--part C|all] [--yes]\n", stderr);
    return 2;
  }
  const bool everyPart = options.count("--part") && options["--part"] == "all";
  if (options.count("--part") && options["--part"].size() != 1 && !everyPart) {
    std::fputs("vaktool: --part는 공사 코드 한 글자이거나 all이어야 합니다.\n", stderr);
    return 2;
  }
  const std::string dir = AbsoluteDir(args[1]);
  ConsoleNotifier notifier(options.count("--yes") > 0);
  if (!TidyDataDirectory(dir, notifier)) return 1;
  // The header is rewritten at the end: one that cannot be read whole stops the run before
  // the start writes anything.
  const ProjectHeader header = LoadProjectHeader(dir);
  if (header.status != MemStatus::Missing && !header.Whole()) {
    notifier.Message(HeaderProblemText(header), "오류", MessageIcon::Error, MessageButtons::Ok);
    return 1;
  }
  TXbaseEnv env;
  TZekTable items(env, notifier);
  if (!OpenTenderAsTheProgramDoes(dir, env, items, notifier)) return 1;
  CalculationRequest request;
  request.dataDir = dir;
  request.projectType = ProjectTypeOf(header.values[kCmnType]);
  const std::vector<std::string> existing = ConstructionParts(items, request.projectType);
  std::vector<std::string> parts;
  if (everyPart) {
    parts = existing;
  } else if (options.count("--part")) {
    // A part the tender does not have would calculate nothing and still report success.
    if (request.projectType == ProjectType::Compound &&
        std::find(existing.begin(), existing.end(), options["--part"]) == existing.end()) {
      std::string names;
      for (const std::string& p : existing) names += (names.empty() ? "" : ", ") + p;
      std::fprintf(stderr, "vaktool: 공사 %s이(가) 없습니다. 이 입찰 자료의 공사: %s (모두: --part all)\n",
                   options["--part"].c_str(), names.c_str());
      items.Close();
      return 2;
    }
    parts = {options["--part"]};
  } else if (request.projectType == ProjectType::Compound) {
    // The first construction part: that of the first overall summary line.
    items.Xbase().Query(kOverallSummaryFilter);
    items.Xbase().GoTop();
    std::string first = items.Eof() ? std::string("1") : ConstructionPartOf(items.FieldAsString("F_PART"));
    parts = {first.empty() ? std::string("1") : first};
  } else {
    parts = {std::string()};
  }
  CalculationResult result;
  for (const std::string& part : parts) {
    request.curPart = part;
    result = CalculateStatement(items, request, notifier);
    if (!result.completed) break;
  }
  if (!items.Close() || !result.completed) return 1;
  std::printf("%s\n", CompletionText(result.tenderAmount).c_str());
  return 0;
}

// A warning on the error output when the tender still has unpriced items or totals that a
// calculation would change: reports and submissions go on, as scripts expect.
// What keeps the tender from being finished, in one line; empty when it is finished (or
// cannot be read here: the command itself then says why).
std::string UnfinishedText(const std::string& dir) {
  SilentNotifier quiet;
  TXbaseEnv env;
  TZekTable items(env, quiet);
  if (!OpenTenderForReview(dir, items, quiet)) return std::string();
  const ProjectHeader header = LoadProjectHeader(dir);
  const TenderReview review = ReviewTender(items, ProjectTypeOf(header.values[kCmnType]), header.values);
  items.Close();
  if (review.Complete() && review.Consistent()) return std::string();
  std::string text = "입찰서가 완성되지 않았습니다:";
  if (review.Unpriced() > 0) text += " 단가를 입력하지 않은 항목 " + std::to_string(review.Unpriced()) + "개;";
  if (!review.Consistent()) text += " 다시 계산해야 하는 금액이 있습니다 (vaktool check " + dir + " 참조);";
  text.pop_back();
  return text;
}

[[maybe_unused]] void WarnIfUnfinished(const std::string& dir) {  // unused where reports are not built
  if (const std::string text = UnfinishedText(dir); !text.empty()) std::fprintf(stderr, "[경고] %s\n", text.c_str());
}

// The tender is changed already when its report cannot be written: said so, with the reason.
void ReportNotWritten(const std::string& path) {
  std::fprintf(stderr, "vaktool: 결과 화일을 쓸 수 없습니다 (%s): %s\n입찰 자료는 바뀌었습니다 (위 참조).\n",
               SystemErrorText(errno).c_str(), path.c_str());
}

// A price in whole won as the price box takes it: digits, a sign, separators between groups of three.
bool ReadPriceArgument(const std::string& text, long double& price) {
  const bool negative = !text.empty() && text[0] == '-';
  long long won = 0;
  if (!ReadTargetAmount(negative ? text.substr(1) : text, won)) return false;
  price = static_cast<long double>(negative ? -won : won);
  return true;
}

std::string EnteredPriceText(const EnteredPrice& e) {
  auto won = [](long double v) { return FormatNumber(v, 0, 0) + "원"; };
  if (!e.split) return won(e.price);
  return "재료비 " + won(e.material) + ", 노무비 " + won(e.labour) + ", 경비 " + won(e.expense);
}

// Why record `recno` of the tender as it lies on the disk cannot be the one priced: beyond the
// end, deleted, or numbered differently once the start packs the deleted lines away. Empty when
// it can, or when the table cannot be read here (the start tells why).
std::string RecordNumberProblem(const std::string& dir, uint32_t recno) {
  const std::optional<std::string> path = FindFileNoCase(dir, "VAK.DBF");
  if (!path) return std::string();
  EngineSettings settings;
  DbfStatus status;
  const std::unique_ptr<XbTable> table = XbTable::Open(*path, DbfOpenMode::ReadOnly, settings, status);
  if (!table) return std::string();
  const DbfFile& file = table->file();
  if (recno > file.RecordCount() || file.IsDeleted(recno))
    return "레코드 " + std::to_string(recno) + "이(가) 없습니다.";
  uint32_t deleted = 0;
  for (uint32_t r = 1; r <= file.RecordCount(); ++r) deleted += file.IsDeleted(r) ? 1 : 0;
  if (deleted == 0) return std::string();
  return "지운 줄이 " + std::to_string(deleted) +
         "개 있어, 시작할 때 정리하면 레코드 번호가 바뀝니다. 프로그램이나 'vaktool prepare'로 한 번 연 뒤 "
         "'vaktool dump'로 번호를 확인하십시오. 아무것도 쓰지 않았습니다.";
}

// The price entry without a window: what the price dialog writes, on one record (and its
// identical items), and no calculation.
int Price(const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  const char* usage = "사용법: vaktool price DIR --record N (--price P | --split M,L,E) [--same-items] [--yes]\n";
  if (args.size() < 2 || !ParseOptions(args, 2, {"--record", "--price", "--split", "--same-items", "--yes"}, options) ||
      !options.count("--record") || options.count("--price") == options.count("--split")) {
    std::fputs(usage, stderr);
    return 2;
  }
  int64_t recno = 0;
  if (!ReadWholeNumber(options["--record"], recno) || recno < 1 || recno > int64_t{UINT32_MAX} ||
      TrimmedText(options["--record"]).size() > 10) {
    std::fprintf(stderr, "vaktool: 레코드 번호는 1 이상의 정수여야 합니다: %s\n", options["--record"].c_str());
    return 2;
  }
  EnteredPrice entry;
  if (options.count("--price")) {
    if (!ReadPriceArgument(options["--price"], entry.price)) {
      std::fprintf(stderr, "vaktool: 단가는 원 단위의 정수여야 합니다: %s\n", options["--price"].c_str());
      return 2;
    }
  } else {
    std::vector<std::string> parts(1);
    for (const char c : options["--split"]) {
      if (c == ',') {
        parts.emplace_back();
      } else {
        parts.back().push_back(c);
      }
    }
    entry.split = true;
    if (parts.size() != 3 || !ReadPriceArgument(parts[0], entry.material) ||
        !ReadPriceArgument(parts[1], entry.labour) || !ReadPriceArgument(parts[2], entry.expense)) {
      std::fprintf(stderr, "vaktool: --split은 원 단위의 정수 셋(재료비,노무비,경비, 자릿점 없이)이어야 합니다: %s\n",
                   options["--split"].c_str());
      return 2;
    }
  }
  const std::string dir = AbsoluteDir(args[1]);
  const uint32_t record = static_cast<uint32_t>(recno);
  // The record number is the one dump shows: a start that packed deleted lines away would
  // price another line, so such a table is refused before anything is written.
  if (const std::string problem = RecordNumberProblem(dir, record); !problem.empty()) {
    std::fprintf(stderr, "vaktool: %s\n", problem.c_str());
    return 1;
  }
  ConsoleNotifier notifier(options.count("--yes") > 0);
  if (!TidyDataDirectory(dir, notifier)) return 1;
  TXbaseEnv env;
  TZekTable items(env, notifier);
  ReorganiseReport reorganised;
  if (!OpenTenderAsTheProgramDoes(dir, env, items, notifier, &reorganised)) return 1;
  items.Xbase().Query("");
  if (reorganised.packedAway > 0 || record > items.engine()->RecCount() || !items.Xbase().Go(record) ||
      items.engine()->file().IsDeleted(record)) {
    std::fprintf(stderr, "vaktool: 레코드 %u이(가) 없습니다.\n", record);
    return 1;
  }
  const std::string line =
      "레코드 " + std::to_string(record) + " 「" + Cp949ToUtf8(TrimmedText(items.FieldAsString("F_DES"))) + "」";
  if (!TakesPriceEntry(items)) {
    std::fprintf(
        stderr, "vaktool: %s은(는) 단가를 입력하는 줄이 아닙니다 (공종, 수량이 없는 항목, 단가고정이나 총괄집계 줄).\n",
        line.c_str());
    return 1;
  }
  const std::vector<uint32_t> same = IdenticalItems(items.engine()->file()).Of(record);
  if (!options.count("--same-items")) {
    if (!EnterPrice(items, entry, notifier)) return 1;
  } else {
    // The line and its twins in one commit: a run stopped half-way leaves none of them changed.
    std::vector<uint32_t> written;
    auto write = [&] {
      if (!items.Xbase().Go(record) || !EnterPrice(items, entry, notifier)) return false;
      written = EnterPriceOn(items, same, entry);
      return true;
    };
    if (!CommitRecordWrites(items, dir, write, std::nullopt, notifier)) return 1;
    std::string listed;
    for (size_t i = 0; i < written.size() && i < 20; ++i) listed += (i ? ", " : "") + std::to_string(written[i]);
    if (written.size() > 20) listed += " 외 " + std::to_string(written.size() - 20) + "개";
    std::printf("%s: %s\n", line.c_str(), EnteredPriceText(entry).c_str());
    std::printf("동일 품목 %zu개에도 썼습니다%s\n", written.size(),
                listed.empty() ? "." : (": 레코드 " + listed).c_str());
    if (written.size() < same.size())
      std::fprintf(stderr, "vaktool: 동일 품목 %zu개는 금액이 한도를 넘어 그대로 두었습니다.\n",
                   same.size() - written.size());
    if (!items.Close()) return 1;
    std::puts("내역서 계산은 하지 않았습니다 (vaktool calc).");
    return 0;
  }
  std::printf("%s: %s\n", line.c_str(), EnteredPriceText(entry).c_str());
  if (!same.empty())
    std::printf("공종명·규격·단위가 같은 항목이 %zu개 더 있습니다 (--same-items로 함께 입력).\n", same.size());
  if (!items.Close()) return 1;
  std::puts("내역서 계산은 하지 않았습니다 (vaktool calc).");
  return 0;
}

// Checks a tender without changing it.
int Check(const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  if (args.size() < 2 || !ParseOptions(args, 2, {"--json"}, options)) {
    std::fputs("사용법: vaktool check DIR [--json]\n", stderr);
    return 2;
  }
  const std::string dir = AbsoluteDir(args[1]);
  ConsoleNotifier notifier;
  const ProjectHeader header = LoadProjectHeader(dir);
  if (!header.Whole()) {
    notifier.Message(
        header.status == MemStatus::Missing ? MissingDataFileText(dir, "VAK.MEM") : HeaderProblemText(header), "오류",
        MessageIcon::Error, MessageButtons::Ok);
    return 2;
  }
  TXbaseEnv env;
  env.SetDeleted(true);
  env.SetExact(true);
  TZekTable items(env, notifier);
  if (!OpenTenderForReview(dir, items, notifier)) return 2;
  const TenderReview review = ReviewTender(items, ProjectTypeOf(header.values[kCmnType]), header.values);
  const std::vector<IdenticalPriceGroup> identical = IdenticalItemsPricedDifferently(items.engine()->file());
  items.Close();
  const std::string report =
      options.count("--json") ? CheckReportJson(dir, review, identical) : CheckReportText(dir, review, identical);
  std::fputs(report.c_str(), stdout);
  // The check changes nothing: a save a killed run left half-done is only reported.
  const bool interrupted = HasInterruptedCommit(dir);
  if (interrupted)
    std::fprintf(
        stderr,
        "[경고] %s\n저장이 중단된 채입니다 (VAK.COMMIT). 프로그램이나 vaktool calc로 한 번 열면 마무리됩니다.\n",
        dir.c_str());
  return review.Complete() && review.Consistent() && !interrupted ? 0 : 1;
}

// Prices carried from an earlier, priced bill into an amended one.
int Carry(const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  if (args.size() < 3 || !ParseOptions(args, 3, {"--report", "--overwrite", "--yes"}, options)) {
    std::fputs("사용법: vaktool carry FROM_DIR TO_DIR [--report FILE.csv] [--overwrite] [--yes]\n", stderr);
    return 2;
  }
  CarryRequest request;
  request.fromDir = AbsoluteDir(args[1]);
  request.toDir = AbsoluteDir(args[2]);
  request.overwrite = options.count("--overwrite") > 0;
  ConsoleNotifier notifier(options.count("--yes") > 0);
  // The report is checked before anything is written: never over a tender's file, never a directory.
  if (options.count("--report")) {
    if (const std::string problem = OutputPathProblem(options["--report"], {request.fromDir, request.toDir});
        !problem.empty()) {
      notifier.Message(problem, "오류", MessageIcon::Error, MessageButtons::Ok);
      return 1;
    }
  }
  TXbaseEnv env;
  const CarryResult result = CarryPrices(request, env, notifier);
  if (!result.completed) {
    if (!result.unfinished)
      std::fprintf(stderr, "vaktool: 단가를 가져오지 않았습니다. %s 는 그대로입니다.\n", request.toDir.c_str());
    return 1;
  }
  std::printf("%s: %s 의 단가를 가져오고 모든 공사를 다시 계산했습니다.\n", request.toDir.c_str(),
              request.fromDir.c_str());
  std::printf("%s\n", CompletionText(result.tenderAmount).c_str());
  if (options.count("--report")) {
    if (!ReplaceFileContents(options["--report"], CarryReportCsv(result.plan))) {
      ReportNotWritten(options["--report"]);
      std::printf("%s\n", CarrySummaryText(result.plan).c_str());
      return 1;
    }
    std::printf("결과 화일: %s\n", options["--report"].c_str());
  }
  std::printf("%s\n", CarrySummaryText(result.plan).c_str());
  return 0;
}

// Why a report cannot go to `report`, checked before the tender changes: a tender's file, a
// directory that cannot be written, or the file the run reads.
std::string ReportPlaceProblem(const std::string& report, const std::string& dir, const std::string& source = "") {
  if (std::string problem = OutputPathProblem(report, {dir}); !problem.empty()) return problem;
  std::error_code ec;
  if (!source.empty() && std::filesystem::equivalent(FsPath(report), FsPath(source), ec))
    return report + "\n가져올 화일에 결과를 쓸 수 없습니다. 다른 이름을 주십시오. 아무것도 바꾸지 않았습니다.";
  const std::string reportDir = Utf8(FsPath(report).parent_path());
  if (!platform::CanCreateFilesIn(reportDir.empty() ? "." : reportDir))
    return report + "\n결과 화일을 쓸 수 없는 곳입니다. 아무것도 바꾸지 않았습니다.";
  return std::string();
}

// The tender amount brought to the bid amount, to the won.
int Adjust(const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  if (args.size() < 2 || !ParseOptions(args, 2, {"--target", "--report", "--yes"}, options) ||
      !options.count("--target")) {
    std::fputs("사용법: vaktool adjust DIR --target AMOUNT [--report FILE.csv] [--yes]\n", stderr);
    return 2;
  }
  const std::string dir = AbsoluteDir(args[1]);
  long long target = 0;
  if (!ReadTargetAmount(options["--target"], target)) {
    std::fprintf(stderr, "vaktool: 목표 금액은 원 단위의 양의 정수여야 합니다: %s\n", options["--target"].c_str());
    return 2;
  }
  ConsoleNotifier notifier(options.count("--yes") > 0);
  const std::string report = options.count("--report") ? options["--report"] : JoinPath(dir, "금액맞추기-결과.csv");
  if (const std::string problem = ReportPlaceProblem(report, dir); !problem.empty()) {
    notifier.Message(problem, "오류", MessageIcon::Error, MessageButtons::Ok);
    return 1;
  }
  TXbaseEnv env;
  const AdjustmentResult result =
      AdjustTenderAmount(dir, target, env, notifier, [](const AdjustmentPlan&) { return true; });
  if (!result.completed) {
    if (!result.unfinished)
      std::fprintf(stderr, "vaktool: 금액을 맞추지 않았습니다. %s 는 그대로입니다.\n", dir.c_str());
    return 1;
  }
  std::printf("%s: 단가를 조정하고 모든 공사를 다시 계산했습니다.\n", dir.c_str());
  const bool reported = ReplaceFileContents(report, AdjustmentReportCsv(result.plan));
  std::printf("%s\n", AdjustmentSummaryText(result.plan, true).c_str());
  if (!reported) {
    ReportNotWritten(report);
    return 1;
  }
  std::printf("결과 화일: %s\n", report.c_str());
  return result.plan.Shortfall() > 0 ? 3 : 0;
}

// The priced statement as a spreadsheet workbook.
int Export(const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  if (args.size() < 2 || !ParseOptions(args, 2, {"--xlsx"}, options) || !options.count("--xlsx")) {
    std::fputs("사용법: vaktool export DIR --xlsx OUT.xlsx\n", stderr);
    return 2;
  }
#ifdef VAK_HAS_SHEETS
  const std::string dir = AbsoluteDir(args[1]);
  const std::string out = options["--xlsx"];
  ConsoleNotifier notifier;
  if (const std::string problem = OutputPathProblem(out, {dir}); !problem.empty()) {
    notifier.Message(problem, "오류", MessageIcon::Error, MessageButtons::Ok);
    return 1;
  }
  StatementWorkbook book;
  {
    const ProjectHeader header = LoadProjectHeader(dir);
    TXbaseEnv env;
    env.SetDeleted(true);  // lines marked deleted are not the statement's (the program drops them)
    TZekTable items(env, notifier);
    if (!OpenTenderForReview(dir, items, notifier)) return 1;
    book = ReadStatementWorkbook(items, ProjectTypeOf(header.values[kCmnType]));
    items.Close();
  }
  WarnIfUnfinished(dir);
  Failure failure;
  if (!WriteStatementXlsx(book, out, &failure)) {
    std::fprintf(stderr, "vaktool: %s\n엑셀 화일을 쓰지 못했습니다.\n", FailureText(failure).c_str());
    return 1;
  }
  size_t lines = 0;
  for (const PartSheet& p : book.parts) lines += p.lines.size();
  const std::string amount = AmountText(static_cast<long double>(book.tenderAmount));
  std::printf("%s: 시트 %zu개, %zu줄, 총입찰금액 %s원\n", out.c_str(),
              book.parts.size() + (book.summary.empty() ? 0 : 1), lines, amount.empty() ? "0" : amount.c_str());
  return 0;
#else
  std::fputs("vaktool: 이 빌드에는 엑셀 내보내기 기능이 없습니다 (libxlsxwriter 없이 빌드됨).\n", stderr);
  return 2;
#endif
}

// Unit prices from a spreadsheet (or a CSV file) into the tender.
int Import(const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  if (args.size() < 2 ||
      !ParseOptions(args, 2, {"--xlsx", "--csv", "--sheet", "--report", "--overwrite", "--yes"}, options) ||
      options.count("--xlsx") + options.count("--csv") != 1) {
    std::fputs(
        "사용법: vaktool import DIR (--xlsx IN.xlsx [--sheet NAME] | --csv IN.csv) [--report FILE.csv] [--overwrite] "
        "[--yes]\n",
        stderr);
    return 2;
  }
#ifdef VAK_HAS_SHEETS
  ImportRequest request;
  request.dir = AbsoluteDir(args[1]);
  request.csv = options.count("--csv") > 0;
  request.path = request.csv ? options["--csv"] : options["--xlsx"];
  request.sheet = options.count("--sheet") ? options["--sheet"] : std::string();
  request.overwrite = options.count("--overwrite") > 0;
  ConsoleNotifier notifier(options.count("--yes") > 0);
  if (options.count("--report")) {
    if (const std::string problem = ReportPlaceProblem(options["--report"], request.dir, request.path);
        !problem.empty()) {
      notifier.Message(problem, "오류", MessageIcon::Error, MessageButtons::Ok);
      return 1;
    }
  }
  TXbaseEnv env;
  const ImportResult result = ImportPrices(request, env, notifier);
  if (!result.completed) {
    if (!result.unfinished)
      std::fprintf(stderr, "vaktool: 단가를 가져오지 않았습니다. %s 는 그대로입니다.\n", request.dir.c_str());
    return 1;
  }
  std::printf("%s: %s 의 단가를 가져오고 모든 공사를 다시 계산했습니다.\n", request.dir.c_str(), request.path.c_str());
  std::printf("%s\n", CompletionText(result.tenderAmount).c_str());
  std::printf("%s, 제외한 행 %zu\n", CarrySummaryText(result.plan).c_str(), result.refused.size());
  if (options.count("--report")) {
    if (!ReplaceFileContents(options["--report"], ImportReportCsv(result))) {
      ReportNotWritten(options["--report"]);
      return 1;
    }
    std::printf("결과 화일: %s\n", options["--report"].c_str());
  }
  return 0;
#else
  std::fputs(
      "vaktool: 이 빌드에는 엑셀·CSV 가져오기 기능이 없습니다. 창 프로그램의 편집 › \"엑셀에서 단가 가져오기...\"를 "
      "쓰십시오.\n",
      stderr);
  return 2;
#endif
}

// The tender documents as PDF files.
int Report(const std::vector<std::string>& args, int argc, char* argv[]) {
  std::map<std::string, std::string> options;
  if (args.size() < 2 ||
      !ParseOptions(args, 2,
                    {"--kind", "--pdf", "--part", "--first-page", "--margins", "--portrait", "--pages", "--yes"},
                    options)) {
    std::fputs(
        "사용법: vaktool report DIR --kind KIND --pdf OUT.pdf [--part C] [--first-page N] [--margins T,R,L,B] "
        "[--portrait] [--pages FROM-TO]\n",
        stderr);
    return 2;
  }
#ifdef VAK_HAS_REPORTS
  ReportOptions o;
  o.dir = AbsoluteDir(args[1]);
  o.kind = options["--kind"];
  o.pdf = options["--pdf"];
  if (options.count("--part")) o.part = options["--part"];
  if (options.count("--first-page")) o.firstPage = options["--first-page"];
  if (options.count("--margins")) o.margins = options["--margins"];
  if (options.count("--pages")) o.pages = options["--pages"];
  o.portrait = options.count("--portrait") > 0;
  ConsoleNotifier notifier(options.count("--yes") > 0);
  // The header is read before the start (a cover needs no table): a save a killed run left
  // half-done is finished first.
  if (!TidyDataDirectory(o.dir, notifier)) return 1;
  if (HasInterruptedCommit(o.dir)) {  // another program holds the tender in the middle of a save
    notifier.Message(o.dir + "\n이 입찰은 저장이 끝나지 않았습니다. 저장하는 프로그램이 끝난 뒤 다시 실행하십시오.",
                     "오류", MessageIcon::Error, MessageButtons::Ok);
    return 1;
  }
  WarnIfUnfinished(o.dir);
  return ReportCommand(o, notifier, argc, argv);
#else
  (void)argc;
  (void)argv;
  std::fputs("vaktool: 이 빌드에는 보고서 기능이 없습니다 (Qt 없이 빌드됨).\n", stderr);
  return 2;
#endif
}

// The priced files copied to a submission medium and verified there.
int Submit(const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  if (args.size() < 3 || !ParseOptions(args, 3, {"--yes"}, options)) {
    std::fputs("사용법: vaktool submit DIR TARGET [--yes]\n", stderr);
    return 2;
  }
  const std::string dir = AbsoluteDir(args[1]);
  const std::string target = AbsoluteDir(args[2]);
  ConsoleNotifier notifier(options.count("--yes") > 0);
  std::error_code ec;
  if (!std::filesystem::is_directory(FsPath(target), ec)) {
    notifier.Message(target + "\n제출할 디렉토리가 없습니다.", "오류", MessageIcon::Error, MessageButtons::Ok);
    return 1;
  }
  if (const char* missing = MissingDataFile(dir)) {
    notifier.Message(MissingDataFileText(dir, missing), "확인", MessageIcon::Warning, MessageButtons::Ok);
    return 1;
  }
  // An unfinished tender replaces what the medium holds (perhaps a finished one) only when
  // the user says so, as the window asks.
  if (const std::string unfinished = UnfinishedText(dir);
      !unfinished.empty() && notifier.Message(unfinished + "\n그대로 제출하시겠습니까?", "확인", MessageIcon::Question,
                                              MessageButtons::YesNo) != MessageAnswer::Yes) {
    std::fprintf(stderr, "vaktool: 제출하지 않았습니다. %s 는 그대로입니다.\n", target.c_str());
    return 1;
  }
  // The table is held (shared) while it is copied: never while the program writes it.
  DbfStatus status;
  const std::string dbf = DataFilePath(dir, "VAK.DBF");
  const auto held = DbfFile::Open(dbf, DbfOpenMode::ReadOnly, status);
  if (!held) {
    notifier.Message(OpenFailureText(dbf, status), "오류", MessageIcon::Error, MessageButtons::Ok);
    return 1;
  }
  if (SubmitTender(dir, target, notifier) != SubmitOutcome::Verified) return 1;
  std::printf("%s: VAK.DBF(%u줄)와 VAK.MEM을 복사하고 확인했습니다.\n", target.c_str(), held->RecordCount());
  return 0;
}

// Puts the agency's originals back; the priced files stay beside as kept copies.
int Restore(const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  if (args.size() < 2 || !ParseOptions(args, 2, {"--yes"}, options)) {
    std::fputs("사용법: vaktool restore DIR [--yes]\n", stderr);
    return 2;
  }
  const std::string dir = AbsoluteDir(args[1]);
  ConsoleNotifier notifier(options.count("--yes") > 0);
  const RestoreResult result = RestoreOriginals(dir, notifier);
  if (!result.restored) {
    if (!result.unfinished) std::fputs("vaktool: 되돌리지 않았습니다.\n", stderr);
    return 1;
  }
  std::printf("%s: 발주기관의 원본으로 되돌렸습니다. 이전 화일: %s, %s\n", dir.c_str(), result.keptDbf.c_str(),
              result.keptMem.c_str());
  return 0;
}

int Dump(const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  if (args.size() < 2 || !ParseOptions(args, 2, {"--order", "--query"}, options)) {
    std::fputs("사용법: vaktool dump DIR [--order 0|1] [--query EXPR]\n", stderr);
    return 2;
  }
  const std::string dir = AbsoluteDir(args[1]);
  const std::optional<std::string> path = FindFileNoCase(dir, "VAK.DBF");
  if (!path) {
    std::fprintf(stderr, "[확인] %s\n", MissingDataFileText(dir, "VAK.DBF").c_str());
    return 1;
  }
  EngineSettings settings;
  settings.deleted = true;
  settings.exact = true;
  DbfStatus status;
  std::unique_ptr<XbTable> table = XbTable::Open(*path, DbfOpenMode::ReadOnly, settings, status);
  if (!table) {
    std::fprintf(stderr, "[오류] %s\n", OpenFailureText(*path, status).c_str());
    return 1;
  }
  if (!table->Warnings().empty()) std::fprintf(stderr, "vaktool: %s\n", table->Warnings().c_str());
  int64_t order = 0;
  if (options.count("--order") && (!ReadWholeNumber(options["--order"], order) || order < 0 || order > 1000 ||
                                   !table->SetOrder(static_cast<int>(order)))) {
    std::fprintf(stderr, "vaktool: 그런 순서가 없습니다: %s\n", options["--order"].c_str());
    return 2;
  }
  if (options.count("--query")) {
    const std::optional<std::string> query = Utf8ToCp949(options["--query"]);
    std::string error;
    if (!query || !table->Query(*query, &error)) {
      std::fprintf(stderr, "vaktool: 조건식이 올바르지 않습니다: %s\n", error.c_str());
      return 2;
    }
  }
  const std::vector<DbfField>& fields = table->file().fields();
  std::string line = "RECNO";
  for (const DbfField& f : fields) line += "\t" + f.name;
  std::puts(line.c_str());
  for (table->GoTop(); !table->Eof(); table->Skip(1)) {
    line = std::to_string(table->RecNo());
    for (const DbfField& f : fields) {
      std::string_view v = FieldBytes(table->Current(), f);
      while (!v.empty() && (v.back() == ' ' || v.back() == '\0')) v.remove_suffix(1);
      line += "\t" + Cp949ToUtf8(v);
    }
    std::puts(line.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  platform::UseUtf8Console();
  const std::vector<std::string> args = platform::ProgramArguments(argc, argv);
  if (args.empty()) {
    PrintHelp();
    return 2;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help" || command == "/?") {
    const std::string one = args.size() > 1 ? CommandHelp(args[1]) : std::string();
    if (one.empty()) PrintHelp();
    std::fputs(one.c_str(), stdout);
    return 0;
  }
  // "vaktool calc --help": the command's help, never a folder named "--help".
  for (size_t i = 1; i < args.size(); ++i) {
    if ((args[i] == "--help" || args[i] == "-h" || args[i] == "/?") && !CommandHelp(command).empty()) {
      std::fputs(CommandHelp(command).c_str(), stdout);
      return 0;
    }
  }
  // The folders come first: an option in their place is a slip, never a folder's name.
  const size_t folders = (command == "submit" || command == "carry") ? 2 : 1;
  for (size_t i = 1; i <= folders && i < args.size(); ++i) {
    if (args[i].starts_with("--") && !CommandHelp(command).empty()) {
      std::fprintf(stderr, "vaktool: %s 다음에는 디렉토리가 와야 합니다: %s\n%s", command.c_str(), args[i].c_str(),
                   CommandHelp(command).c_str());
      return 2;
    }
  }
  if (command == "--version") {
    std::printf("vaktool %s\n", kVersion);
    return 0;
  }
  if (command == "sample") return Sample(args);
  if (command == "prepare") return Prepare(args);
  if (command == "dump") return Dump(args);
  if (command == "calc") return Calc(args);
  if (command == "restore") return Restore(args);
  if (command == "submit") return Submit(args);
  if (command == "check") return Check(args);
  if (command == "price") return Price(args);
  if (command == "carry") return Carry(args);
  if (command == "adjust") return Adjust(args);
  if (command == "export") return Export(args);
  if (command == "import") return Import(args);
  if (command == "report") return Report(args, argc, argv);
  std::fprintf(stderr, "vaktool: 알 수 없는 명령입니다: %s (vaktool --help 참조)\n", command.c_str());
  return 2;
}
