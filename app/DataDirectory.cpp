#include "app/DataDirectory.h"

#include <QDir>

#include "common/Files.h"

namespace vak {

QString DataDirectoryFrom(const QStringList& arguments, const QString& programDir) {
  // The program's own directory is trimmed as on the agency's medium; a directory the user
  // names is used exactly as given (a trailing blank is part of a name).
  const QString chosen = arguments.size() > 1 ? arguments.at(1) : programDir.trimmed();
  // Absolute first: dropping a leading "." must never turn "./tender" into "/tender".
  const QString absolute = QDir::cleanPath(QDir(chosen).absolutePath());
  return QString::fromStdString(NormalizeDir(absolute.toStdString()));
}

}  // namespace vak
