#include "compose/cover_template_model.h"

#include <algorithm>

#include "records/record_table.h"

namespace telvane {

CoverTemplateModel::CoverTemplateModel(RecordTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {
  Reload();
}

int CoverTemplateModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(records_.size());
}

int CoverTemplateModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1; }

QVariant CoverTemplateModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  xbase::Table* t = table_.table();
  if (!t) return {};
  const int field = t->FieldIndex("DESCRIPT");
  if (field < 0) return {};
  return QString::fromStdString(t->FieldText(records_[static_cast<size_t>(index.row())], field)).trimmed();
}

QVariant CoverTemplateModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section == 0) return QStringLiteral("Description");
  return {};
}

void CoverTemplateModel::Reload() {
  beginResetModel();
  xbase::Table* t = table_.table();
  records_ = t ? t->VisibleRecords() : std::vector<uint32_t>{};
  endResetModel();
}

uint32_t CoverTemplateModel::RecordAt(int row) const {
  return row >= 0 && row < rowCount() ? records_[static_cast<size_t>(row)] : 0;
}

int CoverTemplateModel::RowOfCurrent() const {
  const auto it = std::find(records_.begin(), records_.end(), table_.RecNo());
  return it == records_.end() ? -1 : static_cast<int>(it - records_.begin());
}

}  // namespace telvane
