// The progress window of long passes: a small borderless window with the running
// operation's text and a bar. One shared instance, driven by three free functions on the
// GUI thread; each call lets the window repaint. While it is shown a pass is running: the
// events let through then are never the user's input (that waits for the end of the pass),
// and windows that must not take a command in the middle of a pass hear when it begins and
// ends through ProgressPasses.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace vak {

class TFm_Progress : public QWidget {
  Q_OBJECT

 public:
  TFm_Progress();
  QLabel* head() const { return head_; }
  QProgressBar* gauge() const { return gauge_; }

 private:
  QLabel* head_;
  QProgressBar* gauge_;
};

// The beginning and the end of every pass shown in the progress window: Began when the window
// opens, Ended after it has closed (a restart of a shown window is no new pass).
class ProgressPasses : public QObject {
  Q_OBJECT

 public:
  static ProgressPasses& Instance();

 signals:
  void Began();
  void Ended();
};

// steps: -1 keeps the gauge's maximum (otherwise maximum = steps + 1). False on failure.
bool ProgressOpen(int steps, const QString& text);
// step: 1 one more, -1 no change, anything else the absolute position. False when not shown.
bool ProgressStep(int step, const QString& text = QString());
// Fills the bar and closes the window. False when it was not shown.
bool ProgressClose();
// The window while it is shown, for tests; nullptr otherwise.
TFm_Progress* ProgressWindow();

}  // namespace vak
