#include "gui/app/VakApplication.h"

#include <QApplication>
#include <exception>
#include <string>

#include "gui/common/S_Progress.h"

namespace vak {

std::string EscapedFailureText(const char* what) {
  return std::string("작업 중에 처리하지 못한 오류가 생겼습니다. 마지막 작업이 끝나지 않았을 수 있습니다.\n(") +
         (what ? what : "알 수 없는 오류") + ")";
}

bool VakApplication::notify(QObject* receiver, QEvent* event) {
  const char* failure = nullptr;
  std::string what;
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    what = e.what();
    failure = what.c_str();
  } catch (...) {
    what = "알 수 없는 오류";
    failure = what.c_str();
  }
  // A wait cursor or a progress window left behind by the interrupted work is taken away
  // before the user is told; closing the progress window ends the pass it showed, so the
  // windows take commands again.
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  ProgressClose();
  if (notifier_) notifier_->Message(EscapedFailureText(failure), "오류", MessageIcon::Error, MessageButtons::Ok);
  return false;
}

}  // namespace vak
