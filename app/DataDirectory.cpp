#include "app/DataDirectory.h"

#include <QDir>

#include "common/Files.h"

namespace vak {

QString DataDirectoryFrom(const QStringList& arguments, const QString& programDir) {
  const QString chosen = arguments.size() > 1 ? arguments.at(1).trimmed() : programDir.trimmed();
  // Absolute first: dropping a leading "." must never turn "./tender" into "/tender".
  const QString absolute = QDir::cleanPath(QDir(chosen).absolutePath());
  return QString::fromStdString(NormalizeDir(absolute.toStdString()));
}

}  // namespace vak
