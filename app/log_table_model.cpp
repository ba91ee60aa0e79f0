#include "app/log_table_model.h"

#include <QDate>
#include <QLocale>
#include <span>

#include "app/log_tables.h"

namespace telvane {
namespace {

struct Column {
  const char* title;
  const char* field;  // the table's field, or a calculated one
  int width;          // display width in characters
  Qt::Alignment align;
};

constexpr Qt::Alignment Left = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment Right = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment Centre = Qt::AlignHCenter | Qt::AlignVCenter;

constexpr Column OutgoingColumns[] = {
    {"Sent", "SentYesNo", 4, Centre},     {"Date Sent", "DATESENT", 10, Left}, {"Time Sent", "TIMESENT", 8, Left},
    {"Recipient", "RECIPIENT", 20, Left}, {"Phone", "PHONE", 15, Left},        {"Pages", "PAGES", 5, Right},
    {"Subject", "SUBJECT", 20, Left},     {"Last Attempt", "LASTRESULT", 35, Left},
};

constexpr Column ReceivedColumns[] = {
    {"Date Rec'd", "DATEREC", 10, Left}, {"Time Rec'd", "TIMEREC", 8, Left}, {"From", "FROM", 20, Left},
    {"Pages", "PAGES", 5, Right},        {"Notes", "NOTES", 20, Left},       {"Fax File", "FAXFILE", 12, Left},
};

constexpr Column OutgoingCleanupColumns[] = {
    {"Deleted?", "ISDELETED", 8, Centre},    {"Date Sent", "DATESENT", 10, Left}, {"Time Sent", "TIMESENT", 8, Left},
    {"Recipient", "RECIPIENT", 20, Left},    {"Subject", "SUBJECT", 20, Left},    {"Phone", "PHONE", 15, Left},
    {"Last Attempt", "LASTRESULT", 35, Left},
};

constexpr Column ReceivedCleanupColumns[] = {
    {"Deleted?", "ISDELETED", 8, Centre}, {"Date Rec'd", "DATEREC", 10, Left}, {"Time Rec'd", "TIMEREC", 8, Left},
    {"From", "FROM", 20, Left},           {"Pages", "PAGES", 5, Right},        {"Fax File", "FAXFILE", 12, Left},
    {"Notes", "NOTES", 20, Left},
};

std::span<const Column> columnsOf(LogKind kind, LogColumns set) {
  if (set == LogColumns::Cleanup) {
    if (kind == LogKind::Outgoing) return OutgoingCleanupColumns;
    return ReceivedCleanupColumns;
  }
  if (kind == LogKind::Outgoing) return OutgoingColumns;
  return ReceivedColumns;
}

// Dates are stored as YYYYMMDD and shown in the user's short format.
QString displayDate(const std::string& stored) {
  const QDate date = QDate::fromString(QString::fromStdString(stored), QStringLiteral("yyyyMMdd"));
  return date.isValid() ? QLocale().toString(date, QLocale::ShortFormat) : QString();
}

}  // namespace

LogTableModel::LogTableModel(LogTables& tables, LogKind kind, QObject* parent, LogColumns columns)
    : QAbstractTableModel(parent), tables_(tables), kind_(kind), columns_(columns) {}

int LogTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(records_.size());
}

int LogTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columnsOf(kind_, columns_).size());
}

int LogTableModel::displayWidth(int column) const { return columnsOf(kind_, columns_)[static_cast<size_t>(column)].width; }

QString LogTableModel::fieldName(int column) const {
  return QString::fromLatin1(columnsOf(kind_, columns_)[static_cast<size_t>(column)].field);
}

uint32_t LogTableModel::recordAt(int row) const {
  return row >= 0 && static_cast<size_t>(row) < records_.size() ? records_[static_cast<size_t>(row)] : 0;
}

const QStringList& LogTableModel::fetch(int row) const {
  const uint32_t record = records_[static_cast<size_t>(row)];
  auto it = cache_.find(record);
  if (it == cache_.end()) {
    QStringList values;
    const LogRow fields = tables_.ReadRow(kind_, record);
    for (const Column& c : columnsOf(kind_, columns_)) {
      const std::string value = fields.value(c.field);
      if (std::string_view(c.field).starts_with("DATE"))
        values << displayDate(value);
      else
        values << QString::fromStdString(value).trimmed();
    }
    it = cache_.insert(record, values);
  }
  return *it;
}

QVariant LogTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
  if (role == Qt::DisplayRole) return fetch(index.row()).value(index.column());
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(columnsOf(kind_, columns_)[static_cast<size_t>(index.column())].align);
  return {};
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    if (section < 0 || section >= columnCount()) return {};
    return QString::fromLatin1(columnsOf(kind_, columns_)[static_cast<size_t>(section)].title);
  }
  return section == currentRow_ ? QStringLiteral("\u25B8") : QString();  // the row indicator
}

void LogTableModel::reload() {
  std::vector<uint32_t> rows = tables_.VisibleRecords(kind_);
  if (!search_.trimmed().isEmpty()) rows = tables_.SearchRecords(kind_, rows, search_.toStdString());
  resetRows(std::move(rows));
}

void LogTableModel::setSearchText(const QString& text) {
  const QString previous = search_.trimmed();
  search_ = text;
  if (previous.isEmpty() || !text.trimmed().startsWith(previous)) {
    reload();
    return;
  }
  // Narrowing: the rows that hold the longer text are among those found.
  resetRows(tables_.SearchRecords(kind_, records_, text.toStdString()));
}

void LogTableModel::resetRows(std::vector<uint32_t> rows) {
  beginResetModel();
  cache_.clear();
  records_ = std::move(rows);
  currentRow_ = -1;
  const uint32_t current = tables_.CurrentRecord(kind_);
  for (size_t i = 0; i < records_.size(); ++i)
    if (records_[i] == current) currentRow_ = static_cast<int>(i);
  // The commands act on the table's current row: it must be one the grid
  // shows, also when a search has hidden it.
  if (currentRow_ < 0 && !records_.empty()) {
    currentRow_ = 0;
    tables_.GoTo(kind_, records_[0]);
  }
  endResetModel();
  emit currentRowReloaded(currentRow_);
}

void LogTableModel::suspend() {
  beginResetModel();
  cache_.clear();
  records_.clear();
  currentRow_ = -1;
  endResetModel();
}

void LogTableModel::setCurrentRow(int row) {
  const int previous = currentRow_;
  currentRow_ = row;
  if (const uint32_t record = recordAt(row)) tables_.GoTo(kind_, record);
  if (previous >= 0) emit headerDataChanged(Qt::Vertical, previous, previous);
  if (row >= 0) emit headerDataChanged(Qt::Vertical, row, row);
}

}  // namespace telvane
