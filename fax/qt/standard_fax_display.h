#pragma once
// The standard fax status window: six panels of labelled values, the page
// progress bar and a Cancel button. It shows what TKovaFaxStatus computes
// (fax/status/fax_status.h) and knows nothing of clocks or status codes.

#include <QDialog>
#include <functional>

#include "fax/status/fax_status.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace telvane {

class TStandardFaxDisplay : public QDialog {
  Q_OBJECT

public:
  explicit TStandardFaxDisplay(QWidget* parent = nullptr);

  // What Cancel does: the owning component stops the fax it shows now,
  // so the window never holds a fax that may have gone.
  void SetCancelHandler(std::function<void()> handler) { cancel_ = std::move(handler); }
  void ShowFields(const FaxStatusFields& fields);

  // Escape does not hide the window of a running fax; Cancel stops the fax
  // and the fax's last notification hides the window.
  void reject() override {}

  QLabel* fsPhoneNumber = nullptr;
  QLabel* fsFaxFileName = nullptr;
  QLabel* fsCoverFileName = nullptr;
  QLabel* fsTotalPages = nullptr;
  QLabel* fsDialAttempt = nullptr;
  QLabel* fsRemoteID = nullptr;
  QLabel* fsConnectBPS = nullptr;
  QLabel* fsResolution = nullptr;
  QLabel* fsWidth = nullptr;
  QLabel* fsErrorControl = nullptr;
  QLabel* fsCurrentPage = nullptr;
  QLabel* fsPageLength = nullptr;
  QLabel* fsBytesTransferred = nullptr;
  QLabel* fsElapsedTime = nullptr;
  QLabel* fsStatusMsg = nullptr;
  QLabel* fsPageProgressLabel = nullptr;
  QProgressBar* fsPageProgress = nullptr;
  QPushButton* fsCancel = nullptr;

private slots:
  void fsCancelClick();

private:
  void createPanels();
  void createCancelButton();

  std::function<void()> cancel_;
};

}  // namespace telvane
