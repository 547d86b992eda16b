// TFM_VakJungBo ("공사정보"): the project header shown from VAK.MEM, the tenderer's side
// filled in, and "확인" saving all fifteen variables in one step (the old header stays until
// the new one is complete). Lengths are counted in code page 949 bytes, as the agency's tools
// count them: a Hangul syllable takes two.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <string>

#include "common/UserNotifier.h"
#include "store/MemFile.h"

class QLabel;

namespace vak {

class TNumberEdit;

// The bytes `text` takes in code page 949; a character without a code page 949 form counts
// as two, the most any character takes there.
int Cp949Width(const QString& text);

// A text box of the project header whose limit is in code page 949 bytes. An edit that would
// carry the text past the limit, or bring in a character without a code page 949 form, is
// taken back whole, whatever brought it: a key, the input method's commit of a syllable, a
// paste or a drop. The text is never cut to fit: the user is told instead (a beep and the
// reason under the box) and a counter beside the box says how much of the limit is used. A
// text read longer than the limit is shown whole and may only get shorter.
class TByteLimitEdit : public QLineEdit {
  Q_OBJECT

 public:
  TByteLimitEdit(int limit, UserNotifier& notifier, QWidget* parent);
  int Limit() const { return limit_; }
  // "18/20", kept up to date; the dialog places it beside the box.
  QLabel* Counter() const { return counter_; }
  // Why the last edit was refused; empty when it was taken.
  QString LastRefusal() const { return lastRefusal_; }

 signals:
  void Refused(const QString& why);

 private:
  void TextNowShown();
  void RefuseEditIfBad(const QString& edited);

  int limit_;
  UserNotifier& notifier_;
  QLabel* counter_;
  QString lastGood_;
  QString lastRefusal_;
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
  TByteLimitEdit* Edit(const char* name, int bytes);
  QLineEdit* AgencyField(const char* name);

  std::string dataDir_;
  UserNotifier& notifier_;
  ProjectHeader header_;
  QString savedDescription_, savedCompany_;
  TByteLimitEdit *des_, *mtno_, *cdno_, *comp_, *name_, *cona_;
  QLineEdit *auth_, *tel_;
  TNumberEdit* ipmt_;
};

}  // namespace vak
