// TFM_VakJungBo ("공사정보"): the project header shown from VAK.MEM, the tenderer's side
// filled in, and "확인" saving all fifteen variables in one step (the old header stays until
// the new one is complete). Lengths are counted in code page 949 bytes, as the agency's tools
// count them: a Hangul syllable takes two.
#pragma once

#include <QDialog>
#include <QValidator>
#include <string>

#include "common/UserNotifier.h"
#include "store/MemFile.h"

class QLineEdit;

namespace vak {

class TNumberEdit;

// Refuses, as it is typed, text longer than `bytes` in code page 949 or without a code page
// 949 form.
class Cp949LengthValidator : public QValidator {
 public:
  Cp949LengthValidator(int bytes, QObject* parent) : QValidator(parent), bytes_(bytes) {}
  State validate(QString& input, int& position) const override;

 private:
  int bytes_;
};

class TFM_VakJungBo : public QDialog {
  Q_OBJECT

 public:
  TFM_VakJungBo(const std::string& dataDir, UserNotifier& notifier, QWidget* parent = nullptr);
  // After "확인": the works' name and the company as saved (for the main window).
  QString SavedDescription() const { return savedDescription_; }
  QString SavedCompany() const { return savedCompany_; }
  void Confirm();

 private:
  QLineEdit* Edit(const char* name, int bytes, bool editable);

  std::string dataDir_;
  UserNotifier& notifier_;
  ProjectHeader header_;
  QString savedDescription_, savedCompany_;
  QLineEdit *des_, *mtno_, *cdno_, *comp_, *name_, *cona_, *auth_, *tel_;
  TNumberEdit* ipmt_;
};

}  // namespace vak
