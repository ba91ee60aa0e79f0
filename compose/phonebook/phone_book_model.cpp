#include "compose/phonebook/phone_book_model.h"

namespace telvane {
namespace {

struct Column {
  const char* title;
  int width;  // characters
};
constexpr Column kColumns[] = {{"NAME", 50}, {"PHONE", 25}};

}  // namespace

PhoneBookModel::PhoneBookModel(RecordTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {}

int PhoneBookModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PhoneBookModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(std::size(kColumns));
}

int PhoneBookModel::displayWidth(int column) { return kColumns[column].width; }

QVariant PhoneBookModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
    return {};
  const PhoneBookEntry& e = rows_[static_cast<size_t>(index.row())].entry;
  return QString::fromStdString(index.column() == 0 ? e.name : e.number);
}

QVariant PhoneBookModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  return QString::fromLatin1(kColumns[section].title);
}

void PhoneBookModel::reload() {
  beginResetModel();
  rows_ = ReadPhoneBookRows(table_);
  endResetModel();
}

uint32_t PhoneBookModel::recordAt(int row) const {
  return row >= 0 && static_cast<size_t>(row) < rows_.size() ? rows_[static_cast<size_t>(row)].record : 0;
}

int PhoneBookModel::rowOf(uint32_t record) const {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].record == record) return static_cast<int>(i);
  return -1;
}

}  // namespace telvane
