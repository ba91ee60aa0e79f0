#pragma once
// "Fax Log Cleanup Utility": both logs in grids with their deletion mark,
// and the commands that delete one row, rows before a date, sent or unsent
// faxes, rows matching a sender, recipient or fax number, or every row.
// The logs' filters are lifted while it is open and put back when it
// closes; Changed tells the main window to rebuild the indexes.

#include <QDialog>

#include "app/log_tables.h"

class QAction;
class QMenu;
class QTabWidget;
class QTableView;

namespace telvane {

class LogTableModel;

class TDMForm : public QDialog {
  Q_OBJECT
public:
  explicit TDMForm(LogTables& tables, QWidget* parent = nullptr);

  bool Changed = false;
  bool DateCheck = false;

  LogKind CurrentKind() const;
  void ShowPage(LogKind kind);

  // The commands, by the names of their handlers.
  void DeleteCurrentClick();
  void DeleteSome();
  void DeleteSentClick();
  void DeleteUnsentClick();
  void DeleteForConditionsClick();
  void DeleteAllClick();
  void GridDblClick(const QModelIndex& index);

  void done(int result) override;

  QTabWidget* PageControl = nullptr;
  QTableView* SendGrid = nullptr;
  QTableView* RecGrid = nullptr;
  QMenu* mnuActions = nullptr;
  QMenu* GridPopup = nullptr;
  QAction* mnuDeleteCurrent = nullptr;
  QAction* mnuDeleteBefore = nullptr;
  QAction* mnuDeleteSent = nullptr;
  QAction* mnuDeleteUnsent = nullptr;
  QAction* mnuDeleteConditions = nullptr;
  QAction* mnuDeleteAll = nullptr;

protected:
  void showEvent(QShowEvent* event) override;

private:
  void createActions();
  QTableView* createGrid(const char* name, LogTableModel*& model, LogKind kind);
  void FormActivate();
  void LoadGrids();
  void UpdateActions();
  QTableView* gridOf(LogKind kind) const;
  LogTableModel* modelOf(LogKind kind) const;
  void reloadGrid(LogKind kind);
  // The date deletion's and the others' common end: run, report, update.
  void deleteMatchingAndReport(const std::string& condition);
  void askAndDeleteMatching(const std::string& condition, const std::string& question, const char* caption);

  LogTables& tables_;
  LogTableModel* sendModel_ = nullptr;
  LogTableModel* recModel_ = nullptr;
  std::string savedFaxFilter_;
  std::string savedRecFilter_;
  bool firstActivation_ = true;
  bool filtersLifted_ = false;
};

}  // namespace telvane
