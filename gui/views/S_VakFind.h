// The work search's two dialogs: TFM_VakFind ("공종찾기") asks for the text, TFM_VakFilter
// ("찾기 결과") lists the matching items and gives back the one chosen. The list reads the
// names of the rows it shows only, so a search matching most of a large tender opens at once.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <string>
#include <vector>

#include "store/XbTable.h"

class QLineEdit;
class QTableView;

namespace vak {

// The starting text of the find dialog: key "fvak" of section "FINDVAK" in FindOption.INI
// (any letter case) of the data directory, read as code page 949; empty when absent.
QString FindOptionText(const std::string& dataDir);

class TFM_VakFind : public QDialog {
  Q_OBJECT

 public:
  TFM_VakFind(const std::string& dataDir, class UserNotifier& notifier, QWidget* parent = nullptr);
  bool Confirmed() const { return confirmed_; }
  // The trimmed text, code page 949.
  const std::string& SearchText() const { return searchText_; }

 private:
  void Confirm();
  UserNotifier& notifier_;
  QLineEdit* edit_ = nullptr;
  bool confirmed_ = false;
  std::string searchText_;
};

// The matching items: work name and specification, read from the table as rows are shown.
class MatchModel : public QAbstractTableModel {
 public:
  MatchModel(const XbTable& table, std::vector<uint32_t> records, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  uint32_t RecordAt(int row) const { return records_[static_cast<size_t>(row)]; }

 private:
  const XbTable& table_;
  std::vector<uint32_t> records_;
  int des_, size_;
};

class TFM_VakFilter : public QDialog {
  Q_OBJECT

 public:
  TFM_VakFilter(const XbTable& table, std::vector<uint32_t> records, QWidget* parent = nullptr);
  bool Chosen() const { return chosen_; }
  uint32_t ChosenRecord() const { return chosenRecord_; }
  QTableView* List() const { return list_; }
  void ChooseCurrent();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  MatchModel* model_;
  QTableView* list_;
  bool chosen_ = false;
  uint32_t chosenRecord_ = 0;
};

}  // namespace vak
