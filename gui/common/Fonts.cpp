#include "gui/common/Fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

namespace vak {

void InstallKoreanFonts() {
  const QStringList families = QFontDatabase::families();
  const QString mono = families.contains(QStringLiteral("NanumGothicCoding")) ? QStringLiteral("NanumGothicCoding")
                                                                              : QStringLiteral("monospace");
  const QString proportional = families.contains(QStringLiteral("NanumGothic")) ? QStringLiteral("NanumGothic") : mono;
  QFont::insertSubstitution(QStringLiteral("굴림체"), mono);
  QFont::insertSubstitution(QStringLiteral("굴림"), proportional);

  QFont base(proportional);
  base.setPointSize(9);
  QGuiApplication::setFont(base);
}

}  // namespace vak
