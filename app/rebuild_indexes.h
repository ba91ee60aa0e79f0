#pragma once
// "Rebuild Indexes": packs the logs and rebuilds every index tag, showing
// each step, and closes itself when the work ends (also after a failure).

#include <QDialog>

class QLabel;

namespace telvane {

class LogTables;

class TRebuildInd : public QDialog {
  Q_OBJECT
public:
  explicit TRebuildInd(LogTables& tables, QWidget* parent = nullptr);

  // The progress texts shown, in order (for tests and the log).
  const QStringList& shownTexts() const { return shown_; }
  bool succeeded() const { return succeeded_; }

  // Escape and the window's close box wait for the work to end: the logs
  // are being packed, and closing early would hand the main window back
  // while its tables are half rebuilt.
  void reject() override;

protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;

private:
  void run();

  LogTables& tables_;
  QLabel* progress_;
  QStringList shown_;
  bool started_ = false;
  bool succeeded_ = false;
  bool finished_ = false;
};

}  // namespace telvane
