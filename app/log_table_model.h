#pragma once
// A grid's view of a log table. Only the record numbers of the visible rows
// (in the table's current order) are held; a row's fields are read from the
// table when the grid first paints it, so a log of 100,000 rows opens at
// once.

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "app/log_tables.h"

namespace telvane {

// The columns a grid shows: the main window's, or the log maintenance
// window's (which adds "Deleted?" and orders them for deciding what to
// delete).
enum class LogColumns { Main, Cleanup };

class LogTableModel : public QAbstractTableModel {
  Q_OBJECT
public:
  LogTableModel(LogTables& tables, LogKind kind, QObject* parent = nullptr, LogColumns columns = LogColumns::Main);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Width of a column in characters, from the table's display widths.
  int displayWidth(int column) const;
  // The table field (or calculated field) a column shows.
  QString fieldName(int column) const;

  // Reads the visible rows again (after any change to the table).
  void reload();
  // Shows only the rows holding `text` (blank: every row). A text that
  // extends the previous one narrows the rows already found.
  void setSearchText(const QString& text);
  const QString& searchText() const { return search_; }
  // Shows nothing until the next reload (while the table is rebuilt).
  void suspend();
  // Makes the table's current row the one shown at `row`.
  void setCurrentRow(int row);
  int currentRow() const { return currentRow_; }
  uint32_t recordAt(int row) const;

signals:
  // After a reload: the row of the table's current row (-1 for none).
  void currentRowReloaded(int row);

private:
  const QStringList& fetch(int row) const;
  void resetRows(std::vector<uint32_t> rows);

  LogTables& tables_;
  LogKind kind_;
  LogColumns columns_;
  std::vector<uint32_t> records_;
  int currentRow_ = -1;
  QString search_;
  mutable QHash<uint32_t, QStringList> cache_;  // rows painted so far, by record number
};

}  // namespace telvane
