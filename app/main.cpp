// vak: the tender pricing program. One optional argument: the tender's data directory
// (default: the directory of the program file).
#include <QApplication>

#include <cstdio>

#include "app/DataDirectory.h"
#include "common/Fonts.h"
#include "app/QtNotifier.h"
#include "app/VakApplication.h"
#include "app/s_VakMain.h"

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
  if (!HasDisplay()) {
    std::fputs("vak: 화면이 없어 창을 열 수 없습니다 (DISPLAY가 비어 있음). xvfb-run으로 실행하거나 화면이 있는 곳에서 실행하십시오.\n",
               stderr);
    return 2;
  }
  vak::VakApplication app(argc, argv);
  vak::InstallKoreanFonts();
  vak::QtNotifier notifier;
  app.SetNotifier(&notifier);
  const QString dataDir = vak::DataDirectoryFrom(QApplication::arguments(), QApplication::applicationDirPath());
  vak::TXbaseEnv env;
  vak::TFm_VakMain window(dataDir, env, notifier);
  if (!window.Prepared()) return 1;  // the user has been told which data file is missing
  window.showMaximized();
  return QApplication::exec();
}
