// The main window of the program.
#pragma once

#include <QMainWindow>

namespace vak {

class TFm_VakMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TFm_VakMain(const QString& dataDir, QWidget* parent = nullptr);

  const QString& DataDir() const { return dataDir_; }

 private:
  QString dataDir_;
};

}  // namespace vak
