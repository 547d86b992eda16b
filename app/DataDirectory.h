#pragma once

#include <QStringList>

namespace vak {

// The data directory: the one optional command-line argument, else the directory of the
// program file; made absolute and normalised (no trailing separator, blanks trimmed).
QString DataDirectoryFrom(const QStringList& arguments, const QString& programDir);

}  // namespace vak
