#pragma once
// "Configuration Information": the configuration report in a read-only
// memo, to copy to the clipboard or save as a text file for technical
// support.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "settings/configuration_report.h"

class QPlainTextEdit;

namespace telvane {

class TConfigurationInfo : public QDialog {
  Q_OBJECT
public:
  explicit TConfigurationInfo(const std::vector<std::string>& lines, QWidget* parent = nullptr);

  QString reportText() const;
  void CopyButtonClick();
  void SaveAsButtonClick();
  // Where "Save As..." writes: a file dialog unless a test sets another.
  std::function<QString()> chooseSaveFile;

private:
  QPlainTextEdit* Memo1;
};

// The facts of this machine, settings and sessions; asks the modem on the
// configured port what it is (off the UI thread, a few seconds at most).
ReportFacts GatherReportFacts();

// Builds the report and shows it.
void RunConfigurationInfo(QWidget* parent);

}  // namespace telvane
