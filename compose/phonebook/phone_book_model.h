#pragma once
// The phone book grid's rows: the live entries of the phone book table in
// its order (names without regard to case).

#include <QAbstractTableModel>
#include <vector>

#include "compose/phonebook/phone_book_rows.h"

namespace telvane {

class PhoneBookModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit PhoneBookModel(RecordTable& table, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Width of a column in characters.
  static int displayWidth(int column);

  // Reads the rows again (after any change to the table).
  void reload();
  uint32_t recordAt(int row) const;
  int rowOf(uint32_t record) const;  // -1 when not shown

private:
  RecordTable& table_;
  std::vector<PhoneBookRow> rows_;
};

}  // namespace telvane
