#include "app/s_VakMain.h"

#include <QLabel>

namespace vak {

TFm_VakMain::TFm_VakMain(const QString& dataDir, QWidget* parent) : QMainWindow(parent), dataDir_(dataDir) {
  setObjectName(QStringLiteral("Fm_VakMain"));
  setWindowTitle(QStringLiteral("전산내역입찰(VAK/4.12)"));
  auto* pathLabel = new QLabel(QStringLiteral("자료경로: ") + dataDir_, this);
  pathLabel->setObjectName(QStringLiteral("C_LBL_Path"));
  pathLabel->setMargin(8);
  pathLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setCentralWidget(pathLabel);
  resize(1024, 700);
}

}  // namespace vak
