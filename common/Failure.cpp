#include "common/Failure.h"

#include <cerrno>

#include "common/Files.h"

namespace vak {

std::string FailureText(const Failure& f) {
  const std::string reason = SystemErrorText(f.systemError ? f.systemError : EIO);
  switch (f.code) {
    case FailureCode::None: return std::string();
    case FailureCode::Read:
      return f.path + ": 읽을 수 없습니다" + (f.systemError ? " (" + reason + ")" : std::string());
    case FailureCode::Write: return f.path + ": " + reason;
    case FailureCode::NotOurs:
      return f.path + "이(가) 이 프로그램이 만든 화일이 아닙니다. 그 화일과 저장 기록(VAK.COMMIT)을 확인하십시오";
    case FailureCode::OtherRecord: return f.path + ": 다른 작업의 저장 기록이 있습니다";
    case FailureCode::DamagedRecord:
      return f.path +
             "이(가) 이 프로그램의 저장 기록이 아니거나 손상되었습니다. 이 프로그램이 만든 것이 아니면 그 화일을 "
             "지우고 다시 여십시오";
    case FailureCode::BadKey: return f.path + ": 색인의 키로 순서를 정할 수 없습니다";
  }
  return f.path;
}

}  // namespace vak
