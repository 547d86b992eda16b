#include "gui/common/S_Progress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace vak {
namespace {

QPointer<TFm_Progress> g_window;
QElapsedTimer g_sincePaint;

// Pending window messages are let through at most every 30 ms: often enough for a moving
// bar and a live window, rare enough that a pass of a million steps is not slowed down.
// Everything is let through, a close of the window too (it waits for the end of the pass);
// the window that runs the pass drops keys and clicks meanwhile (ProgressPasses tells it when),
// so no command starts in the middle of the pass on its half-done data, nor runs after it.
void LetWindowRepaint(bool force) {
  if (!force && g_sincePaint.isValid() && g_sincePaint.elapsed() < 30) return;
  QApplication::processEvents();
  g_sincePaint.restart();
}

}  // namespace

TFm_Progress::TFm_Progress() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool) {
  setObjectName(QStringLiteral("Fm_Progress"));
  setWindowTitle(QStringLiteral("진행"));
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_ShowWithoutActivating);  // takes no input: the keyboard stays with the window at work
  setFixedSize(367, 39);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
  QFont font(QStringLiteral("굴림체"));
  font.setPixelSize(12);
  setFont(font);

  head_ = new QLabel(this);
  head_->setObjectName(QStringLiteral("C_Pnl_Head"));
  head_->setFixedHeight(20);
  head_->setAutoFillBackground(true);
  head_->setStyleSheet(
      QStringLiteral("background: rgb(64, 0, 128); color: white; font-weight: bold; padding-left: 6px;"));
  gauge_ = new QProgressBar(this);
  gauge_->setObjectName(QStringLiteral("C_Gag_Progress"));
  gauge_->setTextVisible(true);
  gauge_->setStyleSheet(
      QStringLiteral("QProgressBar { border: none; background: white; font-size: 13px; text-align: center; }"
                     "QProgressBar::chunk { background: rgb(0, 0, 255); }"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(head_);
  layout->addWidget(gauge_);
  if (QScreen* screen = QGuiApplication::primaryScreen()) move(screen->geometry().center() - rect().center());
}

ProgressPasses& ProgressPasses::Instance() {
  static auto* passes = new ProgressPasses();  // lives to the program's end, after the application object
  return *passes;
}

bool ProgressOpen(int steps, const QString& text) {
  if (!g_window) {
    g_window = new TFm_Progress();
    g_window->show();
    emit ProgressPasses::Instance().Began();
  }
  if (steps != -1) g_window->gauge()->setMaximum(steps + 1);
  g_window->gauge()->setValue(0);
  g_window->head()->setText(text);
  LetWindowRepaint(true);
  return true;
}

bool ProgressStep(int step, const QString& text) {
  if (!g_window) return false;
  QProgressBar* gauge = g_window->gauge();
  if (step == 1) {
    gauge->setValue(gauge->value() + 1);
  } else if (step != -1) {
    gauge->setValue(step);
  }
  if (!text.trimmed().isEmpty()) g_window->head()->setText(text);
  LetWindowRepaint(false);
  return true;
}

bool ProgressClose() {
  if (!g_window) return false;
  if (g_window->gauge()->isEnabled()) g_window->gauge()->setValue(g_window->gauge()->maximum());
  g_window->close();  // deletes itself; the guarded pointer clears
  g_window = nullptr;
  LetWindowRepaint(true);
  emit ProgressPasses::Instance().Ended();  // after the last events of the pass were let through
  return true;
}

TFm_Progress* ProgressWindow() { return g_window; }

}  // namespace vak
