#pragma once
// The cover browser's grid: the descriptions of the live templates of the
// cover table in its current order (the DESCRIPT tag).

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

namespace telvane {

class RecordTable;

class CoverTemplateModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit CoverTemplateModel(RecordTable& table, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Reads the rows again (after any change of the table).
  void Reload();
  uint32_t RecordAt(int row) const;
  // The grid row of the table's current record, -1 when it shows none.
  int RowOfCurrent() const;

private:
  RecordTable& table_;
  std::vector<uint32_t> records_;
};

}  // namespace telvane
