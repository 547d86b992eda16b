// vak: the tender pricing program. One optional argument: the tender's data directory, or
// its VAK.DBF (default: the directory of the program file when the tender is there, as on
// the agency's medium; otherwise the user chooses the directory).
#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <cstring>

#include "VakVersion.h"
#include "gui/app/DataDirectory.h"
#include "gui/app/QtNotifier.h"
#include "gui/app/VakApplication.h"
#include "gui/app/s_VakMain.h"
#include "gui/common/Fonts.h"

namespace {

// Without a display Qt fails with a page of plugin diagnostics; say it in one line instead.
bool HasDisplay() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
  return true;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("vak %s\n", VAK_VERSION);
    return 0;
  }
  if (!HasDisplay()) {
    std::fputs(
        "vak: 화면이 없어 창을 열 수 없습니다 (DISPLAY가 비어 있음). xvfb-run으로 실행하거나 화면이 있는 곳에서 "
        "실행하십시오.\n",
        stderr);
    return 2;
  }
  vak::VakApplication app(argc, argv);
  vak::InstallKoreanFonts();
  // Qt's own dialogs (the directory dialog among them) in Korean, as the program speaks.
  QTranslator qtKorean;
  if (qtKorean.load(QStringLiteral("qtbase_ko"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtKorean);
  vak::QtNotifier notifier;
  app.SetNotifier(&notifier);
  vak::TXbaseEnv env;
  vak::Startup startup = vak::StartProgram(QApplication::arguments(), QApplication::applicationDirPath(), env, notifier,
                                           vak::PlatformDirectoryChooser());
  if (!startup.window) return startup.exitCode;  // cancelled, or the user has been told why
  vak::TFm_VakMain& window = *startup.window;
  window.showMaximized();
  return QApplication::exec();
}
