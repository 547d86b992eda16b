// How every entry box refuses an input: the text stays as it was, a beep sounds and the reason
// shows in a tip just under the box's left edge, where the eyes are while typing. A refused
// keystroke is never silently dropped nor turned into something else.
#pragma once

class QString;
class QWidget;

namespace vak {

class UserNotifier;

// The beep goes through `notifier` when one is given (the windows' notifier, which tests
// record), otherwise straight to the application.
void ShowRefusal(QWidget* box, const QString& why, UserNotifier* notifier = nullptr);

// Takes the reason away once an input is taken again.
void HideRefusal();

}  // namespace vak
