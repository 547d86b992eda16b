// The about box of the 도움말 menu: the program and its version, what it is for, and the
// licences of the program, of the fonts it shows Korean text with and of the toolkit.
#pragma once

#include <QDialog>

namespace vak {

QString AboutText();

class TFm_VakAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TFm_VakAbout(QWidget* parent = nullptr);
};

}  // namespace vak
