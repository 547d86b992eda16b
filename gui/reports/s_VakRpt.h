// Tfm_VakRpt ("보고서"): the report dialog. The user picks a tender document, the first page
// number, the orientation and the margins; "확인" builds the report table and opens the
// preview; the preview's print button prints the chosen range as one job. The dialog stays
// open for further documents and is left with "취소".
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "common/UserNotifier.h"
#include "gui/reports/PagePainter.h"
#include "store/ItemTable.h"
#include "store/Xbase.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace vak {

class TNumberEdit;
class TFM_VakPreview;

// What the dialog needs of the main window.
struct ReportContext {
  std::string dataDir;
  ProjectType projectType = ProjectType::Unstated;
  std::string part = "1";  // the construction part chosen in the main window
  QString partLabel;       // its name, for the header strip of a project without part codes
};

class Tfm_VakRpt : public QDialog {
  Q_OBJECT

 public:
  Tfm_VakRpt(TZekTable& items, ReportContext context, UserNotifier& notifier, QWidget* parent = nullptr);
  ~Tfm_VakRpt() override;

  ReportKind Kind() const { return kind_; }
  // The construction part the statements will be of; "all" for every part ("전체 공사").
  std::string ChosenPart() const;
  // Called with each preview before it is shown modally (tests drive it from here).
  void SetPreviewHook(std::function<void(TFM_VakPreview&)> hook) { previewHook_ = std::move(hook); }
  // How many print jobs were started, and how the last one went.
  int PrintJobs() const { return printJobs_; }

  void SelectReport(int index);  // c_cbx_RptSelectClick
  void SplitColumnsClicked();    // CheckBox1Click
  void Confirm();                // c_bbt_okClick

 private:
  void Preview(const ReportDocument& document, int firstPageField, int lastPage, int pageToShow);
  void FillPartList();
  void EnablePartList();
  ReportSetup SetupFromControls() const;
  bool CoverSetup(ReportSetup& setup);

  TZekTable& items_;
  ReportContext context_;
  UserNotifier& notifier_;
  ReportKind kind_ = ReportKind::TenderStatement;
  std::function<void(TFM_VakPreview&)> previewHook_;
  int printJobs_ = 0;

  QComboBox* select_ = nullptr;
  QComboBox* part_ = nullptr;  // compound projects: each construction part, then every part
  TNumberEdit* pageNum_ = nullptr;
  QRadioButton* portrait_ = nullptr;
  QRadioButton* landscape_ = nullptr;
  TNumberEdit *top_ = nullptr, *right_ = nullptr, *left_ = nullptr, *bottom_ = nullptr;
  QCheckBox* split_ = nullptr;
  QCheckBox* cover_ = nullptr;
};

// The report command of the main window: the item table's view filter is lifted while the
// dialog is open and `restoreView` puts the view back afterwards, whatever happens.
void RunReportDialog(TZekTable& items, const ReportContext& context, UserNotifier& notifier, QWidget* parent,
                     const std::function<void()>& restoreView);

}  // namespace vak
