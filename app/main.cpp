// vak: the tender pricing program. One optional argument: the tender's data directory
// (default: the directory of the program file).
#include <QApplication>

#include <cstdio>

#include "app/DataDirectory.h"
#include "app/Fonts.h"
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
  QApplication app(argc, argv);
  vak::InstallKoreanFonts();
  const QString dataDir = vak::DataDirectoryFrom(QApplication::arguments(), QApplication::applicationDirPath());
  vak::TFm_VakMain window(dataDir);
  window.showMaximized();
  return QApplication::exec();
}
