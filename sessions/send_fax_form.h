#pragma once
// The "Send Fax" window: the number to dial with its prefix and suffix, a
// summary of the modem settings, and "Send Fax Now", which checks the
// modem, configures the sender from the settings and transmits one fax
// image file. The session runs in the background; its steps go to
// Lastsend.log and its result to SendResult for the caller's log row.

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "sessions/session_report.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace telvane {

class TKovaComPort;
class TKovaSendFax;
class TKovaFaxStatus;

class TSendFaxForm : public QDialog {
  Q_OBJECT
public:
  explicit TSendFaxForm(QWidget* parent = nullptr);
  ~TSendFaxForm() override;

  // Set by the caller before the window is shown.
  void SetFaxFileName(const std::string& fileName) { faxFileName_ = fileName; }
  void SetInitialPhoneNumber(const QString& number) { initialPhoneNumber_ = number; }
  void SetPortNumber(int comNumber);
  // Sends only the pages after the first `confirmedPages` of the file,
  // their header numbers going on from there (0: the whole fax).
  void SetResumeAfter(int confirmedPages) { resumeAfter_ = confirmedPages; }

  // Read by the caller afterwards: empty when no session finished.
  QString SendResult;
  bool SendInProgress = false;
  std::string HeaderLineText;

  // The preferences window, installed by the program; true when confirmed.
  static std::function<bool(QWidget* parent)> RunPreferences;

  QLabel* ToLabel;
  QLabel* Subjectlabel;
  QLineEdit* sfPhoneNumber;
  QLineEdit* sfDialPrefix;
  QCheckBox* DisablePrefix;
  QLineEdit* sfDialsuffix;
  QCheckBox* DisableSuffix;
  QPlainTextEdit* SetupDisplayMemo;
  QLabel* status;
  QPushButton* SendFaxButton;
  QPushButton* PreferencesButton;
  QPushButton* CloseButton;
  QPushButton* Helpbutton;
  QPushButton* ProblemSolverButton;

  TKovaComPort& KovaComPort1() { return *port_; }
  TKovaSendFax& KovaSendFax1() { return *sender_; }
  const SessionReport& SessionLog() const { return sessionLog_; }

  void SendFaxButtonClick();
  void KovaSendFax1FaxFinish(int code);
  void AddtoLastSendLog(const std::string& line) { sessionLog_.Add(line); }
  void SaveLocalLog();
  void BuildHeader();
  void ShowSetup();
  void PreferencesButtonClick();
  void CloseButtonClick();

protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

private:
  void FormActivate();
  void SetStatus(const QString& text);
  void EndWithoutSession();
  void ConfigureSender();
  // The file the sender gets: the fax file, or its pages still to send.
  std::string FileToSend();
  void RemoveResumeFile();

  std::unique_ptr<TKovaComPort> port_;
  std::unique_ptr<TKovaFaxStatus> faxStatus_;
  std::unique_ptr<TKovaSendFax> sender_;
  std::string faxFileName_;
  QString initialPhoneNumber_;
  SessionReport sessionLog_;
  bool activated_ = false;
  int resumeAfter_ = 0;
  int totalPages_ = 0;
  std::string resumeFile_;
};

// The date and time as the session reports stamp them: the system's long
// date, a blank, the long time.
std::string SessionStamp();

}  // namespace telvane
