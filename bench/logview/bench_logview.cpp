// The outgoing log at 100,000 rows as the main window shows it: the first
// screen in DATESENT order, one keystroke in the search field, and a bulk
// delete of 50,000 rows by date with the index rebuild after it. The
// reference, in the same run, is a bare QTableView over the same rows held
// in memory (a filter proxy for the search, erasing rows for the delete).
//
//   bench_logview [rows]      (offscreen unless QT_QPA_PLATFORM says otherwise)

#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/log_cleanup.h"
#include "app/log_table_model.h"
#include "app/log_tables.h"
#include "platform/program_directory.h"
#include "records/fax_records.h"
#include "records/rebuild_indexes.h"
#include "tools/sample-logs/sample_rows.h"

namespace {

using telvane::LogKind;

double msSince(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

// Shows the grid and runs the event loop until its first screen is painted.
void paint(QTableView& grid) {
  grid.show();
  grid.viewport()->repaint();
  QApplication::processEvents();
}

// The same rows as plain strings, for the reference grid.
class MemoryModel : public QAbstractTableModel {
public:
  std::vector<QStringList> rows;
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 8; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole) return {};
    return rows[static_cast<size_t>(index.row())].value(index.column());
  }
  void eraseBefore(const QString& date) {
    beginResetModel();
    std::erase_if(rows, [&](const QStringList& r) { return !r[1].isEmpty() && r[1] < date; });
    endResetModel();
  }
};

void report(const char* what, double ours, double reference) {
  std::printf("%-44s %10.1f ms %10.1f ms %8.2fx\n", what, ours, reference, ours / reference);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;

  std::string dir = (std::filesystem::temp_directory_path() / "telvane-bench-XXXXXX").string();
  if (!::mkdtemp(dir.data())) return 1;
  telvane::SetProgramDirectory(dir);
  std::string error;
  if (!telvane::WriteSampleLogs(rows, 0, error)) {
    std::fprintf(stderr, "bench_logview: %s\n", error.c_str());
    return 1;
  }

  // The reference rows, read once; reading is not timed.
  MemoryModel memory;
  std::vector<std::string> sentDates;
  {
    telvane::LogTables tables;
    tables.OpenFaxDBF();
    tables.PrepareFaxOrder();
    for (uint32_t recno : tables.VisibleRecords(LogKind::Outgoing)) {
      const telvane::LogRow r = tables.ReadRow(LogKind::Outgoing, recno);
      QStringList values;
      for (const char* f : {"SentYesNo", "DATESENT", "TIMESENT", "RECIPIENT", "PHONE", "PAGES", "SUBJECT", "LASTRESULT"})
        values << QString::fromStdString(r.value(f)).trimmed();
      memory.rows.push_back(values);
      if (!values[1].isEmpty()) sentDates.push_back(values[1].toStdString());
    }
  }
  std::sort(sentDates.begin(), sentDates.end());
  const std::string cut = sentDates[std::min(sentDates.size() - 1, static_cast<size_t>(rows / 2))];

  std::printf("%d outgoing rows\n%-44s %13s %13s %9s\n", rows, "", "Telvane", "bare grid", "ratio");

  // First screen.
  QElapsedTimer timer;
  timer.start();
  telvane::LogTables tables;
  tables.OpenFaxDBF();
  tables.PrepareFaxOrder();
  QTableView grid;
  grid.resize(592, 300);
  telvane::LogTableModel model(tables, LogKind::Outgoing);
  model.reload();
  grid.setModel(&model);
  paint(grid);
  const double oursFirst = msSince(timer);

  timer.restart();
  QTableView bare;
  bare.resize(592, 300);
  QSortFilterProxyModel proxy;
  proxy.setSourceModel(&memory);
  proxy.setFilterKeyColumn(-1);
  proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
  bare.setModel(&proxy);
  paint(bare);
  report("first screen in DATESENT order", oursFirst, msSince(timer));

  // One keystroke: "a" typed into an empty search field, then "n".
  for (const char* typed : {"a", "an"}) {
    timer.restart();
    model.setSearchText(QString::fromLatin1(typed));
    paint(grid);
    const double ours = msSince(timer);
    timer.restart();
    proxy.setFilterFixedString(QString::fromLatin1(typed));
    paint(bare);
    report((std::string("search keystroke, text \"") + typed + "\"").c_str(), ours, msSince(timer));
  }
  model.setSearchText({});
  proxy.setFilterFixedString({});

  // Bulk delete by date, then the rebuild that packs the rows away.
  timer.restart();
  const auto condition = telvane::DateCondition(LogKind::Outgoing, std::stoi(cut.substr(0, 4)),
                                                std::stoi(cut.substr(4, 2)), std::stoi(cut.substr(6, 2)));
  const telvane::DeleteOutcome outcome = telvane::DeleteMatching(tables.Records(), LogKind::Outgoing, *condition, true);
  const double deleteMs = msSince(timer);
  tables.RebuildIndexes([](const std::string&) {});
  tables.PrepareFaxOrder();
  model.reload();
  paint(grid);
  const double ours = msSince(timer);
  timer.restart();
  memory.eraseBefore(QString::fromStdString(cut));
  paint(bare);
  const double reference = msSince(timer);
  std::printf("deleted %d rows before %s (%.1f ms of it the deletion)\n", outcome.deleted, cut.c_str(), deleteMs);
  report("bulk delete by date + rebuild + repaint", ours, reference);
  if (model.rowCount() != static_cast<int>(memory.rows.size()))
    std::printf("warning: %d rows left in the log, %zu in the reference\n", model.rowCount(), memory.rows.size());

  std::filesystem::remove_all(dir);
  return 0;
}
