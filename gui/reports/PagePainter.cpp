#include "gui/reports/PagePainter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "common/CodePage.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "common/UserNotifier.h"
#include "reports/KoreanWords.h"
#include "store/MemFile.h"

namespace vak {
namespace {

constexpr int kSheetLong = 2970;
constexpr int kSheetShort = 2100;
constexpr int kStrip = 100;  // header and footer strips, above and below the frame
constexpr int kInset = 10;   // text inside a cell

// How a text that is wider than its box is drawn. A figure is never drawn other than whole:
// a cut "123,456.78" would be a different quantity, so it is condensed and, failing that,
// shown as "#" marks. A short code such as the remark "단가고정" is condensed too, and cut
// only when even that is not enough. Names and specifications are cut.
enum class Fit { Cut, Condense, Figure };

// A column of the body: its field in the report table, how a cell too narrow for its text
// draws it (a figure column's texts are formatted numbers) and the alignment.
struct Column {
  const char* field;
  Fit fit;
  Qt::Alignment align;
};

const std::array<Column, 7> kPlainColumns = {{{"F_DES", Fit::Cut, Qt::AlignLeft},
                                              {"F_SIZE", Fit::Cut, Qt::AlignLeft},
                                              {"F_QQTY", Fit::Figure, Qt::AlignRight},
                                              {"F_QUNIT", Fit::Condense, Qt::AlignHCenter},
                                              {"F_PRIC", Fit::Figure, Qt::AlignRight},
                                              {"F_COST", Fit::Figure, Qt::AlignRight},
                                              {"F_BIGO", Fit::Condense, Qt::AlignLeft}}};
const std::array<Column, 13> kSplitColumns = {{{"F_DES", Fit::Cut, Qt::AlignLeft},
                                               {"F_SIZE", Fit::Cut, Qt::AlignLeft},
                                               {"F_QQTY", Fit::Figure, Qt::AlignRight},
                                               {"F_QUNIT", Fit::Condense, Qt::AlignHCenter},
                                               {"F_MA0", Fit::Figure, Qt::AlignRight},
                                               {"F_MA", Fit::Figure, Qt::AlignRight},
                                               {"F_LA0", Fit::Figure, Qt::AlignRight},
                                               {"F_LA", Fit::Figure, Qt::AlignRight},
                                               {"F_EQ0", Fit::Figure, Qt::AlignRight},
                                               {"F_EQ", Fit::Figure, Qt::AlignRight},
                                               {"F_PRIC", Fit::Figure, Qt::AlignRight},
                                               {"F_COST", Fit::Figure, Qt::AlignRight},
                                               {"F_BIGO", Fit::Condense, Qt::AlignLeft}}};
const std::array<double, 6> kPlainBorders = {0.28, 0.46, 0.56, 0.62, 0.77, 0.92};
const std::array<double, 12> kSplitBorders = {0.2,   0.26,  0.32,  0.364, 0.427, 0.501,
                                              0.578, 0.656, 0.733, 0.81,  0.887, 0.964};

// "굴림체" with a character cell of the given height and width in units: the width is
// reached by stretching the font, which is what a cell size asks of a monospaced face.
QFont CellFont(int height, int width) {
  QFont font(QStringLiteral("굴림체"));
  font.setPixelSize(height);
  const double natural = QFontMetricsF(font).horizontalAdvance(QLatin1Char('0'));
  if (natural > 0) font.setStretch(std::clamp(static_cast<int>(std::lround(100.0 * width / natural)), 1, 4000));
  return font;
}

// The frame: origin, width and height of the area inside the margins (the frame itself ends
// 100 units above the bottom of that area, leaving the footer strip).
struct Frame {
  int left, top, width, height;
};

Frame FrameOf(const ReportSetup& s) {
  const QSizeF sheet = SheetSize(s.landscape);
  Frame f;
  f.left = s.marginLeft * 20;
  f.top = s.marginTop * 20;
  f.width = static_cast<int>(sheet.width()) - s.marginRight * 20 - f.left;
  f.height = static_cast<int>(sheet.height()) - s.marginTop * 20 - s.marginBottom * 20;
  return f;
}

// The narrowest a text is condensed to, of its natural width: digits of the body fonts stay
// apart and legible on paper down to about this.
constexpr double kNarrowest = 0.6;

// The longest head of `text`, ending at a character boundary, no wider than `room`.
QString CutToWidth(const QString& text, const QFontMetricsF& metrics, double room) {
  QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
  qsizetype fits = 0;
  for (qsizetype at = boundaries.toNextBoundary(); at > 0; at = boundaries.toNextBoundary()) {
    if (metrics.horizontalAdvance(text.left(at)) > room) break;
    fits = at;
  }
  return text.left(fits);
}

// One line of text in a box, aligned as asked and centred vertically; what is wider than the
// box is drawn as `fit` says. The words are drawn one by one at their places, so that a PDF
// reader finds the blanks between them (some fonts' blank glyph reads back as a control
// character).
void DrawText(QPainter& p, const QRectF& box, Qt::Alignment align, QString text, Fit fit = Fit::Cut) {
  const QFontMetricsF metrics(p.font(), p.device());
  const double room = box.width() + 0.5;
  double scale = 1;
  const double natural = metrics.horizontalAdvance(text);
  if (natural > room) {
    if (fit != Fit::Cut) scale = std::max(room / natural, kNarrowest);
    if (natural * scale > room) {
      if (fit == Fit::Figure) {
        scale = 1;
        const int marks = static_cast<int>(room / metrics.horizontalAdvance(QLatin1Char('#')));
        text = QString(std::max(1, marks), QLatin1Char('#'));
      } else {
        text = CutToWidth(text, metrics, room / scale);
      }
    }
  }
  if (text.trimmed().isEmpty()) return;
  const double width = metrics.horizontalAdvance(text) * scale;
  double x = box.left();
  if (align & Qt::AlignRight) x = box.right() - width;
  if (align & Qt::AlignHCenter) x = box.left() + (box.width() - width) / 2;
  const double baseline = box.top() + (box.height() - metrics.height()) / 2 + metrics.ascent();
  p.save();
  p.translate(x, baseline);
  p.scale(scale, 1);
  for (qsizetype i = 0; i < text.size();) {
    if (text.at(i) == QLatin1Char(' ')) {
      ++i;
      continue;
    }
    qsizetype j = text.indexOf(QLatin1Char(' '), i);
    if (j < 0) j = text.size();
    p.drawText(QPointF(metrics.horizontalAdvance(text.left(i)), 0), text.mid(i, j - i));
    i = j;
  }
  p.restore();
}

// The cell text of a row: numbers grouped without trailing zeros (zero prints nothing);
// texts as stored, centred ones trimmed.
QString CellText(const ReportRows& rows, const char* row, const DbfField& field, const Column& column) {
  if (column.fit == Fit::Figure) return QString::fromStdString(FormatNumber(rows.Number(row, field), 0, 1));
  std::string text = rows.Text(row, field);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (column.align == Qt::AlignHCenter) text = TrimmedText(text);
  return QString::fromStdString(text);
}

// The rows of a page, row n from `top` + (n - 1) x `height`, cell k between the borders x[k]
// and x[k + 1].
void DrawBodyRows(QPainter& p, const ReportDocument& doc, int page, const Column* columns, const int* x, size_t count,
                  int top, int height) {
  const ReportRows* rows = doc.rows();
  if (!rows) return;
  const auto& fields = rows->file().fields();
  int y = top;
  for (const char* row : rows->PageRows(page)) {
    for (size_t k = 0; k < count; ++k) {
      const int i = rows->file().FieldIndex(columns[k].field);
      if (i < 0) continue;
      const QRectF cell(x[k] + kInset, y, x[k + 1] - x[k] - 2 * kInset, height);
      const QString text = CellText(*rows, row, fields[static_cast<size_t>(i)], columns[k]);
      DrawText(p, cell, columns[k].align, text, columns[k].fit);
    }
    y += height;
  }
}

void DrawStrips(QPainter& p, const ReportDocument& doc, const Frame& f, int page, bool split) {
  const ReportSetup& s = doc.setup();
  p.setFont(split ? CellFont(35, 14) : CellFont(40, 16));
  const QRectF header(0, -kStrip, f.width, kStrip);
  const QRectF footer(0, f.height - kStrip, f.width, kStrip);
  DrawText(p, footer, Qt::AlignRight, s.company);
  if (s.kind == ReportKind::OverallSummarySheet) return;
  const QString partLabel = PartLabelOn(s, page);
  if (!partLabel.trimmed().isEmpty())
    DrawText(p, header, Qt::AlignLeft, QStringLiteral(" ") + partLabel + QStringLiteral(" "));
  if (s.kind == ReportKind::OverallStatement) {
    DrawText(p, header, Qt::AlignRight,
             QStringLiteral("(작성자 직책/성명 : ") + s.author.trimmed() + QStringLiteral(") "));
  } else if (s.firstPageField != 0) {
    DrawText(p, header, Qt::AlignRight, QStringLiteral("Page : %1").arg(page));
  }
}

void DrawPlainPage(QPainter& p, const ReportDocument& doc, const Frame& f, int page) {
  const int r = f.height / 20;
  std::array<int, 8> x{};
  x[0] = 0;
  for (size_t i = 0; i < kPlainBorders.size(); ++i)
    x[i + 1] = static_cast<int>(std::lround(f.width * kPlainBorders[i]));
  x[7] = f.width;
  const int bottom = f.height - kStrip;
  for (int i = 1; i <= 6; ++i) p.drawLine(x[static_cast<size_t>(i)], 0, x[static_cast<size_t>(i)], bottom);
  for (int i = 1; i <= kRowsPerPage; ++i) p.drawLine(0, i * r, f.width, i * r);
  static const char* const kCaptions[] = {"명           칭", "규      격", "수   량", "단 위",
                                          "단      가",      "금      액", "비  고"};
  p.setFont(CellFont(40, 16));
  for (int k = 1; k <= 7; ++k)
    DrawText(p, QRectF(x[static_cast<size_t>(k - 1)], 0, x[static_cast<size_t>(k)] - x[static_cast<size_t>(k - 1)], r),
             Qt::AlignHCenter, QString::fromUtf8(kCaptions[k - 1]));
  DrawBodyRows(p, doc, page, kPlainColumns.data(), x.data(), kPlainColumns.size(), r, r);
}

void DrawSplitPage(QPainter& p, const ReportDocument& doc, const Frame& f, int page) {
  const int r = f.height / 21;
  std::array<int, 14> x{};
  x[0] = doc.setup().marginLeft * 20;  // the first column starts at the left margin's value
  for (size_t i = 0; i < kSplitBorders.size(); ++i)
    x[i + 1] = static_cast<int>(std::lround(f.width * kSplitBorders[i]));
  x[13] = f.width;
  const int bottom = f.height - kStrip;
  for (int i = 1; i <= 12; ++i) {
    const bool underGroup = i == 5 || i == 7 || i == 9 || i == 11;
    p.drawLine(x[static_cast<size_t>(i)], underGroup ? r : 0, x[static_cast<size_t>(i)], bottom);
  }
  p.drawLine(x[4], r, x[12], r);
  for (int i = 2; i <= 19; ++i) p.drawLine(0, i * r, f.width, i * r);
  p.setFont(CellFont(32, 12));
  auto caption = [&](int from, int to, int top, int height, const char* text) {
    DrawText(
        p, QRectF(x[static_cast<size_t>(from)], top, x[static_cast<size_t>(to)] - x[static_cast<size_t>(from)], height),
        Qt::AlignHCenter, QString::fromUtf8(text));
  };
  static const char* const kFirst[] = {"명           칭", "규      격", "수   량", "단 위"};
  for (int k = 1; k <= 4; ++k) caption(k - 1, k, 0, 2 * r, kFirst[k - 1]);
  static const char* const kGroups[] = {"재  료  비", "노  무  비", "경      비", "합      계"};
  for (int g = 0; g < 4; ++g) {
    caption(4 + 2 * g, 6 + 2 * g, 0, r, kGroups[g]);
    caption(4 + 2 * g, 5 + 2 * g, r, r, "단 가");
    caption(5 + 2 * g, 6 + 2 * g, r, r, "금 액");
  }
  caption(12, 13, 0, 2 * r, "비 고");
  DrawBodyRows(p, doc, page, kSplitColumns.data(), x.data(), kSplitColumns.size(), 2 * r, r);
}

void DrawCover(QPainter& p, const ReportDocument& doc, const Frame& f) {
  const ReportSetup& s = doc.setup();
  const int r = f.height / 20;
  const int x1 = static_cast<int>(std::lround(f.width * 0.5));
  const int x2 = static_cast<int>(std::lround(f.width * 0.51));
  p.setFont(CellFont(64, 25));
  DrawText(p, QRectF(kInset, 4 * r, f.width - 2 * kInset, r), Qt::AlignHCenter, s.title.trimmed());
  p.setFont(CellFont(48, 16));
  const std::array<std::pair<const char*, QString>, 6> lines = {{{"관  리    번  호 :", s.managementNo.trimmed()},
                                                                 {"시설공사코드번호 :", s.codeNo.trimmed()},
                                                                 {"입  찰    금  액 :", s.amountWords},
                                                                 {"", s.amountFigures},
                                                                 {"회     사     명 :", s.company.trimmed()},
                                                                 {"대     표     자 :", s.representative.trimmed()}}};
  for (int k = 6; k <= 11; ++k) {
    const auto& [label, value] = lines[static_cast<size_t>(k - 6)];
    DrawText(p, QRectF(kInset, k * r, x1 - 2 * kInset, r), Qt::AlignRight, QString::fromUtf8(label));
    const bool amount = k == 8 || k == 9;  // the amount in words and in figures
    DrawText(p, QRectF(x2 + kInset, k * r, f.width - x2 - 2 * kInset, r), Qt::AlignLeft, value,
             amount ? Fit::Figure : Fit::Cut);
  }
}

}  // namespace

bool FillSetupFromHeader(const std::array<std::string, 15>& v, ReportSetup& setup, UserNotifier& notifier) {
  auto unicode = [](const std::string& cp949) { return QString::fromStdString(Cp949ToUtf8(TrimmedText(cp949))); };
  setup.company = unicode(v[kCmnComp]);
  setup.author = unicode(v[kCmnName]);
  if (setup.kind != ReportKind::Cover) return true;
  // An amount that cannot be spelled is never spelled from its leading digits.
  const std::optional<long double> amount = CoverAmount(v[kCmnIpmt]);
  if (!amount) {
    notifier.Message(
        "입찰 금액(CMN_IPMT)이 없거나 범위를 벗어나 입찰 표지를 만들 수 없습니다.\n"
        "먼저 내역서계산(F3)으로 총입찰금액을 계산하십시오.",
        "오류", MessageIcon::Error, MessageButtons::Ok);
    return false;
  }
  setup.title = unicode(v[kCmnDesc]);
  setup.managementNo = unicode(v[kCmnMtno]);
  setup.codeNo = unicode(v[kCmnCdno]);
  setup.representative = unicode(v[kCmnCona]);
  setup.amountWords = QString::fromStdString(AmountToKoreanWords(*amount).value_or("")) + QStringLiteral(" 원정");
  setup.amountFigures = QStringLiteral("(") + QString::fromStdString(AmountText(*amount)) + QStringLiteral(" ₩)");
  return true;
}

ReportDocument::ReportDocument(ReportSetup setup, std::unique_ptr<ReportRows> rows)
    : setup_(std::move(setup)), rows_(std::move(rows)) {}

QSizeF SheetSize(bool landscape) {
  return landscape ? QSizeF(kSheetLong, kSheetShort) : QSizeF(kSheetShort, kSheetLong);
}

void DrawReportPage(QPainter& p, const ReportDocument& doc, int page, bool withRows) {
  const Frame f = FrameOf(doc.setup());
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.translate(f.left, f.top);
  QPen pen(Qt::black);
  pen.setWidthF(3);  // 0.3 mm
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(0, 0, f.width, f.height - kStrip));
  const ReportKind kind = doc.setup().kind;
  if (kind == ReportKind::Cover) {
    DrawCover(p, doc, f);
  } else {
    DrawStrips(p, doc, f, page, kind == ReportKind::TenderStatementSplit);
    const int rowsOf = withRows ? page : 0;  // page 0 holds no rows
    if (kind == ReportKind::TenderStatementSplit) {
      DrawSplitPage(p, doc, f, rowsOf);
    } else {
      DrawPlainPage(p, doc, f, rowsOf);
    }
  }
  p.restore();
}

}  // namespace vak
