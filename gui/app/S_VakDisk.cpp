#include "gui/app/S_VakDisk.h"

#include "gui/app/DataDirectory.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

#include "gui/common/DialogKeys.h"

namespace vak {
namespace {

QString SettingKey(QChar letter) { return QStringLiteral("drives/") + letter; }

// The removable media mounted for this user, in name order.
QStringList RemovableMedia() {
  const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME"));
  QStringList media;
  for (const QString& base : {QStringLiteral("/media/"), QStringLiteral("/run/media/")}) {
    const QDir dir(base + user);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
      media << dir.filePath(name);
  }
  return media;
}

}  // namespace

QString DriveDirectory(QChar letter) {
  const QString kept = ProgramSettings().value(SettingKey(letter)).toString();
  if (!kept.isEmpty()) return kept;
  const QStringList media = RemovableMedia();
  const int index = letter == QLatin1Char('A') ? 0 : 1;
  return index < media.size() ? media[index] : QString();
}

void SetDriveDirectory(QChar letter, const QString& directory) {
  ProgramSettings().setValue(SettingKey(letter), directory);
}

TFm_VakDisk::TFm_VakDisk(UserNotifier& notifier, QWidget* parent) : QDialog(parent), notifier_(notifier) {
  SetUpDialog(this, QStringLiteral("Fm_VakDisk"), QStringLiteral("제출디스켓 만들기"));
  auto* layout = new QVBoxLayout(this);
  auto* label =
      new QLabel(QStringLiteral("포맷된 플로피 디스크를 드라이브에 삽입한 후\n\n해당  드라이브를 선택하세요!"), this);
  label->setObjectName(QStringLiteral("C_LBL_DiskCreate"));
  label->setWordWrap(true);
  layout->addWidget(label);
  auto* grid = new QGridLayout();
  a_ = new QRadioButton(QStringLiteral("A 드라이브"), this);
  a_->setObjectName(QStringLiteral("C_Rbt_A"));
  a_->setChecked(true);
  b_ = new QRadioButton(QStringLiteral("B 드라이브"), this);
  b_->setObjectName(QStringLiteral("C_Rbt_B"));
  aDir_ = new QLabel(this);
  aDir_->setObjectName(QStringLiteral("C_LBL_DirA"));
  bDir_ = new QLabel(this);
  bDir_->setObjectName(QStringLiteral("C_LBL_DirB"));
  grid->addWidget(a_, 0, 0);
  grid->addWidget(aDir_, 0, 1);
  grid->addWidget(b_, 1, 0);
  grid->addWidget(bDir_, 1, 1);
  layout->addLayout(grid);
  auto* buttons = new QHBoxLayout();
  auto* change = new QPushButton(QStringLiteral("변경..."), this);
  change->setObjectName(QStringLiteral("C_BBT_Change"));
  auto* ok = new QPushButton(QStringLiteral("확인"), this);
  ok->setObjectName(QStringLiteral("C_BBT_ConfirmRun"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("취소"), this);
  cancel->setObjectName(QStringLiteral("C_BBT_ConfirmCancel"));
  buttons->addWidget(change);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(change, &QPushButton::clicked, this, [this] { ChangeDirectory(); });
  connect(ok, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  ShowDirectories();
}

void TFm_VakDisk::ShowDirectories() {
  auto text = [](QChar letter) {
    const QString dir = DriveDirectory(letter);
    return dir.isEmpty() ? QStringLiteral("(없음)") : dir;
  };
  aDir_->setText(text(QLatin1Char('A')));
  bDir_->setText(text(QLatin1Char('B')));
}

void TFm_VakDisk::ChangeDirectory() {
  const QChar letter = a_->isChecked() ? QLatin1Char('A') : QLatin1Char('B');
  const QString start = DriveDirectory(letter);
  const QString chosen =
      choose_ ? choose_(start)
              : QFileDialog::getExistingDirectory(this, QStringLiteral("%1 드라이브로 쓸 디렉토리").arg(letter), start);
  if (chosen.isEmpty()) return;
  SetDriveDirectory(letter, chosen);
  ShowDirectories();
}

void TFm_VakDisk::Confirm() {
  drive_ = a_->isChecked() ? QLatin1Char('A') : QLatin1Char('B');
  if (DriveDirectory(drive_).isEmpty()) {
    notifier_.Message(QStringLiteral("%1 드라이브로 쓸 디렉토리가 없습니다. '변경...'으로 디렉토리를 정하십시오.")
                          .arg(drive_)
                          .toStdString(),
                      "경고", MessageIcon::Warning, MessageButtons::Ok);
    return;
  }
  confirmed_ = true;
  accept();
}

}  // namespace vak
