// TFm_VakDisk ("제출디스켓 만들기"): the drive the priced files go to. Drives A and B are drive
// roots on Windows; here each letter stands for a directory kept in the program's settings,
// by default the first (A) or second (B) removable medium mounted under /media/<user> or
// /run/media/<user>. "변경..." chooses another directory for the chosen letter.
#pragma once

#include <QDialog>
#include <functional>

#include "common/UserNotifier.h"

class QLabel;
class QRadioButton;

namespace vak {

// The directory a drive letter stands for ("" when none).
QString DriveDirectory(QChar letter);
void SetDriveDirectory(QChar letter, const QString& directory);

class TFm_VakDisk : public QDialog {
  Q_OBJECT

 public:
  explicit TFm_VakDisk(UserNotifier& notifier, QWidget* parent = nullptr);
  bool Confirmed() const { return confirmed_; }
  QChar Drive() const { return drive_; }
  QString Target() const { return DriveDirectory(drive_); }
  // Where "변경..." asks for a directory: the platform's dialog unless a test puts its own.
  void SetDirectoryChooser(std::function<QString(const QString& start)> chooser) { choose_ = std::move(chooser); }
  void Confirm();
  void ChangeDirectory();

 private:
  void ShowDirectories();
  UserNotifier& notifier_;
  QRadioButton *a_, *b_;
  QLabel *aDir_, *bDir_;
  bool confirmed_ = false;
  QChar drive_ = QLatin1Char('A');
  std::function<QString(const QString&)> choose_;
};

}  // namespace vak
