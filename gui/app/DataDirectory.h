// Which tender a start of the program opens.
#pragma once

#include <QSettings>
#include <QStringList>

#include <functional>
#include <memory>

#include "common/UserNotifier.h"
#include "store/Xbase.h"

namespace vak {

class TFm_VakMain;

// Asks the user for a directory, starting at `start`; empty when cancelled.
using DirectoryChooser = std::function<QString(const QString& start)>;
DirectoryChooser PlatformDirectoryChooser();

// The data directory an argument names: a directory exactly as given (a trailing blank is part
// of a name), or VAK.DBF itself, whose directory is meant; made absolute and normalised.
QString DataDirectoryOfArgument(const QString& argument);

// The data directory of this start: the argument when there is one; else the program's own
// directory (trimmed, as on the agency's medium) when VAK.DBF is there; else the directory
// the user chooses, starting at the last tender opened. Empty when the user cancelled.
QString TenderDirectoryToOpen(const QStringList& arguments, const QString& programDir, const DirectoryChooser& choose);

// The program's settings (the last tender, the carry's source, the drives' directories): the
// one place that names them.
QSettings ProgramSettings();

// The last tender the program opened, kept in the program's settings.
QString LastTenderDirectory();
void RememberTenderDirectory(const QString& dir);

// The start: the directory decided, the main window created (the data prepared with the
// designed checks and messages), and the directory remembered once it opened. No window when
// the user cancelled the directory question (exit code 0, nothing said) or the data could not
// be prepared (exit code 1, the user has been told why).
struct Startup {
  std::unique_ptr<TFm_VakMain> window;
  int exitCode = 0;
};
Startup StartProgram(const QStringList& arguments, const QString& programDir, TXbaseEnv& env, UserNotifier& notifier,
                     const DirectoryChooser& choose);

}  // namespace vak
