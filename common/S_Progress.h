// The progress window of long passes: a small borderless window with the running
// operation's text and a bar. One shared instance, driven by three free functions on the
// GUI thread; each call lets the window repaint.
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

// steps: -1 keeps the gauge's maximum (otherwise maximum = steps + 1). False on failure.
bool ProgressOpen(int steps, const QString& text);
// step: 1 one more, -1 no change, anything else the absolute position. False when not shown.
bool ProgressStep(int step, const QString& text = QString());
// Fills the bar and closes the window. False when it was not shown.
bool ProgressClose();
// The window while it is shown, for tests; nullptr otherwise.
TFm_Progress* ProgressWindow();

}  // namespace vak
