// What the core tells the user: message boxes, progress of long passes and the beep.
// The windows implement it with Qt; the tests implement it by recording what was said,
// so they can check the exact Korean texts without a blocking dialog.
#pragma once

#include <string>

namespace vak {

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

class UserNotifier {
 public:
  virtual ~UserNotifier() = default;

  // text and caption are UTF-8.
  virtual MessageAnswer Message(const std::string& text, const std::string& caption, MessageIcon icon,
                                MessageButtons buttons) = 0;

  virtual void ProgressOpen(const std::string& text, long maximum) = 0;
  virtual void ProgressStep() = 0;
  virtual void ProgressClose() = 0;

  virtual void Beep() = 0;
};

// Messages go nowhere and questions are answered "Yes"; for tools that report by exit code.
class SilentNotifier : public UserNotifier {
 public:
  MessageAnswer Message(const std::string&, const std::string&, MessageIcon, MessageButtons buttons) override {
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
  }
  void ProgressOpen(const std::string&, long) override {}
  void ProgressStep() override {}
  void ProgressClose() override {}
  void Beep() override {}
};

}  // namespace vak
