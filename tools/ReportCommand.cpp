// vaktool report: a tender document as a PDF, built as the program builds it.
#include "tools/ReportCommand.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>

#include "common/CodePage.h"
#include "common/Files.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "gui/common/Fonts.h"
#include "gui/reports/ReportAssembly.h"
#include "gui/reports/ReportPdf.h"
#include "reports/KoreanWords.h"
#include "reports/ReportTable.h"
#include "store/MemFile.h"
#include "store/Preparation.h"
#include "store/TenderFiles.h"

namespace vak {
namespace {

bool ParseWhole(const std::string& text, long low, long high, long& value) {
  std::string t = TrimmedText(text);
  if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos || t.size() > 6) return false;
  value = std::stol(t);
  return value >= low && value <= high;
}

std::vector<std::string> SplitOn(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == separator)
      parts.emplace_back();
    else
      parts.back().push_back(c);
  }
  return parts;
}

// The runtime directory Qt needs when the environment names none: made for this run under
// $TMPDIR (else /tmp) and removed, with whatever was put in it, when the command ends, by any
// path. A directory named in the environment is left alone.
class OwnRuntimeDirectory {
 public:
  OwnRuntimeDirectory() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
    const QByteArray tmp = qgetenv("TMPDIR");
    std::string pattern = (tmp.isEmpty() ? std::string("/tmp") : tmp.toStdString()) + "/vaktool-runtime-XXXXXX";
    if (!::mkdtemp(pattern.data())) return;
    path_ = pattern;
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(path_));
  }
  ~OwnRuntimeDirectory() {
    if (path_.empty()) return;
    qunsetenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  OwnRuntimeDirectory(const OwnRuntimeDirectory&) = delete;
  OwnRuntimeDirectory& operator=(const OwnRuntimeDirectory&) = delete;

 private:
  std::string path_;
};

// An output the tender's files forbid (see OutputPathProblem) is refused before the start:
// false, the user told.
bool OutputAllowed(const ReportOptions& o, UserNotifier& notifier) {
  const std::string problem = OutputPathProblem(o.pdf, {o.dir});
  if (problem.empty()) return true;
  notifier.Message(problem, "오류", MessageIcon::Error, MessageButtons::Ok);
  return false;
}

}  // namespace

int ReportCommand(const ReportOptions& o, UserNotifier& notifier, int argc, char* argv[]) {
  static const std::map<std::string, ReportKind> kKinds = {{"summary", ReportKind::OverallSummarySheet},
                                                           {"overall", ReportKind::OverallStatement},
                                                           {"statement", ReportKind::TenderStatement},
                                                           {"statement-lme", ReportKind::TenderStatementSplit},
                                                           {"cover", ReportKind::Cover}};
  const auto kind = kKinds.find(o.kind);
  long firstPage = 1, from = 1, to = 100000;
  long margins[4] = {8, 4, 4, 0};
  bool ok = kind != kKinds.end() && !o.pdf.empty() && ParseWhole(o.firstPage, 0, 900, firstPage) &&
            (o.part.size() == 1 || o.part == kAllParts);
  const std::vector<std::string> m = SplitOn(o.margins, ',');
  ok = ok && m.size() == 4;
  for (size_t i = 0; ok && i < 4; ++i) ok = ParseWhole(m[i], 0, 20, margins[i]);
  if (ok && !o.pages.empty()) {
    const size_t dash = o.pages.find('-');
    ok = dash != std::string::npos && ParseWhole(o.pages.substr(0, dash), 0, 100000, from) &&
         ParseWhole(o.pages.substr(dash + 1), 0, 100000, to) && from <= to;
  }
  if (!ok) {
    std::fputs(
        "vaktool: report에는 --kind summary|overall|statement|statement-lme|cover 와 --pdf OUT.pdf 가 필요하고,\n"
        "  --first-page는 0부터 900, --margins는 0부터 20 사이의 네 값(위,오른,왼,아래), --pages는 FROM-TO,\n"
        "  --part는 공사 코드 한 글자 또는 all(전체 공사)이어야 합니다.\n",
        stderr);
    return 2;
  }
  if (kind->second == ReportKind::TenderStatementSplit && o.portrait) {
    std::fputs("vaktool: 재/노/경 입찰 내역서(statement-lme)는 횡방향으로만 인쇄합니다 (--portrait를 뺄 것).\n",
               stderr);
    return 2;
  }

  // Before the tender is touched: the preparation writes into it.
  if (!OutputAllowed(o, notifier)) return 1;

  // The documents carry the header's texts: one that cannot be read whole stops here.
  const ProjectHeader header = LoadProjectHeader(o.dir);
  if (!header.Whole()) {
    notifier.Message(HeaderProblemText(header), "오류", MessageIcon::Error, MessageButtons::Ok);
    return 1;
  }
  const HeaderValues& v = header.values;
  ReportSetup setup;
  setup.kind = kind->second;
  setup.firstPageField = static_cast<int>(firstPage);
  setup.marginTop = static_cast<int>(margins[0]);
  setup.marginRight = static_cast<int>(margins[1]);
  setup.marginLeft = static_cast<int>(margins[2]);
  setup.marginBottom = static_cast<int>(margins[3]);
  setup.landscape = !o.portrait;

  // No window is shown: the offscreen platform serves, and a runtime directory of our own keeps
  // Qt from warning about a missing one.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const OwnRuntimeDirectory runtime;
  QGuiApplication app(argc, argv);
  InstallKoreanFonts();

  if (!FillSetupFromHeader(v, setup, notifier)) return 1;  // a cover whose amount cannot be spelled stops here
  std::unique_ptr<ReportDocument> built;
  if (setup.kind == ReportKind::Cover) {
    built = std::make_unique<ReportDocument>(setup, nullptr);
  } else {
    TXbaseEnv env;
    TZekTable items(env, notifier);
    if (!OpenTenderAsTheProgramDoes(o.dir, env, items, notifier)) return 1;
    const ReportRequest request =
        PartReportRequest(o.dir, setup.kind, static_cast<int>(firstPage), ProjectTypeOf(v[kCmnType]), o.part);
    built = AssembleReport(items, request, setup, notifier);
    if (!built || !items.Close()) return 1;
  }
  const ReportDocument& document = *built;
  std::string error;
  int pages = 0;
  if (!WriteReportPdf(document, o.pdf, static_cast<int>(from), static_cast<int>(to), &error, &pages)) {
    notifier.Message(error, "오류", MessageIcon::Error, MessageButtons::Ok);
    return 1;
  }
  std::printf("%s: %d쪽을 썼습니다 (%d쪽부터 %d쪽까지 중).\n", o.pdf.c_str(), pages, document.firstPage(),
              document.lastPage());
  return 0;
}

}  // namespace vak
