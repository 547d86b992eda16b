#include "gui/app/DataDirectory.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

#include "common/Files.h"
#include "gui/app/s_VakMain.h"

namespace vak {
namespace {

QString Normalised(const QString& path) {
  // Absolute first: dropping a leading "." must never turn "./tender" into "/tender".
  const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
  return QString::fromStdString(NormalizeDir(absolute.toStdString()));
}

}  // namespace

QSettings ProgramSettings() { return QSettings(QStringLiteral("ZEK"), QStringLiteral("VAK")); }

DirectoryChooser PlatformDirectoryChooser() {
  return [](const QString& start) {
    return QFileDialog::getExistingDirectory(
        nullptr, QStringLiteral("입찰 자료(VAK.DBF, VAK.MEM)가 있는 디렉토리를 고르십시오"), start);
  };
}

QString DataDirectoryOfArgument(const QString& argument) {
  const QFileInfo info(argument);
  if (info.isFile() && info.fileName().compare(QStringLiteral("VAK.DBF"), Qt::CaseInsensitive) == 0)
    return Normalised(info.absolutePath());
  return Normalised(argument);
}

QString TenderDirectoryToOpen(const QStringList& arguments, const QString& programDir, const DirectoryChooser& choose) {
  if (arguments.size() > 1) return DataDirectoryOfArgument(arguments.at(1));
  const QString own = Normalised(programDir.trimmed());
  if (FindFileNoCase(own.toStdString(), "VAK.DBF")) return own;  // the agency's medium
  const QString chosen = choose(LastTenderDirectory());
  return chosen.isEmpty() ? QString() : Normalised(chosen);
}

QString LastTenderDirectory() { return ProgramSettings().value(QStringLiteral("tender/last")).toString(); }

void RememberTenderDirectory(const QString& dir) { ProgramSettings().setValue(QStringLiteral("tender/last"), dir); }

Startup StartProgram(const QStringList& arguments, const QString& programDir, TXbaseEnv& env, UserNotifier& notifier,
                     const DirectoryChooser& choose) {
  Startup startup;
  const QString dataDir = TenderDirectoryToOpen(arguments, programDir, choose);
  if (dataDir.isEmpty()) return startup;  // cancelled: the program ends quietly
  auto window = std::make_unique<TFm_VakMain>(dataDir, env, notifier);
  if (!window->Prepared()) {
    startup.exitCode = 1;  // the user has been told which data file is missing, or why
    return startup;
  }
  RememberTenderDirectory(dataDir);
  startup.window = std::move(window);
  return startup;
}

}  // namespace vak
